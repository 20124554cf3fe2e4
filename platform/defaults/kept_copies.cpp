#include "platform/defaults/kept_copies.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/defaults/durable_file.h"

namespace platform::durable {

namespace {

// Names taken by someone who does not take the writers' lock, tried past before giving
// up until the next write.
constexpr int kNameTries = 64;

struct FileDescriptor {
    int fd = -1;
    explicit FileDescriptor(const std::filesystem::path& path) : fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~FileDescriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// Reads up to `size` bytes, fewer only at the end of the file.
ssize_t readFully(int fd, char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

bool sameBytes(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat sa {}, sb {};
    if (::lstat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0 || !S_ISREG(sa.st_mode)) return false;
    if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino) return true;
    if (sa.st_size != sb.st_size) return false;
    FileDescriptor fa(a), fb(b);
    if (fa.fd < 0 || fb.fd < 0) return false;
    static constexpr size_t kChunk = 65536;
    std::string ba(kChunk, '\0'), bb(kChunk, '\0');
    for (;;) {
        const ssize_t na = readFully(fa.fd, ba.data(), kChunk), nb = readFully(fb.fd, bb.data(), kChunk);
        if (na < 0 || na != nb || std::memcmp(ba.data(), bb.data(), static_cast<size_t>(na)) != 0) return false;
        if (na == 0) return true;
    }
}

// The number of a kept name ("<prefix><digits>"); none for any other name.
std::optional<uint64_t> keptNumber(std::string_view file, std::string_view prefix) {
    if (file.size() <= prefix.size() || file.substr(0, prefix.size()) != prefix) return std::nullopt;
    const std::string_view digits = file.substr(prefix.size());
    uint64_t n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    return n;
}

struct KeptSoFar {
    uint64_t highest = 0;
    std::optional<std::filesystem::path> identical;
};

// The copies kept beside `name`: the highest number, and one with the bytes of `content`
// when it is a regular file.
KeptSoFar keptSoFar(const std::filesystem::path& name, const std::filesystem::path& content, bool regular) {
    const std::string prefix = name.filename().string() + ".kept-";
    KeptSoFar found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(name.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
        const auto n = keptNumber(it->path().filename().string(), prefix);
        if (!n) continue;
        found.highest = std::max(found.highest, *n);
        if (regular && !found.identical && sameBytes(it->path(), content)) found.identical = it->path();
    }
    return found;
}

// Errors that a further numbered name cannot cure.
bool nameTaken(int error) { return error == EEXIST || error == ENOTEMPTY; }

enum class Standing { regular, link, other };

Standing standingOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return Standing::other;
    if (S_ISREG(st.st_mode)) return Standing::regular;
    return S_ISLNK(st.st_mode) ? Standing::link : Standing::other;
}

Result<bool> keepLinkText(const std::filesystem::path& link, const std::filesystem::path& kept) {
    std::error_code ec;
    const std::filesystem::path text = std::filesystem::read_symlink(link, ec);
    if (ec) return systemFailure("cannot read the link", link, ec.value());
    if (writeNewFile(kept, text.string() + "\n")) return true;
    if (nameTaken(errno) || ::access(kept.c_str(), F_OK) == 0) return false;
    return systemFailure("cannot write", kept, errno);
}

// One try at a name: true when `content` is kept under it, false when it is taken.
Result<bool> keepAs(const std::filesystem::path& content, const std::filesystem::path& kept, Standing standing) {
    if (standing == Standing::link) return keepLinkText(content, kept);
    if (standing == Standing::regular) {
        if (::link(content.c_str(), kept.c_str()) == 0) return true;
        if (nameTaken(errno) || ::access(kept.c_str(), F_OK) == 0) return false;
        if (copyFile(content, kept)) return true;
        return systemFailure("cannot copy to", kept, errno);
    }
    if (::renameat2(AT_FDCWD, content.c_str(), AT_FDCWD, kept.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (nameTaken(errno)) return false;
    // A file system without the no-replace flag: the name was seen free an instant ago.
    if (errno == EINVAL && ::access(kept.c_str(), F_OK) != 0 && ::rename(content.c_str(), kept.c_str()) == 0) {
        return true;
    }
    return systemFailure("cannot move aside", content, errno);
}

}  // namespace

Result<KeptCopy> keepAside(const std::filesystem::path& name, const std::filesystem::path& content) {
    const Standing standing = standingOf(content);
    const KeptSoFar before = keptSoFar(name, content, standing == Standing::regular);
    if (before.identical) return KeptCopy{*before.identical, true};
    // Past the highest number rather than into the first gap: the newest copy has the
    // highest number. Wrapping past the largest number is a name like any other.
    uint64_t n = before.highest;
    for (int tries = 0; tries < kNameTries; ++tries) {
        const std::filesystem::path kept = name.string() + ".kept-" + std::to_string(++n);
        const Result<bool> made = keepAs(content, kept, standing);
        if (!made) return made.error();
        if (*made) return KeptCopy{kept, false, standing == Standing::link};
    }
    return Failure{"no free name to keep " + name.string() + " aside"};
}

}  // namespace platform::durable
