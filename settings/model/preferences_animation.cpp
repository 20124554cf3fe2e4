// The animation in effect and the calendar-day tracking behind its date rule.

#include "platform/notifications/notification_center.h"
#include "platform/notifications/notification_stream.h"
#include "settings/model/preferences.h"

namespace furlpane {

namespace {

constexpr MonthDay kHalloween{10, 31};
constexpr MonthDay kMoonlessNight{7, 15};

}  // namespace

template <AnimationChoice C>
C Preferences::effectiveAnimation(const std::optional<C>& chosen) const {
    if (chosen && *chosen != C::noAnimation) return *chosen;
    // Choosing no animation only holds while the Dock's own animation is switched off
    // too; otherwise the window would vanish into the Dock without any transition.
    if (chosen && dockSettingsToPutBack()) return C::noAnimation;
    // Reading calendarDay makes every reader of the animation in effect hear of the
    // next day, when the answer may change.
    (void)calendarDay();
    if (calendar_.monthDay(now_()) == kHalloween) return C::bats;
    (void)calendarDay();
    if (calendar_.monthDay(now_()) == kMoonlessNight) return C::moonless;
    return everydayAnimation<C>();
}

TitleStripAnimation Preferences::effectiveTitleStripAnimation() const {
    return effectiveAnimation(chosenTitleStripAnimation());
}

ThumbnailAnimation Preferences::effectiveThumbnailAnimation() const {
    return effectiveAnimation(chosenThumbnailAnimation());
}

void Preferences::startCalendarDayTracking() {
    calendarDays_.cancel();
    std::weak_ptr<Preferences> weakSelf = weak_from_this();
    calendarDays_ = platform::spawnMain([weakSelf]() -> platform::Task<void> {
        platform::NotificationStream days(platform::NotificationCenter::defaultCenter(),
                                          platform::notifications::kCalendarDayChanged);
        for (;;) {
            auto notification = co_await days.next();
            if (!notification) co_return;
            if (auto self = weakSelf.lock()) self->setCalendarDay(self->calendarDay_.peek() + 1);
        }
    });
}

}  // namespace furlpane
