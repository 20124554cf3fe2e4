#include "platform/services/system_sounds.h"

#include <gtest/gtest.h>

#include "platform/runtime/main_loop.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using Kind = SystemSounds::Call::Kind;

TEST(SystemSounds, MakingASoundChecksTheFile) {
    furlpane_test::TempFolder tmp;
    furlpane_test::writeText(tmp / "Collapse.aiff", std::string("FORM\0\0\0\x10" "AIFF", 12));
    furlpane_test::writeText(tmp / "Expand.aiff", std::string("RIFF\0\0\0\x10" "WAVE", 12));
    furlpane_test::writeText(tmp / "text.aiff", "hello, not a sound");
    furlpane_test::writeText(tmp / "short.aiff", "FO");
    SystemSounds sounds;
    const auto collapse = sounds.create(tmp / "Collapse.aiff");
    const auto expand = sounds.create(tmp / "Expand.aiff");
    EXPECT_EQ(collapse.status, SoundStatus::ok);
    EXPECT_EQ(collapse.id, 1u);
    EXPECT_EQ(expand.id, 2u);
    EXPECT_EQ(sounds.create(tmp / "missing.aiff").status, SoundStatus::fileNotFound);
    EXPECT_EQ(sounds.create(tmp / "text.aiff").status, SoundStatus::unsupportedFile);
    EXPECT_EQ(sounds.create(tmp / "short.aiff").status, SoundStatus::unsupportedFile);
    EXPECT_EQ(sounds.create(tmp.path()).status, SoundStatus::unsupportedFile);
    EXPECT_EQ(sounds.create(tmp / "missing.aiff").id, 0u);

    sounds.failNextCreations(1);
    EXPECT_EQ(sounds.create(tmp / "Collapse.aiff").status, SoundStatus::failed);
    EXPECT_EQ(sounds.create(tmp / "Collapse.aiff").id, 3u);
}

TEST(SystemSounds, EveryCallIsRecordedInOrderWithTheLoopsTime) {
    furlpane_test::TempFolder tmp;
    furlpane_test::writeText(tmp / "Expand.aiff", std::string("FORM\0\0\0\x10" "AIFC", 12));
    MainLoop loop(ClockKind::simulated);
    SystemSounds& sounds = SystemSounds::setCurrent(std::make_unique<SystemSounds>());
    const auto id = sounds.create(tmp / "Expand.aiff").id;
    loop.advance(1.5);
    SystemSounds::current().play(id);
    SystemSounds::current().play(99);
    SystemSounds::current().beep();
    SystemSounds::current().dispose(id);
    SystemSounds::current().play(id);

    const auto& calls = sounds.calls();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].kind, Kind::create);
    EXPECT_EQ(calls[0].file, tmp / "Expand.aiff");
    EXPECT_EQ(calls[0].time, 0);
    EXPECT_EQ(calls[1].kind, Kind::play);
    EXPECT_TRUE(calls[1].known);
    EXPECT_EQ(calls[1].time, 1.5);
    EXPECT_FALSE(calls[2].known);
    EXPECT_EQ(calls[3].kind, Kind::beep);
    EXPECT_EQ(calls[4].kind, Kind::dispose);
    EXPECT_FALSE(calls[5].known);
    SystemSounds::setCurrent(nullptr);
}

}  // namespace
}  // namespace platform
