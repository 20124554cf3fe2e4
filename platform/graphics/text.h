#pragma once

// Lines of text drawn into pictures, with the DejaVu Sans fonts through FreeType.
//
// A Font is a typeface at a point size. Weights up to medium use DejaVu Sans, semibold
// and heavier DejaVu Sans Bold (the family has no other weights). The condensed width
// is DejaVu Sans narrowed to 90 %, the proportion of the family's own condensed cut, so
// that only the files of the core font package are needed. The monospaced design is
// DejaVu Sans Mono (and its bold) of the same package. A loaded font file is kept for
// the rest of the process and shared by every font made from it. A missing or unreadable
// font file, or a size that is not a positive finite number up to maxPointSize, gives a
// failure that names the file or the size; memory or a descriptor that the process
// cannot have for it throws (std::bad_alloc, std::system_error), as elsewhere.
//
// A TextLine lays out one line (no wrapping, no bidirectional reordering): glyphs from
// the font's character map (a character the font lacks shows the font's missing-glyph
// box), the font's pair kerning, and an optional extra `kern` added after every glyph.
// Outlines are taken unhinted in font units and scaled here, so a line has the same
// shape, metrics and pixels on every machine and at every call.
//
// Line space: origin at the start of the baseline, x to the right, y upwards, in points
// (one point is one user-space unit when drawn).
//
// Fonts and lines are immutable once made and may be used from any thread.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/geometry/geometry.h"
#include "platform/graphics/color_space.h"
#include "platform/graphics/path.h"
#include "platform/runtime/result.h"

namespace platform {

class BitmapContext;
struct FontFace;

enum class FontWeight { ultraLight, thin, light, regular, medium, semibold, bold, heavy, black };
enum class FontWidth { standard, condensed };
enum class FontDesign { standard, monospaced };

class Font {
public:
    static constexpr double maxPointSize = 10000;
    static std::filesystem::path defaultDirectory();

    static Result<Font> create(double pointSize, FontWeight weight = FontWeight::regular,
                               FontWidth width = FontWidth::standard, FontDesign design = FontDesign::standard);
    // The same, reading the font files from another directory.
    static Result<Font> create(double pointSize, FontWeight weight, FontWidth width,
                               const std::filesystem::path& directory, FontDesign design = FontDesign::standard);

    // The same typeface at another size; shares the loaded font file.
    Result<Font> withSize(double pointSize) const;

    double pointSize() const { return pointSize_; }
    FontWeight weight() const { return weight_; }
    FontWidth width() const { return width_; }
    FontDesign design() const { return design_; }
    // Distances above and below the baseline, both positive, and the extra line gap.
    double ascent() const;
    double descent() const;
    double leading() const;
    // The file the glyphs come from.
    const std::filesystem::path& file() const;

private:
    friend class TextLine;
    Font(std::shared_ptr<FontFace> face, double size, FontWeight weight, FontWidth width, FontDesign design)
        : face_(std::move(face)), pointSize_(size), weight_(weight), width_(width), design_(design) {}
    // Font units to points, horizontally and vertically.
    double xScale() const;
    double yScale() const;

    std::shared_ptr<FontFace> face_;
    double pointSize_;
    FontWeight weight_;
    FontWidth width_;
    FontDesign design_;
};

class TextLine {
public:
    // Invalid UTF-8 sequences show as U+FFFD.
    TextLine(std::string_view utf8, const Font& font, double kern = 0);

    // The advance from the line's origin to where a following line would continue,
    // kerns included.
    double width() const { return width_; }
    double ascent() const { return ascent_; }
    double descent() const { return descent_; }
    // (0, −descent, width, ascent + descent).
    Rect typographicBounds() const { return Rect(0, -descent_, width_, ascent_ + descent_); }
    // The smallest rectangle holding every glyph's outline; the null rectangle when the
    // line has no ink (empty, or only spaces).
    Rect glyphBounds() const { return glyphBounds_; }
    size_t glyphCount() const { return glyphCount_; }
    // The glyphs' outlines in line space, to be filled with the non-zero rule.
    const Path& outline() const { return outline_; }

    // Fills the line into the context in `color`, its origin at `origin` in the
    // context's user space. The context's state is left as it was.
    void draw(BitmapContext& context, Point origin, const Color& color) const;

private:
    Path outline_;
    double width_ = 0;
    double ascent_ = 0;
    double descent_ = 0;
    Rect glyphBounds_ = Rect::null();
    size_t glyphCount_ = 0;
};

}  // namespace platform
