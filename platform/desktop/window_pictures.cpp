#include "platform/desktop/window_pictures.h"

#include <algorithm>
#include <cmath>

#include "platform/desktop/desktop.h"
#include "platform/desktop/window_drawing.h"
#include "platform/graphics/bitmap_context.h"

namespace platform::desktop {

namespace {

constexpr size_t kCacheSize = 32;

double sane(double seconds) { return std::isfinite(seconds) && seconds > 0 ? seconds : 0; }

bool isUsableScale(double scale) { return std::isfinite(scale) && scale > 0 && scale <= 16; }

// Pixels for a length in points; 0 for lengths that make no picture.
int pixels(double points, double scale) {
    const double n = std::round(points * scale);
    return n >= 1 && n <= Image::maxSide ? int(n) : 0;
}

Color buttonColor(TitleBarButton which, bool enabled) {
    if (!enabled) return Color::gray(0.78);
    switch (which) {
    case TitleBarButton::close: return Color::rgb(1.0, 0.37, 0.34);
    case TitleBarButton::minimize: return Color::rgb(1.0, 0.74, 0.18);
    case TitleBarButton::zoom: return Color::rgb(0.16, 0.79, 0.25);
    case TitleBarButton::fullScreen: return Color::rgb(0.16, 0.79, 0.25);
    }
    return Color::gray(0.78);
}

bool isStandardWindow(const Window& w) { return w.isAccessible() && !w.role().empty(); }

}  // namespace

Pictures& Desktop::pictures() { return extension<Pictures>(); }

void Pictures::setContentProvider(uint32_t window, ContentProvider provider) {
    auto guard = world_.lock();
    if (provider) {
        providers_[window] = std::move(provider);
    } else {
        providers_.erase(window);
    }
}

void Pictures::setCaptureCost(double seconds) {
    auto guard = world_.lock();
    captureCost_ = sane(seconds);
}

void Pictures::setBackdropCost(double seconds) {
    auto guard = world_.lock();
    backdropCost_ = sane(seconds);
}

void Pictures::countCapture() {
    auto guard = world_.lock();
    ++captures_;
}

void Pictures::countBackdrop() {
    auto guard = world_.lock();
    ++backdrops_;
}

double Pictures::displayScale(const Window& window) const {
    const WorldGuard guard = guardWorld(world_);
    const Display* d = world_.displays().displayFor(window.frame());
    return d ? d->backingScaleFactor() : 1;
}

double Pictures::bestScale(const Rect& area) const {
    const WorldGuard guard = guardWorld(world_);
    double best = 0;
    for (const Display* d : world_.displays().all()) {
        if (world_.displays().topLeftFrame(*d).intersects(area)) best = std::max(best, d->backingScaleFactor());
    }
    return best > 0 ? best : 1;
}

FramedMargins Pictures::framedMargins(double scale) {
    const auto px = [scale](double points) { return int(std::lround(points * scale)); };
    return {px(24), px(16), px(24), px(32)};
}

bool Pictures::showsInFull(const Window& window) const {
    if (world_.permissions().canRecordScreen()) return true;
    const Application* owner = world_.process(window.pid());
    if (!owner) return false;
    // The program's own windows and the system's (the Dock's, the window server's).
    return owner->isOwnProcess() || owner->kind() == ProcessKind::background ||
           owner->bundleIdentifier() == Dock::kDomain;
}

const Font* Pictures::titleFont(double scale) {
    constexpr double kTitlePoints = 13;
    const long long key = std::llround(scale * 1000);
    auto it = fonts_.find(key);
    if (it == fonts_.end()) {
        auto font = Font::create(kTitlePoints * scale);
        it = fonts_.emplace(key, font ? std::optional<Font>(std::move(*font)) : std::nullopt).first;
    }
    return it->second ? &*it->second : nullptr;
}

Pictures::CacheKey Pictures::keyFor(const Window& w, double scale, PictureFraming framing, bool full) const {
    uint32_t buttons = 0;
    int bit = 0;
    for (auto which : {TitleBarButton::close, TitleBarButton::minimize, TitleBarButton::zoom}) {
        const Control* b = w.button(which);
        if (b && !b->isDestroyed()) buttons |= (b->isEnabled() ? 3u : 1u) << bit;
        bit += 2;
    }
    const auto& d = world_.dock().desktopPictureWindows();
    const bool picture = std::find(d.begin(), d.end(), w.number()) != d.end();
    return {w.number(), pixels(w.frame().width(), scale), pixels(w.frame().height(), scale),
            std::llround(scale * 1000), w.contentSeed(), w.title(), framing == PictureFraming::framed ? 1 : 0,
            full, buttons | (picture ? 1u << 8 : 0u)};
}

std::optional<Image> Pictures::plainPicture(const Window& w, double scale, bool full) {
    if (auto it = providers_.find(w.number()); it != providers_.end()) {
        if (auto provided = it->second(w, scale)) return provided;
    }
    const int width = pixels(w.frame().width(), scale);
    const int height = pixels(w.frame().height(), scale);
    if (width == 0 || height == 0) return std::nullopt;
    ++drawn_;
    const auto& desktopPictures = world_.dock().desktopPictureWindows();
    if (std::find(desktopPictures.begin(), desktopPictures.end(), w.number()) != desktopPictures.end()) {
        return drawing::drawDesktopPicture(width, height, w.number());
    }
    if (const Window* dock = world_.dock().window(); dock && dock->number() == w.number()) {
        return drawing::drawDockStrip(width, height, scale);
    }
    drawing::WindowLook look;
    look.width = width;
    look.height = height;
    look.scale = scale;
    look.rounded = isStandardWindow(w);
    look.titleBarHeight = w.titleBarHeight();
    look.title = w.title();
    look.full = full;
    look.seed = drawing::contentSeed(w.contentSeed(), w.title());
    look.font = titleFont(scale);
    for (auto which : {TitleBarButton::close, TitleBarButton::minimize, TitleBarButton::zoom}) {
        const Control* b = w.button(which);
        if (b && !b->isDestroyed()) look.buttons.push_back({b->frame(), buttonColor(which, b->isEnabled())});
    }
    return drawing::drawWindow(look);
}

std::optional<Image> Pictures::framedPicture(const Window& w, const Image& plain, double scale) {
    const FramedMargins m = framedMargins(scale);
    if (plain.width() + m.left + m.right > Image::maxSide || plain.height() + m.top + m.bottom > Image::maxSide) {
        return std::nullopt;
    }
    return drawing::drawFramed(plain, scale, isStandardWindow(w), m.left, m.top, m.right, m.bottom);
}

std::optional<Image> Pictures::windowPicture(const Window& w, double scale, PictureFraming framing) {
    auto guard = world_.lock();
    if (!isUsableScale(scale)) return std::nullopt;
    const bool full = showsInFull(w);
    const bool provided = providers_.count(w.number()) != 0;
    const CacheKey key = keyFor(w, scale, framing, full);
    if (!provided) {
        if (auto it = cache_.find(key); it != cache_.end()) return it->second;
    }
    std::optional<Image> plain = plainPicture(w, scale, full);
    if (!plain) return std::nullopt;
    std::optional<Image> result = framing == PictureFraming::framed ? framedPicture(w, *plain, scale) : plain;
    if (result && !provided) {
        if (cache_.size() >= kCacheSize) cache_.clear();
        cache_.emplace(key, *result);
    }
    return result;
}

std::optional<Image> Pictures::backdrop(const Rect& area, const std::vector<uint32_t>& frontToBack, double scale) {
    auto guard = world_.lock();
    if (!isUsableScale(scale) || area.isNull() || area.isEmpty()) return std::nullopt;
    const int width = pixels(area.width(), scale);
    const int height = pixels(area.height(), scale);
    if (width == 0 || height == 0) return std::nullopt;
    auto ctx = BitmapContext::create(width, height, ColorSpace::displayRGB());
    if (!ctx) return std::nullopt;
    for (auto it = frontToBack.rbegin(); it != frontToBack.rend(); ++it) {
        const Window* w = world_.window(*it);
        if (!w || !world_.isOnScreen(*w) || w->alpha() <= 0 || !w->frame().intersects(area)) continue;
        std::optional<Image> picture = windowPicture(*w, scale, PictureFraming::plain);
        if (!picture) continue;
        const Rect at{(w->frame().minX() - area.minX()) * scale, (w->frame().minY() - area.minY()) * scale,
                      double(picture->width()), double(picture->height())};
        ctx->saveGState();
        ctx->setAlpha(w->alpha());
        ctx->drawImage(*picture, flipRect(at, double(height)));
        ctx->restoreGState();
    }
    return ctx->makeImage();
}

}  // namespace platform::desktop
