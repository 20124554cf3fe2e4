#include "platform/desktop/permissions.h"

#include <algorithm>

#include "platform/desktop/desktop.h"

namespace platform::desktop {

namespace {

// The prompt floats above normal windows, at the modal panel level.
constexpr int32_t kPromptLevel = 8;
constexpr Size kPromptSize{420, 180};

}  // namespace

Permissions& Desktop::permissions() { return extension<Permissions>(); }

void Permissions::setScreenRecording(Permission permission) {
    auto guard = world_.lock();
    screenRecording_ = permission;
}

bool Permissions::requestScreenRecording() {
    auto guard = world_.lock();
    ++requests_;
    if (screenRecording_ == Permission::granted) return true;
    if (screenRecording_ == Permission::notDetermined) {
        const std::string name = world_.ownApplication().localizedName().value_or("This application");
        showPrompt("“" + name + "” would like to record this computer's screen and audio.");
        screenRecording_ = Permission::denied;
    }
    return false;
}

int32_t Permissions::preflight(std::string_view service) const {
    auto guard = world_.lock();
    if (auto it = answers_.find(service); it != answers_.end()) return it->second;
    if (service == kScreenCaptureService) return static_cast<int32_t>(screenRecording_);
    if (service == kAccessibilityService) {
        if (world_.isAccessibilityTrusted()) return static_cast<int32_t>(Permission::granted);
        return static_cast<int32_t>(world_.accessibilityPromptCount() > 0 ? Permission::denied
                                                                          : Permission::notDetermined);
    }
    return static_cast<int32_t>(Permission::notDetermined);
}

void Permissions::setPreflightAnswer(const std::string& service, std::optional<int32_t> answer) {
    auto guard = world_.lock();
    if (answer) {
        answers_[service] = *answer;
    } else if (auto it = answers_.find(service); it != answers_.end()) {
        answers_.erase(it);
    }
}

Application* Permissions::promptApplication() const {
    auto guard = world_.lock();
    for (Application* app : world_.runningApplications()) {
        if (app->bundleIdentifier() == kPromptBundleIdentifier) return app;
    }
    return nullptr;
}

Window* Permissions::promptWindow() const {
    const WorldGuard guard = guardWorld(world_);
    Window* w = world_.window(promptWindow_);
    const Application* app = promptApplication();
    return w && app && w->pid() == app->pid() ? w : nullptr;
}

Application& Permissions::showPrompt(const std::string& message) {
    auto guard = world_.lock();
    ++promptsShown_;
    Application* app = promptApplication();
    if (!app) {
        app = &world_.application(std::string(kPromptBundleIdentifier))
                   .named("universalAccessAuthWarn")
                   .policy(ActivationPolicy::accessory)
                   .withoutMenus()
                   .launch();
    }
    if (Window* open = promptWindow()) {
        open->setTitle(message);
        open->orderIn();
        return *app;
    }
    Rect frame{0, 0, kPromptSize.width, kPromptSize.height};
    if (const Display* first = world_.displays().first()) {
        const Rect area = world_.displays().topLeftVisibleFrame(*first);
        frame.origin = {area.midX() - kPromptSize.width / 2, area.minY() + std::min(120.0, area.height() / 4)};
    }
    WindowDescription description{.title = message,
                                  .frame = frame,
                                  .subrole = "AXDialog",
                                  .layer = kPromptLevel,
                                  .minimize = {.enabled = false},
                                  .zoom = {.enabled = false}};
    if (Window* w = app->openWindow(description)) promptWindow_ = w->number();
    return *app;
}

void Permissions::dismissPrompt() {
    auto guard = world_.lock();
    if (Window* w = promptWindow()) w->close();
    promptWindow_ = 0;
}

}  // namespace platform::desktop
