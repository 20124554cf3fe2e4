#pragma once

// The program's bundle: its folder, its information dictionary and its resources.
//
// A bundle is a folder laid out as "<bundle>/Contents/Info.plist" and
// "<bundle>/Contents/Resources/". A resource is found by name and type as
// "<name>.<type>" in Resources, then in Resources/Base.lproj and Resources/en.lproj; it
// may be a folder (a rich-text document package). The sounds "Collapse", "Expand",
// "FloatOnTop_Begin" and "FloatOnTop_End" of type "aiff" and the read-me live there;
// none of them is part of the program, so each may be missing.
//
// One bundle is the main one; tests and the simulated desktop set their own.

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/plist/value.h"
#include "platform/plist/xml.h"
#include "platform/services/volume.h"

namespace platform {

namespace info_keys {
inline constexpr const char* kBundleIdentifier = "CFBundleIdentifier";
inline constexpr const char* kBundleName = "CFBundleName";
inline constexpr const char* kShortVersion = "CFBundleShortVersionString";
inline constexpr const char* kFeedURL = "SUFeedURL";
inline constexpr const char* kPublicEDKey = "SUPublicEDKey";
}  // namespace info_keys

inline constexpr const char* kProgramBundleIdentifier = "com.brindlewick.FurlpaneNovan";

class Bundle {
public:
    struct Description {
        std::filesystem::path path;
        plist::Dictionary info;
        // Resources by "<name>.<type>", found before anything in the bundle's folder.
        std::map<std::string, std::filesystem::path> resources;
        // The bundle's volume, when it is not to be looked up in the mount table.
        std::optional<Volume> volume;
    };

    // Reads a bundle folder. A missing or unreadable Info.plist gives an empty
    // information dictionary (infoReadError() tells why). None when `path` is not a
    // folder.
    static std::unique_ptr<Bundle> create(const std::filesystem::path& path);
    // A bundle as described (tests, the simulated desktop).
    static std::unique_ptr<Bundle> describe(Description description);
    // The bundle of a program at `executable`: the bundle folder around
    // ".../Contents/MacOS/<program>", else the program's own folder. The program's
    // identifier and name stand in for those that its Info.plist does not give.
    static std::unique_ptr<Bundle> forExecutable(const std::filesystem::path& executable);

    // The main bundle: set, or the one of this process's executable, made on first use.
    static Bundle& main();
    // Replaces the main bundle; null goes back to the executable's. Returns the new one.
    static Bundle& setMain(std::unique_ptr<Bundle> bundle);

    const std::filesystem::path& bundlePath() const { return description_.path; }
    // The information dictionary's "CFBundleIdentifier" when it is a string.
    std::optional<std::string> bundleIdentifier() const;
    const plist::Dictionary& infoDictionary() const { return description_.info; }
    // Null when absent.
    const plist::Value* objectForInfoDictionaryKey(std::string_view key) const;
    std::optional<plist::ReadError> infoReadError() const { return infoReadError_; }

    // The resource's path, or none when it does not exist or the name or type could
    // leave the bundle (a "/", "..", an empty name).
    std::optional<std::filesystem::path> urlForResource(std::string_view name, std::string_view type) const;

    // The volume the bundle lies on; none when it cannot be told.
    std::optional<Volume> volume() const;

private:
    explicit Bundle(Description description) : description_(std::move(description)) {}

    Description description_;
    std::optional<plist::ReadError> infoReadError_;
};

}  // namespace platform
