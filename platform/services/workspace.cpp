#include "platform/services/workspace.h"

#include <map>

#include "platform/desktop/desktop.h"
#include "platform/desktop/installed_applications.h"

namespace platform {

using desktop::Desktop;
using desktop::WorldEvent;
using desktop::WorldEventKind;

namespace workspace_detail {

// What makes a RunningApplication of a process record.
struct Records {
    static RunningApplication application(std::shared_ptr<desktop::Application> record);
};

}  // namespace workspace_detail

namespace {

// The workspace's notification centre of one world, and the translation of world events
// into its notifications.
class WorkspaceHub {
public:
    explicit WorkspaceHub(Desktop& world) : world_(world) {
        listener_ = world.addListener(Desktop::Listener::system([this](const WorldEvent& e) { onEvent(e); }));
    }
    ~WorkspaceHub() { world_.removeListener(listener_); }
    WorkspaceHub(const WorkspaceHub&) = delete;
    WorkspaceHub& operator=(const WorkspaceHub&) = delete;

    NotificationCenter center;

private:
    void onEvent(const WorldEvent& e);

    Desktop& world_;
    int listener_ = 0;
};

void WorkspaceHub::onEvent(const WorldEvent& e) {
    namespace n = workspace_notifications;
    static const std::map<WorldEventKind, const std::string*> names{
        {WorldEventKind::applicationLaunched, &n::kDidLaunchApplication},
        {WorldEventKind::applicationTerminated, &n::kDidTerminateApplication},
        {WorldEventKind::applicationHidden, &n::kDidHideApplication},
        {WorldEventKind::applicationUnhidden, &n::kDidUnhideApplication},
        {WorldEventKind::applicationActivated, &n::kDidActivateApplication},
        {WorldEventKind::applicationDeactivated, &n::kDidDeactivateApplication},
        {WorldEventKind::activeSpaceChanged, &n::kActiveSpaceDidChange},
        {WorldEventKind::displayOptionsChanged, &n::kAccessibilityDisplayOptionsDidChange},
    };
    auto it = names.find(e.kind);
    if (it == names.end()) return;
    Notification notification{*it->second, &Workspace::shared(), {}};
    auto record = e.pid ? world_.processRecord(e.pid) : nullptr;
    if (record && record->kind() == desktop::ProcessKind::application) {
        notification.userInfo[n::kApplicationKey] = workspace_detail::Records::application(record);
    }
    if (auto fault = world_.faults().take({desktop::FaultCall::workspaceNotification, *it->second, e.pid, 0, 0})) {
        if (fault->effect == desktop::FaultEffect::wrongType) {
            notification.userInfo[n::kApplicationKey] = std::string("unexpected");
        } else {
            notification.userInfo.erase(n::kApplicationKey);
        }
    }
    world_.postToMainQueue(Handover<void()>::system([this, notification = std::move(notification)] {
        center.post(notification);
    }));
}

}  // namespace

// ---- RunningApplication ---------------------------------------------------------------

RunningApplication::RunningApplication(std::shared_ptr<desktop::Application> record) : record_(std::move(record)) {}

RunningApplication workspace_detail::Records::application(std::shared_ptr<desktop::Application> record) {
    return RunningApplication(std::move(record));
}

std::optional<RunningApplication> RunningApplication::withProcessIdentifier(int32_t pid) {
    Desktop* world = Desktop::currentOrNull();
    if (!world) return std::nullopt;
    auto guard = world->lock();
    const desktop::Application* app = world->process(pid);
    if (!app || app->kind() != desktop::ProcessKind::application) return std::nullopt;
    return workspace_detail::Records::application(world->processRecord(pid));
}

std::vector<RunningApplication> RunningApplication::withBundleIdentifier(const std::string& bundleIdentifier) {
    std::vector<RunningApplication> result;
    Desktop* world = Desktop::currentOrNull();
    if (!world) return result;
    auto guard = world->lock();
    if (world->faults().take({desktop::FaultCall::applicationsByBundleIdentifier, bundleIdentifier, 0, 0, 0})) {
        return result;
    }
    for (const desktop::Application* app : world->runningApplications()) {
        if (app->bundleIdentifier() == bundleIdentifier)
            result.push_back(workspace_detail::Records::application(world->processRecord(app->pid())));
    }
    return result;
}

std::optional<RunningApplication> RunningApplication::current() {
    Desktop* world = Desktop::currentOrNull();
    if (!world) return std::nullopt;
    return workspace_detail::Records::application(world->processRecord(world->ownProcessIdentifier()));
}

int32_t RunningApplication::processIdentifier() const { return record_->pid(); }

std::optional<std::string> RunningApplication::bundleIdentifier() const { return record_->bundleIdentifier(); }

std::optional<std::string> RunningApplication::localizedName() const { return record_->localizedName(); }

std::optional<Image> RunningApplication::icon() const { return record_->icon(); }

ActivationPolicy RunningApplication::activationPolicy() const { return record_->activationPolicy(); }

bool RunningApplication::isHidden() const { return record_->isHidden(); }

bool RunningApplication::isActive() const { return record_->isActive(); }

bool RunningApplication::isTerminated() const { return record_->isTerminated(); }

bool RunningApplication::hide() const { return record_->hide(); }

bool RunningApplication::unhide() const { return record_->unhide(); }

bool RunningApplication::activate(uint32_t) const { return record_->activate(); }

bool RunningApplication::terminate() const { return record_->quit(); }

bool RunningApplication::forceTerminate() const { return record_->quit(); }

// ---- Workspace ------------------------------------------------------------------------

Workspace& Workspace::shared() {
    // The workspace keeps no state of its own: everything it answers is the world's.
    static Workspace workspace;
    return workspace;
}

std::vector<RunningApplication> Workspace::runningApplications() const {
    std::vector<RunningApplication> result;
    Desktop* world = Desktop::currentOrNull();
    if (!world) return result;
    auto guard = world->lock();
    for (const desktop::Application* app : world->runningApplications()) {
        result.push_back(workspace_detail::Records::application(world->processRecord(app->pid())));
    }
    return result;
}

std::optional<RunningApplication> Workspace::frontmostApplication() const {
    Desktop* world = Desktop::currentOrNull();
    if (!world) return std::nullopt;
    auto guard = world->lock();
    const desktop::Application* active = world->activeApplication();
    if (!active) return std::nullopt;
    return workspace_detail::Records::application(world->processRecord(active->pid()));
}

std::optional<RunningApplication> Workspace::menuBarOwningApplication() const { return frontmostApplication(); }

NotificationCenter& Workspace::notificationCenter() {
    Desktop* world = Desktop::currentOrNull();
    if (!world) {
        static NotificationCenter detached;
        return detached;
    }
    return world->extension<WorkspaceHub>().center;
}

bool Workspace::openURL(const std::string& url) {
    Desktop* world = Desktop::currentOrNull();
    if (!world || url.empty()) return false;
    world->recordOpenedURL(url);
    return true;
}

std::optional<std::filesystem::path> Workspace::urlForApplication(const std::string& bundleIdentifier) const {
    Desktop* world = Desktop::currentOrNull();
    if (!world) return std::nullopt;
    return desktop::InstalledApplications::of(*world).location(bundleIdentifier);
}

bool Workspace::accessibilityDisplayShouldReduceMotion() const {
    const Desktop* world = Desktop::currentOrNull();
    return world && world->reduceMotion();
}

}  // namespace platform
