#include "platform/accessibility/observer.h"

#include <algorithm>
#include <map>

#include "platform/accessibility/messaging.h"
#include "platform/accessibility/world_elements.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"

namespace platform {

using desktop::WorldEvent;
using desktop::WorldEventKind;

// The observers of one world, and the translation of world events into notifications.
class AccessibilityHub {
public:
    explicit AccessibilityHub(desktop::Desktop& world) : world_(world) {
        listener_ = world.addListener(desktop::Desktop::Listener::system([this](const WorldEvent& e) { onEvent(e); }));
    }
    ~AccessibilityHub() { world_.removeListener(listener_); }
    AccessibilityHub(const AccessibilityHub&) = delete;
    AccessibilityHub& operator=(const AccessibilityHub&) = delete;

    void add(AccessibilityProcessObserver* o) { observers_.push_back(o); }
    void remove(AccessibilityProcessObserver* o) { std::erase(observers_, o); }

private:
    void onEvent(const WorldEvent& e);
    void windowNotification(const WorldEvent& e, const char* name);
    void post(int32_t pid, std::vector<AccessibilityElement> chain, const std::string& name);

    desktop::Desktop& world_;
    int listener_ = 0;
    std::vector<AccessibilityProcessObserver*> observers_;
};

void AccessibilityHub::onEvent(const WorldEvent& e) {
    static const std::map<WorldEventKind, const char*> windowNames{
        {WorldEventKind::windowClosed, "AXUIElementDestroyed"},
        {WorldEventKind::windowMoved, "AXWindowMoved"},
        {WorldEventKind::windowResized, "AXWindowResized"},
        {WorldEventKind::windowMinimized, "AXWindowMiniaturized"},
        {WorldEventKind::windowDeminimized, "AXWindowDeminiaturized"},
        {WorldEventKind::windowTitleChanged, "AXTitleChanged"},
        {WorldEventKind::sheetCreated, "AXSheetCreated"},
        {WorldEventKind::focusedWindowChanged, "AXFocusedWindowChanged"},
        {WorldEventKind::mainWindowChanged, "AXMainWindowChanged"},
    };
    static const std::map<WorldEventKind, const char*> applicationNames{
        {WorldEventKind::applicationActivated, "AXApplicationActivated"},
        {WorldEventKind::applicationDeactivated, "AXApplicationDeactivated"},
        {WorldEventKind::applicationHidden, "AXApplicationHidden"},
        {WorldEventKind::applicationUnhidden, "AXApplicationShown"},
    };
    if (e.kind == WorldEventKind::windowCreated) {
        const desktop::Window* w = world_.windowRecord(e.window);
        if (w && !w->isSheet()) windowNotification(e, "AXWindowCreated");
    } else if (auto it = windowNames.find(e.kind); it != windowNames.end()) {
        windowNotification(e, it->second);
    } else if (auto app = applicationNames.find(e.kind); app != applicationNames.end()) {
        post(e.pid, {AccessibilityElement::application(e.pid)}, app->second);
    }
}

void AccessibilityHub::windowNotification(const WorldEvent& e, const char* name) {
    const desktop::Window* w = world_.windowRecord(e.window);
    if (!w || !w->isAccessible()) return;
    std::vector<AccessibilityElement> chain{elementOf(*w)};
    if (const desktop::Window* parent = w->isSheet() ? world_.windowRecord(w->parentWindow()) : nullptr) {
        chain.push_back(elementOf(*parent));
    }
    chain.push_back(AccessibilityElement::application(w->pid()));
    post(w->pid(), std::move(chain), name);
}

void AccessibilityHub::post(int32_t pid, std::vector<AccessibilityElement> chain, const std::string& name) {
    for (AccessibilityProcessObserver* o : observers_) {
        void* refcon = nullptr;
        if (o->processIdentifier() != pid || !o->hears(chain, name, &refcon)) continue;
        std::weak_ptr<AccessibilityProcessObserver> weak = o->weak_from_this();
        world_.onMainThread(Handover<void()>::system([weak, chain, name] {
            if (auto observer = weak.lock()) observer->deliver(chain, name);
        }));
    }
}

// ---- AccessibilityProcessObserver -----------------------------------------------------

struct AccessibilityProcessObserver::Key {};

AccessibilityProcessObserver::AccessibilityProcessObserver(const Key&, int32_t pid, Callback callback)
    : pid_(pid),
      callback_(std::move(callback)),
      source_(RunLoopSource::make("accessibility observer " + std::to_string(pid))) {}

Result<std::shared_ptr<AccessibilityProcessObserver>, AccessibilityError> AccessibilityProcessObserver::create(
    int32_t pid, Callback callback) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return AccessibilityError::cannotComplete;
    if (pid <= 0 || !callback) return AccessibilityError::illegalArgument;
    auto guard = world->lock();
    if (auto fault = world->faults().take({desktop::FaultCall::createObserver, "", pid, 0, 0})) {
        return fault->effect == desktop::FaultEffect::error ? static_cast<AccessibilityError>(fault->code)
                                                            : AccessibilityError::failure;
    }
    auto observer = std::make_shared<AccessibilityProcessObserver>(Key{}, pid, std::move(callback));
    auto hub = world->extensionPointer<AccessibilityHub>();
    hub->add(observer.get());
    observer->hub_ = hub;
    return observer;
}

AccessibilityProcessObserver::~AccessibilityProcessObserver() {
    if (auto hub = hub_.lock()) {
        if (desktop::Desktop* world = desktop::Desktop::currentOrNull()) {
            auto guard = world->lock();
            hub->remove(this);
        }
    }
    source_->invalidate();
}

AccessibilityError AccessibilityProcessObserver::addNotification(const AccessibilityElement& element,
                                                                  const std::string& notification, void* refcon) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return AccessibilityError::cannotComplete;
    if (element.kind() == AccessibilityElement::Kind::systemWide || element.pid() != pid_ || notification.empty()) {
        return AccessibilityError::illegalArgument;
    }
    accessibility_detail::Request request(*world, element, desktop::FaultCall::addNotification, notification);
    if (request.error() != AccessibilityError::success) return request.error();
    if (request.fault()) return AccessibilityError::notificationUnsupported;
    auto guard = world->lock();
    for (const auto& r : registrations_) {
        if (r.element == element && r.notification == notification) return AccessibilityError::notificationAlreadyRegistered;
    }
    registrations_.push_back({element, notification, refcon});
    return AccessibilityError::success;
}

AccessibilityError AccessibilityProcessObserver::removeNotification(const AccessibilityElement& element,
                                                                     const std::string& notification) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    std::unique_lock<std::recursive_mutex> guard;
    if (world) guard = world->lock();
    const auto before = registrations_.size();
    std::erase_if(registrations_, [&](const Registration& r) { return r.element == element && r.notification == notification; });
    return registrations_.size() == before ? AccessibilityError::notificationNotRegistered : AccessibilityError::success;
}

bool AccessibilityProcessObserver::hears(const std::vector<AccessibilityElement>& chain, const std::string& notification,
                                         void** refcon) const {
    // The innermost registration wins.
    for (const auto& element : chain) {
        for (const auto& r : registrations_) {
            if (r.notification == notification && r.element == element) {
                *refcon = r.refcon;
                return true;
            }
        }
    }
    return false;
}

void AccessibilityProcessObserver::deliver(std::vector<AccessibilityElement> chain, const std::string& notification) {
    // What happens while the source is in no mode of the loop is lost.
    if (!source_->isAttached() || chain.empty()) return;
    std::weak_ptr<AccessibilityProcessObserver> weak = weak_from_this();
    // The delivery is the system's; the callback runs as the run that made the observer.
    source_->signal(Handover<void()>::system([weak, chain = std::move(chain), notification] {
        auto self = weak.lock();
        void* refcon = nullptr;
        if (!self || !self->hears(chain, notification, &refcon)) return;
        auto callback = self->callback_;
        callback(*self, chain.front(), notification, refcon);
    }));
}

}  // namespace platform
