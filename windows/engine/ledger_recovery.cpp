// Putting back the windows that earlier instances of the program left changed.

#include "windows/engine/ledger_recovery.h"

namespace furlpane {

LedgerRecovery::LedgerRecovery(WindowLedger& ledger, std::weak_ptr<WindowEffectsServices> effects)
    : ledger_(ledger), effects_(std::move(effects)) {}

// Built next.
void LedgerRecovery::recover(Waiting) {}
// Built next.
bool LedgerRecovery::isOwnerRunning(const std::string&) { return false; }
// Built next.
bool LedgerRecovery::isAlreadyBack(const LedgerEntry&, std::optional<platform::Rect>, std::optional<platform::Rect>) {
    return false;
}
// Built next.
std::vector<LedgerEntry> LedgerRecovery::recoverOwner(const platform::plist::Value&, Pass&) { return {}; }
// Built next.
LedgerRecovery::Outcome LedgerRecovery::putBack(const LedgerEntry&, Pass&) { return Outcome::later; }
// Built next.
LedgerRecovery::Outcome LedgerRecovery::putBackMinimized(const LedgerEntry&, const platform::AccessibilityElement&) {
    return Outcome::later;
}
// Built next.
LedgerRecovery::Outcome LedgerRecovery::putBackCollapsed(const LedgerEntry&, const platform::AccessibilityElement&) {
    return Outcome::later;
}
// Built next.
void waitUntilInPlace(uint32_t) {}

}  // namespace furlpane
