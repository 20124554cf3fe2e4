// Starting the engine: the observers of applications, Spaces and screens, the four groups
// of settings followed while windows are changed, and the search for windows left
// collapsed by applications already running.
//
// A group is followed by observation passes: a pass reads the group's settings under
// tracking, the first change fires it once, and a main-thread task then arms the next
// pass before it reacts, so that no change is missed while the reaction runs.

#include "platform/appkit/window.h"
#include "platform/services/workspace.h"
#include "transitions/driver/stand_in_transition.h"
#include "windows/access/main_thread.h"
#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Notification;
using platform::NotificationCenter;
using platform::Task;

namespace {

using Handler = void (WindowEffects::*)(const Notification&);
using Reaction = std::function<void(WindowEffects&)>;

NotificationCenter::Token observe(NotificationCenter& center, const std::string& name,
                                  std::weak_ptr<WindowEffects> weak, Handler handler) {
    return center.addObserver(name, nullptr, [weak = std::move(weak), handler](const Notification& notification) {
        if (const auto effects = weak.lock()) ((*effects).*handler)(notification);
    });
}

// One observation pass: `read` registers interest in the group's settings; their first
// change starts a task that, while the engine is there, arms the next pass and reacts.
void observePass(WindowEffects& effects, const std::function<void()>& read, Reaction rearmAndReact) {
    std::weak_ptr<WindowEffects> weak = effects.weak_from_this();
    platform::withObservationTracking(read, [weak, rearmAndReact = std::move(rearmAndReact)] {
        platform::spawnMain([weak, rearmAndReact]() -> Task<void> {
            if (const auto effects = weak.lock()) rearmAndReact(*effects);
            co_return;
        });
    });
}

bool showsStandIn(const AffectedWindow& window, StandIn kind) { return window.panel() && window.standIn() == kind; }

}  // namespace

void WindowEffects::start() {
    requireMainThread("WindowEffects.start");
    if (!observations_.empty()) return;
    namespace names = platform::workspace_notifications;
    auto& workspace = platform::Workspace::shared().notificationCenter();
    const std::weak_ptr<WindowEffects> weak = weak_from_this();
    observations_ = {
        observe(workspace, names::kDidHideApplication, weak, &WindowEffects::applicationDidHide),
        observe(workspace, names::kDidUnhideApplication, weak, &WindowEffects::applicationDidUnhide),
        observe(workspace, names::kDidTerminateApplication, weak, &WindowEffects::applicationDidTerminate),
        observe(workspace, names::kDidLaunchApplication, weak, &WindowEffects::applicationDidLaunch),
        observe(workspace, names::kDidActivateApplication, weak, &WindowEffects::applicationDidActivate),
        observe(workspace, names::kActiveSpaceDidChange, weak, &WindowEffects::activeSpaceDidChange),
        observe(NotificationCenter::defaultCenter(), platform::notifications::kScreenParametersChanged, weak,
                &WindowEffects::screenParametersDidChange),
    };
    forgetEarlierHeldWindows();
    observeEnabled();
    observeStayPut();
    observeThumbnailLayout();
    observeThumbnailLook();
    const auto leftCollapsed = LeftCollapsedWindows::ofSharedLedger().bundleIdentifiers();
    if (leftCollapsed.empty()) return;
    for (const auto& application : platform::Workspace::shared().runningApplications()) {
        auto bundleIdentifier = application.bundleIdentifier();
        if (!bundleIdentifier || !leftCollapsed.count(*bundleIdentifier)) continue;
        queueStep([pid = application.processIdentifier(), bundleIdentifier = std::move(*bundleIdentifier)](
                      WindowEffects& effects) { effects.applicationLaunched(pid, bundleIdentifier); });
    }
}

// Switching the program off puts every window back; switching it on changes nothing.
void WindowEffects::observeEnabled() {
    observePass(*this, [this] { (void)preferences_.isEnabled(); }, [](WindowEffects& effects) {
        effects.observeEnabled();
        if (effects.preferences_.isEnabled()) return;
        effects.onMainActor(Job([](WindowEffects& engine) {
            return engine.restoreEverything(SoundWish::notWanted, Speed::normal);
        }));
    });
}

void WindowEffects::observeStayPut() {
    observePass(*this, [this] { (void)preferences_.standInsStayPut(); }, [](WindowEffects& effects) {
        effects.observeStayPut();
        effects.queueStep([](WindowEffects& engine) { engine.applyStayPut(); });
    });
}

void WindowEffects::observeThumbnailLayout() {
    const auto read = [this] {
        (void)preferences_.arrangesThumbnails();
        (void)preferences_.thumbnailOrder();
        (void)preferences_.thumbnailScale();
        (void)preferences_.showsApplicationIcon();
        (void)preferences_.applicationIconSize();
    };
    observePass(*this, read, [](WindowEffects& effects) {
        effects.observeThumbnailLayout();
        effects.requestArrangement();
    });
}

void WindowEffects::observeThumbnailLook() {
    const auto read = [this] {
        (void)preferences_.thumbnailOpacity();
        (void)preferences_.thumbnailsFloat();
    };
    observePass(*this, read, [](WindowEffects& effects) {
        effects.observeThumbnailLook();
        effects.onMainActor(Job([](WindowEffects& engine) { return engine.applyThumbnailLook(); }));
    });
}

// Live copies and windows without a panel keep their own behaviour.
void WindowEffects::applyStayPut() {
    const uint64_t behavior =
        preferences_.standInsStayPut() ? StandInPanel::kStationaryBehavior : StandInPanel::kManagedBehavior;
    for (const auto& window : WindowList(windows())) {
        if (showsStandIn(*window, StandIn::titleStrip) || showsStandIn(*window, StandIn::thumbnail))
            window->panel()->setCollectionBehavior(behavior);
    }
}

// Applied once no transition runs, so that none is changed in flight; a thumbnail that
// still holds a transition then is left as it is.
Task<void> WindowEffects::applyThumbnailLook() {
    const auto keep = shared_from_this();
    auto idle = StandInTransition::idle();
    co_await idle;
    const int32_t level = preferences_.thumbnailsFloat() ? platform::window_levels::floating
                                                          : platform::window_levels::normal;
    for (const auto& window : WindowList(windows())) {
        if (!showsStandIn(*window, StandIn::thumbnail) || window->transition()) continue;
        window->panel()->setAlphaValue(preferences_.thumbnailOpacity());
        window->panel()->setLevel(level);
    }
}

}  // namespace furlpane
