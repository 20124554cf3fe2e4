// Putting back what earlier runs left changed, and trying again what a pass had to keep.
//
// A pass keeps an entry for later while its application is busy (a trip under way, or
// not answering) or Accessibility is not granted. Space changes and launches come
// seldom, and a window must not sit in the Dock until one does: the application is
// watched until it has settled and answers again, the grant is looked at every
// kGrantPoll seconds, and then one more pass runs on the serial chain, as a Space
// change's does. An application that does not answer is asked off the main thread, so
// that the program never stalls on it meanwhile; one that is still busy after
// kLedgerRetries such passes in a row, each after up to kLedgerRetryWait seconds, is
// left to the next Space change, launch or quit.

#include "platform/accessibility/trust.h"
#include "platform/services/workspace.h"
#include "windows/access/main_thread.h"
#include "windows/changed/window_ledger.h"
#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::MainLoop;
using platform::Task;
using Waiting = LedgerRecovery::Waiting;

void WindowEffects::recoverLedger(Waiting waiting) {
    requireMainThread("WindowEffects.recoverLedger");
    // A pass of its own gives every application its retries again.
    ledgerRetries_.clear();
    runLedgerPass(waiting);
}

void WindowEffects::runLedgerPass(Waiting waiting) {
    const auto kept = LedgerRecovery(WindowLedger::shared(), weak_from_this()).recover(waiting);
    if (isEnding_) return;
    for (const int32_t pid : kept.busy) {
        int& retries = ledgerRetries_[pid];
        if (kept.progressed.count(pid)) retries = 0;
        if (retries >= kLedgerRetries) continue;
        ++retries;
        retryLedgerWhenSettled(pid);
    }
    if (kept.untrusted) retryLedgerWhenTrusted();
}

void WindowEffects::retryLedgerWhenSettled(int32_t pid) {
    if (!ledgerRetriesArmed_.insert(pid).second) return;
    platform::spawnMain([weak = weak_from_this(), pid] { return ledgerRetry(weak, pid); });
}

Task<void> WindowEffects::ledgerRetry(std::weak_ptr<WindowEffects> weak, int32_t pid) {
    auto engine = weak.lock();
    if (!engine) co_return;
    if (engine->isBusy(pid)) {
        auto settling = engine->settled(pid);
        co_await settling;
    }
    engine.reset();
    auto& loop = MainLoop::main();
    const double deadline = loop.now() + kLedgerRetryWait;
    bool answered = false;
    while (!answered && loop.now() < deadline && platform::RunningApplication::withProcessIdentifier(pid)) {
        auto asking = BusyApplications::answers(pid);
        answered = co_await asking;
    }
    engine = weak.lock();
    if (!engine) co_return;
    engine->queueStep([pid](WindowEffects& effects) {
        effects.ledgerRetriesArmed_.erase(pid);
        effects.runLedgerPass(Waiting::no);
    });
}

void WindowEffects::retryLedgerWhenTrusted() {
    if (grantPoll_) return;
    grantPoll_ = platform::Timer::make(kGrantPoll, true, [weak = weak_from_this()] {
        const auto engine = weak.lock();
        if (!engine || !platform::AccessibilityTrust::isProcessTrusted()) return;
        engine->grantPoll_->invalidate();
        engine->grantPoll_.reset();
        engine->queueStep([](WindowEffects& effects) { effects.runLedgerPass(Waiting::no); });
    });
    MainLoop::main().add(grantPoll_, platform::modes::kCommon);
}

}  // namespace furlpane
