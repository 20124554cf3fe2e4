#pragma once

// The program's updater: the one object behind the Updates tab, wrapping the update
// framework's standard controller.
//
// Observable like Preferences (platform/runtime/observation.h): checksAutomatically,
// receivesBetaUpdates, canCheckForUpdates, lastCheckDate and configurationProblem tell
// their trackers of every real change, on the main thread.
//
// - canCheckForUpdates and lastCheckDate follow the framework: taken at creation and
//   refreshed together whenever the framework's ability to check changes.
// - checksAutomatically follows the framework's setting both ways: setting it hands a
//   different value to the framework (and, when it is on, readies the update
//   reminders); a change made in the framework shows here.
// - receivesBetaUpdates is stored at once under "VESKReceivesBetaUpdates"; in a
//   pre-release it is always on and nothing is stored.
// - configurationProblem names the first of: the error with which starting the updater
//   failed; no feed address; no valid signing key. None when checks can work.
// A failure to start is the one thing the program writes to standard output, as
// "VESKUpdater: " and the error's description. Main thread only.

#include <memory>
#include <optional>
#include <string>

#include "app/updates/update_delegates.h"
#include "platform/defaults/user_defaults.h"
#include "platform/runtime/key_value_observation.h"
#include "platform/runtime/observation.h"
#include "platform/services/updater.h"
#include "settings/model/calendar.h"

namespace furlpane {

class VESKUpdater : public std::enable_shared_from_this<VESKUpdater> {
public:
    static constexpr const char* kNoFeedProblem = "No appcast URL is set, so there is nothing to check against.";
    static constexpr const char* kNoSigningKeyProblem =
        "No update signing key is set, so no update could be verified. Run Sparkle's generate_keys and put the public "
        "key in SUPublicEDKey.";
    static constexpr size_t kSigningKeyBytes = 32;

    // An updater on `defaults` (which must outlive it) for the main bundle; its
    // framework's updater is not started yet.
    static std::shared_ptr<VESKUpdater> create(platform::UserDefaults& defaults);
    // The program's updater, made on first use on the standard defaults and kept for the
    // whole run.
    static VESKUpdater& shared();
    // Puts another object in place of the shared one (tests and tools).
    static VESKUpdater& setShared(std::shared_ptr<VESKUpdater> updater);
    // Lets the shared one go without making another, as a run of the program ends: the
    // next shared() makes one afresh from the standard defaults of its moment.
    static void releaseShared();

    VESKUpdater(const VESKUpdater&) = delete;
    VESKUpdater& operator=(const VESKUpdater&) = delete;

    // Starts the framework's updater; a failure is kept as the configuration problem and
    // written to standard output.
    void start();

    bool canCheckForUpdates() const { return canCheckForUpdates_.get(); }
    void checkForUpdates();
    bool checksAutomatically() const { return checksAutomatically_.get(); }
    void setChecksAutomatically(bool value);
    std::optional<std::string> configurationProblem() const;
    platform::StandardUpdaterController& controller() { return controller_; }
    const std::optional<Date>& lastCheckDate() const { return lastCheckDate_.get(); }
    bool receivesBetaUpdates() const { return receivesBetaUpdates_.get(); }
    void setReceivesBetaUpdates(bool value);

    const VESKUpdateReminder& reminder() const { return reminder_; }
    const VESKUpdateChannelDelegate& channels() const { return channels_; }

private:
    VESKUpdater(platform::UserDefaults& defaults, bool isPreRelease);
    void refreshFromFramework();
    void followAutomaticChecks();

    platform::UserDefaults& defaults_;
    const bool isPreRelease_;
    platform::ObservationRegistrar registrar_;

    // The framework's controller is made first and goes last: it holds the two delegates
    // below, and nothing of it calls them while it goes.
    platform::StandardUpdaterController controller_;
    VESKUpdateReminder reminder_;
    VESKUpdateChannelDelegate channels_;
    platform::KeyValueObservation canCheckObservation_;
    platform::KeyValueObservation automaticObservation_;
    platform::Observed<bool> checksAutomatically_;
    platform::Observed<bool> receivesBetaUpdates_;
    platform::Observed<bool> canCheckForUpdates_;
    platform::Observed<std::optional<Date>> lastCheckDate_;
    platform::Observed<std::optional<std::string>> startFailureDescription_;
};

}  // namespace furlpane
