#pragma once

// The content types files are of, as the system names them, and which type a file on
// disk conforms to.

#include <filesystem>
#include <string>

namespace platform {

namespace content_types {
// Application bundles: folders whose name ends in ".app", in any case.
inline const std::string application = "com.apple.application";
// Any file or folder.
inline const std::string item = "public.item";
}  // namespace content_types

// Whether the file at `path` is of the content type; an unknown type matches nothing.
bool conformsToContentType(const std::filesystem::path& path, const std::string& type);

}  // namespace platform
