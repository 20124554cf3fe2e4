#include "platform/desktop/region.h"

#include "platform/desktop/desktop.h"
#include "platform/notifications/notification_center.h"

namespace platform::desktop {

Region& Desktop::region() { return extension<Region>(); }

std::string Region::locale() const {
    auto guard = world_.lock();
    return locale_;
}

void Region::setLocale(std::string identifier) {
    auto guard = world_.lock();
    if (locale_ == identifier) return;
    locale_ = std::move(identifier);
    world_.postToMainQueue([] { NotificationCenter::defaultCenter().post(notifications::kCurrentLocaleDidChange); });
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
