#include "platform/appkit/alert.h"

#include "platform/appkit/application.h"
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
    Application* app = Application::sharedOrNull();
    return app ? app->answerAlert(*this, 0) : modal_response::alertFirstButtonReturn;
}

void Alert::beginSheetModal(Window& window, std::function<void(int64_t)> completion) const {
    Application* app = Application::sharedOrNull();
    if (!app) return;
    const int64_t response = app->answerAlert(*this, window.windowNumber());
    if (!completion) return;
    app->world().postToMainQueue([completion = std::move(completion), response] { completion(response); });
}

}  // namespace platform
