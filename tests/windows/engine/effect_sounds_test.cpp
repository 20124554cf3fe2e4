// Which sound a change plays, with and without the companion sound application, and the
// sounds made from the bundle's files: those shipped with the program, missing ones and
// ones that fail to load.

#include "tests/support/temp_folder.h"
#include "tests/windows/engine/engine_test_support.h"

namespace engine_test {
namespace {

using platform::SystemSounds;
using Kind = SystemSounds::Call::Kind;

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

using EffectSoundFiles = EngineTest;

TEST_F(EffectSoundFiles, EveryShippedSoundIsMadeOnceAndPlays) {
    std::vector<std::string> names;
    for (const auto sound : allCases<EffectSound>()) {
        ASSERT_TRUE(engine->sounds().soundID(sound)) << rawValue(sound);
        engine->sounds().play(sound);
        engine->sounds().play(sound);
        names.insert(names.end(), 2, std::string(rawValue(sound)));
    }
    EXPECT_EQ(heard(), names);
}

TEST_F(EffectSoundFiles, ASoundThatCannotBeMadeIsTriedAgainLater) {
    furlpane_test::TempFolder bundle;
    platform::Bundle::setMain(platform::Bundle::describe({bundle.path(), {}, {}, std::nullopt}));
    EXPECT_FALSE(engine->sounds().soundID(EffectSound::expand));
    furlpane_test::writeText(bundle / "Contents/Resources/Expand.aiff", std::string("FORM\0\0\0\x04" "AIFF", 12));
    SystemSounds::current().failNextCreations(1);
    EXPECT_FALSE(engine->sounds().soundID(EffectSound::expand));
    const auto made = engine->sounds().soundID(EffectSound::expand);
    ASSERT_TRUE(made);
    EXPECT_EQ(engine->sounds().soundID(EffectSound::expand), made);
    // The missing file made no sound, the failed one was asked once, the made one kept.
    size_t creations = 0;
    for (const auto& call : SystemSounds::current().calls()) creations += call.kind == Kind::create;
    EXPECT_EQ(creations, 2u);
}

}  // namespace
}  // namespace engine_test
