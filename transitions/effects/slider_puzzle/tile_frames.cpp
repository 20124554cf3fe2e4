// One frame of the slider puzzle: where every tile is, how the lifted tile rises, fades
// and comes back, where the whole puzzle is and how it tilts while it flies.
//
// The `look` array, seven entries:
//   0: frame origin x, y; cell width = frame width / columns; cell height = frame height / rows
//   1: tilt angle; seam opening S(seams) × (1 − S(close)); 1 for a title strip, else 0;
//      fade 1 + (opacity − 1) × S(scramble)
//   2: stage (1 until the seams start, 2 once the shrink has ended, 0 between); S(close);
//      1.8 × max(1, view width, view height); zoom (frame width / its width at t = 0)
//   3: picture crop (u origin 0, v origin, u size 1, v size): a title strip selects the
//      picture below its title bar, a thumbnail the whole picture
//   4...6: the rise, in rows, of columns 0...11 (title strip only)
// where S(window) = smootherstep(phaseProgress(window, t)).

#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/effects/slider_puzzle/slider_puzzle.h"

namespace furlpane::effects {

namespace {

double eased(Phase w, double t) { return smootherstep(phaseProgress(w, t)); }

// How far a column has risen at t, in rows: slowly at first and still moving at the end.
double riseOf(const SliderPuzzle& plan, size_t column, double t) {
    const double start = plan.columnStarts[column];
    const double p = phaseProgress({start, start + 0.14}, t);
    return (plan.rows + 0.25) * p * p * (2.2 - 1.2 * p);
}

// The flight in an arc over the straight line from the window to the stage, leaning
// into the flight and level again on arrival.
PuzzleFrame inFlight(double s, Rect2 a, Rect2 stage, Rect2 room) {
    const double2 ac = a.origin + a.size / 2.0, bc = stage.origin + stage.size / 2.0;
    const double2 ab = bc - ac;
    const double d = std::sqrt(ab.x * ab.x + ab.y * ab.y);
    const double2 control = (ac + bc) / 2.0 - double2{0, 0.3 * d + 30};
    double2 centre = ac * ((1 - s) * (1 - s)) + control * (2 * s * (1 - s)) + bc * (s * s);
    const double2 size = a.size + (stage.size - a.size) * s;
    const double lean = 0.08 * std::sin(std::numbers::pi * s);
    const double angle = ac.x <= bc.x ? -lean : lean;
    if (room.size.y > 0) {
        const double top = std::min({stage.origin.y, a.origin.y, room.origin.y + 8});
        const double half = (std::abs(std::sin(angle)) * size.x + std::cos(angle) * size.y) / 2;
        centre.y = std::max(centre.y, top + half);
    }
    return {{centre - size / 2.0, size}, angle};
}

}  // namespace

std::vector<double2> tilePositions(const SliderPuzzle& plan, double t) {
    const auto& slides = plan.slides;
    const auto after = std::upper_bound(slides.begin(), slides.end(), t,
                                        [](double v, const SliderPuzzle::Slide& s) { return v < s.span.lower; });
    const size_t b = static_cast<size_t>(after - slides.begin());
    std::vector<double2> positions;
    const bool running = b > 0 && t < slides[b - 1].span.upper;
    const std::vector<int2>& layout = plan.layouts[running ? b - 1 : b];
    positions.reserve(layout.size());
    for (const int2 cell : layout) positions.push_back({static_cast<double>(cell.x), static_cast<double>(cell.y)});
    if (running) {
        const SliderPuzzle::Slide& slide = slides[b - 1];
        const double p = phaseProgress(slide.span, t);
        const double e = 3 * p * p - 2 * p * p * p;
        const double2 step{static_cast<double>(slide.step.x), static_cast<double>(slide.step.y)};
        for (const int tile : slide.tiles) positions[static_cast<size_t>(tile)] += step * e;
    }
    if (plan.isTitleStrip && t > plan.timing.columnsUp.lower) {
        const std::vector<int2>& last = plan.layouts.back();
        for (size_t i = 0; i + 1 < positions.size(); ++i) {
            const int c = last[i].x;
            if (c >= 0 && static_cast<size_t>(c) < plan.columnStarts.size())
                positions[i].y -= riseOf(plan, static_cast<size_t>(c), t);
        }
    }
    return positions;
}

double liftAmount(const SliderPuzzle& plan, double t) {
    if (!plan.isTitleStrip && t >= plan.timing.putBack.lower) return 1 - eased(plan.timing.putBack, t);
    return eased(plan.timing.lift, t);
}

PuzzleFrame puzzleFrame(const SliderPuzzle& plan, double t, Rect2 window, Rect2 standIn, Rect2 room) {
    if (plan.isTitleStrip) {
        return {{{window.origin.x, window.origin.y + plan.titleBar},
                 {window.size.x, std::max(1.0, window.size.y - plan.titleBar)}},
                0};
    }
    const Phase shrink = plan.timing.shrink;
    if (t >= shrink.upper) return {standIn, 0};
    const Rect2 stage = stageRect(window.size, standIn.origin, standIn.size, room.origin, room.size);
    if (t > shrink.lower) {
        const double e = eased(shrink, t);
        return {{stage.origin + (standIn.origin - stage.origin) * e, stage.size + (standIn.size - stage.size) * e}, 0};
    }
    const double s = eased(plan.timing.flight, t);
    if (s <= 0) return {window, 0};
    if (s >= 1) return {stage, 0};
    return inFlight(s, window, stage, room);
}

namespace {

std::vector<SliderPuzzle::TileFrame> tileRecords(const SliderPuzzle& plan, double t, double dt, double zoom) {
    const std::vector<double2> before = tilePositions(plan, std::max(t - dt / 2, 0.0));
    const std::vector<double2> after = tilePositions(plan, std::min(1.0, t + dt / 2));
    const std::vector<double2> now = tilePositions(plan, t);
    const size_t n = now.size();
    std::vector<SliderPuzzle::TileFrame> tiles;
    tiles.reserve(n);
    for (size_t i = 0; i + 1 < n; ++i) {
        const double2 d = before[i] - after[i];
        const bool moving = std::sqrt(d.x * d.x + d.y * d.y) > 1e-5;
        const double2 from = moving ? before[i] : now[i], to = moving ? after[i] : now[i];
        tiles.push_back({toFloat4(from.x, from.y, to.x, to.y), {0, 1, 1, 0}});
    }
    // The lifted tile rises to 120 points (scaled with the puzzle), grows by 22 percent
    // and fades out in the second half of the lift; on the way back all of it reverses.
    const double lift = liftAmount(plan, t);
    const double2 at{plan.columns - 1 - 0.04 * lift, plan.rows - 1 - 0.1 * lift};
    const double a = std::clamp(2 * lift - 1, 0.0, 1.0);
    tiles.push_back({toFloat4(at.x, at.y, at.x, at.y), toFloat4(120 * zoom * lift, 1 - a * a * (3 - 2 * a), 1 + 0.22 * lift, 0)});
    return tiles;
}

}  // namespace

PuzzleFrames tileFrames(const SliderPuzzle& plan, double t, const Placement& placement) {
    const Rect2 window = placement.window, standIn = placement.standIn, room = placement.room;
    const double2 viewSize = placement.viewSize;
    const double opacity = placement.opacity;
    const SliderPuzzle::Timing& timing = plan.timing;
    const PuzzleFrame start = puzzleFrame(plan, 0, window, standIn, room);
    const PuzzleFrame frame = puzzleFrame(plan, t, window, standIn, room);
    const double zoom = frame.rect.size.x / std::max(start.rect.size.x, 1e-6);
    const double close = eased(timing.close, t);

    PuzzleFrames out;
    out.records = tileRecords(plan, t, placement.frameStep(kPuzzleFrameRate), zoom);
    const double stage = t <= timing.seams.lower ? 1 : t >= timing.shrink.upper ? 2 : 0;
    const double h = std::max(window.size.y, 1e-6);
    out.look = {
        toFloat4(frame.rect.origin.x, frame.rect.origin.y, frame.rect.size.x / plan.columns, frame.rect.size.y / plan.rows),
        toFloat4(frame.angle, eased(timing.seams, t) * (1 - close), plan.isTitleStrip ? 1 : 0,
                 1 + (opacity - 1) * eased(timing.scramble, t)),
        toFloat4(stage, close, 1.8 * std::max({1.0, viewSize.x, viewSize.y}), zoom),
        plan.isTitleStrip ? toFloat4(0, plan.titleBar / h, 1, start.rect.size.y / h) : float4{0, 0, 1, 1},
    };
    double rises[12] = {};
    if (plan.isTitleStrip) {
        const size_t count = std::min<size_t>({static_cast<size_t>(plan.columns), 12, plan.columnStarts.size()});
        for (size_t c = 0; c < count; ++c) rises[c] = riseOf(plan, c, t);
    }
    for (size_t k = 0; k < 3; ++k) out.look.push_back(toFloat4(rises[4 * k], rises[4 * k + 1], rises[4 * k + 2], rises[4 * k + 3]));
    return out;
}

}  // namespace furlpane::effects
