// The change sounds: which one a change plays, and the system sounds made from the
// bundle's files.

#include "windows/engine/effect_sounds.h"

namespace furlpane {

std::optional<EffectSound> chooseEffectSound(const SoundState&, CompanionSounds, const SoundState&) {
    return std::nullopt;
}
std::optional<platform::SystemSoundID> EffectSounds::soundID(EffectSound) { return std::nullopt; }
void EffectSounds::play(EffectSound) {}
CompanionSounds EffectSounds::isSiblingSoundAppRunning() { return CompanionSounds::absent; }

}  // namespace furlpane
