#include "platform/services/file_system.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kPermissionBits = 07777;

Failure failure(const std::string& what, const fs::path& path, const std::error_code& ec) {
    return Failure{what + " " + path.string() + ": " + ec.message()};
}

std::unique_ptr<FileManager>& defaultSlot() {
    static std::unique_ptr<FileManager> slot;
    return slot;
}

fs::path systemTemporaryDirectory() {
    std::error_code ec;
    fs::path path = fs::temp_directory_path(ec);
    return ec ? fs::path("/tmp") : path;
}

}  // namespace

FileManager::FileManager(fs::path temporaryDirectory) : temporaryDirectory_(std::move(temporaryDirectory)) {}

FileManager& FileManager::defaultManager() {
    auto& slot = defaultSlot();
    if (!slot) slot = std::make_unique<FileManager>(systemTemporaryDirectory());
    return *slot;
}

FileManager& FileManager::setDefault(std::unique_ptr<FileManager> manager) {
    defaultSlot() = std::move(manager);
    return defaultManager();
}

bool FileManager::fileExists(const fs::path& path) const {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

Result<fs::path> FileManager::itemReplacementDirectory() const {
    const fs::path parent = temporaryDirectory_ / "TemporaryItems";
    std::error_code ec;
    fs::create_directories(parent, ec);
    if (ec) return failure("cannot make", parent, ec);
    std::string pattern = (parent / "item-replacement-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return failure("cannot make a folder in", parent, {errno, std::generic_category()});
    return fs::path(pattern);
}

Result<void> FileManager::copyItem(const fs::path& from, const fs::path& to) const {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(to, ec))) return failure("an item is already at", to, std::make_error_code(std::errc::file_exists));
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) return failure("cannot copy to", to, ec);
    return {};
}

Result<uint32_t> FileManager::posixPermissions(const fs::path& path) const {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return failure("cannot read", path, {errno, std::generic_category()});
    return uint32_t(info.st_mode) & kPermissionBits;
}

Result<void> FileManager::setPosixPermissions(const fs::path& path, uint32_t permissions) const {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) return failure("a link has no permissions of its own:", path, {});
    if (::chmod(path.c_str(), permissions & kPermissionBits) != 0) {
        return failure("cannot change", path, {errno, std::generic_category()});
    }
    return {};
}

Result<std::vector<fs::path>> FileManager::contentsOfDirectory(const fs::path& path) const {
    std::error_code ec;
    fs::recursive_directory_iterator it(path, ec);
    if (ec) return failure("cannot list", path, ec);
    std::vector<fs::path> items;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        items.push_back(it->path());
    }
    if (ec) return failure("cannot list", path, ec);
    return items;
}

}  // namespace platform
