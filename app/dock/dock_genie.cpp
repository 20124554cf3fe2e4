#include "app/dock/dock_genie.h"

#include <csignal>

#include "platform/defaults/foreign_preferences.h"
#include "platform/services/process_signal.h"
#include "settings/model/preferences.h"
#include "windows/access/permissions.h"

namespace furlpane {

namespace {

using platform::ForeignPreferences;
using platform::plist::Value;

// Both absent, or both present and equal as objects.
bool sameValue(const std::optional<Value>& current, const std::optional<Value>& wanted) {
    if (!current || !wanted) return !current && !wanted;
    return platform::plist::isEqualObject(*current, *wanted);
}

std::vector<DockGenie::Setting> wantedPairs() {
    const platform::plist::Dictionary& wanted = DockGenie::wantedDockSettings();
    std::vector<DockGenie::Setting> pairs;
    for (size_t i = 0; i < wanted.size(); ++i) pairs.emplace_back(wanted.keyAt(i), wanted.valueAt(i));
    return pairs;
}

}  // namespace

void DockGenie::applyDockSettings(Preferences& settings, const std::string& domain, Completion completion) {
    if (settings.dockSettingsToPutBack()) return;
    const ForeignPreferences& preferences = ForeignPreferences::current();
    Preferences::DockSettings saved;
    for (const std::string& key : wantedDockSettings().keys()) {
        if (std::optional<Value> current = preferences.copyValue(key, domain)) saved.set(key, std::move(*current));
    }
    settings.setDockSettingsToPutBack(std::move(saved));
    writeDockSettings(wantedPairs(), domain, completion);
}

void DockGenie::putBackDockSettings(Preferences& settings, const std::string& domain, Completion completion) {
    const std::optional<Preferences::DockSettings> saved = settings.dockSettingsToPutBack();
    if (!saved) return;
    const ForeignPreferences& preferences = ForeignPreferences::current();
    std::vector<Setting> pairs;
    for (const auto& [key, wanted] : wantedPairs()) {
        if (!sameValue(preferences.copyValue(key, domain), wanted)) continue;
        const Value* before = saved->find(key);
        pairs.emplace_back(key, before ? std::optional<Value>(*before) : std::nullopt);
    }
    writeDockSettings(pairs, domain, completion);
    settings.setDockSettingsToPutBack(std::nullopt);
}

void DockGenie::restartDock() {
    for (const platform::RunningApplication& dock : runningApplications(kDockBundleIdentifier)) {
        platform::signalProcess(dock.processIdentifier(), SIGTERM);
    }
}

const platform::plist::Dictionary& DockGenie::wantedDockSettings() {
    static const platform::plist::Dictionary wanted{
        {"mineffect", Value("genie")},
        {"minimize-to-application", Value(true)},
        {"genie-speed", Value(double(0.0f))},
    };
    return wanted;
}

void DockGenie::writeDockSettings(const std::vector<Setting>& settings, const std::string& domain,
                                  const Completion& completion) {
    ForeignPreferences& preferences = ForeignPreferences::current();
    std::vector<const Setting*> changed;
    for (const Setting& setting : settings) {
        if (!sameValue(preferences.copyValue(setting.first, domain), setting.second)) changed.push_back(&setting);
    }
    if (changed.empty()) return;
    for (const Setting* setting : changed) preferences.setValue(setting->first, setting->second, domain);
    if (!preferences.synchronize(domain)) return;
    if (completion) completion();
}

}  // namespace furlpane
