#pragma once

// The file manager: the operations on files the program makes itself, each answering a
// result rather than throwing.
//
// - itemReplacementDirectory makes a fresh, empty folder for a temporary item (a copy
//   the program hands to another application): a new one at every call, under the
//   manager's temporary folder in "TemporaryItems". Folders made earlier are left.
// - copyItem copies a file, or a folder with everything in it (a document package),
//   to a place where nothing is yet; symbolic links are copied as links.
// - posixPermissions and setPosixPermissions read and write an item's permission bits
//   (the twelve bits of its mode), without following a symbolic link at the end.
// - contentsOfDirectory lists everything inside a folder, depth first, without
//   following symbolic links; none when the folder cannot be read.
// - displayNameAtPath gives the name the Finder shows for an item: its name as it
//   stands, extension included (every extension is shown), except that an application
//   bundle whose information dictionary gives a "CFBundleDisplayName" shows by that
//   name. A path that ends in separators names the item before them; a path without any
//   name (the root) shows as written. The item need not exist.
//
// Main thread, or any thread for different items.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/result.h"

namespace platform {

class FileManager {
public:
    // A manager whose temporary items live under `temporaryDirectory`.
    explicit FileManager(std::filesystem::path temporaryDirectory);

    // The process's manager, on the system's temporary folder unless another was set.
    static FileManager& defaultManager();
    // Puts a manager in place of the default one (tests, tools); null goes back to the
    // system's. Returns the one now in place.
    static FileManager& setDefault(std::unique_ptr<FileManager> manager);

    const std::filesystem::path& temporaryDirectory() const { return temporaryDirectory_; }

    bool fileExists(const std::filesystem::path& path) const;
    Result<std::filesystem::path> itemReplacementDirectory() const;
    Result<void> copyItem(const std::filesystem::path& from, const std::filesystem::path& to) const;
    Result<uint32_t> posixPermissions(const std::filesystem::path& path) const;
    Result<void> setPosixPermissions(const std::filesystem::path& path, uint32_t permissions) const;
    Result<std::vector<std::filesystem::path>> contentsOfDirectory(const std::filesystem::path& path) const;
    std::string displayNameAtPath(const std::filesystem::path& path) const;

private:
    std::filesystem::path temporaryDirectory_;
};

}  // namespace platform
