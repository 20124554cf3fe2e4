#pragma once

// System sounds: short sounds made from a file and played by identifier, and the
// system beep.
//
// This machine plays nothing aloud; what matters to the program, and what tests look
// at, is which sounds were made, played and beeped, in order: the newest kKeptCalls calls
// are kept. Making a sound checks
// the file as the system would: it must be a readable regular file that starts like an
// AIFF, AIFF-C, WAVE or Core Audio file; anything else fails with a status and no
// identifier. Identifiers start at 1 and are never reused. Playing an identifier that
// was never made (or was disposed) plays nothing, and is recorded as such.
//
// One instance is current; tests set their own, and can make the next creations fail.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>

#include "platform/runtime/bounded_log.h"

namespace platform {

using SystemSoundID = uint32_t;

enum class SoundStatus { ok, fileNotFound, unsupportedFile, failed };

class SystemSounds {
public:
    struct Created {
        SoundStatus status = SoundStatus::failed;
        SystemSoundID id = 0;  // 0 unless status is ok
    };

    struct Call {
        enum class Kind { create, play, beep, dispose };
        Kind kind;
        std::filesystem::path file;  // create only
        SystemSoundID id = 0;        // create (0 on failure), play, dispose
        SoundStatus status = SoundStatus::ok;
        bool known = true;           // play and dispose: the identifier was made
        double time = 0;             // the main loop's time, 0 without a loop
    };

    static constexpr size_t kKeptCalls = 1024;

    static SystemSounds& current();
    // Replaces it; null goes back to a fresh process instance. Returns the new one.
    static SystemSounds& setCurrent(std::unique_ptr<SystemSounds> sounds);

    Created create(const std::filesystem::path& file);
    void play(SystemSoundID id);
    void beep();
    void dispose(SystemSoundID id);

    const BoundedLog<Call>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    // The next `count` creations fail with `status`, whatever the file.
    void failNextCreations(int count, SoundStatus status = SoundStatus::failed);

private:
    double now() const;
    SoundStatus check(const std::filesystem::path& file) const;

    BoundedLog<Call> calls_{kKeptCalls};
    std::set<SystemSoundID> live_;
    SystemSoundID nextId_ = 1;
    int failuresLeft_ = 0;
    SoundStatus failureStatus_ = SoundStatus::failed;
};

}  // namespace platform
