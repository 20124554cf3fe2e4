// The durable domain against real processes: killed at any moment, and writing side by
// side. Children are forked and report their progress through a pipe; the parent
// decides when they die, so the assertions never depend on timing.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <limits>
#include <utility>

#include "platform/defaults/file_user_defaults.h"
#include "tests/support/child_process.h"
#include "tests/support/numbered.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using furlpane_test::numbered;
using furlpane_test::Pipe;
using furlpane_test::receive;
using furlpane_test::send;
using furlpane_test::waitFor;
using plist::Dictionary;
using plist::Value;

constexpr const char* kDomain = "com.brindlewick.FurlpaneNovan";

// Forks a child that makes write after write (step i: "K<i>" = i, then "Last" = i) and
// reports each step on `progress`; with a `go` pipe it then waits for a word on it.
pid_t forkWriter(const std::filesystem::path& folder, const Pipe& progress, const Pipe* go, int steps) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    auto d = FileUserDefaults::create(kDomain, folder);
    for (int i = 0; i < steps; ++i) {
        d->set(numbered("K", i), i);
        d->set("Last", i);
        send(progress.write(), i);
        if (go) (void)receive(go->read());
    }
    _exit(0);
}

// Every step up to `last` is there, and the file reads whole.
void expectStepsUpTo(const std::filesystem::path& folder, int last) {
    auto d = FileUserDefaults::create(kDomain, folder);
    ASSERT_EQ(d->fileState(), FileUserDefaults::FileState::sound);
    const int stored = static_cast<int>(d->integer("Last"));
    EXPECT_GE(stored, last);
    for (int i = 0; i <= stored; ++i) EXPECT_EQ(d->integer(numbered("K", i)), i) << "step " << i;
}

TEST(DefaultsCrash, AProcessKilledBetweenAnyTwoWritesLosesNothingWritten) {
    constexpr int kSteps = 5;
    for (int killAfter = 0; killAfter < kSteps; ++killAfter) {
        furlpane_test::TempFolder tmp;
        Pipe progress, go;
        const pid_t pid = forkWriter(tmp.path(), progress, &go, kSteps);
        ASSERT_GE(pid, 0);
        progress.closeWrite();
        for (int i = 0; i < killAfter; ++i) {
            ASSERT_EQ(receive(progress.read()), i);
            send(go.write(), 1);
        }
        ASSERT_EQ(receive(progress.read()), killAfter);
        EXPECT_TRUE(furlpane_test::killNow(pid));
        expectStepsUpTo(tmp.path(), killAfter);
    }
}

TEST(DefaultsCrash, AProcessKilledInTheMiddleOfAWriteLeavesTheOldOrTheNewFile) {
    for (int killAt : {3, 11, 17}) {
        furlpane_test::TempFolder tmp;
        Pipe progress;
        const pid_t pid = forkWriter(tmp.path(), progress, nullptr, std::numeric_limits<int>::max());
        ASSERT_GE(pid, 0);
        progress.closeWrite();
        int acknowledged = -1;
        while (acknowledged < killAt) acknowledged = receive(progress.read());
        // The child is already inside its next write.
        ::kill(pid, SIGKILL);
        waitFor(pid);
        expectStepsUpTo(tmp.path(), killAt);

        // A temporary file the child left is cleared by the next writer.
        FileUserDefaults::create(kDomain, tmp.path())->set("After", true);
        for (const auto& e : std::filesystem::directory_iterator(tmp.path())) {
            EXPECT_EQ(e.path().filename().string().find(".tmp."), std::string::npos) << e.path();
        }
    }
}

TEST(DefaultsCrash, TwoProcessesRewritingOneDomainLoseNothing) {
    constexpr int kWrites = 25;
    furlpane_test::TempFolder tmp;
    Pipe start;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            start.closeWrite();
            (void)receive(start.read());  // both start together
            const std::string me = c == 0 ? "A" : "B";
            auto d = FileUserDefaults::create(kDomain, tmp.path());
            for (int i = 0; i < kWrites; ++i) {
                d->set(numbered(me, i), i);
                // Both also keep their own entry of one shared dictionary, as running
                // instances keep their lists in the ledger of changed windows.
                d->update("Shared", [&](std::optional<Value> stored) -> std::optional<Value> {
                    Dictionary shared = stored && stored->dictionary() ? *stored->dictionary() : Dictionary{};
                    shared.set(me, i);
                    return Value(shared);
                });
            }
            _exit(d->hasUnwrittenChanges() ? 1 : 0);
        }
    }
    start.closeWrite();  // releases both
    for (pid_t pid : children) {
        const int status = waitFor(pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto d = FileUserDefaults::create(kDomain, tmp.path());
    for (int i = 0; i < kWrites; ++i) {
        EXPECT_EQ(d->integer(numbered("A", i)), i);
        EXPECT_EQ(d->integer(numbered("B", i)), i);
    }
    EXPECT_EQ(d->dictionary("Shared"), (Dictionary{{"A", kWrites - 1}, {"B", kWrites - 1}}));
}

}  // namespace
}  // namespace platform
