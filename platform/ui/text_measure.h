#pragma once

// Inside the toolkit: text laid out with the platform's label metrics (text_metrics.h),
// remembered by text, font, width and line limit, since every rebuild measures the
// same texts again.

#include <optional>
#include <string>

#include "platform/appkit/text_metrics.h"
#include "platform/ui/style.h"

namespace platform::ui::detail {

TextStyle textStyle(const Font& font);

// Wrapped at spaces within `width` (none: lines as written), at most `lines` lines with
// the last one cut at its end. A zero layout when the font cannot be had.
TextLayout measureText(const std::string& text, const Font& font, std::optional<double> width,
                       std::optional<int> lines);

// The width of the widest word: the narrowest a wrapping text gets.
double widestWord(const std::string& text, const Font& font);

}  // namespace platform::ui::detail
