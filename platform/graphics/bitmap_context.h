#pragma once

// Bitmap contexts: pictures being drawn, in the pixel format of pixel.h.
//
// Sizes are 1 to 16384 pixels a side; anything else gives no context, while memory that
// cannot be had for a valid size throws std::bad_alloc, as any allocation does. Only RGB
// colour spaces can back a context, as with the system's own contexts, since the format
// is always four components; a gray or CMYK space gives none. A new context is
// transparent.
//
// Coordinates. User space starts as the context's own space: origin at the bottom-left
// corner, y growing upwards, one unit per pixel; the transform maps user space into it.
// Memory rows run the other way (row 0 is the top row), and `pixel(x, row)` and the byte
// views count rows from the top. To place something given in top-left coordinates, flip
// its rectangle with flipRect(r, height()). Images are drawn upright in user space: the
// image's top row lies at the rectangle's maxY.
//
// Drawing. Every shape is anti-aliased with exact area coverage (see rasterizer.h) and
// combined with the blend mode, the global alpha and the clip. Images are drawn with
// high-quality resampling (see drawImage). Drawing never reads or writes outside the
// context and ignores shapes with infinite or NaN coordinates.
//
// Sharing. makeImage() hands out the current pixels without copying; the context copies
// them before its next change, so images made from it never change. A context belongs to
// one thread at a time.

#include <cassert>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/graphics/affine_transform.h"
#include "platform/graphics/color_space.h"
#include "platform/graphics/image.h"
#include "platform/graphics/path.h"
#include "platform/graphics/pixel.h"
#include "platform/graphics/rasterizer.h"

namespace platform {

enum class InterpolationQuality { defaultQuality, none, low, medium, high };

class BitmapContext {
public:
    static constexpr int maxSide = Image::maxSide;

    static std::optional<BitmapContext> create(int width, int height, ColorSpace space);

    BitmapContext(BitmapContext&&) noexcept = default;
    BitmapContext& operator=(BitmapContext&&) noexcept = default;
    BitmapContext(const BitmapContext&) = delete;
    BitmapContext& operator=(const BitmapContext&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    size_t bytesPerRow() const { return size_t(width_) * 4; }
    const ColorSpace& colorSpace() const { return space_; }

    // All rows, top row first, as B, G, R, A bytes.
    std::span<const uint8_t> bytes() const;
    // Direct access for code that paints pixels itself. What it writes must stay
    // premultiplied (no colour byte above its alpha). The span is good until the next
    // call on the context; in particular, take a new one after makeImage(), or the
    // writes would reach the image.
    std::span<uint8_t> mutableBytes();
    // The pixel at column x of the given row (0 is the top row); both must be in range.
    Pixel pixel(int x, int row) const {
        assert(x >= 0 && x < width_ && row >= 0 && row < height_);
        return Pixel::fromWord((*pixels_)[index(x, row)]);
    }

    // ---- Graphics state ----
    // save pushes the whole state (transform, clip, colours, line style, alpha, blend
    // mode, interpolation quality); restore pops it. An unmatched restore does nothing.
    void saveGState();
    void restoreGState();

    // Each of these applies the new transform before the current one, so later
    // drawing is translated, scaled or rotated within the current user space.
    void translateBy(double dx, double dy);
    void scaleBy(double sx, double sy);
    void rotateBy(double radians);
    void concatenate(const AffineTransform& t);
    const AffineTransform& transform() const { return state_.transform; }

    // Narrows the clip to the rectangle (in user space). Pixels partly inside it are
    // drawn in part, so a clip edge is anti-aliased like a shape's.
    void clipToRect(const Rect& r);
    // The clip's bounds in the context's own space (origin bottom-left); the null
    // rectangle when nothing can be drawn.
    Rect clipBoundingBox() const;

    void setFillColor(const Color& c) { state_.fill = c; }
    void setStrokeColor(const Color& c) { state_.stroke = c; }
    // A width of 0 strokes the thinnest visible line (one pixel); negative or NaN
    // widths stroke nothing.
    void setLineWidth(double w) { state_.lineWidth = w; }
    void setLineJoin(LineJoin j) { state_.join = j; }
    void setLineCap(LineCap c) { state_.cap = c; }
    void setMiterLimit(double m) { state_.miterLimit = m; }
    // Multiplies everything drawn; clamped to 0...1.
    void setAlpha(double a);
    void setBlendMode(BlendMode m) { state_.blend = m; }
    BlendMode blendMode() const { return state_.blend; }
    // How carefully scaled images are resampled. Kept so that callers can say what they
    // ask for; drawImage resamples every image with its high-quality filters whatever
    // the setting.
    void setInterpolationQuality(InterpolationQuality q) { state_.interpolation = q; }
    InterpolationQuality interpolationQuality() const { return state_.interpolation; }
    double lineWidth() const { return state_.lineWidth; }

    // ---- Drawing ----
    // Makes every pixel transparent, ignoring the transform and clip.
    void clear();
    // Makes the rectangle transparent, within the clip.
    void clearRect(const Rect& r);
    void fillRect(const Rect& r);
    void fillPath(const Path& path, FillRule rule = FillRule::nonZero);
    void strokePath(const Path& path);
    void strokeRect(const Rect& r);
    // Draws the image stretched over the rectangle (in user space), upright. With a
    // transform that keeps the axes, each axis is resampled on its own: when the image
    // is not enlarged, every pixel is the area-weighted average of the image pixels it
    // covers (a box filter, exact at 1:1 with pixel-aligned rectangles, where the
    // pixels are copied unchanged); when it is enlarged, bilinear interpolation between
    // pixel centres, with the image's edge pixels extended. Under rotation or shear each
    // pixel takes a bilinear sample at its centre and the rectangle's edges are
    // anti-aliased. Colour spaces are not converted.
    void drawImage(const Image& image, const Rect& r);

    // An image of the current pixels in the context's colour space.
    Image makeImage() const;

private:
    using Pixels = std::vector<uint32_t>;

    struct ClipMask {
        raster::PixelBox box;
        std::vector<uint8_t> coverage;
        uint8_t at(int x, int y) const { return coverage[size_t(y - box.y0) * size_t(box.width()) + size_t(x - box.x0)]; }
    };

    struct State {
        AffineTransform transform;
        raster::PixelBox clip;
        std::shared_ptr<const ClipMask> mask;
        Color fill = Color::black();
        Color stroke = Color::black();
        double lineWidth = 1;
        LineJoin join = LineJoin::miter;
        LineCap cap = LineCap::butt;
        double miterLimit = 10;
        double alpha = 1;
        BlendMode blend = BlendMode::normal;
        InterpolationQuality interpolation = InterpolationQuality::defaultQuality;
    };

    BitmapContext(int width, int height, ColorSpace space, std::shared_ptr<Pixels> pixels);

    size_t index(int x, int row) const { return size_t(row) * size_t(width_) + size_t(x); }
    uint32_t* rowPointer(int row) { return pixels_->data() + size_t(row) * size_t(width_); }
    void makeUnique();
    // User space to pixel space (origin top-left, y down).
    AffineTransform deviceTransform() const;
    uint32_t sourceWord(const Color& c) const;

    void fillEdges(const raster::EdgeList& edges, FillRule rule, uint32_t color, BlendMode mode);
    void fillAlignedRect(double x0, double y0, double x1, double y1, uint32_t color, BlendMode mode);
    void fillRectWith(const Rect& r, uint32_t color, BlendMode mode);
    // Combines `color` into row y at the given coverage, through the clip mask.
    void compositeCoverageRow(int y, int x0, std::span<const uint8_t> coverage, uint32_t color, BlendMode mode);
    std::span<const uint8_t> maskedCoverage(int y, int x0, std::span<const uint8_t> coverage);

    void drawImageAligned(const Image& image, const AffineTransform& toDevice);
    void drawImageExact(const Image& image, int dx, int dy);
    void drawImageTransformed(const Image& image, const AffineTransform& toDevice);

    int width_ = 0;
    int height_ = 0;
    ColorSpace space_;
    std::shared_ptr<Pixels> pixels_;
    State state_;
    std::vector<State> saved_;
    std::vector<uint8_t> scratchCoverage_;
};

}  // namespace platform
