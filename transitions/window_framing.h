#pragma once

// What the renderer keeps of a window's framing: where the window's own frame and title
// rows lie in its captured picture, and the framed picture's pixels outside the part
// where the plain and the framed captures agree.
//
// Finding the framing is the changed-windows code's analysis of a pair of captures. The
// renderer's picture preparation calls it through WindowFramingAnalysis, in this order:
// scan; when it finds an offset, agreementDepth with that offset; then make. Until that
// code hands in its analysis, noWindowFraming() stands in, which finds none, so pictures
// are prepared without a framing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace furlpane {

struct WindowFraming {
    // In pixels of the framed picture (at most 16384 a side).
    struct Geometry {
        int width = 0;   // the framed picture's width
        int height = 0;  // the framed picture's height
        int left = 0;    // the column at which the plain picture's first column lies
        int top = 0;     // the row at which the plain picture's first row lies
        int depth = 0;   // how deep from the plain picture's edges the differences reach
        friend bool operator==(const Geometry&, const Geometry&) = default;
    };
    // A rectangle of the framed picture with its pixels: width × height × 4 bytes, rows
    // top to bottom, back to back, in the BGRA premultiplied layout of bitmaps.
    struct Strip {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> bytes;
    };

    Geometry geometry;
    std::vector<Strip> strips;
};

// A picture's pixels as the analysis reads them: BGRA, premultiplied, rows from the top,
// bytesPerRow apart. The caller keeps the pixels alive for the call.
struct PixelView {
    const std::uint8_t* bytes = nullptr;
    int width = 0;
    int height = 0;
    std::size_t bytesPerRow = 0;
};

// Where the plain picture's top-left pixel lies in the framed picture.
struct FramingOffset {
    int left = 0;
    int top = 0;
    friend bool operator==(const FramingOffset&, const FramingOffset&) = default;
};

class WindowFramingAnalysis {
public:
    virtual ~WindowFramingAnalysis() = default;
    // The plain picture's offset inside the framed one, or none.
    virtual std::optional<FramingOffset> scan(const PixelView& plain, const PixelView& framed) const = 0;
    // The depth of the band, from the plain picture's edges inwards, that holds the
    // differences between the two pictures.
    virtual int agreementDepth(const PixelView& framed, const PixelView& plain, FramingOffset offset) const = 0;
    // The framing with its strips of the framed picture.
    virtual WindowFraming make(const PixelView& framed, FramingOffset offset, int depth, int plainWidth,
                               int plainHeight) const = 0;
};

// The analysis that finds no framing in any pair of pictures.
const WindowFramingAnalysis& noWindowFraming();

}  // namespace furlpane
