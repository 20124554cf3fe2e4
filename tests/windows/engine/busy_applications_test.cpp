// Busy applications: waiters released only by the last trip and in order, the windows kept
// for the triggers meanwhile, and how long an application that does not answer holds the
// end of a trip.

#include "tests/windows/engine/engine_test_support.h"

#include <limits>

namespace engine_test {
namespace {

Task<void> waitUntilSettled(BusyApplications* busy, int32_t pid, std::vector<std::string>* log, std::string label) {
    auto settling = busy->settled(pid);
    co_await settling;
    log->push_back(label);
}

Task<void> releaseAndNote(BusyApplications* busy, uint32_t window, int32_t pid, double* at) {
    auto releasing = busy->releaseAfterDockTrip(window, DockTripDirection::miniaturizing, Speed::normal, pid);
    co_await releasing;
    *at = MainLoop::main().now();
}

class BusyApplicationsTest : public EngineTest {
protected:
    BusyApplications busy;
};

TEST_F(BusyApplicationsTest, WaitersResumeInOrderOnlyOnceTheLastTripEnds) {
    auto& app = editor({{.title = "One"}, {.title = "Two"}, {.title = "Three"}});
    const int32_t pid = app.pid();
    const uint32_t one = app.windows()[0]->number();
    const uint32_t three = app.windows()[2]->number();
    std::vector<std::string> log;

    // Not busy: the wait ends without a trip.
    platform::spawnMain([&] { return waitUntilSettled(&busy, pid, &log, "at once"); });
    loop.runUntilIdle();
    EXPECT_EQ(log, std::vector<std::string>{"at once"});

    busy.refreshKnownTargets(pid, {three});
    busy.markBusy(pid);
    busy.markBusy(pid);
    for (const char* label : {"a", "b", "c"}) {
        platform::spawnMain([&, label] { return waitUntilSettled(&busy, pid, &log, label); });
    }
    loop.runUntilIdle();
    EXPECT_EQ(busy.waiterCount(pid), 3u);

    busy.finishBusy(pid);
    loop.runUntilIdle();
    EXPECT_EQ(log.size(), 1u);
    EXPECT_TRUE(busy.knownTarget(one, pid));
    EXPECT_FALSE(busy.knownTarget(three, pid));

    busy.finishBusy(pid);
    loop.runUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string>{"at once", "a", "b", "c"}));
    EXPECT_FALSE(busy.isBusy(pid));
    EXPECT_FALSE(busy.knownTarget(one, pid));

    // An application with no count: nothing to take away, nothing breaks.
    busy.finishBusy(pid);
    EXPECT_TRUE(busy.busyApplications().empty());
}

TEST_F(BusyApplicationsTest, ARefreshKeepsTheFirstEightWindowsThatCanBeTargets) {
    std::vector<desktop::WindowDescription> descriptions;
    for (int i = 0; i < 12; ++i) {
        descriptions.push_back({.title = "W" + std::to_string(i), .minimized = i == 2 || i == 5});
    }
    auto& app = editor(std::move(descriptions));
    const auto elements = applicationWindows(app.pid());
    ASSERT_EQ(elements.size(), 12u);
    std::vector<uint32_t> order;
    for (const auto& element : elements) order.push_back(*windowNumber(element));
    const uint32_t excluded = app.windows()[7]->number();
    std::vector<uint32_t> expected;
    for (const uint32_t number : order) {
        const auto* window = world.window(number);
        if (window->isMinimized() || number == excluded || expected.size() == 8) continue;
        expected.push_back(number);
    }

    busy.refreshKnownTargets(app.pid(), {excluded});
    std::vector<uint32_t> kept;
    for (const auto& [number, target] : busy.knownTargets().at(app.pid())) kept.push_back(number);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(kept, expected);
    // The application is not busy: what is kept is there for a trip about to begin.
    EXPECT_TRUE(busy.knownTarget(expected.front(), app.pid()));
    EXPECT_FALSE(busy.knownTarget(excluded, app.pid()));
}

TEST_F(BusyApplicationsTest, AnApplicationThatDoesNotAnswerHoldsTheReleaseAtMostAWhile) {
    const struct {
        const char* what;
        double silence;
        bool ownProcess;
        double earliest;
        double latest;
    } cases[] = {
        {"answering", 0, false, 0, 0.05},
        {"silent for 0.3 s", 0.3, false, 0.3, 0.35},
        // Each read waits out the messaging timeout; the poll gives up after 0.6 s.
        {"silent for 2 s", 2.0, false, 0.6, 0.85},
        {"the program's own", 2.0, true, 0, 0.05},
    };
    for (const auto& c : cases) {
        auto& app = editor({{.title = "Gone", .minimized = true}}, std::string("com.example.") + c.what);
        const uint32_t window = app.windows()[0]->number();
        if (c.silence > 0) app.stopAnswering(c.silence);
        const int32_t pid = c.ownProcess ? world.ownProcessIdentifier() : app.pid();
        const auto requests = world.accessibilityRequestCount();
        const double start = loop.now();
        double released = -1;
        busy.markBusy(pid);
        run(releaseAndNote(&busy, window, pid, &released));
        EXPECT_GE(released - start, c.earliest) << c.what;
        EXPECT_LE(released - start, c.latest) << c.what;
        EXPECT_FALSE(busy.isBusy(pid)) << c.what;
        if (c.ownProcess) {
            EXPECT_EQ(world.accessibilityRequestCount(), requests) << c.what;
        }
        app.answerAgain();
    }
}

// Releases started together wait for their applications side by side: each ends within
// its own bound, however many silent applications (or trips of one) are released with it.
TEST_F(BusyApplicationsTest, ReleasesStartedTogetherEachEndWithinTheirOwnBound) {
    struct Release {
        int32_t pid;
        uint32_t window;
        double latest;
        double at = -1;
    };
    std::vector<Release> releases;
    for (int i = 0; i < 4; ++i) {
        const bool silent = i % 2 == 0;
        auto& app = editor({{.title = "Gone", .minimized = true}}, "com.example.app" + std::to_string(i));
        if (silent) app.stopAnswering(5);
        const uint32_t window = app.windows()[0]->number();
        // Each read of a silent application waits out the messaging timeout; the poll gives
        // up after 0.6 s.
        const double latest = silent ? BusyApplications::kAnswerLimit + 0.25 : 0.05;
        releases.push_back({app.pid(), window, latest});
        // The first silent application makes two trips at once.
        if (i == 0) releases.push_back({app.pid(), window, latest});
    }
    const double start = loop.now();
    for (Release& release : releases) busy.markBusy(release.pid);
    for (Release& release : releases) {
        platform::spawnMain(
            [this, &release] { return releaseAndNote(&busy, release.window, release.pid, &release.at); });
    }
    loop.advance(3);
    loop.runUntilIdle();
    for (const Release& release : releases) {
        EXPECT_GE(release.at, start) << release.pid;
        EXPECT_LE(release.at - start, release.latest) << release.pid;
        EXPECT_FALSE(busy.isBusy(release.pid)) << release.pid;
    }
}

Task<void> answerAndNote(int32_t pid, double* at, int* done) {
    auto answering = BusyApplications::answers(pid);
    co_await answering;
    *at = MainLoop::main().now();
    ++*done;
}

// On the real clock the polls run on threads: however many applications do not answer,
// each poll is bounded on its own, and an application that answers is never held behind
// them, even when its poll comes last.
TEST(BusyApplicationsOnTheRealClock, EverySilentApplicationIsReleasedWithinItsOwnBound) {
    MainLoop loop{ClockKind::real};
    desktop::Desktop world{loop};
    systemWideElement().setMessagingTimeout(0.25f);
    constexpr int kSilent = 8;
    std::vector<int32_t> pids;
    for (int i = 0; i <= kSilent; ++i) {
        auto& app = world.application("com.example.app" + std::to_string(i)).window({.title = "W"}).add();
        if (i < kSilent) app.stopAnswering(30);
        pids.push_back(app.pid());
    }
    std::vector<double> released(pids.size(), -1);
    int done = 0;
    const double start = loop.now();
    for (size_t i = 0; i < pids.size(); ++i) {
        platform::spawnMain([pid = pids[i], at = &released[i], &done] { return answerAndNote(pid, at, &done); });
    }
    loop.runInMode(platform::modes::kDefault, 10, [&] { return done == static_cast<int>(pids.size()); });
    // A silent poll ends after its third read, each waiting out the messaging timeout
    // (0.77 s); one held behind four others would end twice as late. The margins leave
    // room for a loaded machine.
    for (int i = 0; i < kSilent; ++i) {
        EXPECT_GE(released[i] - start, BusyApplications::kAnswerLimit) << i;
        EXPECT_LE(released[i] - start, 1.3) << i;
    }
    EXPECT_GE(released[kSilent], start);
    EXPECT_LE(released[kSilent] - start, 0.5) << "the answering application waited for the silent ones";
}

}  // namespace
}  // namespace engine_test
