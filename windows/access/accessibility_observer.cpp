#include "windows/access/accessibility_observer.h"

#include "platform/runtime/main_loop.h"
#include "windows/access/main_thread.h"

namespace furlpane {

using platform::MainLoop;

AccessibilityObserver::Pointer AccessibilityObserver::create(int32_t pid, Handler handler) {
    Pointer object(new AccessibilityObserver(Key{}, std::move(handler)));
    auto made = platform::AccessibilityProcessObserver::create(pid, &AccessibilityObserver::callback);
    if (!made.ok() || !made.value()) return nullptr;
    object->observer_ = std::move(made).value();
    MainLoop::main().add(object->observer_->runLoopSource(), platform::modes::kCommon);
    return object;
}

void AccessibilityObserver::MainThreadDelete::operator()(AccessibilityObserver* object) const {
    if (MainLoop::main().isMainThread()) {
        delete object;
    } else {
        MainLoop::main().post([object] { delete object; });
    }
}

AccessibilityObserver::~AccessibilityObserver() {
    if (!observer_) return;
    // Out of the loop first: nothing signalled from now on reaches the handler, and what
    // is already on its way is dropped with the observer.
    MainLoop::main().remove(observer_->runLoopSource(), platform::modes::kCommon);
}

platform::AccessibilityError AccessibilityObserver::addNotification(const platform::AccessibilityElement& element,
                                                                    const std::string& notification) {
    return observer_->addNotification(element, notification, this);
}

void AccessibilityObserver::callback(platform::AccessibilityProcessObserver&, const platform::AccessibilityElement& element,
                                     const std::string& notification, void* refcon) {
    if (!refcon) return;
    requireMainThread("AccessibilityObserver callback");
    // The handler may drop the object that holds it; its own copy lives through the call.
    Handler handler = static_cast<AccessibilityObserver*>(refcon)->handler_;
    handler(notification, element);
}

}  // namespace furlpane
