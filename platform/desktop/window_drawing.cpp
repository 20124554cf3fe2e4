#include "platform/desktop/window_drawing.h"

#include <algorithm>
#include <cmath>

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/path.h"

namespace platform::desktop::drawing {

namespace {

// A small deterministic generator (splitmix64): the same seed gives the same marks on
// every machine.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // In [0, 1).
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }

private:
    uint64_t state_;
};

constexpr Color kInk = Color::rgb(0.24, 0.26, 0.30);
constexpr Color kTitleBand = Color::rgb(0.90, 0.90, 0.91);
constexpr Color kSeparator = Color::rgb(0.70, 0.70, 0.72);
constexpr Color kTitleText = Color::rgb(0.20, 0.20, 0.22);

// A pale body colour that the seed tints.
Color bodyColor(uint64_t seed) {
    Random r(seed ^ 0xB0D1);
    return Color::rgb(0.93 + 0.07 * r.unit(), 0.93 + 0.07 * r.unit(), 0.93 + 0.07 * r.unit());
}

// Rectangles given with y downwards from the top of a context of height h.
Rect down(const Rect& r, int h) { return flipRect(r, double(h)); }

void fillRounded(BitmapContext& ctx, const Rect& topLeft, double radius, const Color& c) {
    ctx.setFillColor(c);
    if (radius <= 0) {
        ctx.fillRect(down(topLeft, ctx.height()));
        return;
    }
    ctx.fillPath(Path::roundedRect(down(topLeft, ctx.height()), radius, radius));
}

void drawTitleBand(BitmapContext& ctx, const WindowLook& look, double radius) {
    const double s = look.scale;
    const double band = std::min(look.titleBarHeight * s, double(look.height));
    ctx.saveGState();
    ctx.clipToRect(down({0, 0, double(look.width), band}, ctx.height()));
    fillRounded(ctx, {0, 0, double(look.width), double(look.height)}, radius, kTitleBand);
    ctx.restoreGState();
    if (band + 1 <= look.height) {
        ctx.setFillColor(kSeparator);
        ctx.fillRect(down({0, std::floor(band) - 1, double(look.width), 1}, ctx.height()));
    }
    for (const Button& b : look.buttons) {
        const Rect r{b.frame.minX() * s, b.frame.minY() * s, b.frame.width() * s, b.frame.height() * s};
        ctx.setFillColor(b.color);
        ctx.fillPath(Path::ellipse(down(r.insetBy(s, s), ctx.height())));
    }
    if (!look.full || look.title.empty() || !look.font) return;
    const TextLine line(look.title, *look.font);
    const double x = std::max((look.width - line.width()) / 2, 80 * s);
    const double baseline = band / 2 + (line.ascent() - line.descent()) / 2;
    line.draw(ctx, {std::floor(x), ctx.height() - baseline}, kTitleText);
}

// Rows of rounded bars standing for lines of text.
void drawMarks(BitmapContext& ctx, const WindowLook& look, double top) {
    const double s = look.scale;
    const double margin = 18 * s, lineHeight = 20 * s, bar = 7 * s, gap = 7 * s;
    const double usable = look.width - 2 * margin;
    if (usable <= 0) return;
    ctx.setFillColor(kInk);
    Random rows(look.seed);
    for (double y = top + 14 * s; y + bar <= look.height - 12 * s; y += lineHeight) {
        Random row(rows.next());
        if (row.unit() < 0.15) continue;  // a blank line between paragraphs
        double x = margin + (row.unit() < 0.2 ? 24 * s : 0);
        const double end = margin + (0.5 + 0.45 * row.unit()) * usable;
        while (x < end) {
            const double word = std::min((10 + 56 * row.unit()) * s, end - x);
            if (word >= 2 * s) ctx.fillPath(Path::roundedRect(down({x, y, word, bar}, ctx.height()), bar / 2, bar / 2));
            x += word + gap;
        }
    }
}

std::optional<BitmapContext> canvas(int width, int height) {
    return BitmapContext::create(width, height, ColorSpace::displayRGB());
}

}  // namespace

uint64_t contentSeed(uint64_t seed, const std::string& title) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a over the title
    for (unsigned char c : title) h = (h ^ c) * 1099511628211ull;
    return Random(seed ^ h).next();
}

std::optional<Image> drawWindow(const WindowLook& look) {
    auto ctx = canvas(look.width, look.height);
    if (!ctx) return std::nullopt;
    const double radius = look.rounded ? 10 * look.scale : 0;
    const Rect all{0, 0, double(look.width), double(look.height)};
    fillRounded(*ctx, all, radius, bodyColor(look.seed));
    double top = 0;
    if (look.titleBarHeight > 0) {
        drawTitleBand(*ctx, look, radius);
        top = look.titleBarHeight * look.scale;
    }
    if (look.full) drawMarks(*ctx, look, top);
    return ctx->makeImage();
}

std::optional<Image> drawDesktopPicture(int width, int height, uint64_t seed) {
    auto ctx = canvas(width, height);
    if (!ctx) return std::nullopt;
    Random r(seed);
    const double from[3] = {0.15 + 0.2 * r.unit(), 0.25 + 0.2 * r.unit(), 0.45 + 0.3 * r.unit()};
    const double to[3] = {0.55 + 0.3 * r.unit(), 0.35 + 0.3 * r.unit(), 0.30 + 0.3 * r.unit()};
    std::span<uint8_t> bytes = ctx->mutableBytes();
    for (int y = 0; y < height; ++y) {
        const double t = height > 1 ? double(y) / (height - 1) : 0;
        uint8_t c[3];
        for (int i = 0; i < 3; ++i) c[i] = uint8_t(std::lround(255 * (from[i] + (to[i] - from[i]) * t)));
        uint8_t* row = bytes.data() + size_t(y) * ctx->bytesPerRow();
        for (int x = 0; x < width; ++x) {
            row[4 * x] = c[2];
            row[4 * x + 1] = c[1];
            row[4 * x + 2] = c[0];
            row[4 * x + 3] = 255;
        }
    }
    return ctx->makeImage();
}

std::optional<Image> drawDockStrip(int width, int height, double scale) {
    auto ctx = canvas(width, height);
    if (!ctx) return std::nullopt;
    const double radius = std::min(16 * scale, std::min(width, height) / 2.0);
    fillRounded(*ctx, {0, 0, double(width), double(height)}, radius, Color::rgb(0.85, 0.86, 0.88, 0.6));
    const bool vertical = height > width;
    const double thickness = vertical ? width : height;
    const double tile = thickness * 0.7;
    const double length = vertical ? height : width;
    Random r(0xD0C);
    for (double at = tile * 0.5; at + tile <= length - tile * 0.5; at += tile * 1.2) {
        const double across = (thickness - tile) / 2;
        const Rect t = vertical ? Rect{across, at, tile, tile} : Rect{at, across, tile, tile};
        fillRounded(*ctx, t, tile * 0.22, Color::rgb(0.3 + 0.6 * r.unit(), 0.3 + 0.6 * r.unit(), 0.3 + 0.6 * r.unit()));
    }
    return ctx->makeImage();
}

std::optional<Image> drawFramed(const Image& plain, double scale, bool rounded, int left, int top, int right,
                                int bottom) {
    const int width = plain.width() + left + right;
    const int height = plain.height() + top + bottom;
    auto ctx = canvas(width, height);
    if (!ctx) return std::nullopt;
    const Rect window{double(left), double(top), double(plain.width()), double(plain.height())};
    const double radius = rounded ? 10 * scale : 0;
    // A soft shadow, darker near the window and falling downwards.
    constexpr int kLayers = 8;
    for (int i = 0; i < kLayers; ++i) {
        const double grow = (kLayers - i) * 2 * scale;
        const Rect r = window.offsetBy(0, 6 * scale).insetBy(-grow, -grow);
        fillRounded(*ctx, r, radius + grow, Color::gray(0, 0.035));
    }
    ctx->drawImage(plain, down(window, height));
    // The frame's outline over the window's outermost pixels.
    ctx->setStrokeColor(Color::gray(0, 0.3));
    ctx->setLineWidth(1);
    const Rect outline = down(window.insetBy(0.5, 0.5), height);
    if (radius > 0) {
        ctx->strokePath(Path::roundedRect(outline, radius - 0.5, radius - 0.5));
    } else {
        ctx->strokeRect(outline);
    }
    return ctx->makeImage();
}

}  // namespace platform::desktop::drawing
