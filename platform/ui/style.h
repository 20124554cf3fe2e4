#pragma once

// What views inherit from the views around them: fonts, foreground styles, control
// sizes, alignment and the environment (enabled state, Reduce Motion, locale, the
// dismiss action of a presentation).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/graphics/color_space.h"
#include "platform/graphics/text.h"

namespace platform::ui {

// A font as views ask for it: a text style's size and weight, optionally fixed-width.
struct Font {
    double size = 13;
    FontWeight weight = FontWeight::regular;
    FontDesign design = FontDesign::standard;
    // Digits of one width; DejaVu Sans draws every digit with the same advance already,
    // so this only records what was asked for.
    bool monospacedDigits = false;
    // The text style's name in outlines ("body", "caption", ...).
    std::string name = "body";

    static Font body() { return {13, FontWeight::regular, FontDesign::standard, false, "body"}; }
    static Font callout() { return {12, FontWeight::regular, FontDesign::standard, false, "callout"}; }
    static Font caption() { return {10, FontWeight::regular, FontDesign::standard, false, "caption"}; }
    static Font footnote() { return {10, FontWeight::regular, FontDesign::standard, false, "footnote"}; }
    static Font subheadline() { return {11, FontWeight::regular, FontDesign::standard, false, "subheadline"}; }
    static Font headline() { return {13, FontWeight::bold, FontDesign::standard, false, "headline"}; }
    static Font title2() { return {17, FontWeight::regular, FontDesign::standard, false, "title2"}; }
    static Font title() { return {22, FontWeight::regular, FontDesign::standard, false, "title"}; }
    static Font system(double size, FontWeight weight = FontWeight::regular) {
        return {size, weight, FontDesign::standard, false, "system"};
    }

    Font monospaced() const { Font f = *this; f.design = FontDesign::monospaced; return f; }
    Font monospacedDigit() const { Font f = *this; f.monospacedDigits = true; return f; }
    Font weighted(FontWeight w) const { Font f = *this; f.weight = w; return f; }

    friend bool operator==(const Font&, const Font&) = default;
};

// A foreground style: one of the system's semantic levels or a plain colour.
class Style {
public:
    enum class Kind { primary, secondary, tertiary, quaternary, separator, accent, disabledControlText, color };

    static Style primary() { return Style(Kind::primary); }
    static Style secondary() { return Style(Kind::secondary); }
    static Style tertiary() { return Style(Kind::tertiary); }
    static Style quaternary() { return Style(Kind::quaternary); }
    static Style separator() { return Style(Kind::separator); }
    static Style accent() { return Style(Kind::accent); }
    static Style disabledControlText() { return Style(Kind::disabledControlText); }
    static Style orange() { return color(Color::rgb(1.0, 0.584, 0.0), "orange"); }
    static Style red() { return color(Color::rgb(1.0, 0.231, 0.188), "red"); }
    static Style color(Color color, std::string name = "color");

    // The same style faded: its colour's alpha multiplied by `opacity` (0...1).
    Style opacity(double opacity) const;

    Kind kind() const { return kind_; }
    // The colour drawn in the light appearance.
    Color resolved() const;
    // "primary", "secondary", ..., or the colour's name.
    const std::string& name() const { return name_; }

    friend bool operator==(const Style&, const Style&) = default;

private:
    explicit Style(Kind kind);
    Kind kind_;
    Color color_{};
    std::string name_;
};

enum class HorizontalAlignment { leading, center, trailing };
enum class VerticalAlignment { top, center, bottom };

struct Alignment {
    HorizontalAlignment horizontal = HorizontalAlignment::center;
    VerticalAlignment vertical = VerticalAlignment::center;

    static constexpr Alignment center() { return {}; }
    static constexpr Alignment leading() { return {HorizontalAlignment::leading, VerticalAlignment::center}; }
    static constexpr Alignment trailing() { return {HorizontalAlignment::trailing, VerticalAlignment::center}; }
    static constexpr Alignment top() { return {HorizontalAlignment::center, VerticalAlignment::top}; }
    static constexpr Alignment bottom() { return {HorizontalAlignment::center, VerticalAlignment::bottom}; }
    static constexpr Alignment topLeading() { return {HorizontalAlignment::leading, VerticalAlignment::top}; }
    static constexpr Alignment topTrailing() { return {HorizontalAlignment::trailing, VerticalAlignment::top}; }
    static constexpr Alignment bottomLeading() { return {HorizontalAlignment::leading, VerticalAlignment::bottom}; }
    static constexpr Alignment bottomTrailing() { return {HorizontalAlignment::trailing, VerticalAlignment::bottom}; }

    friend bool operator==(const Alignment&, const Alignment&) = default;
};

// Edges of a view, as a set.
enum Edge : uint8_t {
    topEdge = 1,
    leadingEdge = 2,
    bottomEdge = 4,
    trailingEdge = 8,
    horizontalEdges = leadingEdge | trailingEdge,
    verticalEdges = topEdge | bottomEdge,
    allEdges = 15,
};

struct EdgeInsets {
    double top = 0;
    double leading = 0;
    double bottom = 0;
    double trailing = 0;
    friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

enum class ControlSize { mini, small, regular, large };
enum class ButtonStyle { automatic, borderless, plain };
enum class ToggleStyle { checkbox, switchStyle };
// Which key presses a button: Return for the default action, Escape for cancel.
enum class KeyboardShortcut { none, defaultAction, cancelAction };

struct Environment {
    bool isEnabled = true;
    // The system's Reduce Motion setting, read from the workspace at every rebuild.
    bool reducesMotion = false;
    std::string locale = "en_US";
    Font font = Font::body();
    Style foreground = Style::primary();
    ControlSize controlSize = ControlSize::regular;
    ButtonStyle buttonStyle = ButtonStyle::automatic;
    ToggleStyle toggleStyle = ToggleStyle::checkbox;
    bool labelsHidden = false;
    bool menuIndicatorHidden = false;
    // No value: as many lines as the text needs.
    std::optional<int> lineLimit;
    bool strikethrough = false;
    // Closes the presentation (sheet) the view is in; does nothing outside one.
    std::function<void()> dismissAction;

    void dismiss() const {
        if (dismissAction) dismissAction();
    }
};

}  // namespace platform::ui
