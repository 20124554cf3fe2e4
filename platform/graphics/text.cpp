#include "platform/graphics/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cerrno>
#include <cmath>
#include <map>
#include <mutex>
#include <new>
#include <system_error>
#include <unordered_map>

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/utf8.h"

namespace platform {

namespace {

// DejaVu Sans Condensed is DejaVu Sans at 90 % of its width.
constexpr double kCondensedWidth = 0.9;

struct Glyph {
    Path outline;  // font units, y up
    double advance = 0;
};

}  // namespace

// One loaded font file. FreeType objects are not thread-safe, so every use of the face
// goes through the mutex; glyph outlines are kept once loaded.
struct FontFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::filesystem::path file;
    std::mutex mutex;
    std::unordered_map<FT_UInt, Glyph> glyphs;

    FontFace() = default;
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;
    ~FontFace() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }

    static Result<std::shared_ptr<FontFace>> load(const std::filesystem::path& file);
    // The caller holds the mutex.
    const Glyph& glyph(FT_UInt index);
    double kerning(FT_UInt left, FT_UInt right) const;
};

namespace {

Failure freeTypeFailure(const std::string& what, const std::filesystem::path& file, FT_Error error) {
    return Failure{what + " " + file.string() + " (FreeType error " + std::to_string(error) + ")"};
}

// FreeType tells memory it could not have by its own code, and a file it could not open
// or map by another, which leaves the system's reason in errno: want of memory or of a
// descriptor throws as any allocation or open does, instead of passing for a font that
// is not there.
void throwWhenWanting(FT_Error error, int reason, const std::filesystem::path& file) {
    const int base = FT_ERROR_BASE(error);
    if (base == FT_Err_Out_Of_Memory) throw std::bad_alloc();
    if (base != FT_Err_Cannot_Open_Resource && base != FT_Err_Cannot_Open_Stream) return;
    if (reason == ENOMEM) throw std::bad_alloc();
    if (reason == EMFILE || reason == ENFILE) throw std::system_error(reason, std::generic_category(), file.string());
}

struct OutlineSink {
    Path* path;
    static Point at(const FT_Vector* v) { return {double(v->x), double(v->y)}; }
    static OutlineSink& of(void* user) { return *static_cast<OutlineSink*>(user); }
};

int moveTo(const FT_Vector* to, void* user) {
    OutlineSink& s = OutlineSink::of(user);
    s.path->closeSubpath();
    s.path->moveTo(OutlineSink::at(to));
    return 0;
}

int lineTo(const FT_Vector* to, void* user) {
    OutlineSink::of(user).path->lineTo(OutlineSink::at(to));
    return 0;
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    OutlineSink::of(user).path->quadTo(OutlineSink::at(control), OutlineSink::at(to));
    return 0;
}

int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    OutlineSink::of(user).path->curveTo(OutlineSink::at(c1), OutlineSink::at(c2), OutlineSink::at(to));
    return 0;
}

const char* fileFor(FontWeight weight, FontDesign design) {
    const bool bold = weight >= FontWeight::semibold;
    if (design == FontDesign::monospaced) return bold ? "DejaVuSansMono-Bold.ttf" : "DejaVuSansMono.ttf";
    return bold ? "DejaVuSans-Bold.ttf" : "DejaVuSans.ttf";
}

// Loaded font files by path. Loading a file and decomposing its glyphs is the costly
// part of measuring text, and views measure the same few fonts over and over; a face
// once loaded stays for the process. Failures are not kept, so a file that appears
// later is found.
Result<std::shared_ptr<FontFace>> sharedFace(const std::filesystem::path& file) {
    static std::mutex mutex;
    static std::map<std::filesystem::path, std::shared_ptr<FontFace>> faces;
    const std::lock_guard<std::mutex> lock(mutex);
    auto found = faces.find(file);
    if (found != faces.end()) return found->second;
    auto face = FontFace::load(file);
    if (face) faces.emplace(file, face.value());
    return face;
}

bool isValidSize(double size) { return std::isfinite(size) && size > 0 && size <= Font::maxPointSize; }

Failure sizeFailure(double size) {
    return Failure{"font size " + std::to_string(size) + " is not a positive size up to " +
                   std::to_string(int(Font::maxPointSize)) + " points"};
}

}  // namespace

Result<std::shared_ptr<FontFace>> FontFace::load(const std::filesystem::path& file) {
    auto face = std::make_shared<FontFace>();
    face->file = file;
    errno = 0;
    if (FT_Error e = FT_Init_FreeType(&face->library)) {
        face->library = nullptr;
        throwWhenWanting(e, errno, file);
        return freeTypeFailure("cannot start FreeType for", file, e);
    }
    errno = 0;
    if (FT_Error e = FT_New_Face(face->library, file.c_str(), 0, &face->face)) {
        face->face = nullptr;
        throwWhenWanting(e, errno, file);
        return freeTypeFailure("cannot load the font file", file, e);
    }
    if (!FT_IS_SCALABLE(face->face) || face->face->units_per_EM == 0)
        return Failure{"the font file " + file.string() + " has no scalable outlines"};
    return face;
}

const Glyph& FontFace::glyph(FT_UInt index) {
    auto found = glyphs.find(index);
    if (found != glyphs.end()) return found->second;
    Glyph g;
    const FT_Error error = FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE);
    if (FT_ERROR_BASE(error) == FT_Err_Out_Of_Memory) throw std::bad_alloc();
    if (error == 0) {
        g.advance = double(face->glyph->advance.x);
        if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            OutlineSink sink{&g.outline};
            const FT_Outline_Funcs funcs{moveTo, lineTo, conicTo, cubicTo, 0, 0};
            FT_Outline_Decompose(&face->glyph->outline, &funcs, &sink);
            g.outline.closeSubpath();
        }
    }
    return glyphs.emplace(index, std::move(g)).first->second;
}

double FontFace::kerning(FT_UInt left, FT_UInt right) const {
    if (left == 0 || right == 0 || !FT_HAS_KERNING(face)) return 0;
    FT_Vector delta{0, 0};
    if (FT_Get_Kerning(face, left, right, FT_KERNING_UNSCALED, &delta) != 0) return 0;
    return double(delta.x);
}

// ---- Font ----

std::filesystem::path Font::defaultDirectory() { return "/usr/share/fonts/truetype/dejavu"; }

Result<Font> Font::create(double pointSize, FontWeight weight, FontWidth width, FontDesign design) {
    return create(pointSize, weight, width, defaultDirectory(), design);
}

Result<Font> Font::create(double pointSize, FontWeight weight, FontWidth width,
                          const std::filesystem::path& directory, FontDesign design) {
    if (!isValidSize(pointSize)) return sizeFailure(pointSize);
    auto face = sharedFace(directory / fileFor(weight, design));
    if (!face) return Failure{face.error()};
    return Font(std::move(face.value()), pointSize, weight, width, design);
}

Result<Font> Font::withSize(double pointSize) const {
    if (!isValidSize(pointSize)) return sizeFailure(pointSize);
    return Font(face_, pointSize, weight_, width_, design_);
}

double Font::yScale() const { return pointSize_ / face_->face->units_per_EM; }
double Font::xScale() const { return yScale() * (width_ == FontWidth::condensed ? kCondensedWidth : 1.0); }
double Font::ascent() const { return face_->face->ascender * yScale(); }
double Font::descent() const { return -face_->face->descender * yScale(); }
double Font::leading() const {
    const FT_Face f = face_->face;
    return std::max(0, f->height - (f->ascender - f->descender)) * yScale();
}
const std::filesystem::path& Font::file() const { return face_->file; }

// ---- TextLine ----

TextLine::TextLine(std::string_view utf8, const Font& font, double kern)
    : ascent_(font.ascent()), descent_(font.descent()) {
    if (!std::isfinite(kern)) kern = 0;
    const double sx = font.xScale(), sy = font.yScale();
    FontFace& face = *font.face_;
    const std::lock_guard<std::mutex> lock(face.mutex);
    double pen = 0;
    FT_UInt previous = 0;
    for (char32_t ch : decodeUTF8(utf8)) {
        const FT_UInt index = FT_Get_Char_Index(face.face, ch);
        pen += face.kerning(previous, index) * sx;
        const Glyph& g = face.glyph(index);
        outline_.addPath(g.outline, AffineTransform{sx, 0, 0, sy, pen, 0});
        pen += g.advance * sx + kern;
        previous = index;
        ++glyphCount_;
    }
    width_ = pen;
    glyphBounds_ = outline_.boundingBox();
}

void TextLine::draw(BitmapContext& context, Point origin, const Color& color) const {
    context.saveGState();
    context.translateBy(origin.x, origin.y);
    context.setFillColor(color);
    context.fillPath(outline_, FillRule::nonZero);
    context.restoreGState();
}

}  // namespace platform
