#pragma once

// The host under the limits a person sets on its process (`ulimit -v`, `ulimit -u`,
// `ulimit -n`). Memory, a thread or a file descriptor that cannot be had ends the session
// wherever that is found, on whichever thread: nothing can be put right from there, so
// the process says so in one line, removes its scratch folder and ends at once with
// kOutOfResourcesStatus. Nothing on that way needs what may be wanting: the folder goes
// through a descriptor held on it since it was made, without memory, and the line is
// written without waiting on standard error's reader.

#include <filesystem>
#include <memory>

#include "platform/runtime/result.h"

namespace platform::scenario {

// A fresh folder for the program's defaults under $TMPDIR (else /tmp), gone with the
// session: at its end as the session unwinds, and at an end for want of resources,
// which unwinds nothing. When none can be made the session does not start: the
// program's settings must never fall back on the user's own file. A descriptor that
// cannot be had for it throws std::system_error, as want of resources, not a folder
// that cannot be made. One at a time.
class ScratchFolder {
public:
    static Result<std::unique_ptr<ScratchFolder>> make();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    explicit ScratchFolder(std::filesystem::path path);
    std::filesystem::path path_;
};

// Ends the process for the exception being handled (std::current_exception) when it is
// want of memory, a thread or a file descriptor: said in one line, the scratch folder
// removed, status kOutOfResourcesStatus. Any other exception, or none, is the fault it
// was and ends as terminate would have ended it, the folder removed all the same. Of
// several threads that come here together the first ends the process; the others wait
// for it, so that the line is said once.
[[noreturn]] void endForWantOfResources();

// While it lives, every end by terminate goes through endForWantOfResources. One at a
// time.
class ResourcesEndTheSession {
public:
    ResourcesEndTheSession();
    ~ResourcesEndTheSession();
    ResourcesEndTheSession(const ResourcesEndTheSession&) = delete;
    ResourcesEndTheSession& operator=(const ResourcesEndTheSession&) = delete;
};

// The descriptors a session opens besides the standard ones and the signals' pipe: the
// scratch folder's and the loop's wake-up for its whole life, and as it goes, at most
// the rest at once: the settings file's lock, its temporary file and its folder while a
// write goes on, beside the file being read, a picture being written, a font or a sound
// being read, for each instance.
inline constexpr int kSessionDescriptors = 10;

// Throws std::system_error when the process cannot have `count` more descriptors at
// once than it has: a session that would fail for want of one as it goes ends before it
// begins instead, with nothing made and nothing said but that.
void requireSpareDescriptors(int count);

}  // namespace platform::scenario
