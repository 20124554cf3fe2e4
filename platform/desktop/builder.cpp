#include <optional>

#include "platform/desktop/desktop.h"

namespace platform::desktop {

ApplicationBuilder::ApplicationBuilder(Desktop& world, std::optional<std::string> bundleIdentifier)
    : world_(world), bundleIdentifier_(std::move(bundleIdentifier)) {
    // An application is named after the last part of its bundle identifier unless told.
    if (bundleIdentifier_) {
        const auto dot = bundleIdentifier_->rfind('.');
        name_ = dot == std::string::npos ? *bundleIdentifier_ : bundleIdentifier_->substr(dot + 1);
    }
}

ApplicationBuilder& ApplicationBuilder::named(std::optional<std::string> name) {
    name_ = std::move(name);
    return *this;
}

ApplicationBuilder& ApplicationBuilder::policy(ActivationPolicy policy) {
    policy_ = policy;
    return *this;
}

ApplicationBuilder& ApplicationBuilder::window(const char* title) {
    windows_.push_back(WindowDescription{.title = title ? title : ""});
    return *this;
}

ApplicationBuilder& ApplicationBuilder::window(WindowDescription description) {
    windows_.push_back(std::move(description));
    return *this;
}

ApplicationBuilder& ApplicationBuilder::menus(std::vector<MenuDescription> menus) {
    menus_ = std::move(menus);
    return *this;
}

ApplicationBuilder& ApplicationBuilder::withoutMenus() {
    menus_ = std::vector<MenuDescription>{};
    return *this;
}

ApplicationBuilder& ApplicationBuilder::hidden() {
    hidden_ = true;
    return *this;
}

ApplicationBuilder& ApplicationBuilder::inBackground() {
    background_ = true;
    return *this;
}

ApplicationBuilder& ApplicationBuilder::icon(Image picture) {
    icon_ = std::move(picture);
    return *this;
}

Application& ApplicationBuilder::add() { return build(false); }

Application& ApplicationBuilder::launch() { return build(true); }

Application& ApplicationBuilder::build(bool announce) {
    auto guard = world_.lock();
    std::optional<Desktop::Quiet> quiet;
    if (!announce) quiet.emplace(world_);
    Application& app = world_.createProcess(ProcessKind::application, bundleIdentifier_, name_, policy_);
    app.icon_ = icon_;
    app.setMenus(menus_ ? *menus_ : standardMenus(name_.value_or("Application")));
    if (announce) world_.emit(WorldEventKind::applicationLaunched, app.pid());
    const bool activate = policy_ == ActivationPolicy::regular && !background_ && !hidden_;
    for (const auto& description : windows_) world_.createWindow(app, description, activate);
    if (hidden_) {
        app.hidden_ = true;
        world_.emit(WorldEventKind::applicationHidden, app.pid());
    }
    if (activate) world_.activate(app, true);
    return app;
}

}  // namespace platform::desktop
