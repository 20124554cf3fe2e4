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
    // What stood there was a symbolic link that led to nothing to copy: the copy holds
    // the text of the link, where it led.
    bool linkText = false;
};

// Keeps `content`, what stands at `name` or the file a symbolic link there leads to, as
// "<name>.kept-<n>", numbered after the highest such name beside `name`. A regular file
// stays where it is as well (a second link, or a copy where there can be no link), so
// that a crash before the replacement loses nothing. A symbolic link that leads to no
// regular file (a loop, a folder, a device) is never kept as a link: one that leads back
// to `name` would read as the file that replaces it. Its text is kept in a regular file,
// and whatever it leads to is left alone. Anything else (a folder, a pipe) is moved out
// of the way. Call only while holding the lock that every writer of `name` takes.
Result<KeptCopy> keepAside(const std::filesystem::path& name, const std::filesystem::path& content);

}  // namespace platform::durable
