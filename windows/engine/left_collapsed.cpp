// Windows left collapsed: reading, pruning and reopening the stored lists.

#include "windows/engine/left_collapsed.h"

namespace furlpane {

// Built next.
std::vector<LeftCollapsed> LeftCollapsedWindows::leftCollapsed(const std::string&) const { return {}; }
// Built next.
void LeftCollapsedWindows::forgetLeftCollapsed(const std::vector<LeftCollapsed>&, const std::string&) {}
// Built next.
LeftCollapsedWindows::Reopened LeftCollapsedWindows::reopenLeftCollapsed(const std::vector<LeftCollapsed>& windows,
                                                                         int32_t, const HoldsWindow&) {
    return {{}, windows};
}
// Built next.
std::set<std::string> LeftCollapsedWindows::bundleIdentifiers() const { return {}; }
// Built next.
std::vector<std::pair<size_t, size_t>> LeftCollapsedWindows::pairLeftCollapsed(const std::vector<LeftCollapsed>&,
                                                                               const std::vector<Found>&) {
    return {};
}
// Built next.
std::optional<LeftCollapsed> LeftCollapsedWindows::decode(const platform::plist::Value&) { return std::nullopt; }
// Built next.
platform::plist::Dictionary LeftCollapsedWindows::encoded(const LeftCollapsed&) { return {}; }

}  // namespace furlpane
