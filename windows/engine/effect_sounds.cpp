// The change sounds: which one a change plays, and the system sounds made from the
// bundle's files.

#include "windows/engine/effect_sounds.h"

#include <algorithm>
#include <string>

#include "platform/services/bundle.h"
#include "platform/services/workspace.h"
#include "windows/access/main_thread.h"

namespace furlpane {

std::optional<EffectSound> chooseEffectSound(const SoundState& after, CompanionSounds companion,
                                             const SoundState& before) {
    const bool styleChanged = after.style != before.style;
    if (companion == CompanionSounds::running) {
        // The companion plays the sounds of trips into and out of the Dock itself.
        if (after.change != before.change) return std::nullopt;
        if (after.change == WindowChange::minimized && styleChanged) return std::nullopt;
    }
    if (styleChanged) return after.style ? EffectSound::collapse : EffectSound::expand;
    if (after.isFloating == before.isFloating) return std::nullopt;
    return after.isFloating ? EffectSound::floatBegin : EffectSound::floatEnd;
}

std::optional<platform::SystemSoundID> EffectSounds::soundID(EffectSound sound) {
    if (const auto cached = cache_.find(sound); cached != cache_.end()) return cached->second;
    const auto file = platform::Bundle::main().urlForResource(std::string(rawValue(sound)), kSoundType);
    if (!file) return std::nullopt;
    const auto created = platform::SystemSounds::current().create(*file);
    // A sound that cannot be made is not kept, so that the next change tries again.
    if (created.status != platform::SoundStatus::ok) return std::nullopt;
    cache_[sound] = created.id;
    return created.id;
}

void EffectSounds::play(EffectSound sound) {
    if (const auto id = soundID(sound)) platform::SystemSounds::current().play(*id);
}

CompanionSounds EffectSounds::isSiblingSoundAppRunning() {
    requireMainThread("EffectSounds.isSiblingSoundAppRunning");
    const auto running = platform::RunningApplication::withBundleIdentifier(kCompanionBundleIdentifier);
    const bool any = std::any_of(running.begin(), running.end(), [](const auto& app) { return !app.isTerminated(); });
    return any ? CompanionSounds::running : CompanionSounds::absent;
}

}  // namespace furlpane
