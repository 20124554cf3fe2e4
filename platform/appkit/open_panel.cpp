#include "platform/appkit/open_panel.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "platform/appkit/open_panel_responses.h"
#include "platform/appkit/window.h"
#include "platform/desktop/desktop.h"

namespace platform {

namespace {

// The world's answers and record of panels.
struct OpenPanels {
    explicit OpenPanels(desktop::Desktop&) {}
    OpenPanelResponder responder;
    std::vector<OpenPanelRecord> log;
};

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

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

bool conformsToContentType(const std::filesystem::path& path, const std::string& type) {
    std::error_code ec;
    if (type == content_types::item) return std::filesystem::exists(path, ec);
    if (type == content_types::application) {
        const std::filesystem::path name = path.has_filename() ? path.filename() : path.parent_path().filename();
        return lowercased(name.extension().string()) == ".app" && std::filesystem::is_directory(path, ec);
    }
    return false;
}

void OpenPanel::beginSheetModal(Window& window, std::function<void(OpenPanelResult)> completion) const {
    present(window.windowNumber(), std::move(completion));
}

void OpenPanel::begin(std::function<void(OpenPanelResult)> completion) const { present(0, std::move(completion)); }

void OpenPanel::present(uint32_t window, std::function<void(OpenPanelResult)> completion) const {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return;
    OpenPanels& panels = world->extension<OpenPanels>();
    // A copy: the responder may set another responder while it answers.
    const OpenPanelResponder responder = panels.responder;
    OpenPanelResult result = judged(*this, responder ? responder(*this) : std::nullopt);
    panels.log.push_back({allowedContentTypes, window, result});
    if (!completion) return;
    world->postToMainQueue([completion = std::move(completion), result = std::move(result)] { completion(result); });
}

void setOpenPanelResponder(OpenPanelResponder responder) {
    if (desktop::Desktop* world = desktop::Desktop::currentOrNull()) {
        world->extension<OpenPanels>().responder = std::move(responder);
    }
}

std::vector<OpenPanelRecord> openPanelLog() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    return world ? world->extension<OpenPanels>().log : std::vector<OpenPanelRecord>{};
}

}  // namespace platform
