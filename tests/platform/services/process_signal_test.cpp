#include "platform/services/process_signal.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/url.h"
#include "platform/services/workspace.h"

namespace platform {
namespace {

using desktop::Desktop;

TEST(ProcessSignal, AnswersAsKillDoesAndOnlyEndingSignalsEndAProcess) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    const int32_t editor = world.application("com.example.Editor").window("One").add().pid();
    const int32_t viewer = world.application("com.example.Viewer").add().pid();
    struct Case {
        int32_t pid;
        int signal;
        int answer;
        bool endsIt;
    };
    const Case cases[] = {
        {editor, 0, 0, false},
        {editor, SIGUSR1, 0, false},
        {editor, SIGTERM, 0, true},
        {editor, SIGTERM, ESRCH, false},  // ended already
        {viewer, -1, EINVAL, false},
        {viewer, 4096, EINVAL, false},
        {viewer, SIGKILL, 0, true},
        {99999, SIGTERM, ESRCH, false},
        {world.ownProcessIdentifier(), SIGTERM, EPERM, false},
    };
    for (const Case& c : cases) {
        const bool wasRunning = world.process(c.pid) != nullptr;
        EXPECT_EQ(signalProcess(c.pid, c.signal), c.answer) << c.pid << " " << c.signal;
        EXPECT_EQ(wasRunning && !world.process(c.pid), c.endsIt) << c.pid << " " << c.signal;
    }
    EXPECT_EQ(world.sentSignals().size(), 3u);  // asking whether a process exists sends nothing
}

TEST(ProcessSignal, TheDockComesBackReadingItsPreferencesAndWithoutAWorldNothingIsReached) {
    int32_t dock = 0;
    {
        MainLoop loop(ClockKind::simulated);
        Desktop world(loop);
        dock = world.dock().application()->pid();
        world.preferences().setOwnerValue("genie-speed", plist::Value(0.25), desktop::Dock::kDomain);
        EXPECT_EQ(signalProcess(dock, SIGTERM), 0);
        EXPECT_NE(world.dock().application()->pid(), dock);
        EXPECT_EQ(world.dock().genieSpeed(), 0.25);
        EXPECT_EQ(RunningApplication::withBundleIdentifier(desktop::Dock::kDomain).size(), 1u);
    }
    EXPECT_EQ(signalProcess(dock, SIGTERM), ESRCH);
}

TEST(URL, TextFormsAURLOnlyWithTheCharactersAURLMayHold) {
    const std::pair<const char*, bool> cases[] = {
        {"https://updates.example.com/appcast.xml?x=1&y=%20#top", true},
        {"mailto:someone@example.com", true},
        {"relative/path", true},
        {"", false},
        {"https://example.com/a b", false},
        {"https://example.com/<x>", false},
        {"https://example.com/%2", false},
        {"https://example.com/%zz", false},
        {"https://exämple.com", false},
    };
    for (const auto& [text, forms] : cases) EXPECT_EQ(formsURL(text), forms) << text;
}

}  // namespace
}  // namespace platform
