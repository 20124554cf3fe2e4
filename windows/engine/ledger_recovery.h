#pragma once

// Putting back what earlier instances of the program left changed: the ledger lists, by
// owner, the windows an instance sent into the Dock (or collapsed) and did not put back.
// At start-up, and again on every change of the active Space, the lists of owners that no
// longer run are walked; each window is put back through accessibility, found gone
// (closed, reused by another process, or already back), or kept for a later pass.
//
// Waiting. At start-up and at quit (Waiting::yes) a further window of an application whose earlier
// window was just taken out of the Dock waits until that one shows in place (the window
// list and the window server agree on its bounds within 1.0 point, at most 1.5 seconds,
// polled every 8 milliseconds) and the application answers. An application whose
// windows are still travelling to or from the Dock (an instance that ended in the middle
// of sending them there or bringing them back) is busy as after a trip of this pass:
// before its windows are judged, they are given the same time to arrive, and before they
// are read the application is given the time to answer that ends every trip (at most
// 0.6 seconds), as is one that does not answer the request to take a window out (another
// instance of the program may have sent one of its windows on a trip) before it is asked
// once more. On a Space change (Waiting::no) nothing sleeps: such windows, and those of
// a busy application, are kept for the next pass.
//
// A pass tells what it kept and why (Kept), so that its caller can try again once the
// reason has gone: an application busy or not answering, Accessibility not granted.
//
// Every application's accessibility windows are read at most once per pass. The lists of
// other running instances are never touched, nor is this instance's own list once it has
// recorded or forgotten anything. Before that, at start-up, a list under this process's
// identifier can only be an earlier process's that had the same identifier and ended
// without putting its windows back: the start-up pass recovers it like any other, and
// files what it keeps for later under kEarlierOwnerSuffix appended to the key, which no
// running instance owns, so that this instance's first recording does not overwrite it.
//
// The dictionary is read once at the start of a pass and written once at its end, as one
// read-modify-write that replaces only the lists the pass dealt with: what other
// instances recorded meanwhile stays. Main thread; with Waiting::yes it blocks the
// thread while it waits.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/accessibility/element.h"
#include "platform/geometry/geometry.h"
#include "platform/plist/value.h"
#include "platform/runtime/result.h"
#include "windows/changed/window_effects_services.h"
#include "windows/changed/window_ledger.h"

namespace furlpane {

class LedgerRecovery {
public:
    enum class Waiting { no, yes };
    enum class Outcome { putBack, gone, later };

    // What a pass kept for later, and why.
    struct Kept {
        // Applications with an entry kept because they were busy: on a trip, or not
        // answering accessibility requests.
        std::set<int32_t> busy;
        // Applications of which the pass took a window out of the Dock.
        std::set<int32_t> progressed;
        // Whether an entry was kept because Accessibility is not granted.
        bool untrusted = false;
    };

    // How much taller than its collapsed height a collapsed window must stand to count
    // as already back.
    static constexpr double kBackMargin = 6.0;
    // No window is this tall: a stored height beyond it is no height to give a window.
    static constexpr double kTallestWindow = 100000.0;
    // What an earlier process with this process's identifier left for later is kept
    // under the identifier followed by this (never a running instance's key).
    static constexpr const char* kEarlierOwnerSuffix = ".earlier";

    // Over the ledger; the engine's busy-applications services count the trips out of the
    // Dock that recovery starts (nothing is counted once the engine is gone).
    LedgerRecovery(WindowLedger& ledger, std::weak_ptr<WindowEffectsServices> effects);

    Kept recover(Waiting waiting);

    // Whether the owner key names a running instance of this program: a 32-bit process
    // identifier in decimal, spelt as an owner key is written (no sign, no leading zero),
    // of a running application whose bundle identifier is this program's. A key spelt
    // otherwise is an owner that no longer runs, whose list is recovered or dropped.
    static bool isOwnerRunning(const std::string& ownerKey);
    // Whether the entry's window already stands as it should: on screen and in place (no
    // longer on a trip into the Dock) for a minimized one, tall enough for a collapsed
    // one.
    static bool isAlreadyBack(const LedgerEntry& entry, std::optional<platform::Rect> onScreen,
                              std::optional<platform::Rect> serverBounds);

private:
    using WindowsRead = platform::Result<std::vector<platform::AccessibilityElement>, platform::AccessibilityError>;

    struct Pass {
        Waiting waiting = Waiting::no;
        // The window last taken out of the Dock in this pass, by application.
        std::map<int32_t, uint32_t> waitFor;
        // The applications whose trips under way this pass has waited for.
        std::set<int32_t> awaited;
        std::map<int32_t, WindowsRead> windowsOf;
        Kept kept;
    };

    // The owners whose lists this pass deals with, this process's own (when it is an
    // earlier process's) last.
    std::vector<std::string> ownersToRecover(const platform::plist::Dictionary& owners, Waiting waiting) const;
    // The entries of one owner's list that are kept for later.
    std::vector<LedgerEntry> recoverOwner(const platform::plist::Value& list, Pass& pass);
    // Whether the entry waits for a later pass before anything is done to its window.
    bool waitsForLaterPass(const LedgerEntry& entry, Pass& pass) const;
    // Writes the kept lists of the owners dealt with (an empty one removes its owner).
    void store(const std::map<std::string, std::vector<LedgerEntry>>& dealt);
    Outcome putBack(const LedgerEntry& entry, Pass& pass);
    // The application's accessibility windows, read once per pass.
    static const WindowsRead& windowsOf(int32_t pid, Pass& pass);
    Outcome putBackMinimized(const LedgerEntry& entry, const platform::AccessibilityElement& element, Pass& pass);
    Outcome putBackCollapsed(const LedgerEntry& entry, const platform::AccessibilityElement& element);

    WindowLedger& ledger_;
    std::weak_ptr<WindowEffectsServices> effects_;
};

// Waits, blocking, until the window list and the window server agree on the window's
// bounds within 1.0 point, at most 1.5 seconds, reading every 8 milliseconds; at once
// when the window server's bounds cannot be read.
void waitUntilInPlace(uint32_t window);

}  // namespace furlpane
