#include "windows/access/permissions.h"

#include <set>

#include "platform/accessibility/trust.h"
#include "platform/runtime/process_once.h"
#include "platform/services/privacy.h"
#include "platform/services/volume.h"
#include "platform/windowserver/screen_capture_access.h"
#include "platform/windowserver/symbols.h"
#include "platform/windowserver/window_list.h"
#include "windows/access/main_thread.h"
#include "windows/access/window_info.h"

namespace furlpane {

using platform::RunningApplication;
using platform::Workspace;

namespace {

platform::PrivacyPreflightCall preflightCall() {
    static platform::ProcessOnce<platform::PrivacyPreflightCall> call;
    return call.get([] { return platform::lookupSymbol<platform::PrivacyPreflightCall>("TCCAccessPreflight"); });
}

void promptForAccessibility() {
    platform::AccessibilityTrust::isProcessTrustedWithOptions({{platform::AccessibilityTrust::kPromptOption, true}});
}

void openAccessibilityPane() { Workspace::shared().openURL(accessibilitySettingsURL()); }

// The owners of the windows on screen; nothing when the list cannot be read whole.
std::optional<std::set<int32_t>> onScreenOwners() {
    const auto list = window_info::copyDictionaries(platform::WindowList::onScreenOnly, platform::WindowList::kNullWindow);
    if (!list) return std::nullopt;
    std::set<int32_t> owners;
    for (const auto& item : *list) {
        if (const auto owner = window_info::owner(*item.dictionary())) owners.insert(*owner);
    }
    return owners;
}

}  // namespace

const std::string& accessibilitySettingsURL() {
    static const std::string url = "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";
    return url;
}

const std::string& screenCaptureSettingsURL() {
    static const std::string url = "x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture";
    return url;
}

PreflightStatus preflight(const std::string& service) {
    const auto call = preflightCall();
    if (!call) return PreflightStatus::unknown;
    // Compared as an unsigned number, so that a negative answer is no answer either.
    const auto answer = static_cast<uint32_t>(call(service, nullptr));
    return answer <= 2 ? static_cast<PreflightStatus>(answer) : PreflightStatus::unknown;
}

void requestAccessibility() {
    switch (preflight(kAccessibilityService)) {
    case PreflightStatus::granted:
    case PreflightStatus::denied: openAccessibilityPane(); break;
    case PreflightStatus::notDetermined: promptForAccessibility(); break;
    case PreflightStatus::unknown:
        promptForAccessibility();
        openAccessibilityPane();
        break;
    }
}

std::optional<RunningApplication> visiblePermissionPrompt() {
    requireMainThread("visiblePermissionPrompt");
    const auto prompts = RunningApplication::withBundleIdentifier(kPermissionPromptBundleIdentifier);
    if (prompts.empty()) return std::nullopt;
    const auto owners = onScreenOwners();
    if (!owners) return std::nullopt;
    for (const auto& prompt : prompts) {
        if (owners->contains(prompt.processIdentifier())) return prompt;
    }
    return std::nullopt;
}

void requestScreenRecordingUnlessPrompted() {
    if (platform::ScreenCaptureAccess::preflight() || visiblePermissionPrompt()) return;
    platform::ScreenCaptureAccess::request();
}

std::vector<RunningApplication> runningApplications(const std::string& bundleIdentifier) {
    auto found = RunningApplication::withBundleIdentifier(bundleIdentifier);
    if (!found.empty()) return found;
    for (const auto& application : Workspace::shared().runningApplications()) {
        if (application.bundleIdentifier() == bundleIdentifier) found.push_back(application);
    }
    return found;
}

bool volumeIsReadOnly(const std::filesystem::path& file) {
    return platform::volumeIsReadOnlyResourceValue(file).value_or(false);
}

}  // namespace furlpane
