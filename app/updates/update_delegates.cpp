#include "app/updates/update_delegates.h"

namespace furlpane {

std::set<std::string> VESKUpdateChannelDelegate::allowedChannels(const platform::Updater&) const {
    if (isPreRelease_ || defaults_.boolean(kReceivesBetaUpdatesKey)) return {kBetaChannel};
    return {};
}

}  // namespace furlpane
