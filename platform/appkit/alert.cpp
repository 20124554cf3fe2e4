#include "platform/appkit/alert.h"

#include "platform/appkit/simulated_user.h"
#include "platform/desktop/desktop.h"

namespace platform {

int64_t Alert::addButton(std::string title) {
    buttons_.push_back(std::move(title));
    return modal_response::alertFirstButtonReturn + static_cast<int64_t>(buttons_.size()) - 1;
}

std::vector<std::string> Alert::buttonTitles() const {
    if (buttons_.empty()) return {"OK"};
    return buttons_;
}

int64_t Alert::runModal() const {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    return world ? SimulatedUser::of(*world).answer(*this, 0) : modal_response::alertFirstButtonReturn;
}

void Alert::beginSheetModal(Window& window, std::function<void(int64_t)> completion) const {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return;
    const int64_t response = SimulatedUser::of(*world).answer(*this, window.windowNumber());
    if (!completion) return;
    world->postToMainQueue([completion = std::move(completion), response] { completion(response); });
}

}  // namespace platform
