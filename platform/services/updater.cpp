#include "platform/services/updater.h"

#include <algorithm>

#include "platform/defaults/conversions.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/bundle.h"
#include "platform/services/url.h"

namespace platform {

namespace {

// The framework's own words when the system gives none.
constexpr const char* kStartFailed = "The updater failed to start.";

SystemTime now() { return std::chrono::system_clock::now(); }

// The world's refusal of a call of the framework, when it has one.
std::optional<desktop::Fault> refusal(desktop::FaultCall call) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return std::nullopt;
    return world->faults().take({call, {}, world->ownProcessIdentifier(), 0, 0});
}

bool storedAutomaticChecks(const UserDefaults& defaults) {
    if (defaults.object(Updater::kAutomaticChecksKey)) return defaults.boolean(Updater::kAutomaticChecksKey);
    const plist::Value* declared = Bundle::main().objectForInfoDictionaryKey(Updater::kAutomaticChecksKey);
    return declared && defaults::booleanOf(*declared);
}

std::optional<SystemTime> storedCheckDate(const UserDefaults& defaults) {
    const std::optional<plist::Value> stored = defaults.object(Updater::kLastCheckTimeKey);
    if (!stored || !stored->date()) return std::nullopt;
    return stored->date()->systemTime();
}

}  // namespace

Updater::Updater(UserDefaults& defaults, UpdaterDelegate* updaterDelegate, UserDriverDelegate* userDriverDelegate)
    : defaults_(defaults),
      updaterDelegate_(updaterDelegate),
      userDriverDelegate_(userDriverDelegate),
      automatic_(storedAutomaticChecks(defaults)),
      lastCheckDate_(storedCheckDate(defaults)) {}

Updater::~Updater() {
    if (checkTimer_) checkTimer_->invalidate();
    if (scheduleTimer_) scheduleTimer_->invalidate();
}

std::optional<ServiceError> Updater::start() {
    if (started_) return std::nullopt;
    if (const auto fault = refusal(desktop::FaultCall::startUpdater)) {
        return ServiceError{fault->code, fault->description.empty() ? kStartFailed : fault->description};
    }
    started_ = true;
    startDate_ = now();
    didChange(Property::canCheckForUpdates);
    scheduleCheck();
    return std::nullopt;
}

void Updater::setAutomaticallyChecksForUpdates(bool automatic) {
    automatic_ = automatic;
    defaults_.set(kAutomaticChecksKey, automatic);
    didChange(Property::automaticallyChecksForUpdates);
    scheduleCheck();
}

void Updater::checkForUpdates() {
    if (canCheckForUpdates()) beginCheck(true);
}

KeyValueObservation Updater::observe(Property property, KeyValueOptions options, std::function<void()> handler) {
    return observers_.observe(static_cast<int>(property), options, std::move(handler));
}

void Updater::beginCheck(bool userInitiated) {
    checking_ = true;
    scheduleCheck();
    checkTimer_ = Timer::make(kCheckDuration, false,
                              Handover<void()>::ownedBy(run_, [this, userInitiated] { endCheck(userInitiated); }));
    MainLoop::main().add(checkTimer_, modes::kCommon);
    didChange(Property::canCheckForUpdates);
}

void Updater::endCheck(bool userInitiated) {
    checkTimer_.reset();
    Check check{userInitiated, readFeed(), {}};
    if (updaterDelegate_) check.channels = updaterDelegate_->allowedChannels(*this);
    if (check.outcome == Outcome::noUpdateFound) {
        lastCheckDate_ = now();
        defaults_.set(kLastCheckTimeKey, plist::Date::fromSystemTime(*lastCheckDate_));
        didChange(Property::lastUpdateCheckDate);
    }
    lastCheck_ = std::move(check);
    checking_ = false;
    if (userDriverDelegate_) userDriverDelegate_->willFinishUpdateSession();
    didChange(Property::canCheckForUpdates);
    scheduleCheck();
}

Updater::Outcome Updater::readFeed() const {
    const plist::Value* feed = Bundle::main().objectForInfoDictionaryKey(info_keys::kFeedURL);
    if (!feed || !feed->string() || !formsURL(*feed->string())) return Outcome::failed;
    if (refusal(desktop::FaultCall::checkForUpdates)) return Outcome::failed;
    return Outcome::noUpdateFound;
}

void Updater::scheduleCheck() {
    if (scheduleTimer_) scheduleTimer_->invalidate();
    scheduleTimer_.reset();
    if (!started_ || !automatic_ || checking_) return;
    // A last check dated in the future (a clock set back, a hand-edited file) waits one
    // interval, not until that date.
    const SystemTime since = lastCheckDate_.value_or(*startDate_);
    const double elapsed = std::chrono::duration<double>(now() - since).count();
    const double wait = std::clamp(kScheduledCheckInterval - elapsed, 0.0, kScheduledCheckInterval);
    scheduleTimer_ = Timer::make(wait, false, Handover<void()>::ownedBy(run_, [this] {
        scheduleTimer_.reset();
        if (canCheckForUpdates()) beginCheck(false);
    }));
    MainLoop::main().add(scheduleTimer_, modes::kCommon);
}

void Updater::didChange(Property property) { observers_.didChange(static_cast<int>(property)); }

}  // namespace platform
