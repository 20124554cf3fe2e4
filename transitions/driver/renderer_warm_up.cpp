#include "transitions/driver/renderer_warm_up.h"

#include "transitions/driver/stand_in_transition.h"

namespace furlpane {

using platform::NotificationCenter;

RendererWarmUp::RendererWarmUp() {
    screens_ = NotificationCenter::defaultCenter().addObserver(platform::notifications::kScreenParametersChanged,
                                                               nullptr, [this](const platform::Notification&) {
                                                                   restart();
                                                               });
    restart();
}

RendererWarmUp::~RendererWarmUp() {
    NotificationCenter::defaultCenter().removeObserver(screens_);
    task_.cancel();
}

void RendererWarmUp::restart() {
    task_.cancel();
    task_ = platform::spawnMain([] { return StandInTransition::warmUpRenderer(); });
    ++started_;
}

}  // namespace furlpane
