#pragma once

// Text metrics of labels: how a string lays out at a font size and weight within a width
// limit and a line count limit, and the fitting size that follows. Widths come from the
// graphics layer's text lines (DejaVu through FreeType, unhinted), so the same text gives
// the same size on every machine.
//
// Rules:
// - A line is as high as the font's ascent, descent and leading together, rounded up to a
//   whole point (17 points for 14-point bold). Explicit newlines start new lines.
// - Text wraps at spaces; a word wider than the limit breaks between characters, and
//   every line holds at least one character. With character wrapping every line breaks
//   between characters. With a line limit of 1 the text does not wrap.
// - Beyond the line limit, the last line allowed takes the rest of the text, cut to the
//   width by the break mode: truncating in the middle keeps its start and the text's end
//   around "…", at the tail keeps the start, at the head keeps the end; clipping and
//   wrapping modes drop what does not fit. A single line wider than the limit is cut the
//   same way.
// - The fitting size is (the widest line rounded up to a whole point, at most the limit;
//   the number of lines times the line height). Empty text is one empty line.
// A limit that is not a positive finite number means no limit; a line limit of 0 or less
// means no line limit.

#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/graphics/text.h"
#include "platform/runtime/result.h"

namespace platform {

enum class LineBreakMode { byWordWrapping, byCharWrapping, byClipping, byTruncatingHead, byTruncatingTail, byTruncatingMiddle };

struct TextStyle {
    double pointSize = 13;
    FontWeight weight = FontWeight::regular;
    FontDesign design = FontDesign::standard;
    friend bool operator==(const TextStyle&, const TextStyle&) = default;
};

struct TextLayout {
    std::vector<std::string> lines;
    std::vector<double> lineWidths;
    double lineHeight = 0;
    double ascent = 0;
    // Whether text was left out (cut with "…" or clipped).
    bool truncated = false;
    Size size;
};

// Fails only when the font cannot be had (missing font file, absurd size).
Result<TextLayout> layOutText(std::string_view text, const TextStyle& style, double widthLimit, int maximumLines,
                              LineBreakMode mode);

// The fitting size alone; a zero size when the font cannot be had.
Size fittingTextSize(std::string_view text, const TextStyle& style, double widthLimit, int maximumLines,
                     LineBreakMode mode);

}  // namespace platform
