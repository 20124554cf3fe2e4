#pragma once

// The watch a person (and a tool) keeps on the desktop while the program works: every
// distributed notification as it is posted, every sound, every change of the program's
// defaults file, the look of other applications' windows, the transitions on screen and
// the items of the status menu. Each change goes to the journal with the time it was
// seen; the newest kKept notifications and sounds stay for the expectations to look at.
//
// Notifications are seen as they are posted. The rest is looked at by look(), which the
// player calls after every command and at every step of the clock (and a live session
// thirty times a second): a change shows with the time of the look that saw it. The
// defaults are read only when their store says they changed, so that a look costs the
// same whatever the file holds. Main thread.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/defaults/file_user_defaults.h"
#include "platform/geometry/geometry.h"
#include "platform/notifications/distributed_notification_center.h"
#include "platform/runtime/bounded_log.h"
#include "platform/scenario/journal.h"
#include "platform/scenario/window_looks.h"

namespace platform::desktop {
class Desktop;
}

namespace platform::scenario {

class DesktopWatch {
public:
    static constexpr size_t kKept = 256;

    struct Sound {
        double t = 0;
        std::string name;  // the file's name without its type; "beep" for the system beep
    };
    struct Posted {
        double t = 0;
        DistributedNotification notification;
    };

    // An instance of the program that runs: its number in the session (from 1) and its run.
    struct Instance {
        int number = 1;
        std::shared_ptr<ProcessRun> run;
    };
    using Instances = std::function<std::vector<Instance>()>;

    // Watches the world, the program's defaults in `defaultsFolder` and the instances of
    // the program that run (asked of `instances`).
    DesktopWatch(desktop::Desktop& world, Journal& journal, const std::filesystem::path& defaultsFolder,
                 Instances instances);
    ~DesktopWatch();
    DesktopWatch(const DesktopWatch&) = delete;
    DesktopWatch& operator=(const DesktopWatch&) = delete;

    void look();
    // A run of the program ended: its announcements no longer show; the windows are
    // looked at again.
    void programEnded();

    WindowLooks& looks() { return looks_; }
    const BoundedLog<Posted>& notifications() const { return notifications_; }
    const BoundedLog<Sound>& sounds() const { return sounds_; }
    // One of the program's defaults as the file holds it now (the tool's own reading of
    // it, as another process reads it).
    std::optional<plist::Value> storedDefault(std::string_view key) const;
    // The store the watch reads them through; none when the folder cannot hold one.
    const FileUserDefaults* defaultsStore() const { return defaults_.get(); }
    // Writes a key into the file, as a person's defaults tool would.
    bool writeDefault(const std::string& key, plist::Value value);
    // Whether a transition shows on screen now.
    bool transitionShows() const;
    // The status menu's items of the run as they stand; none without a status item.
    std::optional<std::vector<std::string>> statusMenu(const std::shared_ptr<ProcessRun>& run) const;
    // How many windows, and records of windows, the looks have gone through, all told: a
    // look's share follows the windows open now, never those opened and closed before.
    uint64_t windowsVisited() const { return windowsVisited_; }

private:
    struct SeenWindow {
        std::string title;
        std::string bundle;
        WindowLook look = WindowLook::normal;
    };

    void posted(const DistributedNotification& notification, const std::shared_ptr<ProcessRun>& poster);
    void lookAtSounds();
    void lookAtDefaults();
    void lookAtWindows();
    void lookAtTransitions();
    void lookAtStatusMenu();
    void reportWindow(uint32_t number, const SeenWindow& seen, Point at);

    desktop::Desktop& world_;
    Journal& journal_;
    Instances instances_;
    std::unique_ptr<FileUserDefaults> defaults_;
    WindowLooks looks_;
    BoundedLog<Posted> notifications_{kKept};
    BoundedLog<Sound> sounds_{kKept};
    // The sequence of the next sound call to look at.
    uint64_t soundCalls_ = 0;
    std::map<uint32_t, std::string> soundNames_;
    // The defaults store's change count at the last look, and the values it held then.
    uint64_t defaultsSeen_ = 0;
    plist::Dictionary lastDefaults_;
    // The windows of other applications open at the last look, as it reported them.
    std::map<uint32_t, SeenWindow> windows_;
    uint64_t windowsVisited_ = 0;
    bool transition_ = false;
    // The status menu last seen, per instance number.
    std::map<int, std::optional<std::vector<std::string>>> statusMenus_;
};

}  // namespace platform::scenario
