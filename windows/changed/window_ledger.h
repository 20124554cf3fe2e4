#pragma once

// The ledger of changed windows: what this instance of the program has done to other
// applications' windows and not yet undone, kept in the user's defaults so that a later
// instance can put the windows back after this one ended without doing so.
//
// Stored form. "ChangedWindows" holds a dictionary from an owner key (the decimal
// process identifier of the instance that recorded the entries) to an array of entry
// dictionaries: "WindowID" (integer, 0 ... 4294967295), "ProcessID" (integer,
// 1 ... 2147483647), "Change" ("Collapsed" or "Minimized"), and for "Collapsed" the
// real "Height" and, when known, the real "CollapsedHeight". An owner key is stored only
// while its list is not empty, and "ChangedWindows" only while some owner's is. Several
// instances share the one key: every write is one read-modify-write of the stored
// dictionary (UserDefaults::update) that replaces this instance's list and passes the
// others' through untouched.
//
// Recording numbers. Every record hands out a new number; a caller that starts a long
// change reads the window's number first and, when the change ends, forgets the entry
// only when it is still that recording (forgetIfCurrent), so that a record made in
// between survives.
//
// Putting back what other instances left belongs to the engine. Main thread only.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "platform/defaults/user_defaults.h"
#include "platform/plist/value.h"

namespace furlpane {

struct LedgerEntry {
    // The window was shrunk to a strip of collapsedHeight (when known) from originalHeight.
    struct Collapsed {
        double originalHeight = 0;
        std::optional<double> collapsedHeight;
        friend bool operator==(const Collapsed&, const Collapsed&) = default;
    };
    // The window was minimized into the Dock.
    struct Minimized {
        friend bool operator==(const Minimized&, const Minimized&) = default;
    };
    using Change = std::variant<Collapsed, Minimized>;

    uint32_t id = 0;
    int32_t processIdentifier = 0;
    Change change = Minimized{};

    friend bool operator==(const LedgerEntry&, const LedgerEntry&) = default;

    // The stored dictionary of the entry.
    platform::plist::Dictionary encoded() const;
    // The entry of a stored value; none for anything that is not a dictionary of the
    // stored form with its values in range (a process identifier of 0 or below, a window
    // number outside 32 bits, another "Change" text, a "Collapsed" without a real
    // "Height"). A "CollapsedHeight" that is not a real number is left unknown.
    static std::optional<LedgerEntry> decode(const platform::plist::Value& stored);
};

class WindowLedger : public std::enable_shared_from_this<WindowLedger> {
public:
    static constexpr const char* kDefaultsKey = "ChangedWindows";

    // A ledger over the defaults (which must outlive it) for the instance with this
    // process identifier.
    WindowLedger(platform::UserDefaults& defaults, int32_t ownerProcessIdentifier);
    WindowLedger(const WindowLedger&) = delete;
    WindowLedger& operator=(const WindowLedger&) = delete;

    // The program's ledger, made on first use over the standard defaults of that moment.
    // Objects that live long hold it by shared_from_this(), so that replacing it leaves
    // none of them with a dangling reference.
    static WindowLedger& shared();
    // Puts another ledger in place of the shared one (tests and tools); null goes back to
    // making one on next use.
    static void setShared(std::shared_ptr<WindowLedger> ledger);

    // Records the window's entry under a new recording number (replacing an earlier
    // entry of the window) and rewrites this instance's stored list.
    void record(LedgerEntry entry);
    // Drops the window's entry, when it has one, and rewrites the stored list.
    void forget(uint32_t window);
    // The window's recording number; none when it has no entry.
    std::optional<int64_t> recording(uint32_t window) const;
    // forget, only while the window's recording number is still this one.
    void forgetIfCurrent(uint32_t window, int64_t recording);

    // Replaces this instance's list under the key (an empty one removes it) in one
    // read-modify-write, as the ledger's own list is kept: the other owners' lists pass
    // through, but for those `isGone` names (an owner that no longer runs, say).
    using OwnerTest = std::function<bool(const std::string& ownerKey)>;
    void storeOwnList(std::string_view key, platform::plist::Array list, const OwnerTest& isGone = {});

    const std::map<uint32_t, LedgerEntry>& entries() const { return entries_; }
    platform::UserDefaults& defaults() const { return *defaults_; }
    // This instance's key in the stored dictionary: its process identifier in decimal.
    const std::string& ownerKey() const { return ownerKey_; }

private:
    void writeChanges();

    std::map<uint32_t, LedgerEntry> entries_;
    std::map<uint32_t, int64_t> recordings_;
    int64_t recordingCount_ = 0;
    platform::UserDefaults* defaults_;
    std::string ownerKey_;
};

}  // namespace furlpane
