#include "platform/appkit/open_panel.h"

#include <algorithm>
#include <system_error>

#include "platform/appkit/simulated_user.h"
#include "platform/appkit/window.h"
#include "platform/desktop/desktop.h"

namespace platform {

namespace {

OpenPanelResult refused(std::string why) {
    return OpenPanelResult{OpenPanelResult::Response::failure, {}, std::move(why)};
}

// What the dialog would have let the user choose.
OpenPanelResult judged(const OpenPanel& panel, std::optional<std::vector<std::filesystem::path>> chosen) {
    if (!chosen || chosen->empty()) return {};
    if (chosen->size() > 1 && !panel.allowsMultipleSelection) return refused("only one file can be chosen");
    for (const auto& path : *chosen) {
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) return refused("the file " + path.string() + " does not exist");
        const auto conforms = [&](const std::string& type) { return conformsToContentType(path, type); };
        const auto& types = panel.allowedContentTypes;
        if (!types.empty() && std::none_of(types.begin(), types.end(), conforms)) {
            return refused("the file " + path.string() + " is not of an allowed type");
        }
    }
    return OpenPanelResult{OpenPanelResult::Response::ok, std::move(*chosen), {}};
}

}  // namespace

void OpenPanel::beginSheetModal(Window& window, std::function<void(OpenPanelResult)> completion) const {
    present(window.windowNumber(), std::move(completion));
}

void OpenPanel::begin(std::function<void(OpenPanelResult)> completion) const { present(0, std::move(completion)); }

void OpenPanel::present(uint32_t window, std::function<void(OpenPanelResult)> completion) const {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return;
    SimulatedUser& user = SimulatedUser::of(*world);
    OpenPanelResult result = judged(*this, user.choose(*this));
    user.panelShown({allowedContentTypes, window, result});
    if (!completion) return;
    world->postToMainQueue([completion = std::move(completion), result = std::move(result)] { completion(result); });
}

}  // namespace platform
