#pragma once

// How fast a change plays. Shift held while a trigger fires plays the change's transition
// (and every wait tied to it) in slow motion.

namespace furlpane {

enum class Speed { normal, slowMotion };

}  // namespace furlpane
