#include "platform/appkit/simulated_user.h"

namespace platform {

SimulatedUser& SimulatedUser::of(desktop::Desktop& world) { return world.extension<SimulatedUser>(); }

int64_t SimulatedUser::answer(const Alert& alert, uint32_t sheetWindow) {
    const int64_t response = alertResponder_ ? alertResponder_(alert) : modal_response::alertFirstButtonReturn;
    alertLog_.push_back({alert.messageText(), alert.informativeText(), alert.alertStyle(), alert.buttonTitles(),
                         response, sheetWindow});
    return response;
}

std::optional<std::vector<std::filesystem::path>> SimulatedUser::choose(const OpenPanel& panel) const {
    // A copy: the responder may set another responder while it answers.
    const OpenPanelResponder responder = openPanelResponder_;
    return responder ? responder(panel) : std::nullopt;
}

}  // namespace platform
