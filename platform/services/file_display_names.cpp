// The names the Finder shows for files.

#include "platform/services/bundle.h"
#include "platform/services/content_types.h"
#include "platform/services/file_system.h"

namespace platform {

namespace {

std::filesystem::path withoutTrailingSeparators(std::filesystem::path path) {
    while (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
    return path;
}

}  // namespace

std::string FileManager::displayNameAtPath(const std::filesystem::path& path) const {
    const std::filesystem::path item = withoutTrailingSeparators(path);
    if (conformsToContentType(item, content_types::application)) {
        if (const auto bundle = Bundle::create(item)) {
            const plist::Value* shown = bundle->objectForInfoDictionaryKey("CFBundleDisplayName");
            if (shown && shown->string() && !shown->string()->empty()) return *shown->string();
        }
    }
    const std::string name = item.filename().string();
    return name.empty() ? path.string() : name;
}

}  // namespace platform
