// The plan of the slider puzzle: its windows, the scramble and its timing, the solve
// that undoes it, the layouts after every slide and the start times of rising columns.
// One stream serves the build, drawn in this order: the walk, the timings, then for a
// title strip the column shuffle and the column starts.

#include <algorithm>
#include <cmath>

#include "transitions/effects/slider_puzzle/slider_puzzle.h"

namespace furlpane::effects {

namespace {

constexpr Phase kNever{2.0, 2.0};

SliderPuzzle::Timing timingOf(bool isTitleStrip) {
    if (isTitleStrip) {
        return {{0.02, 0.06}, {0.03, 0.11}, {0.11, 0.59}, {0.59, 0.85}, kNever, kNever, kNever, kNever, kNever};
    }
    return {{0.02, 0.06}, {0.03, 0.11}, {0.11, 0.47}, kNever, {0.44, 0.58}, {0.55, 0.83}, {0.83, 0.87},
            {0.86, 0.90}, {0.87, 0.93}};
}

// The undo of the scramble: moves reversed, each with its tiles reversed and its step
// negated; pauses of the solve are capped at 0.03 so that it never dawdles.
std::vector<SliderPuzzle::Slide> solveOf(const std::vector<SliderPuzzle::Move>& moves,
                                         const std::vector<double>& durations, const std::vector<double>& gaps) {
    std::vector<SliderPuzzle::Move> undo(moves.rbegin(), moves.rend());
    for (SliderPuzzle::Move& m : undo) {
        std::reverse(m.tiles.begin(), m.tiles.end());
        m.step = -m.step;
    }
    const std::vector<double> undoDurations(durations.rbegin(), durations.rend());
    std::vector<double> undoGaps(gaps.rbegin(), gaps.rend());
    for (double& g : undoGaps) g = std::min(0.03, g);
    return scheduleSlides(undo, undoDurations, undoGaps, 0.55, 0.83);
}

std::vector<std::vector<int2>> layoutsOf(int columns, int rows, const std::vector<SliderPuzzle::Slide>& slides) {
    std::vector<int2> home(static_cast<size_t>(columns * rows));
    for (int i = 0; i < columns * rows; ++i) home[static_cast<size_t>(i)] = {i % columns, i / columns};
    std::vector<std::vector<int2>> layouts{home};
    layouts.reserve(slides.size() + 1);
    for (const SliderPuzzle::Slide& slide : slides) {
        std::vector<int2> next = layouts.back();
        for (const int tile : slide.tiles) next[static_cast<size_t>(tile)] = next[static_cast<size_t>(tile)] + slide.step;
        layouts.push_back(std::move(next));
    }
    return layouts;
}

// The columns rise in a random order, evenly spaced in time, each start shaken by up
// to 0.35 of a spacing; each column takes 0.14 of t to rise.
std::vector<double> columnStartsOf(int columns, Phase up, EffectRandom& random) {
    std::vector<int> order(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) order[static_cast<size_t>(c)] = c;
    if (columns >= 2) {
        for (int i = columns; i >= 2; --i) {
            const double u = random.unit();
            const int j = std::min(static_cast<int>(i * u), i - 1);
            std::swap(order[static_cast<size_t>(i - 1)], order[static_cast<size_t>(j)]);
        }
    }
    std::vector<double> starts(static_cast<size_t>(columns), up.lower);
    const double spread = std::max(0.0, up.upper - 0.14 - up.lower);
    if (columns > 1) {
        for (int r = 0; r < columns; ++r) {
            const double u = random.unit();
            const double place = std::clamp((r + (u - 0.5) * 0.7) / (columns - 1), 0.0, 1.0);
            starts[static_cast<size_t>(order[static_cast<size_t>(r)])] = up.lower + spread * place;
        }
    }
    return starts;
}

}  // namespace

std::pair<std::vector<double>, std::vector<double>> scrambleTimings(const std::vector<int>& counts,
                                                                    EffectRandom& random) {
    const size_t m = counts.size();
    const double c = static_cast<double>(std::max<size_t>(1, m > 0 ? m - 1 : 0));
    std::vector<double> durations, gaps;
    for (size_t i = 0; i < m; ++i) {
        const double u1 = random.unit();
        const double di = static_cast<double>(i);
        durations.push_back((0.88 + 0.24 * u1) * (1 - 0.12 * di / c) * (1 + 0.8 * std::exp(-1.2 * di)) *
                            (1 + 0.12 * (counts[i] - 1)));
        if (i + 1 < m) {
            const double u2 = random.unit();
            const double u3 = random.unit();
            gaps.push_back(u2 < 0.25 ? 0.3 + 0.5 * u3 : 0.06 * u3);
        }
    }
    return {durations, gaps};
}

std::vector<SliderPuzzle::Slide> scheduleSlides(const std::vector<SliderPuzzle::Move>& moves,
                                                const std::vector<double>& durations, const std::vector<double>& gaps,
                                                double start, double end) {
    double durationSum = 0, gapSum = 0;
    for (const double d : durations) durationSum += d;
    for (const double g : gaps) gapSum += g;
    const double total = durationSum + gapSum;
    const double scale = total > 0 ? (end - start) / total : 0;
    std::vector<SliderPuzzle::Slide> slides;
    double cursor = start;
    for (size_t i = 0; i < moves.size(); ++i) {
        const double duration = i < durations.size() ? durations[i] : 0;
        double upper = i + 1 == moves.size() ? end : std::min(end, cursor + duration * scale);
        if (upper < cursor) upper = cursor;
        slides.push_back({moves[i].tiles, moves[i].step, {cursor, upper}});
        cursor = i < gaps.size() ? std::min(end, upper + gaps[i] * scale) : upper;
    }
    return slides;
}

SliderPuzzle sliderPuzzlePlan(int columns, int rows, bool isTitleStrip, uint32_t seed, double titleBar) {
    SliderPuzzle plan;
    plan.columns = std::clamp(columns, 1, kLargestPuzzleSide);
    plan.rows = std::clamp(rows, 1, kLargestPuzzleSide);
    plan.isTitleStrip = isTitleStrip;
    plan.titleBar = titleBar;
    plan.timing = timingOf(isTitleStrip);

    EffectRandom random(seed, tags::kSliderPuzzle);
    const double scrambleEnd = plan.timing.scramble.upper;
    const int moveCount = static_cast<int>(std::clamp(std::round((scrambleEnd - 0.11) * 1.2 / 0.065), 3.0, 16.0));
    const std::vector<SliderPuzzle::Move> moves = scrambleWalk(plan.columns, plan.rows, moveCount, random);
    std::vector<int> counts;
    for (const SliderPuzzle::Move& m : moves) counts.push_back(static_cast<int>(m.tiles.size()));
    const auto [durations, gaps] = scrambleTimings(counts, random);

    plan.slides = scheduleSlides(moves, durations, gaps, 0.11, scrambleEnd);
    if (!isTitleStrip) {
        const std::vector<SliderPuzzle::Slide> solve = solveOf(moves, durations, gaps);
        plan.slides.insert(plan.slides.end(), solve.begin(), solve.end());
    }
    plan.layouts = layoutsOf(plan.columns, plan.rows, plan.slides);
    if (isTitleStrip) plan.columnStarts = columnStartsOf(plan.columns, plan.timing.columnsUp, random);
    return plan;
}

SliderPuzzle sliderPuzzlePlan(const TransitionUniforms& u) {
    const bool strip = isTitleStrip(u);
    const auto side = [](uint32_t v) { return static_cast<int>(std::min<uint32_t>(v, kLargestPuzzleSide)); };
    const double height = saneLength(u.window.w);
    const double titleBar = strip ? std::min(std::max(saneLength(u.titleBarHeight), 0.0), std::max(height, 1.0)) : 0;
    return sliderPuzzlePlan(side(u.grid.x), side(u.grid.y), strip, u.seed, titleBar);
}

}  // namespace furlpane::effects
