// Making a changed window, and the announcement of a coming change of style.

#include "windows/changed/affected_window.h"

#include "platform/notifications/distributed_notification_center.h"
#include "windows/access/main_thread.h"

namespace furlpane {

std::shared_ptr<AffectedWindow> AffectedWindow::create(TargetWindow target,
                                                       std::weak_ptr<WindowEffectsServices> effects) {
    requireMainThread("AffectedWindow.create");
    auto window = std::make_shared<AffectedWindow>(Key{}, std::move(target), effects,
                                                   Preferences::shared().shared_from_this(),
                                                   WindowLedger::shared().shared_from_this());
    window->responder_ = StandInResponder::create(window, std::move(effects), ActionRules::shared().shared_from_this(),
                                                  window->preferences_);
    return window;
}

AffectedWindow::AffectedWindow(const Key&, TargetWindow target, std::weak_ptr<WindowEffectsServices> effects,
                               std::shared_ptr<Preferences> preferences, std::shared_ptr<WindowLedger> ledger)
    : target_(std::move(target)),
      effects_(std::move(effects)),
      preferences_(std::move(preferences)),
      ledger_(std::move(ledger)),
      badge_(FloatBadge::measure(target_.buttons, std::nullopt, target_.frame.width())),
      windowFrame_(target_.frame) {}

AffectedWindow::~AffectedWindow() = default;

bool AffectedWindow::isOwnWindow() const { return target_.processIdentifier == ownProcessIdentifier(); }

bool AffectedWindow::engineIsEnding() const {
    const auto engine = effects_.lock();
    return !engine || engine->isEnding();
}

void AffectedWindow::postWillChange(std::optional<WindowState::Style> from,
                                    std::optional<WindowState::Style> to) const {
    platform::plist::Dictionary userInfo;
    userInfo.set("WindowID", int64_t{target_.id});
    userInfo.set("OldState", stateCode(from));
    userInfo.set("NewState", stateCode(to));
    userInfo.set("IsCollapsed", to.has_value());
    userInfo.set("ProcessID", int64_t{target_.processIdentifier});
    platform::DistributedNotificationCenter::defaultCenter().post(
        kWillChangeNotification, std::nullopt, std::move(userInfo),
        platform::DistributedNotificationCenter::Delivery::immediately);
}

}  // namespace furlpane
