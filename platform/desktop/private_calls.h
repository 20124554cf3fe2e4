#pragma once

// Which private calls this system has. The calls themselves are functions of the
// stand-ins, found by name through the symbol lookup of the window-server stand-in; the
// world only says which of them are missing and counts the lookups, so that a test can
// remove a call and see how often it was looked for.

#include <map>
#include <set>
#include <string>
#include <string_view>

namespace platform::desktop {

class Desktop;

// Read and changed under the world's lock, from any thread.
class PrivateCalls {
public:
    explicit PrivateCalls(const Desktop& world) : world_(world) {}
    void remove(const std::string& name);
    void restore(const std::string& name);
    bool isPresent(std::string_view name) const;

    void recordLookup(std::string_view name);
    int lookupCount(std::string_view name) const;

private:
    const Desktop& world_;
    std::set<std::string, std::less<>> removed_;
    std::map<std::string, int, std::less<>> lookups_;
};

}  // namespace platform::desktop
