// The lists that running instances of the program keep side by side in the one settings
// file, "ChangedWindows" and "HeldWindows": a write that comes late keeps what another
// instance wrote meanwhile, owners that no longer run cost what they hold, and an owner
// key names a process only as the program spells it.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "platform/defaults/durable_file.h"
#include "recovery_test_support.h"
#include "tests/platform/defaults/defaults_test_support.h"
#include "tests/support/foreign_settings.h"
#include "tests/support/numbered.h"
#include "tests/support/processor_time.h"

namespace engine_test {
namespace {

using platform::FileUserDefaults;
using platform::kProgramDefaultsDomain;

std::optional<Value> storedIn(const std::filesystem::path& folder, const std::string& key) {
    return FileUserDefaults::create(kProgramDefaultsDomain, folder)->storedObject(key);
}

// Instance 100 writes its list while the file cannot take it; instance 200 writes its own
// before the retry, which must make 100's change again from the file as 200 left it.
TEST(SharedLists, ALateWriteKeepsWhatTheOtherInstanceWroteMeanwhile) {
    using Lateness = std::function<std::shared_ptr<void>(FileUserDefaults&)>;  // lasts while it is held
    const std::pair<const char*, Lateness> lateWrites[] = {
        {"the lock held past its wait",
         [](FileUserDefaults& d) -> std::shared_ptr<void> {
             d.setLockWait(std::chrono::milliseconds(0));
             return std::make_shared<platform::durable::FileLock>(d.path().string() + ".lock", d.lockWait());
         }},
        {"a failed write", [](FileUserDefaults&) -> std::shared_ptr<void> {
             return std::make_shared<platform::FileSizeLimit>(16);
         }},
    };
    for (const std::string key : {WindowLedger::kDefaultsKey, WindowEffects::kHeldWindowsKey}) {
        for (const auto& [lateness, late] : lateWrites) {
            for (const Array& othersList : {Array{7, 8}, Array{}}) {
                SCOPED_TRACE(key + ", " + lateness + (othersList.empty() ? ", a list taken down" : ", an entry added"));
                MainLoop loop{ClockKind::simulated};
                furlpane_test::TempFolder folder;
                auto mine = FileUserDefaults::create(kProgramDefaultsDomain, folder.path());
                auto theirs = FileUserDefaults::create(kProgramDefaultsDomain, folder.path());
                WindowLedger me(*mine, 100), them(*theirs, 200);
                them.storeOwnList(key, Array{7});
                {
                    furlpane_test::CapturedErrors errors;
                    const auto held = late(*mine);
                    me.storeOwnList(key, Array{1});
                    ASSERT_TRUE(mine->hasUnwrittenChanges());
                }
                them.storeOwnList(key, othersList);
                loop.advance(FileUserDefaults::kRetryDelay);
                EXPECT_FALSE(mine->hasUnwrittenChanges());
                Dictionary expected{{"100", Array{1}}};
                if (!othersList.empty()) expected.set("200", othersList);
                EXPECT_EQ(storedIn(folder.path(), key), Value(expected));
            }
        }
    }
}

// What goes from the file goes in one pass: 40,000 owners that no longer run, at the next
// change of this instance's list or the next recovery pass, or as many values the file
// cannot hold with a change. Taken out one at a time, each moved every key after it, and
// 100,000 froze the main thread for minutes. Counted in the thread's processor time,
// which tests running beside it do not stretch.
TEST(SharedLists, WhatGoesFromTheFileCostsTimeLinearInItsSize) {
    constexpr int kMany = 40000;
    Dictionary ended;
    std::string latin1 = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>";
    for (int i = 0; i < kMany; ++i) {
        ended.set(furlpane_test::numbered("", 1000000 + i), Array{});
        latin1 += furlpane_test::numbered("<key>", i) + "</key><string>" + std::string(300, '\xE9') + "</string>";
    }
    latin1 += "</dict></plist>";
    const auto gone = [](const std::string& owner) { return !LedgerRecovery::isOwnerRunning(owner); };
    const auto held = [&](Scene& s) { s.ledger->storeOwnList(WindowEffects::kHeldWindowsKey, Array{1}, gone); };
    const struct {
        const char* name;
        std::function<void(Scene&)> prepare, change;
        std::string key;
        bool left;  // what the change wrote, and nothing else
    } rows[] = {
        {"ended owners of held windows", [&](Scene& s) { s.defaults->set(WindowEffects::kHeldWindowsKey, ended); },
         held, WindowEffects::kHeldWindowsKey, true},
        {"ended owners of changed windows", [&](Scene& s) { s.store(ended); },
         [](Scene& s) { s.recover(Waiting::no); }, WindowLedger::kDefaultsKey, false},
        {"text a write makes too large", [&](Scene& s) { furlpane_test::writeText(s.defaults->path(), latin1); },
         held, WindowEffects::kHeldWindowsKey, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Scene scene(0);
        furlpane_test::CapturedErrors errors;
        row.prepare(scene);
        const double start = furlpane_test::threadSeconds();
        row.change(scene);
        EXPECT_LT(furlpane_test::threadSeconds() - start, 5.0);
        const Dictionary own{{scene.ledger->ownerKey(), Array{1}}};
        EXPECT_EQ(storedIn(scene.folder.path(), row.key), row.left ? std::optional<Value>(own) : std::nullopt);
    }
}

// Only the spelling the program writes names a process: windows listed under this
// instance's identifier or another's spelt otherwise are no running instance's to keep,
// and changed windows so listed are put back as an ended instance's.
TEST(SharedLists, AnOwnerKeyNamesAProcessOnlyAsTheProgramSpellsIt) {
    const struct {
        bool self;
        std::string spelling;
    } rows[] = {{true, ""}, {true, "0"}, {true, "+"}, {false, ""}, {false, "00"}, {false, "+"}};
    for (const auto& row : rows) {
        Scene scene(1);
        const auto& instance = scene.world.application(platform::kProgramBundleIdentifier).inBackground().add();
        const int32_t pid = row.self ? scene.world.ownProcessIdentifier() : instance.pid();
        const std::string key = row.spelling + std::to_string(pid);
        SCOPED_TRACE(key + (row.self ? ", this instance" : ", another instance"));
        const bool written = row.spelling.empty();
        auto& window = scene.window(0);
        scene.defaults->set(WindowEffects::kHeldWindowsKey, Dictionary{{key, Array{int64_t{window.number()}}}});
        EXPECT_EQ(scene.engine->isHeldElsewhere(window.number()), written && !row.self);

        scene.inDock(window);
        scene.store(Dictionary{{key, Array{minimizedEntry(window)}}});
        scene.recover(Waiting::no);
        scene.settle();
        EXPECT_EQ(window.isMinimized(), written) << "a running instance's list is left to it";
    }
}

}  // namespace
}  // namespace engine_test
