#pragma once

// The animations a user can choose for title strips (the Furlpane action) and for
// thumbnails (Minimize-In-Place), and what the title over a hovered thumbnail says.
//
// TitleStripAnimation and ThumbnailAnimation have the same 23 cases in the same order,
// except the first: roll for title strips, swirl for thumbnails. Their raw values are
// the stored strings ("blackhole", "none" for noAnimation, "randomorder" ...), matched
// whole and case-sensitively by fromRawValue; displayName gives the menu text.
//
// AnimationChoice is what both offer, and what the settings window's animation menus
// are written over: allCases, rawValue, displayName, and the four cases every choice
// type has, C::fade, C::scale, C::noAnimation and C::randomOrder.

#include <array>
#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/model/raw_enum.h"

namespace furlpane {

enum class TitleStripAnimation {
    roll, blackHole, mist, burningPaper, origami, bats, shatter, blinds, shade, wired, sliderPuzzle, taco,
    classified, water, magnet, moonless, blutVene, sparks, moonFang, scale, fade, noAnimation, randomOrder,
};

enum class ThumbnailAnimation {
    swirl, blackHole, mist, burningPaper, origami, bats, shatter, blinds, shade, wired, sliderPuzzle, taco,
    classified, water, magnet, moonless, blutVene, sparks, moonFang, scale, fade, noAnimation, randomOrder,
};

namespace detail {

inline constexpr size_t kAnimationCount = 23;
// Cases 1 ... 22, common to both kinds.
inline constexpr std::array<std::string_view, kAnimationCount - 1> kSharedAnimationRaws{
    "blackhole", "mist", "burningpaper", "origami", "bats", "shatter", "blinds", "shade", "wired", "sliderpuzzle",
    "taco", "classified", "water", "magnet", "moonless", "blutvene", "sparks", "moonfang", "scale", "fade", "none",
    "randomorder"};
inline constexpr std::array<std::string_view, kAnimationCount - 1> kSharedAnimationNames{
    "Black Hole", "Mist", "Burning Paper", "Origami", "Bats", "Shatter", "Blinds", "Shade", "Wired", "Slider Puzzle",
    "Taco", "Classified", "Water", "Magnet", "Moonless", "Blut Vene", "Sparks", "Moon Fang", "Scale", "Fade", "None",
    "Random Order"};

constexpr std::array<std::string_view, kAnimationCount> withFirst(std::string_view first,
                                                                  const std::array<std::string_view, kAnimationCount - 1>& rest) {
    std::array<std::string_view, kAnimationCount> all{};
    all[0] = first;
    for (size_t i = 0; i < rest.size(); ++i) all[i + 1] = rest[i];
    return all;
}

template <class C>
constexpr std::array<C, kAnimationCount> animationCases() {
    std::array<C, kAnimationCount> all{};
    for (size_t i = 0; i < kAnimationCount; ++i) all[i] = static_cast<C>(i);
    return all;
}

}  // namespace detail

template <>
struct EnumTraits<TitleStripAnimation> {
    static constexpr auto cases = detail::animationCases<TitleStripAnimation>();
    static constexpr auto raws = detail::withFirst("roll", detail::kSharedAnimationRaws);
};

template <>
struct EnumTraits<ThumbnailAnimation> {
    static constexpr auto cases = detail::animationCases<ThumbnailAnimation>();
    static constexpr auto raws = detail::withFirst("swirl", detail::kSharedAnimationRaws);
};

// The menu text of a choice ("Roll", "Black Hole", ..., "None", "Random Order").
std::string_view displayName(TitleStripAnimation choice);
std::string_view displayName(ThumbnailAnimation choice);

template <class C>
concept AnimationChoice = RawEnum<C> && requires(C c) {
    C::fade;
    C::scale;
    C::noAnimation;
    C::randomOrder;
    { displayName(c) } -> std::convertible_to<std::string_view>;
};

// Shown under "Simple and Clean": fade and scale.
template <AnimationChoice C>
constexpr bool isSimpleAndClean(C choice) {
    return choice == C::fade || choice == C::scale;
}

// Shown under "Complex": every choice but fade, scale, noAnimation and randomOrder.
template <AnimationChoice C>
constexpr bool isComplex(C choice) {
    return !isSimpleAndClean(choice) && choice != C::noAnimation && choice != C::randomOrder;
}

// The nineteen choices a random-order playlist deals: every case in case order except
// scale, fade, noAnimation and randomOrder.
template <AnimationChoice C>
constexpr std::array<C, 19> playlistChoices() {
    std::array<C, 19> choices{};
    size_t n = 0;
    for (C c : allCases<C>()) {
        if (isComplex(c)) choices[n++] = c;
    }
    return choices;
}

// The everyday animation of the kind: roll for title strips, swirl for thumbnails.
template <AnimationChoice C>
constexpr C everydayAnimation() {
    return allCases<C>()[0];
}

// What the title shown over a hovered thumbnail says. Raw values 0 ... 3.
enum class HoverTitle { none, windowTitle, applicationName, both };

template <>
struct EnumTraits<HoverTitle> {
    static constexpr std::array cases{HoverTitle::none, HoverTitle::windowTitle, HoverTitle::applicationName,
                                      HoverTitle::both};
    static constexpr std::array<int64_t, 4> raws{0, 1, 2, 3};
};

// The hover title's text, or nothing for `none`. An empty window title gives the
// application name (alone, for `both`).
std::optional<std::string> text(HoverTitle hoverTitle, std::string_view windowTitle, std::string_view applicationName);

}  // namespace furlpane
