// Crash recovery as the user meets it: the program, running in a child process, changes
// windows of another application and is killed (SIGKILL) at some point of its work; the
// next instance finds the windows as the dead one left them and puts every one back
// from the ledger in the real defaults file.
//
// The windows belong to the window server, which outlives the program. Each process
// here holds its own copy of the simulated world, so the child reports after every step
// what the other applications' windows look like, and the parent, once it has killed the
// child at the step it chose, makes its own world look the same before the next instance
// starts.

#include <gtest/gtest.h>

#include "recovery_test_support.h"
#include "tests/support/child_process.h"

namespace engine_test {
namespace {

using furlpane_test::Pipe;

constexpr size_t kWindows = 3;

// One window of another application as the window server shows it.
struct WindowMirror {
    uint32_t number = 0;
    int32_t minimized = 0;
    double x = 0, y = 0, width = 0, height = 0;
};

void report(int fd, const Scene& scene) {
    const auto windows = scene.editor.windows();
    furlpane_test::send(fd, static_cast<int>(windows.size()));
    for (const desktop::Window* window : windows) {
        const Rect frame = window->frame();
        furlpane_test::sendRecord(fd, WindowMirror{window->number(), window->isMinimized() ? 1 : 0, frame.minX(),
                                                   frame.minY(), frame.width(), frame.height()});
    }
}

std::optional<std::vector<WindowMirror>> receiveReport(int fd) {
    const int count = furlpane_test::receive(fd);
    if (count < 0) return std::nullopt;
    std::vector<WindowMirror> windows;
    for (int i = 0; i < count; ++i) {
        const auto window = furlpane_test::receiveRecord<WindowMirror>(fd);
        if (!window) return std::nullopt;
        windows.push_back(*window);
    }
    return windows;
}

// What the dead program left, made true in this world; the trips it began end.
void replay(Scene& scene, const std::vector<WindowMirror>& windows) {
    for (const auto& mirror : windows) {
        desktop::Window* window = scene.world.window(mirror.number);
        if (!window) continue;
        window->setFrame({mirror.x, mirror.y, mirror.width, mirror.height});
        if (mirror.minimized && !window->isMinimized()) window->minimize();
        if (!mirror.minimized && window->isMinimized()) window->deminimize();
    }
    scene.settle();
}

// The program's work, one step at a time: after each the child reports and waits for the
// parent's word to go on. Half steps stop in the middle of a change.
enum Step : int {
    shadingBegun,
    shaded,
    thumbnailBegun,
    thumbnailed,
    floated,
    restoringBegun,
    stepCount,
};
constexpr double kHalfStep = 0.05;

void queueAction(Scene& scene, WindowAction action, size_t window) {
    const TargetWindow target = scene.target(scene.window(window));
    scene.engine->onMainActor(WindowEffects::Job([action, target](WindowEffects& effects) {
        return effects.act(action, target, std::nullopt, Raising::inPlace, Speed::normal);
    }));
}

void queueRestore(Scene& scene, size_t window) {
    const auto changed = scene.engine->findAffected(scene.window(window).number());
    if (!changed) return;
    scene.engine->onMainActor(WindowEffects::Job([changed](WindowEffects& effects) {
        return effects.restoreWindow(changed, Raising::bringForward, Speed::normal, {});
    }));
}

void perform(Scene& scene, Step step) {
    switch (step) {
        case shadingBegun: queueAction(scene, WindowAction::furlpane, 0); break;
        case thumbnailBegun: queueAction(scene, WindowAction::minimizeInPlace, 1); break;
        case floated: queueAction(scene, WindowAction::floatOnTop, 2); break;
        case restoringBegun: queueRestore(scene, 0); break;
        default: break;
    }
    const bool half = step == shadingBegun || step == thumbnailBegun || step == restoringBegun;
    scene.loop.advance(half ? kHalfStep : 3);
    scene.loop.runUntilIdle();
}

// The child's whole life: the program at work until the parent kills it.
[[noreturn]] void runProgram(Scene& scene, Pipe& progress, Pipe& go, std::optional<int32_t> ledgerOwner) {
    progress.closeRead();
    go.closeWrite();
    if (ledgerOwner) {
        scene.ledger = std::make_shared<WindowLedger>(*scene.defaults, *ledgerOwner);
        WindowLedger::setShared(scene.ledger);
    }
    for (int step = 0; step < stepCount; ++step) {
        perform(scene, static_cast<Step>(step));
        report(progress.write(), scene);
        if (furlpane_test::receive(go.read()) < 0) break;
    }
    _exit(0);
}

struct Crash {
    const char* name;
    Step killedAfter;
    // How many windows the dead program had in the Dock (none: a step in the middle of a
    // change, whose count is the changed window's business).
    std::optional<int> inDock;
    // The identifier the dead program filed its list under: this process's (a later
    // process with the same identifier), or another one.
    std::optional<int32_t> ledgerOwner;
};

// Forks the program, lets it work up to the crash, kills it and makes this world look as
// the dead program left it; the windows' frames before anything happened.
std::vector<Rect> crash(Scene& scene, const Crash& row) {
    std::vector<Rect> frames;
    for (size_t i = 0; i < kWindows; ++i) frames.push_back(scene.window(i).frame());
    Pipe progress, go;
    EXPECT_TRUE(progress.isOpen() && go.isOpen());
    const pid_t child = ::fork();
    if (child == 0) runProgram(scene, progress, go, row.ledgerOwner);
    EXPECT_GT(child, 0);
    progress.closeWrite();
    go.closeRead();
    std::optional<std::vector<WindowMirror>> left;
    for (int step = 0; step <= row.killedAfter; ++step) {
        left = receiveReport(progress.read());
        if (!left) break;
        if (step < row.killedAfter) furlpane_test::send(go.write(), 1);
    }
    EXPECT_TRUE(furlpane_test::killNow(child));
    EXPECT_TRUE(left.has_value()) << "the program ended before step " << row.killedAfter;
    if (left) replay(scene, *left);
    return frames;
}

// The next instance's start-up: a ledger of its own over the defaults file as the dead
// program left it.
void startNextInstance(Scene& scene, Waiting waiting = Waiting::yes) {
    auto defaults = platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, scene.folder.path());
    WindowLedger ledger(*defaults, scene.world.ownProcessIdentifier());
    LedgerRecovery(ledger, scene.engine).recover(waiting);
    scene.settle();
}

int windowsInDock(const Scene& scene) {
    int count = 0;
    for (size_t i = 0; i < kWindows; ++i) count += scene.window(i).isMinimized() ? 1 : 0;
    return count;
}

TEST(CrashRecovery, TheNextInstancePutsBackEveryWindowTheKilledOneLeftChanged) {
    for (const Crash& row : std::initializer_list<Crash>{
             {"while a window rolls up", shadingBegun, std::nullopt, std::nullopt},
             {"with a window rolled up", shaded, 1, std::nullopt},
             {"while a second becomes a thumbnail", thumbnailBegun, std::nullopt, std::nullopt},
             {"with a title strip, a thumbnail and a floating window", floated, 2, std::nullopt},
             {"while a window is being restored", restoringBegun, std::nullopt, std::nullopt},
             {"filed under an identifier no process has now", floated, 2, 90000},
         }) {
        SCOPED_TRACE(row.name);
        Scene scene(kWindows);
        const auto frames = crash(scene, row);
        if (row.inDock) {
            EXPECT_EQ(windowsInDock(scene), *row.inDock);
        }

        startNextInstance(scene);

        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_FALSE(scene.window(i).isMinimized()) << "window " << i;
            EXPECT_TRUE(scene.window(i).isOnScreen()) << "window " << i;
            EXPECT_EQ(scene.window(i).frame(), frames[i]) << "window " << i;
        }
        EXPECT_EQ(scene.stored(), Dictionary{});
    }
}

// An application that does not answer at the next launch keeps its windows in the Dock
// until later passes (changes of Space) find it answering: one window a pass, since a pass
// that does not wait leaves a further window of the same application to the next.
TEST(CrashRecovery, AnApplicationThatDoesNotAnswerGetsItsWindowsBackOnLaterPasses) {
    Scene scene(kWindows);
    crash(scene, {"all changed", floated, 2, std::nullopt});
    scene.editor.stopAnswering(2);

    startNextInstance(scene);
    EXPECT_EQ(windowsInDock(scene), 2);
    EXPECT_FALSE(scene.stored().empty());

    for (int left : {1, 0}) {
        LedgerRecovery(*scene.ledger, scene.engine).recover(Waiting::no);
        scene.settle();
        EXPECT_EQ(windowsInDock(scene), left);
    }
    EXPECT_EQ(scene.stored(), Dictionary{});
}

}  // namespace
}  // namespace engine_test
