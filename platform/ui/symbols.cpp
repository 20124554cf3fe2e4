#include "platform/ui/symbols.h"

#include <cmath>
#include <functional>
#include <map>
#include <numbers>

#include "platform/graphics/bitmap_context.h"
#include "platform/ui/symbol_image.h"

namespace platform::ui::detail {

namespace {

// A symbol's drawing in a unit square (top-left origin, y down) mapped onto its box.
class Pen {
public:
    Pen(Painter& painter, const Rect& box, const Color& color) : painter_(painter), box_(box), color_(color) {}

    Point at(double x, double y) const { return {box_.minX() + x * box_.width(), box_.minY() + y * box_.height()}; }
    Rect rect(double x, double y, double w, double h) const {
        return {at(x, y), Size{w * box_.width(), h * box_.height()}};
    }
    double width(double w) const { return w * box_.width(); }

    void line(double x0, double y0, double x1, double y1, double w = 0.09) const {
        painter_.line(at(x0, y0), at(x1, y1), color_, width(w));
    }
    void ring(double cx, double cy, double r, double w = 0.09) const {
        painter_.strokeEllipse(rect(cx - r, cy - r, 2 * r, 2 * r), color_, width(w));
    }
    void disc(double cx, double cy, double r, const Color* color = nullptr) const {
        painter_.fillEllipse(rect(cx - r, cy - r, 2 * r, 2 * r), color ? *color : color_);
    }
    void polygon(std::initializer_list<Point> points, const Color* color = nullptr) const {
        Path path;
        bool first = true;
        for (Point p : points) {
            if (first) path.moveTo(at(p.x, p.y));
            else path.lineTo(at(p.x, p.y));
            first = false;
        }
        path.closeSubpath();
        painter_.fillPath(path, color ? *color : color_);
    }
    // An arc of a circle, angles in degrees clockwise from three o'clock.
    void arc(double cx, double cy, double r, double from, double to, double w = 0.09) const {
        Path path;
        const int steps = std::max(2, int(std::fabs(to - from) / 10));
        for (int i = 0; i <= steps; ++i) {
            const double a = (from + (to - from) * i / steps) * std::numbers::pi / 180;
            const Point p = at(cx + r * std::cos(a), cy + r * std::sin(a));
            if (i == 0) path.moveTo(p);
            else path.lineTo(p);
        }
        painter_.strokePath(path, color_, width(w));
    }
    void text(const std::string& s, double size, double x, double baseline) const {
        painter_.text(s, Font::system(size * box_.height(), FontWeight::bold), at(x, baseline), color_);
    }

private:
    Painter& painter_;
    Rect box_;
    Color color_;
};

void gear(const Pen& pen, double cx, double cy, double r) {
    // A thick ring with eight short, broad teeth.
    pen.ring(cx, cy, r * 0.58, r * 0.4);
    for (int i = 0; i < 8; ++i) {
        const double a = (i + 0.5) * std::numbers::pi / 4;
        pen.line(cx + std::cos(a) * r * 0.74, cy + std::sin(a) * r * 0.74, cx + std::cos(a) * r * 0.9,
                 cy + std::sin(a) * r * 0.9, r * 0.32);
    }
}

void arrowHead(const Pen& pen, double x, double y, double dx, double dy, double size) {
    // A filled triangle pointing along (dx, dy) with its tip at (x, y).
    const double nx = -dy, ny = dx;
    pen.polygon({{x, y},
                 {x - dx * size + nx * size * 0.6, y - dy * size + ny * size * 0.6},
                 {x - dx * size - nx * size * 0.6, y - dy * size - ny * size * 0.6}});
}

using Drawing = std::function<void(const Pen&)>;

const std::map<std::string, Drawing>& drawings() {
    static const std::map<std::string, Drawing> table = {
        {"gearshape", [](const Pen& p) { gear(p, 0.5, 0.5, 0.45); }},
        {"gearshape.2",
         [](const Pen& p) {
             gear(p, 0.38, 0.38, 0.34);
             gear(p, 0.74, 0.74, 0.24);
         }},
        {"cursorarrow.click.2",
         [](const Pen& p) {
             p.polygon({{0.38, 0.34}, {0.38, 0.98}, {0.53, 0.83}, {0.64, 1.0}, {0.72, 0.95}, {0.62, 0.79}, {0.82, 0.77}});
             p.line(0.28, 0.05, 0.32, 0.2, 0.07);
             p.line(0.06, 0.27, 0.21, 0.31, 0.07);
             p.line(0.55, 0.1, 0.46, 0.22, 0.07);
             p.line(0.08, 0.56, 0.2, 0.47, 0.07);
         }},
        {"arrow.down.right.and.arrow.up.left",
         [](const Pen& p) {
             p.line(0.08, 0.08, 0.4, 0.4);
             arrowHead(p, 0.46, 0.46, 0.707, 0.707, 0.22);
             p.line(0.92, 0.92, 0.6, 0.6);
             arrowHead(p, 0.54, 0.54, -0.707, -0.707, 0.22);
         }},
        {"arrow.triangle.2.circlepath",
         [](const Pen& p) {
             p.arc(0.5, 0.5, 0.36, 200, 340);
             arrowHead(p, 0.86, 0.62, 0.0, 1.0, 0.2);
             p.arc(0.5, 0.5, 0.36, 20, 160);
             arrowHead(p, 0.14, 0.38, 0.0, -1.0, 0.2);
         }},
        {"minus", [](const Pen& p) { p.line(0.2, 0.5, 0.8, 0.5); }},
        {"plus",
         [](const Pen& p) {
             p.line(0.2, 0.5, 0.8, 0.5);
             p.line(0.5, 0.2, 0.5, 0.8);
         }},
        {"minus.circle",
         [](const Pen& p) {
             p.ring(0.5, 0.5, 0.42, 0.08);
             p.line(0.3, 0.5, 0.7, 0.5);
         }},
        {"app.dashed",
         [](const Pen& p) {
             for (double a : {0.12, 0.62}) {
                 p.line(a, 0.12, a + 0.26, 0.12, 0.07);
                 p.line(a, 0.88, a + 0.26, 0.88, 0.07);
                 p.line(0.12, a, 0.12, a + 0.26, 0.07);
                 p.line(0.88, a, 0.88, a + 0.26, 0.07);
             }
         }},
        {"ladybug",
         [](const Pen& p) {
             p.disc(0.5, 0.2, 0.14);
             p.ring(0.5, 0.58, 0.33, 0.08);
             p.line(0.5, 0.28, 0.5, 0.9, 0.06);
             p.disc(0.35, 0.5, 0.06);
             p.disc(0.65, 0.5, 0.06);
             p.disc(0.36, 0.72, 0.05);
             p.disc(0.64, 0.72, 0.05);
         }},
        {"exclamationmark.triangle.fill",
         [](const Pen& p) {
             p.polygon({{0.5, 0.06}, {0.96, 0.9}, {0.04, 0.9}});
             const Color white = Color::white();
             p.polygon({{0.46, 0.34}, {0.54, 0.34}, {0.52, 0.64}, {0.48, 0.64}}, &white);
             p.disc(0.5, 0.76, 0.05, &white);
         }},
        {"info.circle",
         [](const Pen& p) {
             p.ring(0.5, 0.5, 0.42, 0.08);
             p.disc(0.5, 0.3, 0.055);
             p.line(0.5, 0.44, 0.5, 0.74, 0.09);
         }},
        {"questionmark", [](const Pen& p) { p.text("?", 0.9, 0.26, 0.84); }},
        {"checkmark",
         [](const Pen& p) {
             p.line(0.2, 0.52, 0.42, 0.74, 0.14);
             p.line(0.42, 0.74, 0.8, 0.26, 0.14);
         }},
        {"chevron.down",
         [](const Pen& p) {
             p.line(0.25, 0.38, 0.5, 0.63, 0.1);
             p.line(0.5, 0.63, 0.75, 0.38, 0.1);
         }},
        {"chevron.up.chevron.down",
         [](const Pen& p) {
             p.line(0.3, 0.4, 0.5, 0.2, 0.1);
             p.line(0.5, 0.2, 0.7, 0.4, 0.1);
             p.line(0.3, 0.6, 0.5, 0.8, 0.1);
             p.line(0.5, 0.8, 0.7, 0.6, 0.1);
         }},
    };
    return table;
}

}  // namespace

bool symbolExists(const std::string& name) { return drawings().count(name) != 0; }

void drawSymbol(Painter& painter, const std::string& name, const Rect& box, const Color& color) {
    auto found = drawings().find(name);
    if (found == drawings().end() || box.isEmpty()) return;
    found->second(Pen(painter, box, color));
}

}  // namespace platform::ui::detail

namespace platform::ui {

std::optional<Image> systemSymbolImage(const std::string& name, double pointSize, double scale) {
    const double pixels = std::round(pointSize * scale);
    if (!detail::symbolExists(name) || !(pixels >= 1 && pixels <= 1024)) return std::nullopt;
    auto context = BitmapContext::create(int(pixels), int(pixels), ColorSpace::sRGB());
    if (!context) return std::nullopt;
    detail::Painter painter(*context, pointSize, scale);
    detail::drawSymbol(painter, name, {0, 0, pointSize, pointSize}, Color::gray(0.2));
    return context->makeImage();
}

}  // namespace platform::ui
