#pragma once

// The update framework: looks in the program's update feed for newer releases and
// offers them in windows of its own. Its state lives in the program's defaults, where
// the framework keeps it:
//   "SUEnableAutomaticChecks"  Boolean  whether checks run by themselves; when nothing is
//                                        stored, the main bundle's information dictionary's
//                                        value of the same key, else false
//   "SULastCheckTime"          Date     when the last check that read the feed ended
//
// What the program may rely on:
// - An updater is made stopped and cannot check until start() succeeds. Starting fails
//   when the system refuses the framework (a fault of the world), with the error's code
//   and description; the updater then stays stopped. Starting a started updater changes nothing.
// - canCheckForUpdates is true while the updater is started and no check runs.
// - checkForUpdates() begins a check the user asked for (nothing while none can begin).
//   A check takes kCheckDuration on the loop's clock and reads the feed that the main
//   bundle's information dictionary names under "SUFeedURL". On this platform no feed
//   lists a newer release: a check that reads its feed finds none and sets
//   lastUpdateCheckDate; a check without a feed, or whose feed cannot be reached (a
//   fault of the world), fails and leaves the date as it was.
// - While the updater is started and automatic checks are on, a check begins by itself
//   kScheduledCheckInterval after the last one (or after the start, when there was
//   none).
// - observe() runs a handler after every change of a property, equal values included.
//   When a check ends, lastUpdateCheckDate changes before canCheckForUpdates.
// - The updater delegate is asked, as each check ends, for the channels it may offer
//   besides the default one; the user driver's delegate is told when a check's session
//   ends. Both are held, not owned, and must outlive the updater; either may be null.
// Main thread only; the loop must exist before the updater starts.

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/defaults/user_defaults.h"
#include "platform/runtime/key_value_observation.h"
#include "platform/runtime/process_run.h"
#include "platform/services/date_format.h"
#include "platform/services/service_error.h"

namespace platform {

class Timer;
class Updater;

class UpdaterDelegate {
public:
    virtual ~UpdaterDelegate() = default;
    virtual std::set<std::string> allowedChannels(const Updater& updater) const = 0;
};

class UserDriverDelegate {
public:
    virtual ~UserDriverDelegate() = default;
    virtual void willFinishUpdateSession() {}
};

class Updater {
public:
    enum class Property { canCheckForUpdates, automaticallyChecksForUpdates, lastUpdateCheckDate };
    enum class Outcome { noUpdateFound, failed };
    // What a check that ended did.
    struct Check {
        bool userInitiated = false;
        Outcome outcome = Outcome::failed;
        std::set<std::string> channels;
    };

    static constexpr const char* kAutomaticChecksKey = "SUEnableAutomaticChecks";
    static constexpr const char* kLastCheckTimeKey = "SULastCheckTime";
    static constexpr double kCheckDuration = 1.0;
    static constexpr double kScheduledCheckInterval = 86400;

    // The defaults must outlive the updater.
    Updater(UserDefaults& defaults, UpdaterDelegate* updaterDelegate, UserDriverDelegate* userDriverDelegate);
    ~Updater();
    Updater(const Updater&) = delete;
    Updater& operator=(const Updater&) = delete;

    // None when the updater runs.
    std::optional<ServiceError> start();
    bool isStarted() const { return started_; }
    bool canCheckForUpdates() const { return started_ && !checking_; }
    bool sessionInProgress() const { return checking_; }
    bool automaticallyChecksForUpdates() const { return automatic_; }
    void setAutomaticallyChecksForUpdates(bool automatic);
    std::optional<SystemTime> lastUpdateCheckDate() const { return lastCheckDate_; }
    void checkForUpdates();
    // The last check that ended; none before the first.
    const std::optional<Check>& lastCheck() const { return lastCheck_; }

    KeyValueObservation observe(Property property, KeyValueOptions options, std::function<void()> handler);

private:
    void beginCheck(bool userInitiated);
    void endCheck(bool userInitiated);
    Outcome readFeed() const;
    void scheduleCheck();
    void didChange(Property property);

    UserDefaults& defaults_;
    UpdaterDelegate* updaterDelegate_;
    UserDriverDelegate* userDriverDelegate_;
    bool started_ = false;
    bool checking_ = false;
    bool automatic_ = false;
    std::optional<SystemTime> lastCheckDate_;
    std::optional<SystemTime> startDate_;
    std::optional<Check> lastCheck_;
    std::shared_ptr<Timer> checkTimer_;
    std::shared_ptr<Timer> scheduleTimer_;
    KeyValueObservers observers_;
    // The run of the program that made the updater, whose timers go with it.
    std::shared_ptr<ProcessRun> run_ = ProcessRun::executing();
};

// The standard way to hold an updater, with the framework's own windows. Made with its
// updater stopped; startUpdater() starts it.
class StandardUpdaterController {
public:
    StandardUpdaterController(UpdaterDelegate* updaterDelegate, UserDriverDelegate* userDriverDelegate,
                              UserDefaults& defaults = UserDefaults::standard())
        : updater_(defaults, updaterDelegate, userDriverDelegate) {}

    Updater& updater() { return updater_; }
    const Updater& updater() const { return updater_; }
    std::optional<ServiceError> startUpdater() { return updater_.start(); }

private:
    Updater updater_;
};

}  // namespace platform
