#include "platform/services/volume.h"

#include <fstream>
#include <mutex>
#include <sstream>
#include <system_error>

namespace platform {

namespace {

// Mount points escape space, tab, newline and backslash as three octal digits.
std::string unescape(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const bool octal = s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' && s[i + 2] <= '7' &&
                           s[i + 3] >= '0' && s[i + 3] <= '7';
        if (octal) {
            out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

bool hasOption(std::string_view options, std::string_view wanted) {
    size_t start = 0;
    while (start <= options.size()) {
        size_t end = options.find(',', start);
        if (end == std::string_view::npos) end = options.size();
        if (options.substr(start, end - start) == wanted) return true;
        start = end + 1;
    }
    return false;
}

// "36 35 98:0 /root /mount/point rw,noatime shared:1 - ext4 /dev/vda1 rw,errors=continue"
std::optional<Volume> parseLine(std::string_view line) {
    const auto f = fields(line);
    size_t dash = 6;
    while (dash < f.size() && f[dash] != "-") ++dash;
    if (f.size() < 6 || dash + 2 >= f.size()) return std::nullopt;
    Volume v;
    v.mountPoint = unescape(f[4]);
    v.fileSystem = unescape(f[dash + 1]);
    v.device = unescape(f[dash + 2]);
    const std::string_view superOptions = dash + 3 < f.size() ? f[dash + 3] : std::string_view();
    v.isReadOnly = hasOption(f[5], "ro") || hasOption(superOptions, "ro");
    v.isDiskImage = v.device.rfind("/dev/loop", 0) == 0;
    return v;
}

// Whether `mountPoint` is `path` or one of its ancestors, component by component.
bool contains(const std::filesystem::path& mountPoint, const std::filesystem::path& path) {
    auto m = mountPoint.begin();
    auto p = path.begin();
    for (; m != mountPoint.end(); ++m, ++p) {
        if (m->empty()) continue;  // a trailing separator
        if (p == path.end() || *m != *p) return false;
    }
    return true;
}

size_t depthOf(const std::filesystem::path& p) {
    size_t n = 0;
    for (const auto& part : p) n += part.empty() ? 0 : 1;
    return n;
}

}  // namespace

std::vector<Volume> parseMountInfo(std::string_view text) {
    std::vector<Volume> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (auto v = parseLine(text.substr(start, end - start))) out.push_back(std::move(*v));
        start = end + 1;
    }
    return out;
}

std::optional<Volume> volumeContaining(const std::filesystem::path& path, const std::vector<Volume>& mounts) {
    const Volume* best = nullptr;
    size_t bestDepth = 0;
    for (const Volume& v : mounts) {
        if (!contains(v.mountPoint, path)) continue;
        const size_t depth = depthOf(v.mountPoint);
        if (!best || depth >= bestDepth) {
            best = &v;
            bestDepth = depth;
        }
    }
    if (!best) return std::nullopt;
    return *best;
}

namespace {

std::mutex mountTableMutex;
std::optional<std::string> mountTableOverride;

std::optional<std::string> mountTableText() {
    {
        std::lock_guard lock(mountTableMutex);
        if (mountTableOverride) return mountTableOverride;
    }
    std::ifstream table("/proc/self/mountinfo");
    if (!table) return std::nullopt;
    std::stringstream text;
    text << table.rdbuf();
    return text.str();
}

}  // namespace

std::optional<Volume> volumeOf(const std::filesystem::path& path) {
    const auto text = mountTableText();
    if (!text) return std::nullopt;
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    if (ec) canonical = path.lexically_normal();
    return volumeContaining(canonical, parseMountInfo(*text));
}

void setMountTable(std::optional<std::string> mountInfo) {
    std::lock_guard lock(mountTableMutex);
    mountTableOverride = std::move(mountInfo);
}

std::optional<bool> volumeIsReadOnlyResourceValue(const std::filesystem::path& path) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::exists(path, ec) || ec) return std::nullopt;
    const auto volume = volumeOf(path);
    if (!volume) return std::nullopt;
    return volume->isReadOnly;
}

}  // namespace platform
