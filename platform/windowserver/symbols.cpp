#include "platform/windowserver/symbols.h"

#include <map>
#include <string>

#include "platform/accessibility/window_number.h"
#include "platform/desktop/desktop.h"
#include "platform/windowserver/private_window_server.h"

namespace platform::detail {

namespace {

// Every private call this system can have; constant for the life of the process.
const std::map<std::string, std::any, std::less<>>& systemSymbols() {
    static const std::map<std::string, std::any, std::less<>> table{
        {"_AXUIElementGetWindow", ElementWindowNumberCall{&copyElementWindowNumber}},
        {"CGSMainConnectionID", MainConnectionCall{&windowServerMainConnection}},
        {"CGSGetWindowBounds", WindowBoundsCall{&windowServerWindowBounds}},
    };
    return table;
}

}  // namespace

const std::any* findSymbol(std::string_view name) {
    if (desktop::Desktop* world = desktop::Desktop::currentOrNull()) {
        auto guard = world->lock();
        world->privateCalls().recordLookup(name);
        if (!world->privateCalls().isPresent(name)) return nullptr;
    }
    const auto& table = systemSymbols();
    auto it = table.find(name);
    return it == table.end() ? nullptr : &it->second;
}

}  // namespace platform::detail
