#include "platform/services/content_types.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace platform {

namespace {

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

}  // namespace

bool conformsToContentType(const std::filesystem::path& path, const std::string& type) {
    std::error_code ec;
    if (type == content_types::item) return std::filesystem::exists(path, ec);
    if (type == content_types::application) {
        const std::filesystem::path name = path.has_filename() ? path.filename() : path.parent_path().filename();
        return lowercased(name.extension().string()) == ".app" && std::filesystem::is_directory(path, ec);
    }
    return false;
}

}  // namespace platform
