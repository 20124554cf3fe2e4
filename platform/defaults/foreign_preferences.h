#pragma once

// Preferences of other applications' domains (the Dock's "com.apple.dock" among them),
// read and written value by value as the system's preference calls do, for the current
// user and any host.
//
// Two views of each domain. The program's view: copyValue sees what the domain's owner
// has published, overlaid with the program's own changes, which it sees at once. The
// owner's view (domainValues): only what has been published. setValue changes are
// published by synchronize(); a synchronize that fails keeps them for the next one.
// The owner (the simulated Dock) writes its own values with setOwnerValue, and may
// watch every successful synchronize.
//
// The simulated desktop owns the store of the world it runs and makes it current;
// without one, a process store is used. Main thread only.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/plist/value.h"

namespace platform {

class ForeignPreferences {
public:
    using SynchronizeHandler = std::function<void(const std::string& domain)>;

    // The store of the current world.
    static ForeignPreferences& current();
    // Makes `store` the current one (the simulated desktop does this); null restores
    // the process store.
    static void setCurrent(ForeignPreferences* store);

    std::optional<plist::Value> copyValue(const std::string& key, const std::string& domain) const;
    // A Boolean read (platform/defaults/conversions.h): false when missing or unreadable.
    bool booleanValue(const std::string& key, const std::string& domain) const;
    // Sets, or with nothing removes, a value in the program's view.
    void setValue(const std::string& key, std::optional<plist::Value> value, const std::string& domain);
    // Publishes the program's changes to the domain; returns whether it could.
    bool synchronize(const std::string& domain);

    // For the domain's owner and tests: what is published, how often the domain was
    // synchronized successfully, and the owner's own writes (published at once; a
    // change of the program's that is not yet published still shows in its view).
    plist::Dictionary domainValues(const std::string& domain) const;
    int synchronizeCount(const std::string& domain) const;
    void setOwnerValue(const std::string& key, std::optional<plist::Value> value, const std::string& domain);
    // Called after every successful synchronize, with the domain.
    void setSynchronizeHandler(SynchronizeHandler handler);
    // Makes the next synchronize of the domain fail.
    void failNextSynchronize(const std::string& domain);

private:
    struct Change {
        std::string key;
        std::optional<plist::Value> value;
    };
    struct Domain {
        plist::Dictionary published;
        std::vector<Change> unpublished;
        int synchronized = 0;
        bool failNext = false;
    };
    const Domain* find(const std::string& domain) const;

    std::map<std::string, Domain> domains_;
    SynchronizeHandler onSynchronize_;
};

}  // namespace platform
