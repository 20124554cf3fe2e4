#pragma once

// Fault injection: what goes wrong in the world, set up by a test in one place and
// honoured by every stand-in, keyed by the call, the name (attribute, action or key),
// the application, and the window or control concerned.
//
//   world.faults().on(FaultCall::readAttribute, "AXWindows").forApplication(pid).wrongType();
//   world.faults().on(FaultCall::writeAttribute, "AXMinimized").forWindow(n).refuse();
//   world.faults().on(FaultCall::performAction, "AXPress").times(1).fail(AccessibilityError::cannotComplete);
//   world.faults().on(FaultCall::windowList).fail();
//
// A rule matches a call when its call is the same, its name is empty or the same, and
// every target it names (application, window, control) is the one concerned; a rule
// for a window also matches the controls inside it. The newest matching rule decides.
// A rule limited by times(n) stops matching after n uses.

#include <any>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace platform::desktop {

enum class FaultCall {
    readAttribute,       // one attribute, alone or in a slot of a multiple request
    readAttributes,      // a multiple-attribute request as a whole
    readParameterized,
    writeAttribute,
    performAction,
    elementAtPosition,
    addNotification,
    createObserver,
    windowNumber,        // the element's window-number private call
    windowBounds,        // the private window-bounds call
    windowList,          // a window list as a whole
    windowListEntry,     // one key of a window-list entry (the name is the key)
    applicationsByBundleIdentifier,
    workspaceNotification,  // the name is the notification's; missing drops the application
    hardwareCapture,     // the private window capture, for each window asked for
    backdropImage,       // a picture of what lies behind windows
    managedDisplaySpaces,
    spacesForWindows,
    hotKeyOperatingMode,  // the name is "get" or "set"
    symbolicHotKey,       // reading one symbolic hot key; the name is its number
    createEventTap,
    registerLoginItem,    // the service's answers carry a code and a description
    unregisterLoginItem,
    startUpdater,         // the update framework failing to start, with a description
    checkForUpdates,      // an update check that cannot reach its feed
};

enum class FaultEffect {
    error,         // the call fails with the code
    wrongType,     // a value of another type comes back
    missing,       // the value is not there
    unresponsive,  // the call takes `seconds` (past its timeout it cannot complete)
    answer,        // the payload comes back instead of the real answer
};

struct Fault {
    FaultEffect effect = FaultEffect::error;
    int32_t code = -25200;
    double seconds = 0;
    std::any payload;
    // What a service says of the error, for calls that answer with one; empty: the
    // service's own words for a failure.
    std::string description;
};

struct FaultQuery {
    FaultCall call;
    std::string_view name;
    int32_t pid = 0;
    uint32_t window = 0;
    uint64_t control = 0;
};

class Desktop;

// Rules are set and faults taken under the world's lock, from any thread.
class Faults {
public:
    explicit Faults(const Desktop& world) : world_(world) {}

    class Rule {
    public:
        Rule& forApplication(int32_t pid);
        Rule& forWindow(uint32_t number);
        Rule& forControl(uint64_t id);
        Rule& times(int count);
        Rule& fail(int32_t code = -25200);
        // An error with the sentence the service gives with it.
        Rule& fail(int32_t code, std::string description);
        template <class E>
            requires std::is_enum_v<E>
        Rule& fail(E code) {
            return fail(static_cast<int32_t>(code));
        }
        // A refused write or press: the call fails with "cannot complete".
        Rule& refuse();
        Rule& wrongType();
        Rule& missing();
        Rule& hang(double seconds = std::numeric_limits<double>::infinity());
        Rule& answer(std::any payload);

    private:
        friend class Faults;
        bool matches(const FaultQuery& query) const;

        const Desktop* world_ = nullptr;
        FaultCall call_;
        std::string name_;
        std::optional<int32_t> pid_;
        std::optional<uint32_t> window_;
        std::optional<uint64_t> control_;
        int remaining_ = -1;  // -1: always
        Fault fault_;
        int uses_ = 0;
    };

    Rule& on(FaultCall call, std::string name = {});
    // The fault for a call, counting one use of its rule; nothing when none matches.
    std::optional<Fault> take(const FaultQuery& query);
    // Whether a rule for the call may still match, so that a caller asking many times in
    // one go (a key of every entry of a window list) can skip asking when none is set.
    bool isArmed(FaultCall call) const;
    // How often the rules of a call (and name, when given) have been used.
    int uses(FaultCall call, std::string_view name = {}) const;
    void clear();

private:
    const Desktop& world_;
    std::deque<Rule> rules_;  // a deque keeps references to rules stable
};

}  // namespace platform::desktop
