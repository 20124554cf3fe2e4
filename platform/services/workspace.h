#pragma once

// The workspace: running applications, the frontmost one, the workspace's notifications,
// opening URLs, where applications are installed, the Finder's icons of files and the
// reduce-motion setting, all of the current world.
//
// Notifications go to the workspace's own centre (notificationCenter()), on the main
// queue after the change, with the workspace as their object and the application
// concerned in userInfo under "NSWorkspaceApplicationKey" as a RunningApplication.
// The active-Space notification carries no application. A notification may come without
// its application (fault injection: FaultCall::workspaceNotification with the
// notification's name, `missing`; `wrongType` puts a string in its place).

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/image.h"
#include "platform/notifications/notification_center.h"
#include "platform/process/activation_policy.h"

namespace platform {

namespace desktop {
class Application;
}

namespace workspace_detail {
struct Records;
}

namespace workspace_notifications {
inline const std::string kDidLaunchApplication = "NSWorkspaceDidLaunchApplicationNotification";
inline const std::string kDidTerminateApplication = "NSWorkspaceDidTerminateApplicationNotification";
inline const std::string kDidHideApplication = "NSWorkspaceDidHideApplicationNotification";
inline const std::string kDidUnhideApplication = "NSWorkspaceDidUnhideApplicationNotification";
inline const std::string kDidActivateApplication = "NSWorkspaceDidActivateApplicationNotification";
inline const std::string kDidDeactivateApplication = "NSWorkspaceDidDeactivateApplicationNotification";
inline const std::string kActiveSpaceDidChange = "NSWorkspaceActiveSpaceDidChangeNotification";
// Reduce Motion (and the other display options) changed; no application.
inline const std::string kAccessibilityDisplayOptionsDidChange =
    "NSWorkspaceAccessibilityDisplayOptionsDidChangeNotification";
inline const std::string kApplicationKey = "NSWorkspaceApplicationKey";
}  // namespace workspace_notifications

// One running (or ended) application. Copies refer to the same process; the object
// stays readable after the process has ended (isTerminated) and after the world has
// gone, when its operations do nothing and answer false.
class RunningApplication {
public:
    enum ActivationOptions : uint32_t { allWindows = 1, ignoringOtherApps = 2 };

    static std::optional<RunningApplication> withProcessIdentifier(int32_t pid);
    // Running applications with this bundle identifier, in launch order.
    static std::vector<RunningApplication> withBundleIdentifier(const std::string& bundleIdentifier);
    // The program itself; nothing without a world.
    static std::optional<RunningApplication> current();

    int32_t processIdentifier() const;
    std::optional<std::string> bundleIdentifier() const;
    std::optional<std::string> localizedName() const;
    // The application's icon; none when it has none.
    std::optional<Image> icon() const;
    ActivationPolicy activationPolicy() const;
    bool isHidden() const;
    bool isActive() const;
    bool isTerminated() const;
    bool isFinishedLaunching() const { return true; }

    bool hide() const;
    bool unhide() const;
    bool activate(uint32_t options = 0) const;
    bool terminate() const;
    bool forceTerminate() const;

    friend bool operator==(const RunningApplication& a, const RunningApplication& b) { return a.record_ == b.record_; }

private:
    // The workspace makes them from the world's process records.
    friend struct workspace_detail::Records;
    explicit RunningApplication(std::shared_ptr<desktop::Application> record);

    std::shared_ptr<desktop::Application> record_;
};

class Workspace {
public:
    static Workspace& shared();

    // In launch order.
    std::vector<RunningApplication> runningApplications() const;
    std::optional<RunningApplication> frontmostApplication() const;
    std::optional<RunningApplication> menuBarOwningApplication() const;
    // The centre of the current world; a centre of its own, which hears nothing, without
    // a world.
    NotificationCenter& notificationCenter();
    // Recorded by the world; false for an empty URL or without a world.
    bool openURL(const std::string& url);
    bool accessibilityDisplayShouldReduceMotion() const;

    // Where the application with this bundle identifier is installed; none when it is not
    // on this computer (or without a world). The simulated desktop's register of
    // installed applications answers (platform/desktop/installed_applications.h).
    std::optional<std::filesystem::path> urlForApplication(const std::string& bundleIdentifier) const;
    // The side of the icons iconForFile gives, in pixels: 32 points at twice the density.
    static constexpr int kIconPixels = 64;
    // The icon the Finder shows for the file: an application bundle's own icon when its
    // information dictionary's "CFBundleIconFile" names a PNG among its resources (of at
    // most 1024 pixels a side), else the generic icon of an application, a folder or a
    // document. Never fails: a missing file gets the document icon. Any thread.
    Image iconForFile(const std::filesystem::path& path) const;

private:
    Workspace() = default;
};

}  // namespace platform
