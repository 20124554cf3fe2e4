#pragma once

// The program's delegates of the update framework.
//
// The channels the program's updates may come from besides the default one: "beta"
// while the user has asked for beta releases ("VESKReceivesBetaUpdates" in the
// program's defaults, read at each check) or the program itself is a pre-release.

#include <set>
#include <string>

#include "platform/defaults/user_defaults.h"
#include "platform/services/updater.h"

namespace furlpane {

class VESKUpdateChannelDelegate : public platform::UpdaterDelegate {
public:
    static constexpr const char* kBetaChannel = "beta";
    static constexpr const char* kReceivesBetaUpdatesKey = "VESKReceivesBetaUpdates";

    // The defaults must outlive the delegate.
    VESKUpdateChannelDelegate(platform::UserDefaults& defaults, bool isPreRelease)
        : defaults_(defaults), isPreRelease_(isPreRelease) {}

    std::set<std::string> allowedChannels(const platform::Updater& updater) const override;

private:
    platform::UserDefaults& defaults_;
    bool isPreRelease_;
};

// The program's side of the framework's windows: reminders of updates that automatic
// checks find, posted as the user notification "VESKUpdateAvailable". Posting one needs
// the user's leave, asked for by prepare() when automatic checks are switched on; this
// platform has no user notifications to ask, so prepare() only notes that reminders are
// wanted.
class VESKUpdateReminder : public platform::UserDriverDelegate {
public:
    static constexpr const char* kNotificationIdentifier = "VESKUpdateAvailable";

    void prepare() { prepared_ = true; }
    bool isPrepared() const { return prepared_; }

private:
    bool prepared_ = false;
};

}  // namespace furlpane
