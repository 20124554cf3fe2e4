#pragma once

// Preferences of other applications' domains (the Dock's "com.apple.dock" among them),
// read and written value by value as the system's preference calls do. Changes are
// kept per domain and become visible to the domain's owner on synchronize().
//
// The simulated desktop owns the store of the world it runs; without one, a process
// store is used.

#include <map>
#include <optional>
#include <string>

#include "platform/plist/value.h"

namespace platform {

class ForeignPreferences {
public:
    // The store of the current world.
    static ForeignPreferences& current();
    // Makes `store` the current one (the simulated desktop does this); null restores
    // the process store.
    static void setCurrent(ForeignPreferences* store);

    std::optional<plist::Value> copyValue(const std::string& key, const std::string& domain) const;
    // A Boolean read: true for true, a non-zero number or "YES"/"true"/"1"; false when
    // missing or unreadable.
    bool booleanValue(const std::string& key, const std::string& domain) const;
    // Sets, or with nothing removes, a value.
    void setValue(const std::string& key, std::optional<plist::Value> value, const std::string& domain);
    // Returns whether the domain could be written out.
    bool synchronize(const std::string& domain);

    // For the domain's owner and tests: everything set, and how often it synchronized.
    plist::Dictionary domainValues(const std::string& domain) const;
    int synchronizeCount(const std::string& domain) const;
    // Makes the next synchronize of the domain fail.
    void failNextSynchronize(const std::string& domain);

private:
    std::map<std::string, plist::Dictionary> domains_;
    std::map<std::string, int> synchronized_;
    std::map<std::string, bool> failNext_;
};

}  // namespace platform
