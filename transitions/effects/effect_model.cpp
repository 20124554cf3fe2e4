#include "transitions/effects/effect_model.h"

#include <cmath>

namespace furlpane::effects {

Placement placementOf(const TransitionUniforms& u, double slowdown) {
    Placement p;
    p.window = saneRect(u.window);
    p.standIn = saneRect(u.standIn);
    p.room = saneRect(u.room);
    p.viewSize = saneSize(u.viewSize);
    p.opacity = saneFraction(u.opacity);
    p.direction = u.restoring > 0.5f ? Direction::restoring : Direction::minimizing;
    p.slowdown = std::isfinite(slowdown) && slowdown > 0 ? slowdown : 1.0;
    return p;
}

}  // namespace furlpane::effects
