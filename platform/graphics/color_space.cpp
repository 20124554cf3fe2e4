#include "platform/graphics/color_space.h"

#include <algorithm>
#include <cmath>

#include "platform/graphics/pixel.h"

namespace platform {

namespace {

uint8_t premultipliedByte(double component, double alpha) {
    const double c = std::isnan(component) ? 0 : std::clamp(component, 0.0, 1.0);
    return uint8_t(std::lround(c * alpha * 255));
}

}  // namespace

uint32_t premultipliedWord(const Color& color) {
    const double a = std::isnan(color.alpha) ? 0 : std::clamp(color.alpha, 0.0, 1.0);
    const Pixel p{premultipliedByte(color.blue, a), premultipliedByte(color.green, a),
                  premultipliedByte(color.red, a), uint8_t(std::lround(a * 255))};
    return p.word();
}

ColorSpace ColorSpace::sRGB() { return ColorSpace("sRGB IEC61966-2.1", ColorModel::rgb); }

ColorSpace ColorSpace::displayRGB() { return ColorSpace("Display RGB", ColorModel::rgb); }

ColorSpace ColorSpace::genericRGB() { return ColorSpace("Generic RGB", ColorModel::rgb); }

ColorSpace ColorSpace::genericGray() { return ColorSpace("Generic Gray", ColorModel::gray); }

ColorSpace ColorSpace::named(std::string name, ColorModel model) {
    return ColorSpace(std::move(name), model);
}

}  // namespace platform
