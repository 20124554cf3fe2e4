#include "platform/appkit/application.h"
#include "platform/appkit/simulated_user.h"
#include "platform/appkit/status_item.h"
#include "platform/appkit/world_bridge.h"

#include <algorithm>
#include <cstdlib>

#include "platform/desktop/desktop.h"
#include "platform/notifications/notification_center.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_run.h"
#include "platform/runtime/verify.h"

namespace platform {

using desktop::Desktop;
using desktop::WorldEvent;
using desktop::WorldEventKind;

namespace {

// Where each run keeps its application.
const char kApplicationKey = 0;

}  // namespace

Application::Application(Desktop& world)
    : world_(world), own_(world.processRecord(world.ownApplication().pid())) { active_ = own_->isActive(); }

// The application is made as its run's code: the world's reports and the input reach it
// as that run's, and stop when the run ends.
std::shared_ptr<Application> Application::make(Desktop& world) {
    std::shared_ptr<Application> app(new Application(world));
    std::weak_ptr<Application> weak = app;
    app->self_ = weak;
    app->listener_ = world.addListener([weak](const WorldEvent& e) {
        if (auto self = weak.lock()) self->onWorldEvent(e);
    });
    connectApplicationToWorld(*app, world);
    return app;
}

Application::~Application() {
    world_.removeListener(listener_);
    if (animationTimer_) animationTimer_->invalidate();
    // The process is gone, and its windows with it, whoever still holds them.
    for (Window* window : std::vector<Window*>(windows_)) window->processEnded(world_);
}

Application& Application::shared() {
    Application* app = sharedOrNull();
    VERIFY_WITH(app, "the program runs in a world");
    return *app;
}

Application* Application::sharedOrNull() { return sharedPointer().get(); }

std::shared_ptr<Application> Application::sharedPointer() {
    Desktop* world = Desktop::currentOrNull();
    const std::shared_ptr<ProcessRun> run = ProcessRun::current();
    // A process that has ended has no application any more.
    if (!world || run->hasEnded()) return nullptr;
    return run->keep<Application>(&kApplicationKey, [world] { return make(*world); });
}

std::shared_ptr<Application> Application::self() const { return self_.lock(); }

int32_t Application::processIdentifier() const { return own_->pid(); }

// ---- Launching and terminating --------------------------------------------------------

void Application::finishLaunching() {
    if (launched_) return;
    launched_ = true;
    if (auto d = delegate_.lock()) d->applicationWillFinishLaunching();
    if (auto d = delegate_.lock()) d->applicationDidFinishLaunching();
}

void Application::terminate() {
    if (terminating_ || terminated_) return;
    const auto delegate = delegate_.lock();
    const TerminateReply reply = delegate ? delegate->applicationShouldTerminate() : TerminateReply::now;
    if (reply == TerminateReply::later) {
        terminating_ = true;
        return;
    }
    if (reply == TerminateReply::now) replyToApplicationShouldTerminate(true);
}

void Application::replyToApplicationShouldTerminate(bool shouldTerminate) {
    terminating_ = false;
    if (!shouldTerminate || terminated_) return;
    terminated_ = true;
    NotificationCenter::defaultCenter().post(notifications::kApplicationWillTerminate, this);
    if (auto d = delegate_.lock()) d->applicationWillTerminate();
    if (terminationHandler_) {
        auto handler = terminationHandler_;
        handler();
    } else {
        world_.loop().stop();
    }
}

bool Application::reopen() {
    bool anyVisible = false;
    for (Window* w : windows_) anyVisible = anyVisible || w->isVisible();
    auto d = delegate_.lock();
    return d ? d->applicationShouldHandleReopen(anyVisible) : true;
}

// ---- Activation -----------------------------------------------------------------------

ActivationPolicy Application::activationPolicy() const { return own_->activationPolicy(); }

bool Application::setActivationPolicy(ActivationPolicy policy) {
    desktop::Application& own = *own_;
    if (own.isTerminated()) return false;
    own.setActivationPolicy(policy);
    return true;
}

void Application::activate() { own_->activate(); }

void Application::deactivate() {
    const int32_t own = processIdentifier();
    for (desktop::Window* w : world_.windowsFrontToBack()) {
        desktop::Application* owner = world_.process(w->pid());
        if (!owner || w->pid() == own || owner->activationPolicy() != ActivationPolicy::regular) continue;
        if (!world_.isOnScreen(*w)) continue;
        owner->activate();
        return;
    }
}

void Application::hide() { own_->hide(); }

void Application::unhide() { own_->unhide(); }

bool Application::isHidden() const { return own_->isHidden(); }

void Application::activeChanged(bool active) {
    if (active == active_) return;
    active_ = active;
    // Windows that hide while the program is inactive come and go with it.
    for (const auto& w : windows()) {
        if (!w->hidesOnDeactivate() || w->isClosed()) continue;
        if (!active && w->isVisible()) {
            w->hiddenByDeactivation_ = true;
            w->orderOut();
        } else if (active && w->hiddenByDeactivation_) {
            w->hiddenByDeactivation_ = false;
            w->orderFront();
        }
    }
    auto& center = NotificationCenter::defaultCenter();
    if (active) {
        center.post(notifications::kApplicationDidBecomeActive, this);
        refreshKeyAndMain();
    } else {
        refreshKeyAndMain();
        center.post(notifications::kApplicationDidResignActive, this);
    }
}

// ---- Windows --------------------------------------------------------------------------

void Application::registerWindow(Window* window) { windows_.push_back(window); }

void Application::unregisterWindow(Window* window) {
    std::erase(windows_, window);
    std::erase(animating_, window);
    std::erase(modal_, window);
    if (key_ == window) key_ = nullptr;
    if (main_ == window) main_ = nullptr;
    refreshKeyAndMain();
}

Window* Application::registered(uint32_t number) const {
    if (number == 0) return nullptr;
    for (Window* w : windows_) {
        if (w->windowNumber() == number && !w->isClosed()) return w;
    }
    return nullptr;
}

std::vector<std::shared_ptr<Window>> Application::windows() const {
    std::vector<std::shared_ptr<Window>> result;
    for (Window* w : windows_) {
        if (auto held = w->weak_from_this().lock()) result.push_back(std::move(held));
    }
    return result;
}

std::vector<std::shared_ptr<Window>> Application::orderedWindows() const {
    std::vector<std::shared_ptr<Window>> result;
    for (desktop::Window* w : world_.windowsFrontToBack()) {
        if (w->pid() != processIdentifier()) continue;
        Window* own = registered(w->number());
        if (!own || !own->isVisible()) continue;
        if (auto held = own->weak_from_this().lock()) result.push_back(std::move(held));
    }
    return result;
}

std::shared_ptr<Window> Application::windowWithWindowNumber(uint32_t number) const {
    Window* w = registered(number);
    return w ? w->weak_from_this().lock() : nullptr;
}

Window* Application::keyWindow() const {
    return key_ && key_->isKeyWindow() ? key_ : nullptr;
}

Window* Application::mainWindow() const {
    return main_ && main_->isMainWindow() ? main_ : nullptr;
}

void Application::beginModalSession(Window& window) { modal_.push_back(&window); }

void Application::endModalSession(Window& window) {
    auto it = std::find(modal_.rbegin(), modal_.rend(), &window);
    if (it != modal_.rend()) modal_.erase(std::next(it).base());
}

void Application::setKeyWindow(Window* window) {
    key_ = window;
    refreshKeyAndMain();
}

void Application::setMainWindow(Window* window) {
    main_ = window;
    refreshKeyAndMain();
}

namespace {

// The frontmost visible window of the program that passes `can`.
Window* frontmost(const Application& app, bool (*can)(const Window&)) {
    for (const auto& w : app.orderedWindows()) {
        if (can(*w)) return w.get();
    }
    return nullptr;
}

}  // namespace

void Application::refreshKeyAndMain() {
    // A key or main window that went away hands over to the frontmost one that can.
    if (key_ && (!key_->isVisible() || !key_->canBecomeKeyWindow())) {
        key_ = nullptr;
        if (main_ && main_->isVisible() && main_->canBecomeKeyWindow()) key_ = main_;
        if (!key_) {
            key_ = frontmost(*this, [](const Window& w) {
                const auto* panel = dynamic_cast<const Panel*>(&w);
                return w.canBecomeKeyWindow() && !(panel && panel->becomesKeyOnlyIfNeeded());
            });
        }
    }
    if (main_ && (!main_->isVisible() || !main_->canBecomeMainWindow())) {
        main_ = frontmost(*this, [](const Window& w) { return w.canBecomeMainWindow(); });
    }
    // Report what changed: resignations first, then the new key and main windows.
    auto& center = NotificationCenter::defaultCenter();
    const std::vector<std::shared_ptr<Window>> all = windows();
    for (const auto& w : all) {
        if (w->reportedKey_ && !w->isKeyWindow()) {
            w->reportedKey_ = false;
            center.post(notifications::kWindowDidResignKey, w->notificationObject());
        }
        if (w->reportedMain_ && !w->isMainWindow()) {
            w->reportedMain_ = false;
            center.post(notifications::kWindowDidResignMain, w->notificationObject());
        }
    }
    for (const auto& w : all) {
        if (!w->reportedMain_ && w->isMainWindow()) {
            w->reportedMain_ = true;
            center.post(notifications::kWindowDidBecomeMain, w->notificationObject());
        }
        if (!w->reportedKey_ && w->isKeyWindow()) {
            w->reportedKey_ = true;
            center.post(notifications::kWindowDidBecomeKey, w->notificationObject());
        }
    }
}

// ---- The world's reports --------------------------------------------------------------

void Application::onWorldEvent(const WorldEvent& e) {
    const int32_t own = own_->pid();
    if (e.pid != own) return;
    const WorldEventKind kind = e.kind;
    const uint32_t number = e.window;
    // The application lives as long as the world, and the world drops work handed to a
    // main thread it no longer has.
    world_.onMainThread([this, kind, number] { handleWorldEvent(kind, number); });
}

void Application::handleWorldEvent(WorldEventKind kind, uint32_t number) {
    switch (kind) {
    case WorldEventKind::applicationActivated:
    case WorldEventKind::applicationDeactivated:
    case WorldEventKind::applicationHidden:
    case WorldEventKind::applicationUnhidden:
        // The program learns of its activation when it handles the system's event.
        world_.postToMainQueue([this] { activeChanged(own_->isActive()); });
        if (kind == WorldEventKind::applicationHidden || kind == WorldEventKind::applicationUnhidden) {
            refreshKeyAndMain();
        }
        return;
    default: break;
    }
    Window* window = registered(number);
    if (!window) return;
    switch (kind) {
    case WorldEventKind::windowMoved:
    case WorldEventKind::windowResized: window->worldFrameChanged(); break;
    case WorldEventKind::windowClosed: window->worldClosed(); break;
    case WorldEventKind::windowMinimized:
    case WorldEventKind::windowDeminimized:
        postMiniaturized(number, kind == WorldEventKind::windowMinimized);
        if (kind == WorldEventKind::windowDeminimized) window->orderChildrenAboveSelf();
        refreshKeyAndMain();
        break;
    case WorldEventKind::windowFullScreenChanged: window->worldFullScreenChanged(); break;
    case WorldEventKind::windowOrderedIn:
    case WorldEventKind::windowOrderedOut: refreshKeyAndMain(); break;
    default: break;
    }
}

void Application::postMiniaturized(uint32_t number, bool miniaturized) {
    if constexpr (kWorldPostsMiniaturizeNotifications) return;
    const std::string& name =
        miniaturized ? notifications::kWindowDidMiniaturize : notifications::kWindowDidDeminiaturize;
    world_.postToMainQueue([this, number, name] {
        for (Window* w : windows_) {
            if (w->windowNumber() == number) NotificationCenter::defaultCenter().post(name, w->notificationObject());
        }
    });
}

// ---- Menus ----------------------------------------------------------------------------

void Application::popUpMenu(std::shared_ptr<Menu> menu, MenuPresentationKind kind, const AppEvent& event,
                            uint32_t window) {
    if (!menu) return;
    closeMenu();
    openMenu_ = menu;
    SimulatedUser::of(world_).menuShown({menu, kind, event, window});
    menu->menuWillOpen();
}

void Application::popUpContextMenu(std::shared_ptr<Menu> menu, const AppEvent& event, View* view) {
    const uint32_t window = view && view->window() ? view->window()->windowNumber() : 0;
    popUpMenu(std::move(menu), MenuPresentationKind::context, event, window);
}

void Application::closeMenu() {
    if (!openMenu_) return;
    std::shared_ptr<Menu> menu = std::move(openMenu_);
    openMenu_.reset();
    menu->menuDidClose();
}

bool Application::chooseMenuItem(size_t index) {
    if (!openMenu_) return false;
    std::shared_ptr<Menu> menu = openMenu_;
    // The menu closes before the action is sent, as the system does it.
    closeMenu();
    return menu->performActionForItem(index);
}

bool Application::chooseMenuItem(const std::string& title) {
    if (!openMenu_) return false;
    const auto index = openMenu_->indexOfItem(openMenu_->itemWithTitle(title));
    if (!index) {
        closeMenu();
        return false;
    }
    return chooseMenuItem(*index);
}

// ---- Alerts ---------------------------------------------------------------------------

// ---- Display cycle --------------------------------------------------------------------

void Application::setNeedsDisplayCycle() {
    if (cycleScheduled_) return;
    cycleScheduled_ = true;
    world_.postToMainQueue([this] {
        cycleScheduled_ = false;
        runDisplayCycle();
    });
}

void Application::runDisplayCycle() {
    ++displayCycles_;
    for (const auto& w : windows()) {
        if (!w->isClosed()) w->displayIfNeeded();
    }
}

// ---- Animations -----------------------------------------------------------------------

void Application::animationStarted(Window* window) {
    if (std::find(animating_.begin(), animating_.end(), window) == animating_.end()) animating_.push_back(window);
    if (animationTimer_) return;
    animationTimer_ = Timer::make(1.0 / 60, true, [this] { stepAnimations(); });
    world_.loop().add(animationTimer_, modes::kCommon);
}

void Application::stepAnimations() {
    const double now = world_.now();
    for (const auto& w : windows()) {
        if (std::find(animating_.begin(), animating_.end(), w.get()) == animating_.end()) continue;
        if (!w->stepAnimations(now)) std::erase(animating_, w.get());
    }
    // Windows not held by a shared pointer cannot be stepped safely; let them go.
    std::erase_if(animating_, [this](Window* w) { return !w->weak_from_this().lock(); });
    if (animating_.empty() && animationTimer_) {
        animationTimer_->invalidate();
        animationTimer_.reset();
    }
}

}  // namespace platform
