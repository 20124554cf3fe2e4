#include "transitions/effects/slider_puzzle/slider_puzzle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include "effects_test_support.h"

namespace furlpane::effects {
namespace {

constexpr uint32_t kSeeds[] = {0u, 1u, 0x80000000u, 0xFFFFFFFFu};

// Every layout is a board the puzzle can reach: the tiles other than the lifted one on
// distinct cells of the board, and the empty cell (the one left over) such that the
// permutation's parity equals the parity of the empty cell's distance from home — the
// condition for a sliding puzzle to be solvable.
void expectSolvable(const SliderPuzzle& plan, const std::vector<int2>& layout) {
    const int columns = plan.columns, rows = plan.rows, n = columns * rows;
    std::vector<int> board(static_cast<size_t>(n), -1);
    for (int i = 0; i + 1 < n; ++i) {
        const int2 c = layout[static_cast<size_t>(i)];
        ASSERT_TRUE(c.x >= 0 && c.y >= 0 && c.x < columns && c.y < rows);
        ASSERT_EQ(board[static_cast<size_t>(c.y * columns + c.x)], -1) << "two tiles share a cell";
        board[static_cast<size_t>(c.y * columns + c.x)] = i;
    }
    int empty = 0;
    for (int k = 0; k < n; ++k)
        if (board[static_cast<size_t>(k)] < 0) empty = k, board[static_cast<size_t>(k)] = n - 1;
    int inversions = 0;
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b)
            if (board[static_cast<size_t>(a)] > board[static_cast<size_t>(b)]) ++inversions;
    const int distance = (columns - 1 - empty % columns) + (rows - 1 - empty / columns);
    EXPECT_EQ(inversions % 2, distance % 2);
    // The lifted tile never slides.
    EXPECT_EQ(layout[static_cast<size_t>(n - 1)], (int2{columns - 1, rows - 1}));
}

// Each slide moves a straight run of tiles, the first next to the empty cell, one cell
// towards it.
void expectLegalSlides(const SliderPuzzle& plan) {
    for (size_t k = 0; k < plan.slides.size(); ++k) {
        const auto& slide = plan.slides[k];
        ASSERT_FALSE(slide.tiles.empty());
        EXPECT_LE(slide.tiles.size(), 5u);
        EXPECT_EQ(std::abs(slide.step.x) + std::abs(slide.step.y), 1);
        const auto& before = plan.layouts[k];
        const auto& after = plan.layouts[k + 1];
        std::set<std::pair<int, int>> occupied;
        for (size_t i = 0; i + 1 < before.size(); ++i) occupied.insert({before[i].x, before[i].y});
        const int2 first = before[static_cast<size_t>(slide.tiles[0])] + slide.step;
        EXPECT_FALSE(occupied.count({first.x, first.y})) << "the first tile slides into the empty cell";
        for (size_t j = 1; j < slide.tiles.size(); ++j) {
            EXPECT_EQ(before[static_cast<size_t>(slide.tiles[j])] + slide.step,
                      before[static_cast<size_t>(slide.tiles[j - 1])]);
        }
        for (const int tile : slide.tiles)
            EXPECT_EQ(after[static_cast<size_t>(tile)], before[static_cast<size_t>(tile)] + slide.step);
    }
}

TEST(SliderPuzzlePlan, ThumbnailScramblesAndSolves) {
    for (const uint32_t seed : kSeeds) {
        for (const int2 grid : {int2{5, 4}, int2{6, 4}, int2{4, 6}, int2{2, 2}, int2{10, 4}, int2{3, 1}}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " grid " << grid.x << "x" << grid.y);
            const SliderPuzzle plan = sliderPuzzlePlan(grid.x, grid.y, false, seed, 0);
            ASSERT_EQ(plan.slides.size(), 14u);
            ASSERT_EQ(plan.layouts.size(), 15u);
            EXPECT_EQ(plan.slides.front().span.lower, 0.11);
            EXPECT_EQ(plan.slides[6].span.upper, 0.47);
            EXPECT_EQ(plan.slides[7].span.lower, 0.55);
            EXPECT_EQ(plan.slides[13].span.upper, 0.83);
            for (size_t k = 1; k < 14; ++k) EXPECT_GE(plan.slides[k].span.lower, plan.slides[k - 1].span.upper);
            for (const auto& s : plan.slides) EXPECT_LE(s.span.lower, s.span.upper);
            EXPECT_EQ(plan.layouts.back(), plan.layouts.front());
            EXPECT_TRUE(plan.columnStarts.empty());
            for (const auto& layout : plan.layouts) expectSolvable(plan, layout);
            expectLegalSlides(plan);
        }
    }
    EXPECT_NE(sliderPuzzlePlan(5, 4, false, 9, 0).slides, sliderPuzzlePlan(5, 4, false, 10, 0).slides);
}

TEST(SliderPuzzlePlan, TitleStripScramblesAndSchedulesItsColumns) {
    for (const uint32_t seed : kSeeds) {
        const SliderPuzzle plan = sliderPuzzlePlan(6, 4, true, seed, 28);
        ASSERT_EQ(plan.slides.size(), 9u);
        EXPECT_EQ(plan.slides.front().span.lower, 0.11);
        EXPECT_EQ(plan.slides.back().span.upper, 0.59);
        EXPECT_NE(plan.layouts.back(), plan.layouts.front());
        ASSERT_EQ(plan.columnStarts.size(), 6u);
        for (const double start : plan.columnStarts) {
            EXPECT_GE(start, 0.59);
            EXPECT_LE(start, 0.71 + 1e-12);
        }
        for (const auto& layout : plan.layouts) expectSolvable(plan, layout);
        expectLegalSlides(plan);
    }
    EXPECT_EQ(sliderPuzzlePlan(1, 4, true, 3, 28).columnStarts, std::vector<double>{0.59});
}

TEST(SliderPuzzlePlan, TwoByOneAlternatesAndOneByOneStandsStill) {
    const SliderPuzzle two = sliderPuzzlePlan(2, 1, false, 0, 0);
    ASSERT_EQ(two.slides.size(), 14u);
    for (size_t k = 0; k < 7; ++k) {
        EXPECT_EQ(two.slides[k].tiles, std::vector<int>{0});
        EXPECT_EQ(two.slides[k].step, (k % 2 == 0 ? int2{1, 0} : int2{-1, 0}));
    }
    EXPECT_EQ(two.layouts.back(), two.layouts.front());
    const SliderPuzzle one = sliderPuzzlePlan(1, 1, false, 0, 0);
    EXPECT_TRUE(one.slides.empty());
    ASSERT_EQ(one.layouts.size(), 1u);
    EXPECT_EQ(one.layouts[0], (std::vector<int2>{int2{0, 0}}));
    const SliderPuzzle oneStrip = sliderPuzzlePlan(1, 1, true, 0, 28);
    EXPECT_TRUE(oneStrip.slides.empty());
    // Columns and rows below 1 become 1; absurd sides are limited.
    EXPECT_EQ(sliderPuzzlePlan(0, -3, false, 0, 0).layouts.size(), 1u);
    const SliderPuzzle huge = sliderPuzzlePlan(1 << 30, 1 << 30, false, 0, 0);
    EXPECT_EQ(huge.columns, kLargestPuzzleSide);
    for (const auto& s : huge.slides) EXPECT_LE(s.tiles.size(), 5u);
}

TEST(SliderPuzzlePlan, SolveMirrorsTheScrambleWithShortPauses) {
    for (const uint32_t seed : kSeeds) {
        // Replays the stream: the walk, then the timings.
        EffectRandom random(seed, tags::kSliderPuzzle);
        const auto moves = scrambleWalk(5, 4, 7, random);
        std::vector<int> counts;
        for (const auto& m : moves) counts.push_back(static_cast<int>(m.tiles.size()));
        const auto [durations, gaps] = scrambleTimings(counts, random);
        const SliderPuzzle plan = sliderPuzzlePlan(5, 4, false, seed, 0);
        const auto scramble = scheduleSlides(moves, durations, gaps, 0.11, 0.47);
        ASSERT_EQ(std::vector<SliderPuzzle::Slide>(plan.slides.begin(), plan.slides.begin() + 7), scramble);
        for (size_t k = 0; k < 7; ++k) {
            const auto& undo = plan.slides[13 - k];
            EXPECT_EQ(undo.step, -moves[k].step);
            EXPECT_EQ(undo.tiles, std::vector<int>(moves[k].tiles.rbegin(), moves[k].tiles.rend()));
        }
        double durationSum = 0, gapSum = 0;
        for (const double d : durations) durationSum += d;
        for (const double g : gaps) gapSum += std::min(0.03, g);
        const double scale = (0.83 - 0.55) / (durationSum + gapSum);
        for (size_t k = 8; k < 14; ++k)
            EXPECT_LE(plan.slides[k].span.lower - plan.slides[k - 1].span.upper, 0.03 * scale + 1e-12);
    }
}

TEST(SliderPuzzlePlan, TimingsAndScheduleFollowTheirProportions) {
    EffectRandom random(5, tags::kSliderPuzzle);
    const auto [durations, gaps] = scrambleTimings({1, 1, 3}, random);
    ASSERT_EQ(durations.size(), 3u);
    ASSERT_EQ(gaps.size(), 2u);
    // The first move is 1.8 times as long as a plain one would be; extra tiles add 12 % each.
    EXPECT_GE(durations[0], 0.88 * 1.8 - 1e-12);
    EXPECT_LE(durations[0], 1.12 * 1.8 + 1e-12);
    const std::vector<SliderPuzzle::Move> moves{{{0}, {1, 0}}, {{1}, {0, 1}}, {{2}, {-1, 0}}};
    const auto slides = scheduleSlides(moves, {1, 2, 1}, {1, 0}, 0.1, 0.6);
    const double expected[3][2] = {{0.1, 0.2}, {0.3, 0.5}, {0.5, 0.6}};
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(slides[k].span.lower, expected[k][0], 1e-15);
        EXPECT_NEAR(slides[k].span.upper, expected[k][1], 1e-15);
    }
    EXPECT_EQ(slides[2].span.upper, 0.6);
    // Nothing to lay out: every slide sits at the start, the last ends at the end.
    const auto empty = scheduleSlides(moves, {0, 0, 0}, {0, 0}, 0.2, 0.4);
    EXPECT_EQ(empty[0].span, (Phase{0.2, 0.2}));
    EXPECT_EQ(empty[2].span, (Phase{0.2, 0.4}));
}

TEST(SliderPuzzlePlan, UniformsGiveTheCallersValues) {
    TransitionUniforms u;
    u.window = {0, 0, 800, 20};
    u.grid = {6, 4};
    u.titleBarHeight = 28;
    u.standInCrop = 0.2f;
    u.seed = 4;
    const SliderPuzzle strip = sliderPuzzlePlan(u);
    EXPECT_EQ(strip.titleBar, 20);  // limited to the window's height
    EXPECT_TRUE(strip.isTitleStrip);
    EXPECT_EQ(strip, sliderPuzzlePlan(6, 4, true, 4, 20));
    u.standInCrop = 1;
    u.grid = {0xFFFFFFFFu, 0};
    const SliderPuzzle thumb = sliderPuzzlePlan(u);
    EXPECT_EQ(thumb.titleBar, 0);
    EXPECT_EQ(thumb.columns, kLargestPuzzleSide);
    EXPECT_EQ(thumb.rows, 1);
}

struct Scene {
    Rect2 window{{100, 200}, {800, 600}};
    Rect2 standIn{{1300, 900}, {120, 90}};
    Rect2 room{{0, 0}, {1600, 1200}};
    double2 view{1600, 1200};
};

TEST(PuzzleFrames, ThumbnailFrameFromWindowToStandIn) {
    const Scene sc;
    const SliderPuzzle plan = sliderPuzzlePlan(5, 4, false, 1, 0);
    const PuzzleFrames first = tileFrames(plan, 0, model_tests::placed(sc.window, sc.standIn, sc.room, sc.view, 0.9));
    ASSERT_EQ(first.look.size(), 7u);
    EXPECT_EQ(first.look[0], (float4{100, 200, 160, 150}));
    EXPECT_EQ(first.look[1].x, 0.0f);
    EXPECT_EQ(first.look[2], (float4{1, 0, 1.8f * 1600, 1}));
    EXPECT_EQ(first.look[3], (float4{0, 0, 1, 1}));
    EXPECT_EQ(first.records.size(), 20u);
    EXPECT_EQ(first.records.back().look, (float4{0, 1, 1, 0}));
    const PuzzleFrames last = tileFrames(plan, 1, model_tests::placed(sc.window, sc.standIn, sc.room, sc.view, 0.9));
    EXPECT_EQ(last.look[0], (float4{1300, 900, 24, 22.5f}));
    EXPECT_EQ(last.look[2].x, 2.0f);
    EXPECT_FLOAT_EQ(last.look[1].w, 0.9f);
    EXPECT_EQ(last.records.back().look, (float4{0, 1, 1, 0}));
    for (size_t i = 0; i + 1 < last.records.size(); ++i) {
        const int2 home{static_cast<int>(i % 5), static_cast<int>(i / 5)};
        EXPECT_EQ(last.records[i].span, (float4(home.x, home.y, home.x, home.y)));
    }
}

TEST(PuzzleFrames, FlightArcsAboveTheLineAndLeansIntoIt) {
    Scene sc;
    const SliderPuzzle plan = sliderPuzzlePlan(5, 4, false, 1, 0);
    const Rect2 stage = stageRect(sc.window.size, sc.standIn.origin, sc.standIn.size, sc.room.origin, sc.room.size);
    const PuzzleFrame mid = puzzleFrame(plan, 0.51, sc.window, sc.standIn, sc.room);
    const double2 a = sc.window.origin + sc.window.size / 2.0, b = stage.origin + stage.size / 2.0;
    const double d = std::hypot(b.x - a.x, b.y - a.y);
    const double2 centre = mid.rect.origin + mid.rect.size / 2.0;
    EXPECT_NEAR(centre.x, (a.x + b.x) / 2, 1e-9);
    EXPECT_NEAR(centre.y, (a.y + b.y) / 2 - (0.15 * d + 15), 1e-9);
    EXPECT_NEAR(mid.rect.size.x, (sc.window.size.x + stage.size.x) / 2, 1e-9);
    EXPECT_NEAR(mid.angle, -0.08, 1e-15);
    // Flying to the left leans the other way; a low room top holds the arc down.
    sc.standIn.origin = {20, 900};
    EXPECT_NEAR(puzzleFrame(plan, 0.51, sc.window, sc.standIn, sc.room).angle, 0.08, 1e-15);
    sc.window.origin = {100, 10};
    sc.standIn.origin = {1400, 30};
    const PuzzleFrame held = puzzleFrame(plan, 0.51, sc.window, sc.standIn, sc.room);
    const double half = (std::sin(0.08) * held.rect.size.x + std::cos(0.08) * held.rect.size.y) / 2;
    EXPECT_NEAR(held.rect.origin.y + held.rect.size.y / 2, 8 + half, 1e-9);
}

TEST(PuzzleFrames, SpansShowOnlyMovingTiles) {
    const Scene sc;
    for (const uint32_t seed : kSeeds) {
        const SliderPuzzle plan = sliderPuzzlePlan(5, 4, false, seed, 0);
        // Between the scramble and the solve nothing slides.
        const PuzzleFrames rest =
            tileFrames(plan, 0.5, model_tests::placed(sc.window, sc.standIn, sc.room, sc.view, 1));
        for (size_t i = 0; i + 1 < rest.records.size(); ++i) {
            const int2 cell = plan.layouts[7][i];
            EXPECT_EQ(rest.records[i].span, float4(cell.x, cell.y, cell.x, cell.y));
        }
        // In the middle of a slide only its tiles move, and a slower transition moves
        // them less within one time slice.
        const auto& slide = plan.slides[3];
        const double t = (slide.span.lower + slide.span.upper) / 2;
        const PuzzleFrames moving =
            tileFrames(plan, t, model_tests::placed(sc.window, sc.standIn, sc.room, sc.view, 1));
        const PuzzleFrames slow = tileFrames(
            plan, t, model_tests::placed(sc.window, sc.standIn, sc.room, sc.view, 1, Direction::minimizing, 4));
        const std::set<int> sliding(slide.tiles.begin(), slide.tiles.end());
        for (size_t i = 0; i + 1 < moving.records.size(); ++i) {
            const float4 s = moving.records[i].span;
            const bool differs = s.x != s.z || s.y != s.w;
            EXPECT_EQ(differs, sliding.count(static_cast<int>(i)) == 1) << i;
            if (differs) {
                const float4 q = slow.records[i].span;
                EXPECT_LT(std::abs(q.z - q.x) + std::abs(q.w - q.y), std::abs(s.z - s.x) + std::abs(s.w - s.y));
            }
        }
    }
}

TEST(PuzzleFrames, LiftedTileRisesFadesAndComesBack) {
    const Scene sc;
    const SliderPuzzle plan = sliderPuzzlePlan(5, 4, false, 2, 0);
    const auto lookAt = [&](double t) {
        return tileFrames(plan, t, model_tests::placed(sc.window, sc.standIn, sc.room, sc.view, 1)).records.back().look;
    };
    EXPECT_EQ(lookAt(0), (float4{0, 1, 1, 0}));
    EXPECT_EQ(lookAt(0.2), (float4{120, 0, 1.22f, 0}));
    EXPECT_EQ(lookAt(0.87), (float4{0, 1, 1, 0}));
    EXPECT_EQ(lookAt(0.95), (float4{0, 1, 1, 0}));
    // While the puzzle sits at the stage the rise scales with it.
    const float4 staged = lookAt(0.6);
    const double zoom = stageRect(sc.window.size, sc.standIn.origin, sc.standIn.size, sc.room.origin, sc.room.size).size.x / 800;
    EXPECT_FLOAT_EQ(staged.x, static_cast<float>(120 * zoom));
}

TEST(PuzzleFrames, TitleStripStaysAndRaisesItsColumns) {
    const Scene sc;
    for (const int columns : {6, 14}) {
        const SliderPuzzle plan = sliderPuzzlePlan(columns, 4, true, 7, 28);
        for (int k = 0; k <= 20; ++k) {
            const double t = k / 20.0;
            const PuzzleFrames f = tileFrames(plan, t, model_tests::placed(sc.window, sc.standIn, sc.room, sc.view, 1));
            EXPECT_EQ(f.look[0].x, 100.0f);
            EXPECT_EQ(f.look[0].y, 228.0f);
            EXPECT_EQ(f.look[1].x, 0.0f);
            EXPECT_NE(f.look[2].x, 2.0f);
            EXPECT_FLOAT_EQ(f.look[3].y, 28.0f / 600);
            EXPECT_FLOAT_EQ(f.look[3].w, 572.0f / 600);
        }
        const PuzzleFrames done =
            tileFrames(plan, 0.85, model_tests::placed(sc.window, sc.standIn, sc.room, sc.view, 1));
        for (int c = 0; c < 12; ++c) {
            const float rise = done.look[static_cast<size_t>(4 + c / 4)][c % 4];
            EXPECT_FLOAT_EQ(rise, c < columns ? 4.25f : 0.0f) << c;
        }
        for (size_t i = 0; i + 1 < done.records.size(); ++i) EXPECT_LE(done.records[i].span.y, -0.25f + 3 + 1e-5f);
    }
}

}  // namespace
}  // namespace furlpane::effects
