#pragma once

// What every session has: the world, the journal, the program's host, the watch on the
// desktop and the player, wired together: launches and ends of the program go to the
// journal, and an end has the watch look again. Main thread.

#include <functional>
#include <optional>
#include <ostream>

#include "platform/desktop/desktop.h"
#include "platform/scenario/desktop_watch.h"
#include "platform/scenario/journal.h"
#include "platform/scenario/player.h"
#include "platform/scenario/program_host.h"

namespace platform::scenario {

struct Stage {
    Stage(MainLoop& loop, std::ostream& out, const std::filesystem::path& defaultsFolder, PlayerOptions options,
          ProgramHost::MakeDelegate makeDelegate)
        : world(loop),
          journal(out),
          host(world, std::move(makeDelegate), defaultsFolder),
          watch(world, journal, defaultsFolder, [this] { return host.isRunning(); }),
          player(world, host, watch, journal, std::move(options)) {
        host.setLaunchHandler([this] { journal.write(world.now(), "launch"); });
        host.setEndHandler([this](std::optional<int> status) { ended(status); });
    }

    void ended(std::optional<int> status) {
        if (status) {
            journal.write(world.now(), "exit", {{"status", *status}});
        } else {
            journal.write(world.now(), "crash");
        }
        watch.programEnded();
        if (afterEnd) afterEnd(status);
    }

    desktop::Desktop world;
    Journal journal;
    ProgramHost host;
    DesktopWatch watch;
    Player player;
    // What the session does once the program's end has been reported.
    std::function<void(std::optional<int>)> afterEnd;
};

}  // namespace platform::scenario
