#pragma once

// The short sounds that mark a change of a window, the rule that picks one, and the
// system sounds made from the bundle's sound files.
//
// A window taking a style (or changing from one style to the other) collapses, losing
// its style expands, and starting or ending floating with the style unchanged plays the
// float sounds. While the companion sound application runs, it plays the sounds of a
// window's trip into or out of the Dock itself, so those are left out here.
//
// The sound files are resources of the bundle ("<name>.aiff"); a file that is missing or
// cannot be made into a sound plays nothing, and is tried again next time. Main thread.

#include <array>
#include <map>
#include <optional>
#include <string_view>

#include "platform/services/system_sounds.h"
#include "settings/model/raw_enum.h"
#include "windows/changed/window_state.h"

namespace furlpane {

enum class EffectSound { collapse, expand, floatBegin, floatEnd };

template <>
struct EnumTraits<EffectSound> {
    static constexpr std::array cases{EffectSound::collapse, EffectSound::expand, EffectSound::floatBegin,
                                      EffectSound::floatEnd};
    static constexpr std::array<std::string_view, 4> raws{"Collapse", "Expand", "FloatOnTop_Begin", "FloatOnTop_End"};
};

// A window's look as the choice of sound sees it, before or after a change.
struct SoundState {
    std::optional<WindowState::Style> style;
    bool isFloating = false;
    WindowChange change = WindowChange::none;
    friend bool operator==(const SoundState&, const SoundState&) = default;
};

// Whether the companion sound application runs.
enum class CompanionSounds { absent, running };

// The sound of a change from `before` to `after`; none when nothing is to be heard.
std::optional<EffectSound> chooseEffectSound(const SoundState& after, CompanionSounds companion,
                                             const SoundState& before);

class EffectSounds {
public:
    static constexpr const char* kCompanionBundleIdentifier = "com.brindlewick.TinkletNovan";
    static constexpr const char* kSoundType = "aiff";

    // The sound's identifier, made from the main bundle's file on first use; none when
    // the file is missing or cannot be made into a sound (nothing is kept then).
    std::optional<platform::SystemSoundID> soundID(EffectSound sound);
    // Plays the sound when it can be made; nothing otherwise.
    void play(EffectSound sound);
    // Whether an application with the companion's bundle identifier runs.
    static CompanionSounds isSiblingSoundAppRunning();

private:
    std::map<EffectSound, platform::SystemSoundID> cache_;
};

}  // namespace furlpane
