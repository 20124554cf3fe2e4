#pragma once

// Turns the centre lines of a stroke into polygons for the rasterizer.
//
// The stroke is built as a union of simple pieces: one quadrilateral per segment, a
// wedge at each corner on its outer side (bevel, miter or round), and caps at the ends
// of open lines. Every piece is wound the same way, so filling them all with the
// non-zero rule draws their union; pieces that meet edge to edge add up to full
// coverage without seams (see rasterizer.h), and overlaps count once.

#include <vector>

#include "platform/graphics/affine_transform.h"
#include "platform/graphics/path.h"
#include "platform/graphics/rasterizer.h"

namespace platform::raster {

struct StrokeStyle {
    double width = 1;
    LineJoin join = LineJoin::miter;
    LineCap cap = LineCap::butt;
    double miterLimit = 10;
};

// Strokes the polylines (in user space) with the style and adds the pieces, mapped by
// toDevice, to `out`. `tolerance` bounds how far round joins and caps may stray from
// true circles, in user space.
void addStroke(EdgeList& out, const std::vector<Path::Polyline>& lines, const StrokeStyle& style,
               const AffineTransform& toDevice, double tolerance);

}  // namespace platform::raster
