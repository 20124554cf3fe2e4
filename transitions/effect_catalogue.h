#pragma once

// The closed list of effects a transition can be drawn with, the choice of one for a
// change from the user's animation setting, and the grid each effect is given.
//
// All of it is pure: no state, no objects touched. The numbering of the effects is part
// of the contract (the shadow ramps and the choice tables are written against it), so
// cases are never reordered; a new effect goes at the end.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/simd/simd.h"
#include "settings/model/animation_choices.h"

namespace furlpane {

// `TransitionScene::Effect`; declared here so that the catalogue does not need the scene.
enum class TransitionEffect : std::uint8_t {
    swirl,         // 0
    rollUp,        // 1
    blackHole,     // 2
    mist,          // 3
    burningPaper,  // 4
    origami,       // 5
    bats,          // 6
    shatter,       // 7
    blinds,        // 8
    shade,         // 9
    wired,         // 10
    sliderPuzzle,  // 11
    taco,          // 12
    classified,    // 13
    water,         // 14
    magnet,        // 15
    moonless,      // 16
    blutVene,      // 17
    sparks,        // 18
    moonFang,      // 19
    scale,         // 20
    fade,          // 21
    cut,           // 22
};

inline constexpr int kEffectCount = 23;

constexpr int effectNumber(TransitionEffect e) { return static_cast<int>(e); }

// Every effect in numbering order.
constexpr std::array<TransitionEffect, kEffectCount> allEffects() {
    std::array<TransitionEffect, kEffectCount> all{};
    for (int i = 0; i < kEffectCount; ++i) all[static_cast<size_t>(i)] = static_cast<TransitionEffect>(i);
    return all;
}

// The effect's name as the code spells it ("blackHole"); shader function names are
// built from it.
std::string_view effectName(TransitionEffect effect);

// Whether the system asks for reduced motion at the moment a transition starts.
enum class ReduceMotion : bool { no, yes };

// The effect for a change into or out of a title strip. No animation and `noAnimation`
// give `cut` whatever the motion setting; reduced motion gives `fade`; otherwise the
// effect of the same name, `roll` giving `rollUp`, and an unresolved `randomOrder`
// falling back to `rollUp`.
TransitionEffect titleStripEffect(std::optional<TitleStripAnimation> animation, ReduceMotion reduceMotion);
// The same for thumbnails, where `swirl` is the first case and the fallback.
TransitionEffect thumbnailEffect(std::optional<ThumbnailAnimation> animation, ReduceMotion reduceMotion);

// length / per rounded to the nearest integer (halves away from zero), clamped to
// least ... most. A quotient that is not a number counts as least; infinities clamp.
std::uint32_t gridCount(double length, double per, int least, int most);

// The grid of a transition (columns, rows) for the effect and the size in points that
// gridSize gives. Every count stays within the effect's bounds whatever the size,
// including sizes that are not finite.
platform::simd::uint2 effectGrid(TransitionEffect effect, double width, double height);

// The eight effects whose grid is laid over the part below the title bar when the
// stand-in is a title strip.
bool gridsBelowTitleBar(TransitionEffect effect);

// The height handed to effectGrid: the window's height, or for the effects above and a
// title-strip stand-in the part below the title bar, max(1, h − min(max(bar, 0), h)).
enum class StandInKind : std::uint8_t { titleStrip, thumbnail };
double gridHeight(TransitionEffect effect, double windowHeight, StandInKind standIn, double titleBarHeight);

// The classified effect's strip count for a width (also the shredding model's default).
std::uint32_t classifiedStripCount(double width);

}  // namespace furlpane
