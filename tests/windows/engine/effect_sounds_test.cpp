// Which sound a change plays, with and without the companion sound application, and the
// sounds made from the bundle's files: those shipped with the program, missing ones and
// ones that fail to load.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/bundle.h"
#include "tests/support/temp_folder.h"
#include "windows/engine/effect_sounds.h"

namespace {

using namespace furlpane;
using platform::SoundStatus;
using platform::SystemSounds;
using Kind = SystemSounds::Call::Kind;
using Style = WindowState::Style;

constexpr auto kInDock = WindowChange::minimized;
constexpr auto kOut = WindowChange::none;

std::string name(std::optional<EffectSound> sound) { return sound ? std::string(rawValue(*sound)) : "none"; }

TEST(EffectSounds, TheSoundOfEveryKindOfChange) {
    struct Case {
        const char* what;
        SoundState before;
        SoundState after;
        const char* alone;      // the sound without the companion application
        const char* companion;  // the sound while it runs
    };
    const Case cases[] = {
        {"shading", {{}, false, kOut}, {Style::shaded, false, kInDock}, "Collapse", "none"},
        {"shading without a trip", {{}, false, kOut}, {Style::shaded, false, kOut}, "Collapse", "Collapse"},
        {"strip to thumbnail in the Dock", {Style::shaded, false, kInDock}, {Style::minimizedInPlace, false, kInDock},
         "Collapse", "none"},
        {"restoring from the Dock", {Style::minimizedInPlace, false, kInDock}, {{}, false, kOut}, "Expand", "none"},
        {"restoring on screen", {Style::shaded, true, kOut}, {{}, true, kOut}, "Expand", "Expand"},
        {"floating", {{}, false, kOut}, {{}, true, kOut}, "FloatOnTop_Begin", "FloatOnTop_Begin"},
        {"floating a strip in the Dock", {Style::shaded, false, kInDock}, {Style::shaded, true, kInDock},
         "FloatOnTop_Begin", "FloatOnTop_Begin"},
        {"ending floating", {Style::shaded, true, kOut}, {Style::shaded, false, kOut}, "FloatOnTop_End",
         "FloatOnTop_End"},
        {"nothing changed", {Style::shaded, true, kInDock}, {Style::shaded, true, kInDock}, "none", "none"},
        {"only the trip changed", {Style::shaded, false, kOut}, {Style::shaded, false, kInDock}, "none", "none"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(name(chooseEffectSound(c.after, CompanionSounds::absent, c.before)), c.alone) << c.what;
        EXPECT_EQ(name(chooseEffectSound(c.after, CompanionSounds::running, c.before)), c.companion) << c.what;
    }
}

class EffectSoundFiles : public ::testing::Test {
protected:
    EffectSoundFiles() { SystemSounds::setCurrent(std::make_unique<SystemSounds>()); }
    ~EffectSoundFiles() override {
        platform::Bundle::setMain(nullptr);
        SystemSounds::setCurrent(nullptr);
    }
    void bundleAt(const std::filesystem::path& resources) {
        platform::Bundle::setMain(platform::Bundle::describe({resources.parent_path().parent_path(), {}, {}, std::nullopt}));
        resourcesFolder = resources;
    }
    size_t creations() const {
        size_t count = 0;
        for (const auto& call : SystemSounds::current().calls()) count += call.kind == Kind::create;
        return count;
    }

    furlpane_test::TempFolder tmp;
    std::filesystem::path resourcesFolder;
    EffectSounds sounds;
};

TEST_F(EffectSoundFiles, EveryShippedSoundLoadsOnceAndPlays) {
    const std::filesystem::path shipped = FURLPANE_SOUNDS_DIR;
    platform::Bundle::Description description{tmp.path(), {}, {}, std::nullopt};
    for (const auto sound : allCases<EffectSound>()) {
        const std::string file = std::string(rawValue(sound)) + ".aiff";
        description.resources[file] = shipped / file;
    }
    platform::Bundle::setMain(platform::Bundle::describe(std::move(description)));
    for (const auto sound : allCases<EffectSound>()) {
        ASSERT_TRUE(sounds.soundID(sound)) << rawValue(sound);
        sounds.play(sound);
        sounds.play(sound);
    }
    EXPECT_EQ(creations(), 4u);
    for (const auto& call : SystemSounds::current().calls()) {
        EXPECT_EQ(call.status, SoundStatus::ok);
        EXPECT_TRUE(call.known);
    }
}

TEST_F(EffectSoundFiles, ASoundThatCannotBeMadeIsTriedAgainLater) {
    bundleAt(tmp / "Contents" / "Resources");
    EXPECT_FALSE(sounds.soundID(EffectSound::expand));
    furlpane_test::writeText(resourcesFolder / "Expand.aiff", std::string("FORM\0\0\0\x04" "AIFF", 12));
    SystemSounds::current().failNextCreations(1);
    EXPECT_FALSE(sounds.soundID(EffectSound::expand));
    const auto made = sounds.soundID(EffectSound::expand);
    ASSERT_TRUE(made);
    EXPECT_EQ(sounds.soundID(EffectSound::expand), made);
    // The missing file made no sound and the failed one was asked once.
    EXPECT_EQ(creations(), 2u);
    sounds.play(EffectSound::collapse);
    EXPECT_EQ(SystemSounds::current().calls().size(), 2u);
}

TEST(EffectSoundsCompanion, RunsWhileAnInstanceIsNotTerminated) {
    platform::MainLoop loop(platform::ClockKind::simulated);
    platform::desktop::Desktop world(loop);
    EXPECT_EQ(EffectSounds::isSiblingSoundAppRunning(), CompanionSounds::absent);
    auto& companion = world.application(EffectSounds::kCompanionBundleIdentifier).add();
    EXPECT_EQ(EffectSounds::isSiblingSoundAppRunning(), CompanionSounds::running);
    companion.quit();
    loop.runUntilIdle();
    EXPECT_EQ(EffectSounds::isSiblingSoundAppRunning(), CompanionSounds::absent);
}

}  // namespace
