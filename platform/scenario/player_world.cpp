// The world's side of a scenario: screens, the Dock, applications and their windows,
// permissions, the program's defaults file, snapshots of the desktop.

#include <system_error>

#include "platform/appkit/desktop_picture.h"
#include "platform/desktop/desktop.h"
#include "platform/desktop/region.h"
#include "platform/scenario/desktop_watch.h"
#include "platform/scenario/player.h"
#include "platform/scenario/plist_literal.h"
#include "platform/scenario/program_host.h"

namespace platform::scenario {

namespace {

// A top-left rectangle in AppKit coordinates, by the height of the main screen.
Rect appKitRect(const Rect& topLeft, double mainHeight) {
    return {topLeft.minX(), mainHeight - topLeft.maxY(), topLeft.width(), topLeft.height()};
}

desktop::Application* runningApplication(desktop::Desktop& world, const std::string& bundle) {
    for (desktop::Application* app : world.runningApplications()) {
        if (app->bundleIdentifier() == bundle && !app->isOwnProcess()) return app;
    }
    return nullptr;
}

// The Space of a display with the number (from 1), made when missing, as a person adds
// Spaces in the overview of them.
uint64_t spaceOf(desktop::Desktop& world, uint32_t display, int number) {
    auto spaces = world.spaces().onDisplay(display);
    while (spaces.size() < static_cast<size_t>(number)) {
        if (!world.spaces().add(display)) return 0;
        spaces = world.spaces().onDisplay(display);
    }
    return spaces[static_cast<size_t>(number) - 1].id;
}

// The Space of the window's display with the number.
uint64_t spaceOn(desktop::Desktop& world, const Rect& frame, int number) {
    const desktop::Display* display = world.displays().displayFor(frame);
    return display ? spaceOf(world, display->number(), number) : 0;
}

}  // namespace

Player::Outcome Player::screen(const ScreenCommand& command) {
    const bool replacing = screens_.empty() && host_.launchCount() == 0;
    if (replacing && (command.frame.minX() != 0 || command.frame.minY() != 0))
        return failed("the main screen's top-left corner lies at 0,0");
    if (!replacing && screenNumbers().size() >= static_cast<size_t>(kMaxScreens))
        return failed("no more than " + std::to_string(kMaxScreens) + " screens can be set");
    const double mainHeight = replacing ? command.frame.height() : world_.displays().firstMaxY();
    desktop::DisplayDescription description;
    description.frame = appKitRect(command.frame, mainHeight);
    if (command.visible) description.visibleFrame = appKitRect(*command.visible, mainHeight);
    description.backingScaleFactor = command.scale;
    if (replacing) {
        description.name = "Display 1";
        world_.displays().set({description});
        screens_ = {world_.displays().first()->number()};
        return fine();
    }
    // Once the scene is set, a screen is connected: the program is told, as of any change
    // of the screens.
    description.name = "Display " + std::to_string(screenNumbers().size() + 1);
    screens_.push_back(world_.displays().add(description));
    return fine();
}

std::vector<uint32_t>& Player::screenNumbers() {
    if (screens_.empty() && world_.displays().first()) screens_ = {world_.displays().first()->number()};
    return screens_;
}

const desktop::Display* Player::screenNumbered(int number) {
    const auto& numbers = screenNumbers();
    if (number < 1 || static_cast<size_t>(number) > numbers.size()) return nullptr;
    return world_.displays().find(numbers[static_cast<size_t>(number) - 1]);
}

Player::Outcome Player::disconnect(const DisconnectCommand& command) {
    if (command.screen == 1) return failed("the main screen stays connected");
    const desktop::Display* display = screenNumbered(command.screen);
    if (!display) return failed("no screen " + std::to_string(command.screen) + " is connected");
    world_.displays().remove(display->number());
    return fine();
}

Player::Outcome Player::space(const SpaceCommand& command) {
    const desktop::Display* display = screenNumbered(command.screen);
    if (!display) return failed("no screen " + std::to_string(command.screen) + " is connected");
    const uint64_t id = spaceOf(world_, display->number(), command.space);
    if (!id || !world_.spaces().switchTo(id)) return failed("the Space could not be shown");
    return fine();
}

Player::Outcome Player::dock(const DockCommand& command) {
    static constexpr desktop::DockEdge edges[] = {desktop::DockEdge::bottom, desktop::DockEdge::left,
                                                  desktop::DockEdge::right};
    world_.dock().setEdge(edges[static_cast<int>(command.edge)]);
    world_.dock().setAutohides(command.autohide);
    return fine();
}

Player::Outcome Player::app(const AppCommand& command) {
    desktop::Application* app = runningApplication(world_, command.bundle);
    if (!app) {
        auto builder = world_.application(command.bundle);
        builder.named(command.name);
        if (command.accessory) builder.policy(ActivationPolicy::accessory);
        // Before the program's first launch the scene is set silently, as if it had
        // always been so; later an application launches as the program sees it.
        app = host_.launchCount() == 0 ? &builder.add() : &builder.launch();
    }
    if (command.unresponsive) app->stopAnswering(*command.unresponsive);
    return fine();
}

Player::Outcome Player::window(const WindowCommand& command) {
    declared_.insert(command.title);
    desktop::Application* app = runningApplication(world_, command.bundle);
    if (!app) return failed("no application " + command.bundle + " is running");
    desktop::WindowDescription description;
    description.title = command.title;
    description.frame = command.frame;
    if (command.dialog) description.subrole = "AXDialog";
    description.minimize.enabled = !command.noMinimize;
    if (command.toolbar) {
        description.toolbars.push_back(
            {.frame = Rect{0, description.titleBarHeight, command.frame.width(), *command.toolbar}});
    }
    if (command.space) description.space = spaceOn(world_, command.frame, *command.space);
    if (!app->openWindow(std::move(description))) return failed("the window could not be opened");
    return fine();
}

void Player::declareOpenWindows() {
    for (const desktop::Window* window : world_.windowsFrontToBack()) {
        if (!window->owner().isOwnProcess() && window->isAccessible()) declared_.insert(window->title());
    }
}

Player::Outcome Player::application(const ApplicationCommand& command) {
    desktop::Application* app = runningApplication(world_, command.bundle);
    if (!app) return failed("no application " + command.bundle + " is running");
    switch (command.action) {
        // As from the application's own menu: Hide NAME, Quit NAME.
        case ApplicationAction::hide:
            if (!app->hide()) return failed(command.bundle + " is hidden already");
            break;
        case ApplicationAction::quit: app->quit(); break;
        // A click on its icon in the Dock: it comes back, active, its windows in front.
        case ApplicationAction::show: app->activate(); break;
    }
    return fine();
}

Player::Outcome Player::close(const CloseCommand& command) {
    desktop::Window* window = watch_.looks().find(command.title);
    if (!window) return failed("no window \"" + command.title + "\" is open");
    window->close();
    return fine();
}

Player::Outcome Player::permission(const PermissionCommand& command) {
    switch (command.permission) {
        case Permission::trustAccessibility: world_.setAccessibilityTrusted(true); break;
        case Permission::denyAccessibility: world_.setAccessibilityTrusted(false); break;
        case Permission::grantScreenRecording:
            world_.permissions().setScreenRecording(desktop::Permission::granted);
            break;
        case Permission::denyScreenRecording: world_.permissions().setScreenRecording(desktop::Permission::denied); break;
    }
    return fine();
}

Player::Outcome Player::locale(const LocaleCommand& command) {
    world_.region().setLocale(command.identifier);
    return fine();
}

Player::Outcome Player::defaults(const DefaultsCommand& command) {
    if (watch_.writeDefault(command.key, command.value)) return fine();
    return failed("the defaults file did not take " + command.key + " = " + literalText(command.value));
}

Player::Outcome Player::snapshot(const SnapshotCommand& command) {
    std::error_code error;
    std::filesystem::create_directories(options_.out, error);
    const std::filesystem::path file = options_.out / (command.name + ".png");
    DesktopPictureOptions picture;
    picture.windowPicture = [this](const desktop::Window& window, double scale) {
        return world_.pictures().windowPicture(window, scale, desktop::PictureFraming::plain);
    };
    auto written = writeDesktopPNG(file, picture);
    if (!written) {
        Outcome outcome = failed("the snapshot " + file.string() + " could not be written: " + written.error().message);
        outcome.output = true;
        return outcome;
    }
    journal_.write(world_.now(), "snapshot", {{"file", file.string()}});
    return fine();
}

}  // namespace platform::scenario
