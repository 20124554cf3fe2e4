#pragma once

// What the engine's tests share: a simulated desktop with the program and an editor whose
// windows the cases change, the real engine over preferences and a ledger of their own,
// the bundle's sound files (or none), and what the engine did written out: the
// state-changed notifications, the sounds played and the beeps.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility/world_elements.h"
#include "platform/appkit/application.h"
#include "platform/desktop/desktop.h"
#include "platform/notifications/distributed_notification_center.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/bundle.h"
#include "platform/services/system_sounds.h"
#include "settings/model/action_rules.h"
#include "settings/model/preferences.h"
#include "settings/model/raw_enum.h"
#include "tests/transitions/renderer_test_support.h"
#include "transitions/driver/stand_in_transition.h"
#include "transitions/renderer_testing.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/target_window.h"
#include "windows/changed/window_ledger.h"
#include "windows/engine/window_effects.h"

namespace engine_test {

using namespace furlpane;
using platform::ClockKind;
using platform::MainLoop;
using platform::Point;
using platform::Rect;
using platform::Task;
namespace desktop = platform::desktop;
using Style = WindowState::Style;

// A state as the tables write it: "none", "shaded", "minimizedInPlace", with " floating".
inline std::string stateName(const WindowState& state) {
    std::string text = !state.style ? "none" : state.style == Style::shaded ? "shaded" : "minimizedInPlace";
    return text + (state.isFloating ? " floating" : "");
}

class EngineTest : public ::testing::Test {
protected:
    EngineTest() {
        // A small display keeps the transitions' frames cheap.
        world.displays().set({{.frame = {0, 0, 640, 400}, .backingScaleFactor = 1, .name = "Main"}});
        furlpane::testing::replaceSharedRenderer(furlpane::testing::makeRenderer(1, 2));
        systemWideElement().setMessagingTimeout(0.25f);
        Preferences::setShared(preferences);
        ActionRules::setShared(std::make_unique<ActionRules>(defaults));
        WindowLedger::setShared(std::make_unique<WindowLedger>(defaults, world.ownProcessIdentifier()));
        platform::SystemSounds::setCurrent(std::make_unique<platform::SystemSounds>());
        platform::DistributedNotificationCenter::defaultCenter().reset();
        shipSounds();
    }
    ~EngineTest() override {
        engine.reset();
        while (!StandInTransition::running().empty()) {
            StandInTransition::running().front()->finish(StandInTransition::Completion::cutShort);
        }
        loop.runUntilIdle();
        furlpane::testing::restoreSharedRenderer();
        platform::Bundle::setMain(nullptr);
        platform::SystemSounds::setCurrent(nullptr);
        platform::DistributedNotificationCenter::defaultCenter().reset();
        WindowLedger::setShared(nullptr);
        ActionRules::setShared(nullptr);
        Preferences::setShared(nullptr);
    }

    MainLoop loop{ClockKind::simulated};
    desktop::Desktop world{loop};
    platform::UserDefaults defaults{"com.brindlewick.FurlpaneNovan.tests"};
    std::shared_ptr<Preferences> preferences = Preferences::create(defaults);
    std::shared_ptr<WindowEffects> engine = WindowEffects::create(*preferences);

    // The program's bundle with the shipped sound files, or without any.
    void shipSounds() {
        const std::filesystem::path shipped = FURLPANE_SOUNDS_DIR;
        platform::Bundle::Description description{std::filesystem::temp_directory_path(), {}, {}, std::nullopt};
        for (const auto sound : allCases<EffectSound>()) {
            const std::string file = std::string(rawValue(sound)) + ".aiff";
            description.resources[file] = shipped / file;
        }
        platform::Bundle::setMain(platform::Bundle::describe(std::move(description)));
    }
    void shipNoSounds() {
        platform::Bundle::setMain(platform::Bundle::describe({"/nowhere", {}, {}, std::nullopt}));
    }

    // An editor ("com.example.Editor") with the given windows.
    desktop::Application& editor(std::vector<desktop::WindowDescription> windows,
                                 const std::string& id = "com.example.Editor") {
        auto builder = world.application(id);
        for (auto& description : windows) builder.window(std::move(description));
        return builder.add();
    }
    // The window as a trigger finds it (a failed test when it is no target).
    TargetWindow target(const desktop::Window& window) {
        return TargetWindow::create(platform::elementOf(window)).value();
    }
    std::shared_ptr<AffectedWindow> changedWindow(const desktop::Window& window) {
        return AffectedWindow::create(target(window), engine);
    }

    // Runs a task of the engine to its end.
    void run(Task<void> task, double limit = 60) { ASSERT_TRUE(platform::runToCompletion(loop, std::move(task), limit)); }

    // The state-changed notifications since the last look, one line each:
    // "<window> <old>→<new> collapsed <b> pid <pid> dock <was>→<is> sound <due>/<played>".
    std::vector<std::string> announced() {
        auto& centre = platform::DistributedNotificationCenter::defaultCenter();
        std::vector<std::string> lines;
        for (const auto& posted : centre.posted()) {
            if (posted.name != WindowEffects::kStateChangedNotification) continue;
            lines.push_back(describe(posted));
        }
        centre.clearPosted();
        return lines;
    }
    static std::string describe(const platform::DistributedNotification& posted) {
        const auto& info = posted.userInfo;
        auto integer = [&](const char* key) { return std::to_string(*info.find(key)->integer()); };
        auto flag = [&](const char* key) { return std::string(*info.find(key)->boolean() ? "1" : "0"); };
        return integer("WindowID") + " " + integer("OldState") + "→" + integer("NewState") + " collapsed " +
               flag("IsCollapsed") + " pid " + integer("ProcessID") + " dock " + flag("WasInDock") + "→" +
               flag("IsInDock") + " sound " + flag("SoundIsDue") + "/" + flag("SoundWasPlayed");
    }

    // The sounds played and beeps since the last look, by name ("beep" for the beep,
    // "unknown" for an identifier never made).
    std::vector<std::string> heard() {
        auto& sounds = platform::SystemSounds::current();
        std::vector<std::string> names;
        for (const auto& call : sounds.calls()) {
            if (call.kind == platform::SystemSounds::Call::Kind::beep) names.push_back("beep");
            if (call.kind == platform::SystemSounds::Call::Kind::create) created_[call.id] = call.file.stem();
            if (call.kind != platform::SystemSounds::Call::Kind::play) continue;
            const auto found = created_.find(call.id);
            names.push_back(call.known && found != created_.end() ? found->second : "unknown");
        }
        sounds.clearCalls();
        return names;
    }

private:
    std::map<platform::SystemSoundID, std::string> created_;
};

}  // namespace engine_test
