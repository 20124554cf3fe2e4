#pragma once

// The local notification centre: observers by name, with an optional object filter.
//
// Posting on the main thread delivers at once, to every matching observer in the order
// they were added (as the system's centre does); a handler that posts in turn has its
// notification delivered whole before the outer delivery goes on. Posting from another
// thread hands the delivery to the main loop, in posting order; it is dropped when the
// centre is gone by then. An observer removed during a delivery gets nothing more; one
// added during a delivery gets the next notification, not the current one. Observers
// are added and removed on the main thread. An observer belongs to the run that adds it
// (process_run.h): once that run has ended it hears nothing more.
//
// Names used here: the system's local notifications ("NSCalendarDayChangedNotification",
// "NSWindowDidMiniaturizeNotification", "NSWindowDidDeminiaturizeNotification",
// "NSApplicationDidBecomeActiveNotification", "NSApplicationDidResignActiveNotification",
// "NSWindowDidBecomeKeyNotification", "NSWindowDidResignKeyNotification",
// "NSApplicationDidChangeScreenParametersNotification",
// "NSCurrentLocaleDidChangeNotification", "NSSystemTimeZoneDidChangeNotification") and the
// workspace's.

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/handover.h"

namespace platform {

struct Notification {
    std::string name;
    // Who posted it, compared by identity; null for none.
    const void* object = nullptr;
    std::map<std::string, std::any> userInfo;

    // The entry under `key` when it holds a T.
    template <class T>
    const T* info(const std::string& key) const {
        auto it = userInfo.find(key);
        return it == userInfo.end() ? nullptr : std::any_cast<T>(&it->second);
    }
};

namespace notifications {
inline const std::string kCalendarDayChanged = "NSCalendarDayChangedNotification";
inline const std::string kWindowDidMiniaturize = "NSWindowDidMiniaturizeNotification";
inline const std::string kWindowDidDeminiaturize = "NSWindowDidDeminiaturizeNotification";
inline const std::string kApplicationDidBecomeActive = "NSApplicationDidBecomeActiveNotification";
inline const std::string kApplicationDidResignActive = "NSApplicationDidResignActiveNotification";
inline const std::string kWindowDidBecomeKey = "NSWindowDidBecomeKeyNotification";
inline const std::string kWindowDidResignKey = "NSWindowDidResignKeyNotification";
inline const std::string kScreenParametersChanged = "NSApplicationDidChangeScreenParametersNotification";
// The user's locale changed (posted with no object).
inline const std::string kCurrentLocaleDidChange = "NSCurrentLocaleDidChangeNotification";
// The system's time zone changed (posted with no object).
inline const std::string kSystemTimeZoneDidChange = "NSSystemTimeZoneDidChangeNotification";
}  // namespace notifications

class NotificationCenter {
public:
    using Handler = Handover<void(const Notification&)>;
    // Keeps the observation alive only as a key for removal; the centre owns it.
    using Token = std::shared_ptr<const void>;

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // The process's default centre: one per run of the process.
    static NotificationCenter& defaultCenter();

    // An empty name matches every name; a null object matches every object.
    Token addObserver(std::string name, const void* object, Handler handler);
    void removeObserver(const Token& token);
    void post(Notification notification);
    void post(std::string name, const void* object = nullptr) { post(Notification{std::move(name), object, {}}); }

    size_t observerCount() const;
    // Expires when the centre goes: holders of a token that may outlive the centre (a
    // task's stream, when the world goes first) check it before removing.
    std::weak_ptr<const void> lifetime() const { return state_; }

private:
    struct Record {
        std::string name;
        const void* object;
        Handler handler;
        bool removed = false;
    };
    // Shared with deliveries handed to the main loop, which hold it weakly.
    struct State {
        std::vector<std::shared_ptr<Record>> records;
    };
    static void deliver(State& state, const Notification& notification);
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace platform
