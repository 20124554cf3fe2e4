#pragma once

// Inside the toolkit: drawing in a surface's own coordinates (top-left origin, y
// downwards, in points) into a bitmap context of the surface's pixels. Text and
// pictures are turned upright where they are drawn.

#include <string>
#include <vector>

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/image.h"
#include "platform/graphics/path.h"
#include "platform/ui/style.h"

namespace platform::ui::detail {

class Painter {
public:
    // `height` is the surface's height in points, `scale` its pixels per point.
    Painter(BitmapContext& context, double height, double scale);

    void fillRect(const Rect& rect, const Color& color);
    void fillRoundedRect(const Rect& rect, double radius, const Color& color);
    // A line of `width` inside the rectangle's edge.
    void strokeRoundedRect(const Rect& rect, double radius, const Color& color, double width);
    void fillEllipse(const Rect& rect, const Color& color);
    void strokeEllipse(const Rect& rect, const Color& color, double width);
    void line(Point from, Point to, const Color& color, double width);
    void fillPath(const Path& path, const Color& color, FillRule rule = FillRule::nonZero);
    void strokePath(const Path& path, const Color& color, double width);
    // One line of text whose baseline starts at `origin`.
    void text(const std::string& text, const Font& font, Point origin, const Color& color);
    void image(const Image& image, const Rect& rect);

    // Nested: what is drawn until the matching pop is clipped, or faded.
    void pushClip(const Rect& rect);
    void pushAlpha(double alpha);
    void pop();

private:
    BitmapContext& context_;
    // The alpha in force at each level of nesting; the context's own alpha replaces
    // rather than multiplies.
    std::vector<double> alphas_{1.0};
};

}  // namespace platform::ui::detail
