#include "transitions/effect_catalogue.h"

#include <algorithm>
#include <cmath>

namespace furlpane {

namespace {

using E = TransitionEffect;

constexpr std::array<std::string_view, kEffectCount> kNames{
    "swirl", "rollUp", "blackHole", "mist",     "burningPaper", "origami", "bats",  "shatter",
    "blinds", "shade", "wired",     "sliderPuzzle", "taco",     "classified", "water", "magnet",
    "moonless", "blutVene", "sparks", "moonFang", "scale",      "fade",     "cut",
};

// Rounds half away from zero and clamps in double before narrowing, so that no value
// (NaN and infinities included) can overflow the conversion.
std::uint32_t boundedRound(double x, int least, int most) {
    if (std::isnan(x)) return static_cast<std::uint32_t>(least);
    const double r = std::clamp(std::round(x), static_cast<double>(least), static_cast<double>(most));
    return static_cast<std::uint32_t>(r);
}

// The animation cases 1 ... 20 of both settings share their names and order with the
// effects 2 ... 21; case 0 is the kind's own first effect.
template <class Animation>
TransitionEffect chosenEffect(std::optional<Animation> animation, ReduceMotion reduceMotion, TransitionEffect first) {
    if (!animation || *animation == Animation::noAnimation) return E::cut;
    if (reduceMotion == ReduceMotion::yes) return E::fade;
    if (*animation == Animation::randomOrder) return first;
    const int index = static_cast<int>(*animation);
    if (index == 0) return first;
    return static_cast<TransitionEffect>(index + 1);
}

static_assert(static_cast<int>(TitleStripAnimation::fade) + 1 == effectNumber(E::fade));
static_assert(static_cast<int>(ThumbnailAnimation::blackHole) + 1 == effectNumber(E::blackHole));
static_assert(static_cast<int>(ThumbnailAnimation::moonFang) + 1 == effectNumber(E::moonFang));

platform::simd::uint2 sliderPuzzleGrid(double w, double h) {
    const double shortSide = std::min(w, h), longSide = std::max(w, h);
    const double b = std::isnan(shortSide) ? 1.0 : std::max(1.0, shortSide);
    const double k = std::clamp(std::trunc(b / 36), 1.0, 4.0);
    const double tile = b / k;
    const std::uint32_t m = boundedRound(longSide / tile, 2, 10);
    const auto across = static_cast<std::uint32_t>(k);
    if (w < h) return {across, m};
    return {m, across};
}

// gridCount(w, s, ...) and gridCount(h, s', ...) with the cell side s = max(sqrt(A / d), floor).
platform::simd::uint2 cellGrid(double w, double h, double divisor, double floor, double heightFactor,
                               std::array<int, 4> bounds) {
    const double s = std::max(std::sqrt(w * h / divisor), floor);
    return {gridCount(w, s, bounds[0], bounds[1]), gridCount(h, heightFactor * s, bounds[2], bounds[3])};
}

}  // namespace

std::string_view effectName(TransitionEffect effect) {
    const auto i = static_cast<size_t>(effect);
    return i < kNames.size() ? kNames[i] : std::string_view{};
}

TransitionEffect titleStripEffect(std::optional<TitleStripAnimation> animation, ReduceMotion reduceMotion) {
    return chosenEffect(animation, reduceMotion, E::rollUp);
}

TransitionEffect thumbnailEffect(std::optional<ThumbnailAnimation> animation, ReduceMotion reduceMotion) {
    return chosenEffect(animation, reduceMotion, E::swirl);
}

std::uint32_t gridCount(double length, double per, int least, int most) {
    return boundedRound(length / per, least, most);
}

std::uint32_t classifiedStripCount(double width) {
    const double p = std::isnan(width) ? 6.0 : std::clamp(width / 48, 6.0, 12.0);
    return boundedRound(width / p, 2, 256);
}

platform::simd::uint2 effectGrid(TransitionEffect effect, double w, double h) {
    const double a = w * h;
    switch (effect) {
    case E::swirl: return {gridCount(w, 22, 2, 64), gridCount(h, 22, 2, 64)};
    case E::rollUp: return {1, gridCount(h, 2, 1, 2048)};
    case E::burningPaper: return {gridCount(a, 1600, 40, 400), gridCount(a, 8100, 10, 80)};
    case E::bats: return {gridCount(w, 30, 3, 36), gridCount(h, 30, 1, 28)};
    case E::shatter: return {gridCount(a, 1024, 40, 260), 1};
    case E::blinds: return {1, gridCount(h, 16, 3, 120)};
    case E::sliderPuzzle: return sliderPuzzleGrid(w, h);
    case E::taco: return {1, gridCount(h, 2, 2, 2048)};
    case E::classified: return {classifiedStripCount(w), 40};
    case E::magnet: return {gridCount(w, 8, 4, 220), gridCount(h, 8, 4, 220)};
    case E::moonless: return cellGrid(w, h, 900, 22, 1.0, {3, 80, 2, 80});
    case E::blutVene: return cellGrid(w, h, 1920, 19, 1.2, {2, 120, 2, 120});
    case E::sparks: return cellGrid(w, h, 2400, 22, 1.0, {2, 120, 1, 120});
    case E::blackHole:
    case E::mist:
    case E::origami:
    case E::shade:
    case E::wired:
    case E::water:
    case E::moonFang:
    case E::scale:
    case E::fade:
    case E::cut: break;
    }
    return {1, 1};
}

bool gridsBelowTitleBar(TransitionEffect effect) {
    switch (effect) {
    case E::bats:
    case E::blinds:
    case E::sliderPuzzle:
    case E::taco:
    case E::magnet:
    case E::moonless:
    case E::blutVene:
    case E::sparks: return true;
    default: return false;
    }
}

double gridHeight(TransitionEffect effect, double windowHeight, StandInKind standIn, double titleBarHeight) {
    if (standIn != StandInKind::titleStrip || !gridsBelowTitleBar(effect)) return windowHeight;
    const double bar = std::min(std::max(titleBarHeight, 0.0), windowHeight);
    return std::max(1.0, windowHeight - bar);
}

}  // namespace furlpane
