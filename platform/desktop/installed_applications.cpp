#include "platform/desktop/installed_applications.h"

#include "platform/desktop/desktop.h"

namespace platform::desktop {

InstalledApplications& InstalledApplications::of(Desktop& world) { return world.extension<InstalledApplications>(); }

void InstalledApplications::install(const std::string& bundleIdentifier, std::filesystem::path location) {
    if (bundleIdentifier.empty()) return;
    auto guard = world_.lock();
    locations_[bundleIdentifier] = std::move(location);
}

void InstalledApplications::uninstall(const std::string& bundleIdentifier) {
    auto guard = world_.lock();
    locations_.erase(bundleIdentifier);
}

std::optional<std::filesystem::path> InstalledApplications::location(const std::string& bundleIdentifier) const {
    auto guard = world_.lock();
    const auto found = locations_.find(bundleIdentifier);
    if (found == locations_.end()) return std::nullopt;
    return found->second;
}

}  // namespace platform::desktop
