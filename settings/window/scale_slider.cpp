#include "settings/window/scale_slider.h"

#include <algorithm>
#include <cmath>

#include "platform/geometry/geometry.h"
#include "platform/services/number_format.h"
#include "platform/ui/controls.h"
#include "platform/ui/views.h"

namespace furlpane {

namespace ui = platform::ui;

double ScaleSlider::thumbnailSide(double scale) {
    if (!(scale > 0.1)) return platform::rounded(128 * 0.1);
    return platform::rounded(128 * std::min(scale, 2.0));
}

std::string ScaleSlider::valueText(double value, Reading reading) {
    if (reading == Reading::percent) return platform::formatPercent(value);
    return std::to_string(int(thumbnailSide(value))) + " pt";
}

ui::View ScaleSlider::body() const {
    const ui::View value = ui::Text(valueText(scale_.get(), reading_))
                               .monospacedDigit()
                               .foregroundStyle(ui::Style::secondary())
                               .frame(kValueWidth, std::nullopt, ui::Alignment::trailing());
    return ui::HStack({ui::Slider(scale_, lower_, upper_), value});
}

}  // namespace furlpane
