#include "platform/desktop/region.h"

#include "platform/desktop/desktop.h"

namespace platform::desktop {

Region& Desktop::region() { return extension<Region>(); }

std::string Region::locale() const {
    auto guard = world_.lock();
    return locale_;
}

void Region::setLocale(std::string identifier) {
    auto guard = world_.lock();
    locale_ = std::move(identifier);
}

std::chrono::seconds Region::timeZoneOffset() const {
    auto guard = world_.lock();
    return offset_;
}

void Region::setTimeZoneOffset(std::chrono::seconds offset) {
    auto guard = world_.lock();
    offset_ = offset;
}

}  // namespace platform::desktop
