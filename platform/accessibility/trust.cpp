#include "platform/accessibility/trust.h"

#include "platform/desktop/desktop.h"

namespace platform {

bool AccessibilityTrust::isProcessTrusted() {
    const desktop::Desktop* world = desktop::Desktop::currentOrNull();
    return world && world->isAccessibilityTrusted();
}

bool AccessibilityTrust::isProcessTrustedWithOptions(const plist::Dictionary& options) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return false;
    auto guard = world->lock();
    const plist::Value* prompt = options.find(kPromptOption);
    const bool asks = prompt && prompt->boolean().value_or(false);
    if (asks && !world->isAccessibilityTrusted()) {
        world->recordAccessibilityPrompt();
        // The system's prompt application shows the question in a window of its own.
        const std::string name = world->ownApplication().localizedName().value_or("This application");
        world->permissions().showPrompt("“" + name + "” would like to control this computer using accessibility features.");
    }
    return world->isAccessibilityTrusted();
}

}  // namespace platform
