#pragma once

// Putting back what earlier instances of the program left changed: the ledger lists, by
// owner, the windows an instance sent into the Dock (or collapsed) and did not put back.
// At start-up, and again on every change of the active Space, the lists of owners that no
// longer run are walked; each window is put back through accessibility, found gone
// (closed, reused by another process, or already back), or kept for a later pass.
//
// Waiting. At start-up (Waiting::yes) a further window of an application whose earlier
// window was just taken out of the Dock waits until that one shows in place (the window
// list and the window server agree on its bounds within 1.0 point, at most 1.5 seconds,
// polled every 8 milliseconds) and the application answers. On a Space change
// (Waiting::no) nothing sleeps: such windows, and those of a busy application, are kept
// for the next pass.
//
// Every application's accessibility windows are read at most once per pass. The lists of
// this instance and of other running instances are never touched. Main thread; with
// Waiting::yes it blocks the thread while it waits.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility/element.h"
#include "platform/geometry/geometry.h"
#include "platform/plist/value.h"
#include "windows/changed/window_effects_services.h"
#include "windows/changed/window_ledger.h"

namespace furlpane {

class LedgerRecovery {
public:
    enum class Waiting { no, yes };
    enum class Outcome { putBack, gone, later };

    // How much taller than its collapsed height a collapsed window must stand to count
    // as already back.
    static constexpr double kBackMargin = 6.0;

    // Over the ledger; the engine's busy-applications services count the trips out of the
    // Dock that recovery starts (nothing is counted once the engine is gone).
    LedgerRecovery(WindowLedger& ledger, std::weak_ptr<WindowEffectsServices> effects);

    void recover(Waiting waiting);

    // Whether the owner key names a running instance of this program.
    static bool isOwnerRunning(const std::string& ownerKey);
    // Whether the entry's window already stands as it should: on screen for a minimized
    // one, tall enough for a collapsed one.
    static bool isAlreadyBack(const LedgerEntry& entry, std::optional<platform::Rect> onScreen,
                              std::optional<platform::Rect> serverBounds);

private:
    struct Pass {
        Waiting waiting = Waiting::no;
        // The window last taken out of the Dock in this pass, by application.
        std::map<int32_t, uint32_t> waitFor;
        std::map<int32_t, std::vector<platform::AccessibilityElement>> windowsOf;
    };

    // The entries of one owner's list that are kept for later.
    std::vector<LedgerEntry> recoverOwner(const platform::plist::Value& list, Pass& pass);
    Outcome putBack(const LedgerEntry& entry, Pass& pass);
    Outcome putBackMinimized(const LedgerEntry& entry, const platform::AccessibilityElement& element);
    Outcome putBackCollapsed(const LedgerEntry& entry, const platform::AccessibilityElement& element);

    WindowLedger& ledger_;
    std::weak_ptr<WindowEffectsServices> effects_;
};

// Waits, blocking, until the window list and the window server agree on the window's
// bounds within 1.0 point, at most 1.5 seconds, reading every 8 milliseconds; at once
// when the window server's bounds cannot be read.
void waitUntilInPlace(uint32_t window);

}  // namespace furlpane
