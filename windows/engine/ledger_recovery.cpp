// Putting back the windows that earlier instances of the program left changed.

#include "windows/engine/ledger_recovery.h"

#include <charconv>
#include <cmath>

#include "platform/accessibility/trust.h"
#include "platform/accessibility/value.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/workspace.h"
#include "platform/windowserver/window_list.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/asking_again.h"
#include "windows/access/main_thread.h"
#include "windows/access/screens.h"
#include "windows/access/window_info.h"
#include "windows/access/window_server.h"
#include "windows/changed/affected_window.h"
#include "windows/engine/busy_applications.h"

namespace furlpane {

using platform::AccessibilityElement;
using platform::Rect;
using platform::plist::Array;
using platform::plist::Dictionary;
using platform::plist::Value;

namespace {

// How long, how often and how closely a window just taken out of the Dock is watched
// until it stands in place.
constexpr double kInPlaceLimit = 1.5;
constexpr double kInPlacePoll = 0.008;
constexpr double kInPlaceTolerance = 1.0;

bool agree(const Rect& a, const Rect& b) {
    return std::fabs(a.minX() - b.minX()) < kInPlaceTolerance && std::fabs(a.minY() - b.minY()) < kInPlaceTolerance &&
           std::fabs(a.width() - b.width()) < kInPlaceTolerance &&
           std::fabs(a.height() - b.height()) < kInPlaceTolerance;
}

std::optional<Rect> serverBounds(uint32_t window) {
    const auto symbols = WindowServer::loadCaptureSymbols();
    return symbols ? symbols->windowBounds(window) : std::nullopt;
}

// The process an owner key names: only the spelling the program writes, a 32-bit
// identifier in decimal without sign or leading zero. "0401" or "+401" is nobody's key,
// never process 401's: taken for it, an instance would count a list under its own
// identifier as another running instance's, and leave those windows alone for good.
std::optional<int32_t> ownerProcess(const std::string& key) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), value);
    if (error != std::errc() || end != key.data() + key.size() || std::to_string(value) != key) return std::nullopt;
    return value;
}

// The window server's record of the window; none when it lists no such window.
std::optional<Dictionary> listedRecord(uint32_t window) {
    const auto list = window_info::copyDictionaries(platform::WindowList::includingWindow, window);
    if (!list || list->empty()) return std::nullopt;
    return *(*list)[0].dictionary();
}

// Whether the window server still has the window, as a window of that process (a
// number it reused for another process's window is not ours to touch).
bool belongsTo(uint32_t window, int32_t pid) {
    const auto record = listedRecord(window);
    return record && window_info::owner(*record) == pid;
}

std::optional<AccessibilityElement> elementOfWindow(const std::vector<AccessibilityElement>& elements,
                                                    uint32_t window) {
    for (const auto& element : elements) {
        if (windowNumber(element) == window) return element;
    }
    return std::nullopt;
}

Value encoded(const std::vector<LedgerEntry>& entries) {
    Array list;
    for (const auto& entry : entries) list.push_back(entry.encoded());
    return Value(std::move(list));
}

// Reads, blocking, every poll interval until `done` holds or the limit has passed;
// whether it held.
template <class Done>
bool pollWithinLimit(Done done) {
    auto& loop = platform::MainLoop::main();
    const double deadline = loop.now() + kInPlaceLimit;
    while (true) {
        if (done()) return true;
        if (loop.now() >= deadline) return false;
        loop.blockFor(kInPlacePoll);
    }
}

// Whether no trip to or from the Dock is under way, given where the window list has the
// window on screen: the window is off the screen, or the window server shows it there.
// Without the window server's bounds nothing tells, and the window counts as settled.
bool dockTripSettled(uint32_t window, const std::optional<Rect>& onScreen) {
    if (!onScreen) return true;
    const auto server = serverBounds(window);
    return !server || agree(*onScreen, *server);
}

bool dockTripSettled(uint32_t window) { return dockTripSettled(window, WindowServer::onScreenBounds(window)); }

// Whether none of the application's windows on screen is on a trip to or from the Dock.
bool tripsSettled(int32_t pid) {
    using platform::WindowList;
    const auto list = window_info::copyDictionaries(WindowList::onScreenOnly, WindowList::kNullWindow);
    if (!list) return true;
    for (const auto& item : *list) {
        const Dictionary& record = *item.dictionary();
        const auto number = window_info::number(record);
        if (number && window_info::owner(record) == pid && !dockTripSettled(*number, window_info::bounds(record)))
            return false;
    }
    return true;
}

// A window whose screen has gone comes back inside the first screen, not where no screen
// shows it: the origin to move it to, none when it stays where it was.
std::optional<platform::Point> moveOntoConnectedScreen(uint32_t window) {
    const auto record = listedRecord(window);
    const auto listed = record ? window_info::bounds(*record) : std::nullopt;
    if (!listed) return std::nullopt;
    const auto placed = frameOnConnectedScreen(*listed);
    if (!placed || placed->origin == listed->origin) return std::nullopt;
    return placed->origin;
}

}  // namespace

void waitUntilInPlace(uint32_t window) {
    pollWithinLimit([window] {
        const auto listed = WindowServer::onScreenBounds(window);
        const auto server = serverBounds(window);
        return !server || (listed && agree(*listed, *server));
    });
}

LedgerRecovery::LedgerRecovery(WindowLedger& ledger, std::weak_ptr<WindowEffectsServices> effects)
    : ledger_(ledger), effects_(std::move(effects)) {}

LedgerRecovery::Kept LedgerRecovery::recover(Waiting waiting) {
    requireMainThread("WindowLedger.recover");
    const auto stored = ledger_.defaults().storedObject(WindowLedger::kDefaultsKey);
    const Dictionary* owners = stored ? stored->dictionary() : nullptr;
    if (!owners) return {};
    Pass pass;
    pass.waiting = waiting;
    std::map<std::string, std::vector<LedgerEntry>> dealt;
    for (const auto& owner : ownersToRecover(*owners, waiting)) {
        auto kept = recoverOwner(*owners->find(owner), pass);
        if (owner != ledger_.ownerKey()) {
            dealt[owner] = std::move(kept);
            continue;
        }
        dealt[owner] = {};
        auto& heir = dealt[owner + kEarlierOwnerSuffix];
        heir.insert(heir.end(), kept.begin(), kept.end());
    }
    if (!dealt.empty()) store(dealt);
    return pass.kept;
}

std::vector<std::string> LedgerRecovery::ownersToRecover(const Dictionary& owners, Waiting waiting) const {
    std::vector<std::string> keys;
    bool ownIsEarlier = false;
    for (const auto& key : owners.keys()) {
        if (key == ledger_.ownerKey()) {
            // This instance removes its key whenever it keeps nothing: at start-up, before
            // it has changed anything, the list is an earlier process's.
            ownIsEarlier = waiting == Waiting::yes && ledger_.entries().empty();
            continue;
        }
        if (!isOwnerRunning(key)) keys.push_back(key);
    }
    if (ownIsEarlier) keys.push_back(ledger_.ownerKey());
    return keys;
}

std::vector<LedgerEntry> LedgerRecovery::recoverOwner(const Value& list, Pass& pass) {
    std::vector<LedgerEntry> kept;
    const Array* stored = list.array();
    if (!stored) return kept;
    for (const auto& element : *stored) {
        const auto entry = LedgerEntry::decode(element);
        if (!entry) continue;
        if (waitsForLaterPass(*entry, pass)) {
            kept.push_back(*entry);
            continue;
        }
        switch (putBack(*entry, pass)) {
            case Outcome::putBack:
                pass.kept.progressed.insert(entry->processIdentifier);
                if (std::holds_alternative<LedgerEntry::Minimized>(entry->change))
                    pass.waitFor[entry->processIdentifier] = entry->id;
                break;
            case Outcome::gone: break;
            case Outcome::later: kept.push_back(*entry); break;
        }
    }
    return kept;
}

// At start-up and at quit a further window of an application waits here until the one
// taken out of the Dock before it stands in place; on a Space change nothing waits, and
// the window waits for the next pass instead, as one of a busy application does.
bool LedgerRecovery::waitsForLaterPass(const LedgerEntry& entry, Pass& pass) const {
    const int32_t pid = entry.processIdentifier;
    bool busy = false;
    if (const auto earlier = pass.waitFor.find(pid); earlier != pass.waitFor.end()) {
        busy = pass.waiting == Waiting::no;
        if (!busy) {
            waitUntilInPlace(earlier->second);
            BusyApplications::waitUntilAnswering(pid);
            pass.waitFor.erase(earlier);
        }
    }
    if (!busy && pass.waiting == Waiting::no) {
        const auto effects = effects_.lock();
        busy = effects && effects->isBusy(pid);
    }
    if (busy) pass.kept.busy.insert(pid);
    return busy || ledger_.entries().count(entry.id) > 0;
}

// The owners left with nothing go in one pass, however many an earlier crash left. The
// change holds what it uses: a write the file cannot take at once makes it again later.
void LedgerRecovery::store(const std::map<std::string, std::vector<LedgerEntry>>& dealt) {
    ledger_.defaults().update(WindowLedger::kDefaultsKey, [dealt](std::optional<Value> stored) {
        Dictionary owners;
        if (stored && stored->dictionary()) owners = std::move(*stored->dictionary());
        owners.eraseIf([&dealt](std::string_view owner, const Value&) {
            const auto found = dealt.find(std::string(owner));
            return found != dealt.end() && found->second.empty();
        });
        for (const auto& [owner, kept] : dealt) {
            if (!kept.empty()) owners.set(owner, encoded(kept));
        }
        return owners.empty() ? std::nullopt : std::optional<Value>(std::move(owners));
    });
}

bool LedgerRecovery::isOwnerRunning(const std::string& ownerKey) {
    const auto pid = ownerProcess(ownerKey);
    if (!pid) return false;
    const auto owner = platform::RunningApplication::withProcessIdentifier(*pid);
    if (!owner) return false;
    const auto self = platform::RunningApplication::current();
    return owner->bundleIdentifier() == (self ? self->bundleIdentifier() : std::nullopt);
}

bool LedgerRecovery::isAlreadyBack(const LedgerEntry& entry, std::optional<Rect> onScreen,
                                   std::optional<Rect> serverBounds) {
    const auto* collapsed = std::get_if<LedgerEntry::Collapsed>(&entry.change);
    // A window on its way into the Dock is still on screen, shrinking where the window
    // list has it whole: only one the window server shows in place is back.
    if (!collapsed) return onScreen && (!serverBounds || agree(*onScreen, *serverBounds));
    if (!serverBounds) return false;
    const double height = serverBounds->height();
    if (height >= collapsed->originalHeight) return true;
    return collapsed->collapsedHeight && height > *collapsed->collapsedHeight + kBackMargin;
}

LedgerRecovery::Outcome LedgerRecovery::putBack(const LedgerEntry& entry, Pass& pass) {
    const int32_t pid = entry.processIdentifier;
    if (!belongsTo(entry.id, pid)) return Outcome::gone;
    // A window still travelling to or from the Dock is judged once it has arrived: at
    // start-up and at quit recovery waits for the application's trips, as it waits for a
    // window it took out; on a Space change the entry waits for the next pass.
    if (pass.waiting == Waiting::yes && pass.awaited.insert(pid).second)
        pollWithinLimit([pid] { return tripsSettled(pid); });
    if (std::holds_alternative<LedgerEntry::Minimized>(entry.change) && !dockTripSettled(entry.id)) {
        pass.kept.busy.insert(pid);
        return Outcome::later;
    }
    if (isAlreadyBack(entry, WindowServer::onScreenBounds(entry.id), serverBounds(entry.id))) return Outcome::gone;
    if (!platform::AccessibilityTrust::isProcessTrusted()) {
        pass.kept.untrusted = true;
        return Outcome::later;
    }
    const auto& windows = windowsOf(pid, pass);
    if (!windows.ok()) {
        if (windows.error() == platform::AccessibilityError::cannotComplete) pass.kept.busy.insert(pid);
        return Outcome::later;
    }
    const auto element = elementOfWindow(windows.value(), entry.id);
    if (!element) return Outcome::later;
    if (std::holds_alternative<LedgerEntry::Minimized>(entry.change)) return putBackMinimized(entry, *element, pass);
    return putBackCollapsed(entry, *element);
}

// At start-up and at quit an application that may have just travelled is given the time
// to answer that ends every trip before it is read.
const LedgerRecovery::WindowsRead& LedgerRecovery::windowsOf(int32_t pid, Pass& pass) {
    if (const auto cached = pass.windowsOf.find(pid); cached != pass.windowsOf.end()) return cached->second;
    if (pass.waiting == Waiting::yes) BusyApplications::waitUntilAnswering(pid);
    return pass.windowsOf.emplace(pid, readApplicationWindows(pid)).first->second;
}

// A window taken out of the Dock is a trip like those the program makes: its application
// counts as busy until the trip is over and it answers again.
LedgerRecovery::Outcome LedgerRecovery::putBackMinimized(const LedgerEntry& entry, const AccessibilityElement& element,
                                                         Pass& pass) {
    const auto minimized = boolAttribute(ax::attribute::minimized, element);
    if (!minimized) return Outcome::later;
    if (!*minimized) return Outcome::gone;
    const int32_t pid = entry.processIdentifier;
    const auto effects = effects_.lock();
    if (effects) effects->refreshKnownTargets(pid, {entry.id});
    const auto takeOut = [&element, &entry] { return bringOutOfDock(element, moveOntoConnectedScreen(entry.id)); };
    std::function<bool()> untilAnswering;
    if (pass.waiting == Waiting::yes) untilAnswering = [pid] { return BusyApplications::waitUntilAnswering(pid); };
    const auto written = askWhenAnswering(takeOut, untilAnswering).error;
    if (written != platform::AccessibilityError::success) {
        if (effects && !effects->isBusy(pid)) effects->forgetKnownTargets(pid);
        if (written == platform::AccessibilityError::cannotComplete) pass.kept.busy.insert(pid);
        return Outcome::later;
    }
    if (effects) {
        effects->markBusy(pid);
        platform::spawnMain([weak = effects_, window = entry.id, pid] {
            return AffectedWindow::dockWaitTask(weak, window, DockTripDirection::deminiaturizing, Speed::normal, pid);
        });
    }
    return Outcome::putBack;
}

LedgerRecovery::Outcome LedgerRecovery::putBackCollapsed(const LedgerEntry& entry, const AccessibilityElement& element) {
    const auto& collapsed = std::get<LedgerEntry::Collapsed>(entry.change);
    const auto frame = elementFrame(element);
    if (!frame.ok()) return Outcome::later;
    const double height = frame.value().height();
    if (height >= collapsed.originalHeight) return Outcome::gone;
    if (collapsed.collapsedHeight && height > *collapsed.collapsedHeight + kBackMargin) return Outcome::gone;
    // A stored height no window can have is no change to undo.
    if (!(collapsed.originalHeight > 0 && collapsed.originalHeight <= kTallestWindow)) return Outcome::gone;
    const platform::Size size{frame.value().width(), collapsed.originalHeight};
    const auto result = element.setAttributeValue(ax::attribute::size, platform::AccessibilityValue(size));
    return result == platform::AccessibilityError::success ? Outcome::putBack : Outcome::later;
}

}  // namespace furlpane
