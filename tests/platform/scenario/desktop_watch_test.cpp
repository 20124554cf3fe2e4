// The watch's look at the program's defaults: it reads them only when they changed, so
// that a live session that looks thirty times a second is idle whatever the file holds,
// and it still reports every change, whoever made it, as the same journal lines.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "fake_program.h"
#include "platform/defaults/file_user_defaults.h"
#include "platform/notifications/distributed_notification_center.h"
#include "platform/plist/xml.h"
#include "platform/scenario/stage.h"
#include "tests/support/temp_folder.h"

namespace scenario_test {
namespace {

using namespace platform;
using namespace platform::scenario;

class DesktopWatchTest : public ::testing::Test {
protected:
    MainLoop loop{ClockKind::simulated};
    furlpane_test::TempFolder folder;
    std::ostringstream out;
    std::ostringstream errors;
    std::streambuf* savedErrors = nullptr;
    std::shared_ptr<ProgramRecord> record = std::make_shared<ProgramRecord>();
    Stage stage{loop, out, folder / "defaults", PlayerOptions{folder / "out"},
                [this] { return std::make_shared<FakeProgram>(record); }};
    // Where the journal stood at the last call of newDefaultsLines().
    size_t mark = 0;

    void SetUp() override {
        savedErrors = std::cerr.rdbuf(errors.rdbuf());
        ASSERT_NE(stage.watch.defaultsStore(), nullptr);
    }
    void TearDown() override { std::cerr.rdbuf(savedErrors); }

    void play(const std::string& text) {
        auto script = parseScript(text);
        ASSERT_TRUE(script.ok()) << describe(script.error());
        EXPECT_EQ(stage.player.play(*script), 0) << errors.str();
    }
    uint64_t reads() const { return stage.watch.defaultsStore()->wholeReads(); }
    // What a live session does between two lines: a look every thirtieth of a second.
    void idle(double seconds) {
        for (double t = 0; t < seconds; t += 1.0 / 30) {
            loop.advance(1.0 / 30);
            stage.watch.look();
        }
    }
    // The journal's "defaults" lines since the last call, without their times.
    std::vector<std::string> newDefaultsLines() {
        const std::string text = out.str();
        std::istringstream lines(text.substr(mark));
        mark = text.size();
        std::vector<std::string> found;
        for (std::string line; std::getline(lines, line);) {
            const size_t event = line.find(R"("event":"defaults")");
            if (event != std::string::npos) found.push_back(line.substr(event));
        }
        return found;
    }
    // A write from inside the run of the program's instance `number`, through its own
    // store, as the program's code makes it.
    void programWrites(int number, const std::function<void(UserDefaults&)>& write) {
        stage.instance(number).asProgram([&] { write(UserDefaults::standard()); });
    }
};

using Lines = std::vector<std::string>;

TEST_F(DesktopWatchTest, AnUnchangedFileIsNotReadHoweverOftenItIsLookedAt) {
    // A settings file of some size, as another process left it.
    plist::Dictionary values;
    for (int i = 0; i < 500; ++i) values.set("Key" + std::to_string(i), i);
    furlpane_test::writeText(stage.watch.defaultsStore()->path(), *plist::toXml(values));
    play("launch\n");
    EXPECT_EQ(newDefaultsLines().size(), 500u);
    const uint64_t afterFirstLook = reads();
    idle(10);
    play("wait 5\nexpect defaults Key7 7\n");
    EXPECT_EQ(reads(), afterFirstLook);
    EXPECT_EQ(record->launches, 1);
    EXPECT_GT(record->timerFirings, 100);  // the program was at work all along
    EXPECT_EQ(newDefaultsLines(), Lines{});
}

TEST_F(DesktopWatchTest, EveryChangeIsReportedWhoeverMadeIt) {
    play("launch\nlaunch instance 2\n");
    newDefaultsLines();
    uint64_t before = reads();
    const auto expectOneReadFor = [&](const Lines& lines) {
        idle(1);
        EXPECT_EQ(newDefaultsLines(), lines);
        EXPECT_EQ(reads(), before + 1) << "the changes are read once, and no more while nothing changes";
        before = reads();
    };

    programWrites(1, [](UserDefaults& d) { d.set("Program", 1); });
    expectOneReadFor({R"("event":"defaults","key":"Program","value":1})"});

    play("defaults Host \"text\"\n");
    EXPECT_EQ(newDefaultsLines(), Lines{R"("event":"defaults","key":"Host","value":"text"})"});
    before = reads();
    idle(1);
    EXPECT_EQ(reads(), before);

    programWrites(2, [](UserDefaults& d) { d.set("Second", true); });
    expectOneReadFor({R"("event":"defaults","key":"Second","value":true})"});

    // Another process's write, seen in the file.
    FileUserDefaults::create(kProgramDefaultsDomain, folder / "defaults")->set("Outside", 0.5);
    expectOneReadFor({R"("event":"defaults","key":"Outside","value":0.5})"});

    // Several changes between two looks: the values in the file's order, then the keys gone.
    programWrites(1, [](UserDefaults& d) {
        d.remove("Host");
        d.set("Program", 2);
        d.remove("Outside");
        d.set("Later", plist::Array{1, "two"});
    });
    expectOneReadFor({R"("event":"defaults","key":"Program","value":2})",
                      R"("event":"defaults","key":"Later","value":[1,"two"]})",
                      R"("event":"defaults","key":"Host","removed":true})",
                      R"("event":"defaults","key":"Outside","removed":true})"});

    // Written again as it was: the same text, nothing to read.
    programWrites(2, [](UserDefaults& d) { d.set("Second", true); });
    idle(1);
    EXPECT_EQ(newDefaultsLines(), Lines{});
    EXPECT_EQ(reads(), before);
}

// A look goes through the windows open now: windows opened, announced as changed and
// closed before, however many, cost it nothing, and each was reported gone once.
TEST_F(DesktopWatchTest, ALookCostsTheWindowsOpenNowNotThoseThatWere) {
    play("app com.example.Notes \"Notes\"\nwindow \"Kept\" of com.example.Notes at 100,100 size 300x200\n");
    const auto costOfALook = [this] {
        const uint64_t before = stage.watch.windowsVisited();
        stage.watch.look();
        return stage.watch.windowsVisited() - before;
    };
    const uint64_t fresh = costOfALook();
    constexpr int kClosed = 200;
    for (int i = 0; i < kClosed; ++i) {
        const std::string title = "W" + std::to_string(i);
        play("window \"" + title + "\" of com.example.Notes at 500,100 size 300x200\n");
        const desktop::Window* window = stage.watch.looks().find(title);
        ASSERT_NE(window, nullptr);
        DistributedNotificationCenter::defaultCenter().post(
            kStateChanged, std::nullopt, {{"WindowID", static_cast<int64_t>(window->number())}, {"NewState", 1}});
        play("close \"" + title + "\"\n");
    }
    EXPECT_EQ(costOfALook(), fresh);
    const std::string journal = out.str();
    size_t gone = 0;
    for (size_t at = journal.find(R"("state":"gone")"); at != std::string::npos;
         at = journal.find(R"("state":"gone")", at + 1))
        ++gone;
    EXPECT_EQ(gone, static_cast<size_t>(kClosed));
}

}  // namespace
}  // namespace scenario_test
