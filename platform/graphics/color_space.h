#pragma once

// Colour spaces and colours.
//
// A colour space here is a tag: pictures carry one so that code choosing where to draw
// them can follow the source's space, but no colour management happens. Drawing an
// image of one space into a context of another copies the values as they are. Two
// spaces are equal when they have the same name and the same model; the well-known
// spaces are distinct from one another (sRGB is not the display's space).
//
// Only RGB spaces can back a bitmap context (see BitmapContext), because the pixel
// format is always 32-bit BGRA. Images may carry any space, including gray, since a
// picture handed over by the window server says which space it came from.

#include <string>

namespace platform {

enum class ColorModel { rgb, gray, cmyk, other };

class ColorSpace {
public:
    // IEC 61966-2.1, the space pictures are converted to when nothing else fits.
    static ColorSpace sRGB();
    // The RGB space of the (simulated) display; what captured windows come in.
    static ColorSpace displayRGB();
    static ColorSpace genericRGB();
    static ColorSpace genericGray();
    // Any other space, for pictures from unusual sources and for tests.
    static ColorSpace named(std::string name, ColorModel model);

    const std::string& name() const { return name_; }
    ColorModel model() const { return model_; }
    bool isRGB() const { return model_ == ColorModel::rgb; }

    friend bool operator==(const ColorSpace&, const ColorSpace&) = default;

private:
    ColorSpace(std::string name, ColorModel model) : name_(std::move(name)), model_(model) {}

    std::string name_;
    ColorModel model_;
};

// A colour as drawing calls take it: components in 0...1, alpha not premultiplied.
// Components outside 0...1 are clamped when the colour is used; NaN counts as 0.
struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    static constexpr Color rgb(double r, double g, double b, double a = 1) { return {r, g, b, a}; }
    static constexpr Color gray(double white, double a = 1) { return {white, white, white, a}; }
    static constexpr Color white() { return gray(1); }
    static constexpr Color black() { return gray(0); }
    static constexpr Color clear() { return gray(0, 0); }

    friend bool operator==(const Color&, const Color&) = default;
};

}  // namespace platform
