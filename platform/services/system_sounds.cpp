#include "platform/services/system_sounds.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/runtime/main_loop.h"

namespace platform {

namespace {

std::unique_ptr<SystemSounds>& currentSlot() {
    static std::unique_ptr<SystemSounds> slot;
    return slot;
}

bool recognisedHeader(const unsigned char* h, ssize_t n) {
    if (n < 12) return n >= 4 && std::memcmp(h, "caff", 4) == 0;
    if (std::memcmp(h, "FORM", 4) == 0) return std::memcmp(h + 8, "AIFF", 4) == 0 || std::memcmp(h + 8, "AIFC", 4) == 0;
    if (std::memcmp(h, "RIFF", 4) == 0) return std::memcmp(h + 8, "WAVE", 4) == 0;
    return std::memcmp(h, "caff", 4) == 0;
}

}  // namespace

SystemSounds& SystemSounds::current() {
    auto& slot = currentSlot();
    if (!slot) slot = std::make_unique<SystemSounds>();
    return *slot;
}

SystemSounds& SystemSounds::setCurrent(std::unique_ptr<SystemSounds> sounds) {
    currentSlot() = std::move(sounds);
    return current();
}

double SystemSounds::now() const { return MainLoop::exists() ? MainLoop::main().now() : 0; }

SoundStatus SystemSounds::check(const std::filesystem::path& file) const {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? SoundStatus::fileNotFound : SoundStatus::failed;
    struct stat st {};
    unsigned char header[12] = {};
    ssize_t n = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) n = ::read(fd, header, sizeof header);
    ::close(fd);
    if (n < 0) return SoundStatus::unsupportedFile;
    return recognisedHeader(header, n) ? SoundStatus::ok : SoundStatus::unsupportedFile;
}

SystemSounds::Created SystemSounds::create(const std::filesystem::path& file) {
    Created result;
    if (failuresLeft_ > 0) {
        --failuresLeft_;
        result.status = failureStatus_ == SoundStatus::ok ? SoundStatus::failed : failureStatus_;
    } else {
        result.status = check(file);
    }
    if (result.status == SoundStatus::ok) {
        result.id = nextId_++;
        live_.insert(result.id);
    }
    calls_.push_back(Call{Call::Kind::create, file, result.id, result.status, true, now()});
    return result;
}

void SystemSounds::play(SystemSoundID id) {
    calls_.push_back(Call{Call::Kind::play, {}, id, SoundStatus::ok, live_.count(id) > 0, now()});
}

void SystemSounds::beep() { calls_.push_back(Call{Call::Kind::beep, {}, 0, SoundStatus::ok, true, now()}); }

void SystemSounds::dispose(SystemSoundID id) {
    const bool known = live_.erase(id) > 0;
    calls_.push_back(Call{Call::Kind::dispose, {}, id, SoundStatus::ok, known, now()});
}

void SystemSounds::failNextCreations(int count, SoundStatus status) {
    failuresLeft_ = count < 0 ? 0 : count;
    failureStatus_ = status;
}

}  // namespace platform
