#include "platform/appkit/screen.h"

#include "platform/desktop/desktop.h"

namespace platform {

namespace {

const desktop::Display* find(uint32_t number) {
    const desktop::Desktop* world = desktop::Desktop::currentOrNull();
    return world ? world->displays().find(number) : nullptr;
}

}  // namespace

std::vector<Screen> Screen::screens() {
    std::vector<Screen> result;
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return result;
    auto guard = world->lock();
    for (const desktop::Display* d : world->displays().all()) result.push_back(Screen(d->number()));
    return result;
}

std::optional<Screen> Screen::withDisplayNumber(uint32_t display) {
    if (!find(display)) return std::nullopt;
    return Screen(display);
}

double Screen::flipHeight() {
    const desktop::Desktop* world = desktop::Desktop::currentOrNull();
    return world ? world->displays().firstMaxY() : 0;
}

bool Screen::screensHaveSeparateSpaces() {
    const desktop::Desktop* world = desktop::Desktop::currentOrNull();
    return world ? world->spaces().displaysHaveSeparateSpaces() : true;
}

Rect Screen::frame() const {
    const desktop::Display* d = find(display_);
    return d ? d->frame() : Rect::zero();
}

Rect Screen::visibleFrame() const {
    const desktop::Display* d = find(display_);
    return d ? d->visibleFrame() : Rect::zero();
}

double Screen::backingScaleFactor() const {
    const desktop::Display* d = find(display_);
    return d ? d->backingScaleFactor() : 1;
}

double Screen::maximumFramesPerSecond() const {
    const desktop::Display* d = find(display_);
    return d ? d->refreshRate() : 0;
}

plist::Dictionary Screen::deviceDescription() const {
    const desktop::Display* d = find(display_);
    return d ? d->deviceDescription() : plist::Dictionary{};
}

std::string Screen::localizedName() const {
    const desktop::Display* d = find(display_);
    return d ? d->name() : std::string();
}

}  // namespace platform
