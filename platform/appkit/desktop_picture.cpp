#include "platform/appkit/desktop_picture.h"

#include <cmath>
#include <cstdint>

#include "platform/appkit/application.h"
#include "platform/appkit/layer_rendering.h"
#include "platform/desktop/desktop.h"
#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/path.h"
#include "platform/graphics/png_codec.h"
#include "platform/graphics/text.h"
#include "platform/windowserver/window_list.h"

namespace platform {

namespace {

// A pale colour that follows from the owner and the window number.
Color placeholderColor(const desktop::Window& w) {
    uint32_t h = static_cast<uint32_t>(w.pid()) * 2654435761u ^ w.number() * 40503u ^ static_cast<uint32_t>(w.contentSeed());
    h ^= h >> 15;
    const double r = 0.55 + 0.4 * ((h & 0xFF) / 255.0);
    const double g = 0.55 + 0.4 * (((h >> 8) & 0xFF) / 255.0);
    const double b = 0.55 + 0.4 * (((h >> 16) & 0xFF) / 255.0);
    return Color::rgb(r, g, b);
}

struct Placeholder {
    BitmapContext& context;
    const std::optional<Font>& font;
    Rect frame;  // AppKit coordinates
};

void drawTitled(const Placeholder& p, const desktop::Window& w) {
    const Rect& f = p.frame;
    p.context.setFillColor(placeholderColor(w));
    p.context.fillRect(f);
    const double bar = std::min(w.titleBarHeight(), f.height());
    if (bar <= 0) return;
    p.context.setFillColor(Color::gray(0.88));
    p.context.fillRect({f.minX(), f.maxY() - bar, f.width(), bar});
    const Color colors[] = {Color::rgb(1, 0.37, 0.34), Color::rgb(1, 0.74, 0.18), Color::rgb(0.16, 0.79, 0.25)};
    const desktop::TitleBarButton kinds[] = {desktop::TitleBarButton::close, desktop::TitleBarButton::minimize,
                                             desktop::TitleBarButton::zoom};
    for (int i = 0; i < 3; ++i) {
        const desktop::Control* b = w.button(kinds[i]);
        if (!b) continue;
        const Rect r = b->frame();
        p.context.setFillColor(b->isEnabled() ? colors[i] : Color::gray(0.75));
        p.context.fillPath(Path::ellipse({f.minX() + r.minX() + 1, f.maxY() - r.maxY() + 1, r.width() - 2, r.height() - 2}));
    }
    if (!p.font || w.title().empty()) return;
    const TextLine line(w.title(), *p.font);
    const double baseline = f.maxY() - bar + (bar - p.font->ascent() - p.font->descent()) / 2 + p.font->descent();
    line.draw(p.context, {f.midX() - line.width() / 2, baseline}, Color::gray(0.3));
}

void drawPlaceholder(const Placeholder& p, const desktop::Window& w) {
    if (w.layer() <= windowLevelForKey(WindowLevelKey::desktopIcon)) {
        p.context.setFillColor(Color::rgb(0.16, 0.27, 0.45));
        p.context.fillRect(p.frame);
    } else if (w.layer() == windowLevelForKey(WindowLevelKey::mainMenu)) {
        p.context.setFillColor(Color::gray(0.95, 0.9));
        p.context.fillRect(p.frame);
    } else if (w.layer() == windowLevelForKey(WindowLevelKey::dock)) {
        p.context.setFillColor(Color::gray(0.6, 0.6));
        p.context.fillPath(Path::roundedRect(p.frame, 12, 12));
    } else {
        drawTitled(p, w);
    }
}

// Runs `work` with the application of the program's process `process`, as that process's
// run; nothing once it has ended.
template <class Work>
void inRunOf(const desktop::Application& process, Work work) {
    const std::shared_ptr<ProcessRun> run = process.run();
    if (!run || run->hasEnded()) return;
    InRun as(run);
    if (Application* app = Application::sharedOrNull()) work(*app);
}

}  // namespace

std::optional<Image> renderDesktop(const DesktopPictureOptions& options) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world || !std::isfinite(options.scale) || options.scale <= 0) return std::nullopt;
    Rect area = Rect::null();
    for (const desktop::Display* d : world->displays().all()) area = area.united(world->displays().topLeftFrame(*d));
    if (options.area) area = options.area->standardized();
    if (area.isNull() || area.isEmpty()) return std::nullopt;
    const double pw = std::ceil(area.width() * options.scale), ph = std::ceil(area.height() * options.scale);
    if (!(pw <= Image::maxSide && ph <= Image::maxSide)) return std::nullopt;
    auto context = BitmapContext::create(static_cast<int>(pw), static_cast<int>(ph), ColorSpace::sRGB());
    if (!context) return std::nullopt;

    // The program's own windows are drawn from their layers, while it runs: every running
    // instance's.
    for (const desktop::Application* process : world->runningApplications()) {
        if (!process->isOwnProcess()) continue;
        inRunOf(*process, [](Application& app) { app.runDisplayCycle(); });
    }
    // User space: AppKit screen coordinates.
    const double h = world->displays().firstMaxY();
    const Rect origin = flipRect(area, h);
    context->scaleBy(options.scale, options.scale);
    context->translateBy(-origin.minX(), -origin.minY());
    context->setFillColor(Color::gray(0.1));
    context->fillRect(origin);

    std::optional<Font> font;
    if (auto made = Font::create(13, FontWeight::semibold)) font = std::move(made.value());
    const auto windows = world->windowsFrontToBack();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        const desktop::Window& w = **it;
        if (!world->isOnScreen(w) || w.alpha() <= 0) continue;
        const Rect frame = flipRect(w.frame(), h);
        std::optional<Image> picture;
        bool ownWindow = false;
        if (w.owner().isOwnProcess()) {
            inRunOf(w.owner(), [&](Application& app) {
                const std::shared_ptr<Window> own = app.windowWithWindowNumber(w.number());
                ownWindow = own != nullptr;
                if (own) picture = renderWindowPicture(*own, options.scale);
            });
        }
        if (!ownWindow && options.windowPicture) {
            picture = options.windowPicture(w, options.scale);
        }
        context->saveGState();
        context->setAlpha(w.alpha());
        if (picture) {
            context->drawImage(*picture, frame);
        } else if (!ownWindow) {
            drawPlaceholder({*context, font, frame}, w);
        }
        context->restoreGState();
    }
    return context->makeImage();
}

Result<void> writeDesktopPNG(const std::filesystem::path& file, const DesktopPictureOptions& options) {
    auto picture = renderDesktop(options);
    if (!picture) return Failure{"There is no desktop to picture: no world, no screens, or an area too large."};
    return writePNG(*picture, file);
}

}  // namespace platform
