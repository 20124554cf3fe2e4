#pragma once

// Copies of a settings file kept beside it before a write replaces it: a file that could
// not be read whole, or that holds values a write cannot give back as they were, is kept
// as "<file>.kept-<n>" so that nothing of it is lost. One copy serves every time the same
// bytes come back, and the numbers never run out, so keeping never stands in the way of
// writing. Every failure is a return value.

#include <filesystem>

#include "platform/runtime/result.h"

namespace platform::durable {

struct KeptCopy {
    std::filesystem::path path;
    // The copy was kept before, with the very same bytes; nothing new was made.
    bool earlier = false;
};

// Keeps `content`, what stands at `name` or the file a symbolic link there leads to, as
// "<name>.kept-<n>", numbered after the highest such name beside `name`. A regular file
// stays where it is as well (a second link, or a copy where there can be no link), so
// that a crash before the replacement loses nothing; anything else (a folder, a pipe) is
// moved out of the way. Call only while holding the lock that every writer of `name`
// takes.
Result<KeptCopy> keepAside(const std::filesystem::path& name, const std::filesystem::path& content);

}  // namespace platform::durable
