#include "platform/system.h"

#include <csignal>
#include <cmath>
#include <iostream>
#include <optional>
#include <system_error>

#include "platform/desktop/desktop.h"
#include "platform/runtime/signals.h"
#include "platform/scenario/process_limits.h"
#include "platform/scenario/session.h"
#include "platform/scenario/standard_streams.h"

namespace platform {

namespace {

std::optional<Failure> problemWith(const ScreenDescription& screen) {
    const Rect& f = screen.frame;
    if (!f.isFinite() || !(f.width() > 0) || !(f.height() > 0))
        return Failure{"the screen \"" + screen.name + "\" has no finite, non-empty frame"};
    if (f.width() > System::kMaxScreenSide || f.height() > System::kMaxScreenSide)
        return Failure{"the screen \"" + screen.name + "\" is larger than any display"};
    if (!(screen.backingScaleFactor > 0 && screen.backingScaleFactor <= System::kMaxScale))
        return Failure{"the screen \"" + screen.name + "\" has a scale outside (0, 8]"};
    return std::nullopt;
}

std::optional<Failure> problemWith(const SystemDescription& description) {
    if (description.bundleIdentifier.empty()) return Failure{"the program has no bundle identifier"};
    for (const ScreenDescription& screen : description.screens) {
        if (auto problem = problemWith(screen)) return problem;
    }
    return std::nullopt;
}

desktop::DesktopOptions worldOptions(const SystemDescription& description) {
    desktop::DesktopOptions options;
    options.ownBundleIdentifier = description.bundleIdentifier;
    options.ownName = description.name;
    options.accessibilityTrusted = description.accessibilityTrusted;
    options.displays.clear();
    for (const ScreenDescription& screen : description.screens) {
        options.displays.push_back({.frame = screen.frame.standardized(),
                                    .backingScaleFactor = screen.backingScaleFactor,
                                    .name = screen.name});
    }
    return options;
}

}  // namespace

struct System::World {
    World(MainLoop& loop, const SystemDescription& description) : desktop(loop, worldOptions(description)) {}
    desktop::Desktop desktop;
};

Result<std::unique_ptr<System>> System::start(MainLoop& loop, const SystemDescription& description) {
    if (desktop::Desktop::currentOrNull()) return Failure{"a system is already up in this process"};
    if (auto problem = problemWith(description)) return *problem;
    return std::unique_ptr<System>(new System(std::make_unique<World>(loop, description)));
}

void System::prepareProcess() {
    scenario::holdStandardDescriptors();
    catchSignals({SIGTERM, SIGINT, SIGHUP});
}

int System::run(int argc, char** argv, Program program) {
    // First of all: a termination signal from here on waits for the program, which ends
    // as it should (every window back, status 0), instead of the default action killing
    // the process with windows out of place. A process that cannot have the signals'
    // descriptors ends as for any other resource it cannot have.
    try {
        prepareProcess();
    } catch (const std::system_error&) {
        scenario::endForWantOfResources();
    }
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    auto options = scenario::sessionOptions(arguments);
    if (!options) {
        std::cerr << "furlpane-novan: " << options.error().message << '\n' << scenario::usage();
        return 2;
    }
    if (options->help) {
        std::cout << scenario::usage();
        return 0;
    }
    if (desktop::Desktop::currentOrNull()) {
        std::cerr << "furlpane-novan: a system is already up in this process\n";
        return 2;
    }
    // Before the session opens anything: one that would fail for want of a descriptor as
    // it goes ends now instead, having made and said nothing else.
    try {
        scenario::requireSpareDescriptors(scenario::kSessionDescriptors);
    } catch (const std::system_error&) {
        scenario::endForWantOfResources();
    }
    // The session's outputs wait for their readers, but not past a termination signal.
    const scenario::InterruptibleStandardStreams outputs;
    return scenario::runSession(*options, std::move(program.makeDelegate));
}

System::System(std::unique_ptr<World> world) : world_(std::move(world)) {}

System::~System() = default;

}  // namespace platform
