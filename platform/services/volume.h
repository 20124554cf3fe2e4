#pragma once

// The volume a file lies on, as the mount table describes it.
//
// A loop device stands for what a disk image is elsewhere: a volume mounted from a
// file, which the program should not run from for good.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct Volume {
    std::filesystem::path mountPoint;
    std::string device;      // the mount's source, e.g. "/dev/vda1" or "/dev/loop3"
    std::string fileSystem;  // e.g. "ext4", "squashfs"
    bool isReadOnly = false;
    bool isDiskImage = false;
    friend bool operator==(const Volume&, const Volume&) = default;
};

// The mounts of a mount table in the kernel's "mountinfo" format, in table order.
// Lines that do not parse are skipped.
std::vector<Volume> parseMountInfo(std::string_view text);

// The volume holding `path` among `mounts`: the one with the longest mount point that
// contains the path (the last one listed when several are mounted on the same point).
// `path` should be absolute and free of "." and ".." components.
std::optional<Volume> volumeContaining(const std::filesystem::path& path, const std::vector<Volume>& mounts);

// The same for a real path, from this process's mount table; none when the table
// cannot be read. The path is made canonical as far as it exists.
std::optional<Volume> volumeOf(const std::filesystem::path& path);

// The mount table that volumeOf reads: the process's own ("/proc/self/mountinfo"), or
// text in the same format set in its place, as a test does to stand a folder on a
// read-only disk image. Nothing goes back to the process's own. The table is
// process-wide, as the system's is; any thread.
void setMountTable(std::optional<std::string> mountInfo);

// The resource value that tells whether a file's volume is read-only, as a file URL
// gives it: none when the file does not exist (the read fails) or its volume cannot be
// told.
std::optional<bool> volumeIsReadOnlyResourceValue(const std::filesystem::path& path);

}  // namespace platform
