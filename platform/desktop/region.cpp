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
    tellEachProcess(notifications::kCurrentLocaleDidChange);
}

// Every running process of the program hears it on its own main queue, in its own run.
void Region::tellEachProcess(const std::string& name) {
    world_.postToEachOwnProcess(Desktop::Delivery::mainQueue,
                                [name] { NotificationCenter::defaultCenter().post(name); });
}

std::chrono::seconds Region::timeZoneOffset() const {
    auto guard = world_.lock();
    return offset_;
}

void Region::setTimeZoneOffset(std::chrono::seconds offset) {
    auto guard = world_.lock();
    if (offset_ == offset) return;
    offset_ = offset;
    tellEachProcess(notifications::kSystemTimeZoneDidChange);
}

}  // namespace platform::desktop
