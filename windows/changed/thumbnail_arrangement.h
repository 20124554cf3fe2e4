#pragma once

// The grid along one screen edge in which thumbnails of windows minimized in place line
// up: equal square cells, one line after another, starting in the corner the user's
// order names.
//
// Everything here is a pure function of the arrangement's three fields: it holds no
// state and touches no window. Coordinates are global top-left points (y grows
// downwards), so the top of a rectangle is its minY.
//
// The grid. The pitch is side + 4: every square keeps a 4-point gap to its neighbours
// and a 4-point margin to the usable frame. Cell indices start at 0 in the start corner
// and run along the edge first (down or up a column for the vertical orders, along a
// row for the horizontal ones). Squares measured from a minimum edge are rounded up and
// those measured from a maximum edge rounded down, so that whole-point squares never
// cross the margin.
//
// Bad input gives a grid without cells: a usable frame of 4 points or less along a
// side, a side of −4 or less, or anything not finite. So that an absurd side cannot make
// the cell walks endless, a line holds at most maxCellsPerSide cells.

#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>

#include "platform/geometry/geometry.h"
#include "settings/model/thumbnail_order.h"

namespace furlpane {

struct ThumbnailArrangement {
    // The settings model stores the order ("MIPWindowGridAlign", raw values 1 ... 8);
    // these are the same types under the names the arrangement gives them.
    using Order = ThumbnailOrder;
    using Corner = ThumbnailCorner;

    // The square a thumbnail gets and the corner its arrangement starts from (the
    // corner of the square at which the thumbnail is anchored).
    struct Place {
        platform::Rect square;
        Corner corner = Corner::topLeft;
        friend bool operator==(const Place&, const Place&) = default;

        // A thumbnail of this size anchored at the corner: against the square's right
        // edge for the right corners and its bottom edge for the bottom ones.
        platform::Rect frameFor(platform::Size size) const;
    };

    // One thumbnail to lay out: its window number and its current frame.
    struct Item {
        std::uint32_t windowNumber = 0;
        platform::Rect frame;
    };

    // The column and row of a cell, counted inwards from the start corner.
    struct CellPosition {
        std::int64_t column = 0;
        std::int64_t row = 0;
        friend bool operator==(const CellPosition&, const CellPosition&) = default;
    };

    static constexpr double gap = 4;
    static constexpr std::int64_t maxCellsPerSide = 4096;

    Order order = Order::leftFromTop;
    double side = 0;             // the side of every thumbnail square, points
    platform::Rect usableFrame;  // the part of the screen the grid stays inside

    friend bool operator==(const ThumbnailArrangement&, const ThumbnailArrangement&) = default;

    // The start corner of an order.
    static Corner cornerOf(Order o) { return corner(o); }
    // Cells along a length for a pitch: floor((length − 4) / pitch) when the pitch is
    // positive and the length finite and above 4; otherwise 0 (at most maxCellsPerSide).
    static std::int64_t cellCount(double length, double pitch);

    double pitch() const { return side + gap; }
    std::int64_t columns() const;
    std::int64_t rows() const;
    std::int64_t cells() const { return columns() * rows(); }

    // The column and row of a cell index.
    CellPosition cellPosition(std::int64_t index) const;
    // The side × side square of a cell index.
    platform::Rect square(std::int64_t index) const;
    // The cell's square with the order's start corner.
    Place placeForCell(std::int64_t index) const;
    // The cell in which a frame's centre lies, clamped to the grid.
    std::int64_t cellIndex(const platform::Rect& frame) const;
    // The first cell from max(start, 0) whose square, grown by 2 points, overlaps none of
    // the frames with positive width and height; none when every cell up to the end of
    // the grid is taken or start lies beyond it.
    std::optional<std::int64_t> firstFreeCell(std::int64_t start, std::span<const platform::Rect> avoiding) const;

    // The place of one more thumbnail after those already on the screen (existing),
    // avoiding the given frames: the first free cell after the last occupied one, else
    // the first cell from the start that avoids both lists; none when the grid is full.
    std::optional<Place> place(std::span<const platform::Rect> existing,
                               std::span<const platform::Rect> avoiding) const;

    // Every thumbnail of a screen packed towards the start corner in the order in which
    // they stand along the lines, skipping cells that overlap the avoided frames. A
    // thumbnail that finds no cell has no entry; of items with the same window number
    // the one walked last keeps its entry.
    std::unordered_map<std::uint32_t, Place> places(std::span<const Item> items,
                                                    std::span<const platform::Rect> avoiding) const;

private:
    bool startsLeft() const;
    bool startsTop() const;
    // The item's position along its line inside its cell, 0 ... 1.
    double fractionAlongLine(const platform::Rect& frame, std::int64_t index) const;
};

}  // namespace furlpane
