// The windows an action on every window of an application gathers, front to back, and the
// application a workspace notification names.

#include <gtest/gtest.h>

#include <limits>

#include "platform/services/workspace.h"
#include "recovery_test_support.h"

namespace engine_test {
namespace {

using Key = WindowEffects::OrderKey;

TEST(WindowsOfApplication, OrderFrontToBackIsStable) {
    struct Row {
        const char* name;
        std::vector<Key> keys;
        std::vector<uint32_t> onScreen;
        std::vector<size_t> order;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"by the window list", {{1, {}}, {2, {}}, {3, {}}}, {3, 1, 2}, {2, 0, 1}},
             {"a stand-in in place of its window", {{1, {}}, {5, 9}}, {9, 1}, {1, 0}},
             {"the window before its stand-in", {{1, {}}, {5, 9}}, {9, 1, 5}, {0, 1}},
             {"nowhere on screen, in gathering order, last", {{7, {}}, {8, 4}, {1, {}}}, {1}, {2, 0, 1}},
             {"a repeated number counts where it first stands", {{1, {}}, {2, {}}}, {2, 1, 2}, {1, 0}},
             {"nothing gathered", {}, {1, 2}, {}},
         }) {
        EXPECT_EQ(WindowEffects::frontToBackOrder(row.keys, row.onScreen), row.order) << row.name;
    }
}

std::vector<uint32_t> numbers(const std::vector<TargetWindow>& targets) {
    std::vector<uint32_t> result;
    for (const auto& target : targets) result.push_back(target.id);
    return result;
}

TEST(WindowsOfApplication, GathersTheApplicationsWindowsFrontToBack) {
    Scene scene(3);
    auto& back = scene.window(0);
    auto& middle = scene.window(1);
    auto& front = scene.window(2);
    EXPECT_EQ(numbers(scene.engine->windowsOfApplication(scene.target(back))),
              (std::vector<uint32_t>{front.number(), middle.number(), back.number()}));

    // A window the user minimized into the Dock is left out, unless it is the one fired
    // on, which comes last.
    const TargetWindow fired = scene.target(middle);
    scene.inDock(middle);
    EXPECT_EQ(numbers(scene.engine->windowsOfApplication(scene.target(back))),
              (std::vector<uint32_t>{front.number(), back.number()}));
    EXPECT_EQ(numbers(scene.engine->windowsOfApplication(fired)),
              (std::vector<uint32_t>{front.number(), back.number(), middle.number()}));
}

TEST(WindowsOfApplication, AnApplicationWithoutWindowsYieldsTheWindowFiredOn) {
    Scene scene(1);
    const TargetWindow fired = scene.target(scene.window(0));
    scene.window(0).close();
    EXPECT_EQ(numbers(scene.engine->windowsOfApplication(fired)), std::vector<uint32_t>{fired.id});

    scene.editor.stopAnswering();
    EXPECT_EQ(numbers(scene.engine->windowsOfApplication(fired)), std::vector<uint32_t>{fired.id});
}

TEST(WindowsOfApplication, TheNotifiedApplication) {
    Scene scene(0);
    const auto editor = platform::RunningApplication::withProcessIdentifier(scene.editor.pid()).value();
    const std::string key = platform::workspace_notifications::kApplicationKey;
    struct Row {
        const char* name;
        std::map<std::string, std::any> userInfo;
        std::optional<std::string> bundleIdentifier;
        std::optional<int32_t> pid;
    };
    const auto& nameless = scene.world.application(std::nullopt).add();
    const auto withoutIdentifier = platform::RunningApplication::withProcessIdentifier(nameless.pid()).value();
    for (const Row& row : std::initializer_list<Row>{
             {"an application", {{key, editor}}, "com.example.Editor", scene.editor.pid()},
             {"no user info", {}, std::nullopt, std::nullopt},
             {"something else under the key", {{key, std::string("com.example.Editor")}}, std::nullopt, std::nullopt},
             {"an application without an identifier", {{key, withoutIdentifier}}, std::nullopt, nameless.pid()},
         }) {
        const platform::Notification notification{"NSWorkspaceDidHideApplicationNotification", nullptr, row.userInfo};
        EXPECT_EQ(WindowEffects::notifiedBundleIdentifier(notification), row.bundleIdentifier) << row.name;
        EXPECT_EQ(WindowEffects::notifiedProcessIdentifier(notification), row.pid) << row.name;
    }
}


// A thumbnail stands for its window, which is in the Dock, while the user sees it here,
// at the thumbnail's place in the order.
TEST(WindowsOfApplication, AThumbnailCountsWhileItShowsHere) {
    Scene scene(3);
    const TargetWindow thumbnailed = scene.target(scene.window(0));
    ASSERT_TRUE(platform::runToCompletion(scene.loop, scene.engine->act(WindowAction::minimizeInPlace, thumbnailed,
                                                                        std::nullopt, Raising::inPlace, Speed::normal)));
    scene.settle();
    const auto changed = scene.engine->findAffected(thumbnailed.id);
    ASSERT_TRUE(changed && changed->panel());
    const TargetWindow fired = scene.target(scene.window(1));
    EXPECT_EQ(numbers(scene.engine->windowsOfApplication(fired)),
              (std::vector<uint32_t>{thumbnailed.id, scene.window(2).number(), fired.id}));

    changed->panel()->orderOut();
    EXPECT_EQ(numbers(scene.engine->windowsOfApplication(fired)),
              (std::vector<uint32_t>{scene.window(2).number(), fired.id}));
    EXPECT_EQ(numbers(scene.engine->windowsOfApplication(thumbnailed)),
              (std::vector<uint32_t>{scene.window(2).number(), fired.id, thumbnailed.id}))
        << "the window fired on always counts";
}

}  // namespace
}  // namespace engine_test
