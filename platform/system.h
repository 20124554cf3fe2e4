#pragma once

// The system the program runs on, brought up by one call at the start of main and taken
// down when the object it answers goes away. Every stand-in of the platform layer reads
// this system; before start() and after it ends they answer as on a machine with nothing
// running (no screens, no other applications, nothing trusted).
//
// In this build the system is the simulated desktop: start() builds its world on the
// program's main loop, from the default description (one 1440 × 900 screen, the Dock,
// the program itself as an accessory application, trusted for accessibility) or from
// one given. The program names nothing of the simulation; tests that drive the world
// build it themselves.
//
//   platform::MainLoop loop(platform::ClockKind::real);
//   auto system = platform::System::start(loop);
//   if (!system) return fail(system.error().message);
//   loop.run();
//
// One system at a time per process. Main thread only.
//
// The executable hosts the system and the program together through run(): the system
// makes the program's delegate each time it launches the program, plays a scenario or
// takes the same commands from standard input, and prints what it sees as JSON lines
// (see platform/scenario/session.h for the command line):
//
//   int main(int argc, char** argv) {
//       return platform::System::run(argc, argv, {.makeDelegate = [] { return makeMyDelegate(); }});
//   }

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/runtime/result.h"

namespace platform {

class MainLoop;
class ApplicationDelegate;

// What the system runs as the program.
struct Program {
    // The program's delegate, made afresh at every launch: its end is the end of the
    // program's run, and every object of the run should go with it.
    std::function<std::shared_ptr<ApplicationDelegate>()> makeDelegate;
};

struct ScreenDescription {
    // In AppKit coordinates: origin at the bottom-left corner of the first screen.
    Rect frame{0, 0, 1440, 900};
    double backingScaleFactor = 2;
    std::string name = "Display";
};

struct SystemDescription {
    // The program's own identity, as the system knows it.
    std::string bundleIdentifier = "com.brindlewick.FurlpaneNovan";
    std::string name = "Furlpane Novan";
    // The first screen has the menu bar.
    std::vector<ScreenDescription> screens{ScreenDescription{}};
    bool accessibilityTrusted = true;
};

class System {
public:
    // Screens larger than this many points on a side, or scaled beyond kMaxScale, are
    // no description of a machine.
    static constexpr double kMaxScreenSide = 100000;
    static constexpr double kMaxScale = 8;

    // Fails, bringing nothing up, while another system is up in this process and for a
    // description no machine matches: no bundle identifier, a screen whose frame is not
    // finite, empty or too large, or a scale that is not in (0, kMaxScale].
    static Result<std::unique_ptr<System>> start(MainLoop& loop, const SystemDescription& description = {});
    // Runs the system with the program as the command line asks and answers the exit
    // status of the process; a command line it does not understand gives the usage on
    // standard error and 2, --help the usage on standard output and 0.
    static int run(int argc, char** argv, Program program);
    // What the process does first of all, before anything opens a file or a signal may
    // find it without its handlers: standard descriptors it was started without are held
    // (scenario/standard_streams.h), and the termination signals are caught. run() does
    // it too; main may do it earlier still. Idempotent. Throws std::system_error when the
    // process cannot have the descriptors it needs for that; run() then ends with the
    // status of a resource that cannot be had.
    static void prepareProcess();
    ~System();
    System(const System&) = delete;
    System& operator=(const System&) = delete;

private:
    struct World;
    explicit System(std::unique_ptr<World> world);

    std::unique_ptr<World> world_;
};

}  // namespace platform
