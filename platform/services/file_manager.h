#pragma once

// What the Finder shows of a file.

#include <filesystem>
#include <string>

namespace platform {

// The name the Finder shows for the file at `path`: its name as it stands, extension
// included (every extension is shown), except that an application bundle whose
// information dictionary gives a "CFBundleDisplayName" is shown by that name. A path
// that ends in separators names the item before them; a path without any name (the
// root) shows as written. The file need not exist.
std::string displayNameAtPath(const std::filesystem::path& path);

}  // namespace platform
