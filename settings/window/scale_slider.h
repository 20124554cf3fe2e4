#pragma once

// The Minimize-In-Place tab's slider: a continuous slider that stores its setting while
// the knob moves, followed by its value in a 52-point column of fixed-width digits.
//
// A scale of a thumbnail reads as the side, in points, of the square the thumbnail is
// fitted into at that scale (0.5 reads "64 pt"); an opacity reads as a percentage in
// the user's locale.

#include <string>

#include "platform/ui/binding.h"
#include "platform/ui/view.h"

namespace furlpane {

class ScaleSlider {
public:
    enum class Reading { points, percent };
    static constexpr double kValueWidth = 52;

    ScaleSlider(platform::ui::Binding<double> scale, double lower, double upper, Reading reading)
        : scale_(std::move(scale)), lower_(lower), upper_(upper), reading_(reading) {}

    platform::ui::View body() const;

    // "13 pt" ... "256 pt" (the scale held to 0.1...2.0), or "50%" in the user's locale.
    static std::string valueText(double value, Reading reading);
    // The side of a thumbnail's square at a scale: 128 points a unit, the scale held to
    // 0.1...2.0 (a scale that is no number counts as the smallest), halves rounded away
    // from zero.
    static double thumbnailSide(double scale);

private:
    platform::ui::Binding<double> scale_;
    double lower_;
    double upper_;
    Reading reading_;
};

}  // namespace furlpane
