#pragma once

// Where the simulated desktop's applications lie on disk: the system's register of
// installed applications by bundle identifier, which the workspace answers from
// (Workspace::urlForApplication). An application is found only once it is installed
// here, running or not; running it does not install it.
//
//   InstalledApplications::of(world).install("com.example.Editor", folder / "Editor.app");
//
// The world keeps one register, made on first use and gone with the world. Any thread.

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace platform::desktop {

class Desktop;

class InstalledApplications {
public:
    explicit InstalledApplications(Desktop& world) : world_(world) {}
    static InstalledApplications& of(Desktop& world);

    // Installs the application at `location`, in place of where it was before. An empty
    // bundle identifier names no application and installs nothing.
    void install(const std::string& bundleIdentifier, std::filesystem::path location);
    void uninstall(const std::string& bundleIdentifier);
    std::optional<std::filesystem::path> location(const std::string& bundleIdentifier) const;

private:
    Desktop& world_;
    std::map<std::string, std::filesystem::path> locations_;
};

}  // namespace platform::desktop
