#include "windows/changed/thumbnail_arrangement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace furlpane {
namespace {

using platform::Rect;
using Order = ThumbnailArrangement::Order;
using Corner = ThumbnailArrangement::Corner;
using Item = ThumbnailArrangement::Item;

// The usable frame of a 1440 × 900 screen below a 25-point menu bar.
constexpr Rect kScreen{0, 25, 1440, 875};

ThumbnailArrangement arrangement(Order order, double side = 100, Rect usable = kScreen) {
    return ThumbnailArrangement{order, side, usable};
}

// A grid of 2 columns and 4 rows (8 cells), numbered down the columns.
ThumbnailArrangement smallGrid() { return arrangement(Order::leftFromTop, 100, Rect(0, 0, 212, 420)); }

TEST(ThumbnailArrangementGrid, CellsAlongASide) {
    EXPECT_EQ(ThumbnailArrangement::cellCount(416, 104), 3);  // 3.96
    EXPECT_EQ(ThumbnailArrangement::cellCount(420, 104), 4);
    EXPECT_EQ(ThumbnailArrangement::cellCount(4, 104), 0);
    EXPECT_EQ(ThumbnailArrangement::cellCount(1440, 0), 0);
    EXPECT_EQ(ThumbnailArrangement::cellCount(std::numeric_limits<double>::infinity(), 104), 0);
    EXPECT_EQ(ThumbnailArrangement::cellCount(std::nan(""), 104), 0);
    EXPECT_EQ(ThumbnailArrangement::cellCount(1e12, 0.5), ThumbnailArrangement::maxCellsPerSide);
    EXPECT_EQ(arrangement(Order::leftFromTop).columns(), 13);
    EXPECT_EQ(arrangement(Order::leftFromTop).rows(), 8);
}

TEST(ThumbnailArrangementGrid, AGridWithoutCellsPlacesNothing) {
    const std::vector<Item> items{{1, Rect(10, 10, 50, 50)}};
    for (const ThumbnailArrangement& a :
         {arrangement(Order::leftFromTop, 100, Rect(0, 0, 4, 900)), arrangement(Order::topFromLeft, -4),
          arrangement(Order::topFromLeft, -10), arrangement(Order::leftFromTop, std::nan(""))}) {
        EXPECT_EQ(a.cells(), 0);
        EXPECT_FALSE(a.place({}, {}));
        EXPECT_TRUE(a.places(items, {}).empty());
    }
}

TEST(ThumbnailArrangementGrid, EveryOrderStartsInItsCornerAndRunsAlongItsEdge) {
    // 13 columns and 8 rows on the screen above; the squares' top-left corners of the
    // first cell, the second, and the first of the second line.
    const struct {
        Order order;
        Corner corner;
        platform::Point first, second, afterFirstLine;
    } cases[] = {
        {Order::leftFromTop, Corner::topLeft, {4, 29}, {4, 133}, {108, 29}},
        {Order::leftFromBottom, Corner::bottomLeft, {4, 796}, {4, 692}, {108, 796}},
        {Order::rightFromTop, Corner::topRight, {1336, 29}, {1336, 133}, {1232, 29}},
        {Order::rightFromBottom, Corner::bottomRight, {1336, 796}, {1336, 692}, {1232, 796}},
        {Order::topFromLeft, Corner::topLeft, {4, 29}, {108, 29}, {4, 133}},
        {Order::topFromRight, Corner::topRight, {1336, 29}, {1232, 29}, {1336, 133}},
        {Order::bottomFromLeft, Corner::bottomLeft, {4, 796}, {108, 796}, {4, 692}},
        {Order::bottomFromRight, Corner::bottomRight, {1336, 796}, {1232, 796}, {1336, 692}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rawValue(c.order));
        const auto a = arrangement(c.order);
        const std::int64_t lineLength = isVertical(c.order) ? a.rows() : a.columns();
        EXPECT_EQ(ThumbnailArrangement::cornerOf(c.order), c.corner);
        EXPECT_EQ(a.placeForCell(0).corner, c.corner);
        EXPECT_EQ(a.square(0), Rect(c.first, {100, 100}));
        EXPECT_EQ(a.square(1), Rect(c.second, {100, 100}));
        EXPECT_EQ(a.square(lineLength), Rect(c.afterFirstLine, {100, 100}));
        // A thumbnail standing exactly in a cell's square maps back to that cell.
        for (std::int64_t i = 0; i < a.cells(); ++i) ASSERT_EQ(a.cellIndex(a.square(i)), i);
    }
    // Squares round away from the margin.
    const Rect usable(0.5, 25.5, 1440, 875);
    EXPECT_EQ(arrangement(Order::leftFromTop, 100, usable).square(0), Rect(5, 30, 100, 100));
    EXPECT_EQ(arrangement(Order::rightFromBottom, 100, usable).square(0), Rect(1336, 796, 100, 100));
}

TEST(ThumbnailArrangementGrid, AThumbnailLiesAgainstTheEdgesOfItsPlacesCorner) {
    const Rect square(100, 200, 64, 64);
    const struct {
        Corner corner;
        Rect frame;
    } cases[] = {{Corner::topLeft, {100, 200, 64, 40}},
                 {Corner::topRight, {100, 200, 64, 40}},
                 {Corner::bottomLeft, {100, 224, 64, 40}},
                 {Corner::bottomRight, {100, 224, 64, 40}}};
    for (const auto& c : cases) EXPECT_EQ((ThumbnailArrangement::Place{square, c.corner}.frameFor({64, 40})), c.frame);
    EXPECT_EQ((ThumbnailArrangement::Place{square, Corner::topRight}.frameFor({30, 64})), Rect(134, 200, 30, 64));
}

TEST(ThumbnailArrangementGrid, CellOfAFrameIsClampedToTheGrid) {
    const auto a = smallGrid();
    EXPECT_EQ(a.cellIndex(Rect(-500, -500, 10, 10)), 0);
    EXPECT_EQ(a.cellIndex(Rect(5000, 5000, 10, 10)), 7);
    EXPECT_EQ(a.cellIndex(Rect(5000, -500, 10, 10)), 4);
    EXPECT_EQ(a.cellIndex(Rect(std::nan(""), 0, 10, 10)), 0);
    // The centre decides: a frame reaching into the next row but centred in row 0.
    EXPECT_EQ(a.cellIndex(Rect(4, 4, 100, 200)), 0);
    EXPECT_EQ(a.cellIndex(Rect(4, 4, 100, 212)), 1);
}

TEST(ThumbnailArrangementFreeCells, AFrameThatTouchesACellTakesIt) {
    const auto a = smallGrid();  // cell 0 is (4, 4, 100, 100), cell 1 below it
    const Rect touching(104, 4, 50, 50);
    const Rect threeAway(107, 4, 50, 50);
    EXPECT_EQ(a.firstFreeCell(0, std::vector<Rect>{touching}), 1);
    EXPECT_EQ(a.firstFreeCell(0, std::vector<Rect>{threeAway}), 0);
    EXPECT_EQ(a.firstFreeCell(0, {}), 0);
    EXPECT_EQ(a.firstFreeCell(-3, {}), 0);
    EXPECT_EQ(a.firstFreeCell(7, {}), 7);
    EXPECT_FALSE(a.firstFreeCell(8, {}));
    EXPECT_FALSE(a.firstFreeCell(0, std::vector<Rect>{Rect(0, 0, 1000, 1000)}));
}

TEST(ThumbnailArrangementPlace, GoesAfterTheLastThumbnailAndWrapsOnlyAtTheEnd) {
    const auto a = smallGrid();
    const std::vector<Rect> existing{a.square(0), a.square(1), a.square(5)};
    EXPECT_EQ(a.place(existing, {}), a.placeForCell(6));
    // Every cell from 6 on is to be avoided: start again at 0, now avoiding the
    // thumbnails themselves too, and fill the gap at 2.
    const std::vector<Rect> avoid{a.square(6).united(a.square(7))};
    EXPECT_EQ(a.place(existing, avoid), a.placeForCell(2));
    EXPECT_EQ(a.place({}, {}), a.placeForCell(0));
    // A full grid has no place.
    std::vector<Rect> all;
    for (std::int64_t i = 0; i < a.cells(); ++i) all.push_back(a.square(i));
    EXPECT_FALSE(a.place(all, {}));
    // The first pass does not avoid the thumbnails: one centred in cell 1 but reaching
    // down over cell 2 leaves cell 2 free.
    const Rect hanging = a.square(1).offsetBy(0, 40);
    ASSERT_EQ(a.cellIndex(hanging), 1);
    EXPECT_EQ(a.place(std::vector<Rect>{a.square(0), hanging}, {}), a.placeForCell(2));
}

TEST(ThumbnailArrangementPlaces, PacksTowardsTheStartClosingGaps) {
    const auto a = smallGrid();
    const std::vector<Item> items{{30, a.square(5)}, {10, a.square(0)}, {20, a.square(3)}};
    const auto placed = a.places(items, {});
    ASSERT_EQ(placed.size(), 3u);
    EXPECT_EQ(placed.at(10), a.placeForCell(0));
    EXPECT_EQ(placed.at(20), a.placeForCell(1));
    EXPECT_EQ(placed.at(30), a.placeForCell(2));
    // Avoided cells are skipped.
    const auto skipping = a.places(items, std::vector<Rect>{a.square(1)});
    EXPECT_EQ(skipping.at(20), a.placeForCell(2));
    EXPECT_EQ(skipping.at(30), a.placeForCell(3));
}

TEST(ThumbnailArrangementPlaces, TwoInOneCellKeepTheOneNearerTheStart) {
    const auto a = smallGrid();
    const Rect lower(4, 30, 100, 100);  // centre 80 below the top: fraction 0.75
    const Rect upper(4, 4, 100, 100);   // fraction 0.5
    auto placed = a.places(std::vector<Item>{{1, lower}, {2, upper}}, {});
    EXPECT_EQ(placed.at(2), a.placeForCell(0));
    EXPECT_EQ(placed.at(1), a.placeForCell(1));
    // Equal fractions: the smaller window number first.
    placed = a.places(std::vector<Item>{{9, upper}, {3, upper}}, {});
    EXPECT_EQ(placed.at(3), a.placeForCell(0));
    EXPECT_EQ(placed.at(9), a.placeForCell(1));
    // Horizontal orders measure the fraction across.
    const auto row = arrangement(Order::topFromLeft, 100, Rect(0, 0, 420, 212));
    placed = row.places(std::vector<Item>{{1, Rect(30, 4, 100, 100)}, {2, Rect(4, 4, 100, 100)}}, {});
    EXPECT_EQ(placed.at(2), row.placeForCell(0));
    EXPECT_EQ(placed.at(1), row.placeForCell(1));
}

TEST(ThumbnailArrangementPlaces, ThumbnailsBeyondTheLastFreeCellGetNoEntry) {
    const auto a = smallGrid();
    // Cells 1 ... 7 and, a point lower, 0 ... 2 again; cell 7 is to be avoided. Sorted:
    // 8, 1, 9, 2, 10, 3, 4 take cells 0 ... 6, and 5, 6, 7 find none.
    std::vector<Item> items;
    for (std::uint32_t n = 1; n <= 10; ++n) items.push_back({n, a.square(n % 8).offsetBy(0, n >= 8 ? 1 : 0)});
    const auto placed = a.places(items, std::vector<Rect>{a.square(7)});
    EXPECT_EQ(placed.size(), 7u);
    for (std::uint32_t n = 1; n <= 10; ++n) EXPECT_EQ(placed.count(n) == 1, n < 5 || n > 7) << n;
}

}  // namespace
}  // namespace furlpane
