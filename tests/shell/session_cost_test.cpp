// What a long session costs the host: every launch of the program, every opening of the
// settings window, every change and crash leaves the world with the records it had before
// (past the few ended ones it keeps) and the heap where it was, so that the ten-thousandth
// costs what the first did. Cost is counted, not timed: records held, live heap bytes
// and the accessibility requests a block of launches sends, which a busy machine does not
// change.

#include <gtest/gtest.h>
#include <malloc.h>

#include <cstddef>
#include <functional>
#include <sstream>
#include <string>

#include "platform/gpu/device.h"
#include "tests/shell/shell_test_support.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's runtime counts what it hands out; its header is not always installed.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace furlpane {
namespace {

constexpr const char* kDesk = R"(
screen 0,0 1440x900 scale 1
defaults MIPWindowAnimateTransitions false
app com.example.Notes "Notes"
window "Groceries" of com.example.Notes at 100,100 size 600x400
window "Recipes" of com.example.Notes at 760,160 size 500x420
)";

// Bytes the program's process holds on the heap now.
size_t liveHeap() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

std::string times(int count, const std::string& lines) {
    std::string all;
    for (int i = 0; i < count; ++i) all += lines;
    return all;
}

// What a session holds after a block of lines.
struct Cost {
    platform::desktop::Desktop::RecordCounts records;
    size_t heap = 0;
    uint64_t requests = 0;
};

class SessionCost : public ::testing::Test {
protected:
    void SetUp() override { platform::gpu::setPassesDraw(false); }
    void TearDown() override { platform::gpu::setPassesDraw(true); }

    // Plays the lines, then lets go of the journal they wrote (the test's, not the host's).
    void play(const std::string& lines) {
        ASSERT_EQ(run.play(lines), 0) << run.errors.str();
        std::ostringstream fresh;
        run.out.swap(fresh);
    }
    Cost cost() const {
        return {run.stage.world.recordCounts(), liveHeap(), run.stage.world.accessibilityRequestCount()};
    }
    // Two equal blocks of `count` cycles: the second leaves the world's records and the
    // heap where the first left them, and costs the same requests.
    void expectFlat(const std::function<void()>& cycle, int count) {
        const Cost start = cost();
        for (int i = 0; i < count; ++i) cycle();
        const Cost middle = cost();
        for (int i = 0; i < count; ++i) cycle();
        const Cost end = cost();
        EXPECT_EQ(middle.records, start.records);
        EXPECT_EQ(end.records, middle.records);
        const double grown = (double(end.heap) - double(middle.heap)) / count;
        EXPECT_LT(grown, kHeapPerCycle) << "bytes a cycle, from " << middle.heap << " to " << end.heap;
        EXPECT_EQ(end.requests - middle.requests, middle.requests - start.requests);
    }

    static constexpr double kHeapPerCycle = 256;
    testing::ProgramRun run;
};

TEST_F(SessionCost, LaunchesAndQuitsLeaveNothingBehind) {
    const std::string cycle = "launch\nwait 1\nquit\nwait 1\nexpect exited 0\n";
    // Past the ended processes, windows and controls the world keeps.
    play(kDesk + times(70, cycle));
    expectFlat([&] { play(cycle); }, 20);
    const auto& world = run.stage.world;
    EXPECT_LE(world.recordCounts().processes,
              world.runningApplications().size() + 1 + platform::desktop::Desktop::kKeptEndedProcesses);
}

TEST_F(SessionCost, OpeningTheSettingsWindowAgainAndAgainLeavesNothingBehind) {
    // From the status menu, as a person opens it.
    const std::string cycle = "settings open\nwait 0.5\nsettings close\nwait 0.5\n";
    play(std::string(kDesk) + "launch\nwait 1\n" + times(70, cycle));
    const auto settled = run.stage.world.recordCounts();
    play(times(10, cycle));
    EXPECT_EQ(run.stage.world.recordCounts(), settled);
    // Opened by what the menu item does, without the clicks that reach it: the record of
    // input keeps its newest few thousand events, and grows until it holds them.
    expectFlat(
        [&] {
            run.stage.host.asProgram([&] { run.latest->openSettings(); });
            play("wait 0.5\nexpect settings \"General\"\nsettings close\nwait 0.5\n");
        },
        15);
}

TEST_F(SessionCost, ChangesCrashesAndRelaunchesLeaveTheSameRecords) {
    // A roll-up, a crash with the window in the Dock, and the next launch putting it back.
    const std::string cycle =
        "launch\nwait 1\ndouble-click 300,112\nwait 1.2\nexpect window \"Groceries\" shaded\ncrash\nwait 1\n"
        "launch\nwait 2\nexpect window \"Groceries\" normal at 100,100\nquit\nwait 1\n";
    play(kDesk + times(40, cycle));
    const auto settled = run.stage.world.recordCounts();
    play(times(10, cycle));
    EXPECT_EQ(run.stage.world.recordCounts(), settled);
}

}  // namespace
}  // namespace furlpane
