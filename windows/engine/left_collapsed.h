#pragma once

// Windows left collapsed: per application, windows that were left at their collapsed
// strip size, each with its frame as it was left and the height it had before. When such
// an application runs, the engine looks for them among its windows on screen and gives
// each one found its height again; the ones dealt with leave the stored list.
//
// Stored form. "WindowsLeftCollapsed" holds a dictionary from a bundle identifier to an
// array of window dictionaries: "Title" (text), "X", "Y", "Width", "Height" (the frame,
// top-left coordinates) and "OriginalHeight" (reals), all required and finite. A window
// that lacks one or holds anything else is skipped on reading, and stays stored as it is
// when its application's list is pruned: what cannot be read is not ours to drop. An
// application's key is stored only while its list is not empty, and
// "WindowsLeftCollapsed" only while some application's is. Nothing in the program adds
// to the lists.
//
// A remembered window whose original height no window can have (not above 0, or taller
// than any screen could show) is never paired, so nothing is ever sized to it.
//
// Main thread (the accessibility requests are bounded by the messaging timeout).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/accessibility/element.h"
#include "platform/defaults/user_defaults.h"
#include "platform/geometry/geometry.h"
#include "platform/plist/value.h"

namespace furlpane {

struct LeftCollapsed {
    std::string title;
    platform::Rect frame;
    double originalHeight = 0;
    friend bool operator==(const LeftCollapsed&, const LeftCollapsed&) = default;
};

class LeftCollapsedWindows {
public:
    static constexpr const char* kDefaultsKey = "WindowsLeftCollapsed";
    // How far a window's size may differ from the remembered one and still be it.
    static constexpr double kSizeTolerance = 1.0;

    // The remembered windows that were given their height again, and the others.
    struct Reopened {
        std::vector<LeftCollapsed> reopened;
        std::vector<LeftCollapsed> remaining;
    };
    // A window of the application on screen that may be a remembered one.
    struct Found {
        platform::AccessibilityElement element;
        std::string title;
        platform::Rect frame;
    };
    // Whether the engine already holds the window of this number.
    using HoldsWindow = std::function<bool(uint32_t)>;

    // Over the defaults (the ledger's), which must outlive it.
    explicit LeftCollapsedWindows(platform::UserDefaults& defaults) : defaults_(&defaults) {}
    // Over the shared ledger's defaults.
    static LeftCollapsedWindows ofSharedLedger();

    // The application's remembered windows in stored order; empty for anything unreadable.
    std::vector<LeftCollapsed> leftCollapsed(const std::string& bundleIdentifier) const;
    // Removes each given window once (exact equality), first match first, from the
    // application's list in one read-modify-write; an empty list reads and writes nothing.
    void forgetLeftCollapsed(const std::vector<LeftCollapsed>& windows, const std::string& bundleIdentifier);
    // Gives the application's matching windows on screen their original height again
    // ("AXSize", the width kept); windows the engine holds are left alone.
    Reopened reopenLeftCollapsed(const std::vector<LeftCollapsed>& windows, int32_t pid,
                                 const HoldsWindow& holdsWindow);
    // The bundle identifiers that have a stored list.
    std::set<std::string> bundleIdentifiers() const;

    // One-to-one pairs (remembered index, found index): of the pairs whose sizes agree
    // within kSizeTolerance, equal titles first, then the nearest top-left corners, ties
    // in the order formed (remembered, then found); in the order taken.
    static std::vector<std::pair<size_t, size_t>> pairLeftCollapsed(const std::vector<LeftCollapsed>& remembered,
                                                                    const std::vector<Found>& found);
    static std::optional<LeftCollapsed> decode(const platform::plist::Value& stored);
    static platform::plist::Dictionary encoded(const LeftCollapsed& window);
    // Whether a window of this frame may be the remembered one: its size agrees within
    // kSizeTolerance, and the remembered height is one a window can have.
    static bool mayBe(const LeftCollapsed& remembered, const platform::Rect& frame);

private:
    platform::UserDefaults* defaults_;
};

}  // namespace furlpane
