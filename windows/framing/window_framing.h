#pragma once

// Where a window's plain picture lies inside its framed picture, and the framed
// picture's pixels around the part where the two agree.
//
// The window server gives two pictures of a window: the plain one and the framed one,
// which is at least as large (it may hold a shadow or a border). Over most of the plain
// picture the two agree; near its edges, and everywhere outside it, they may differ.
// The analysis runs in three steps, in this order: scan finds the plain picture's offset
// in the framed one; agreementDepth finds how deep from the plain picture's edges the
// differences reach; make cuts the framed picture's pixels outside the agreeing
// interior into strips.
//
// Pixels. Both pictures are bitmaps of 32 bits per pixel, premultiplied alpha first,
// little-endian: in memory a pixel is blue, green, red, alpha. Rows run from the top,
// bytesPerRow apart; positions are pixels from the top-left pixel.
//
// Cost. This runs on every captured pair of pictures, so it touches few pixels: at most
// five horizontal offsets are tried, each checked first on the alpha of the middle half
// of the edges, then on five sample rows, stopping at the first failure; the depth
// compares whole rows in one block and walks pixel by pixel only between the band and
// the limit of 80 pixels; strips copy whole rows.
//
// Soundness. A view whose buffer is missing, whose size is negative or whose bytesPerRow
// is below width × 4 finds nothing (scan), depth 0, and no strips; an offset that would
// put the plain picture outside the framed one is treated the same way. Nothing reads
// outside the views.
//
// Threads: pure functions over buffers the caller keeps alive for the call.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace furlpane {

// A picture's pixels as the analysis reads them (see above). The caller owns the bytes.
struct PixelView {
    const std::uint8_t* bytes = nullptr;
    int width = 0;
    int height = 0;
    std::size_t bytesPerRow = 0;

    // A buffer is given, the size is not negative and the rows hold their pixels.
    bool isSound() const;
};

// Where the plain picture's top-left pixel lies in the framed picture.
struct FramingOffset {
    int left = 0;
    int top = 0;
    friend bool operator==(const FramingOffset&, const FramingOffset&) = default;
};

struct WindowFraming {
    // In pixels of the framed picture.
    struct Geometry {
        int width = 0;   // the framed picture's width
        int height = 0;  // the framed picture's height
        int left = 0;    // the column at which the plain picture's first column lies
        int top = 0;     // the row at which the plain picture's first row lies
        int depth = 0;   // how deep from the plain picture's edges the differences reach
        friend bool operator==(const Geometry&, const Geometry&) = default;
    };
    // A rectangle of the framed picture with its pixels: width × height × 4 bytes, rows
    // top to bottom, back to back, in the layout above.
    struct Strip {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> bytes;
        friend bool operator==(const Strip&, const Strip&) = default;
    };

    // The pictures must be at least this large a side for a scan.
    static constexpr int minimumSide = 17;
    // Differences deeper than this from the plain picture's edges are not looked for.
    static constexpr int depthLimit = 80;

    Geometry geometry;
    std::vector<Strip> strips;

    // The framing of a plain picture of plainWidth × plainHeight at the offset in the
    // framed picture with the given depth: strips top, bottom, left and right of the
    // interior (the plain rectangle shrunk by the depth), leaving out empty ones; the
    // whole framed picture as one strip when the interior is empty. No strips when the
    // framed view is not sound or the plain rectangle does not lie inside it.
    static WindowFraming make(const PixelView& framed, FramingOffset offset, int depth, int plainWidth,
                              int plainHeight);

    // The plain picture's offset inside the framed one, or none: none unless both are at
    // least minimumSide a side and the framed one is at least as large, and none when no
    // candidate offset passes the edge-alpha and sample-row checks.
    static std::optional<FramingOffset> scan(const PixelView& plain, const PixelView& framed);

    // The thickness, 0 ... min(w/2, h/2, 80), of the band along the plain picture's edges
    // (placed at the offset) that holds every difference between the two pictures within
    // that limit of the edges.
    static int agreementDepth(const PixelView& framed, const PixelView& plain, FramingOffset offset);

    // A copy of the rectangle's pixels; none when its width or height is not positive or
    // it does not lie inside the picture.
    static std::optional<Strip> makeStrip(int x, int y, int width, int height, const PixelView& picture);

private:
    void cutStrips(const PixelView& framed, FramingOffset offset, int depth, int plainWidth, int plainHeight);
};

}  // namespace furlpane
