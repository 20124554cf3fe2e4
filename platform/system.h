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

#include <memory>
#include <string>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/runtime/result.h"

namespace platform {

class MainLoop;

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
    ~System();
    System(const System&) = delete;
    System& operator=(const System&) = delete;

private:
    struct World;
    explicit System(std::unique_ptr<World> world);

    std::unique_ptr<World> world_;
};

}  // namespace platform
