#pragma once

// What every session has: the world, the journal, the program's host, the watch on the
// desktop and the player, wired together: launches and ends of the program go to the
// journal, and an end has the watch look again. The first output of the session that
// cannot be written (the journal, a frame, a picture) stops the playing. Main thread.

#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/graphics/utf8.h"
#include "platform/runtime/main_loop.h"
#include "platform/scenario/desktop_watch.h"
#include "platform/scenario/journal.h"
#include "platform/scenario/player.h"
#include "platform/scenario/program_host.h"

namespace platform::scenario {

// The statuses a session ends with besides 0, the program's own and 128 + a signal.
// A line had a mistake, or a command or an expectation failed.
inline constexpr int kFailedStatus = 1;
// The session could not start: its scenario or its input cannot be read or has a
// mistake, or its folder for the program's settings cannot be made.
inline constexpr int kNotStartedStatus = 2;
// An output of the session could not be written: the journal, a frame, a picture.
inline constexpr int kOutputFailedStatus = 3;
// The process could not get memory, a thread or a file descriptor it needs.
inline constexpr int kOutOfResourcesStatus = 4;

// Seconds on the session's clock the program has to end on a signal from outside, or once
// asked to quit.
inline constexpr double kEndAfterSignal = 10;

struct Stage {
    Stage(MainLoop& loop, std::ostream& out, const std::filesystem::path& defaultsFolder, PlayerOptions options,
          ProgramHost::MakeDelegate makeDelegate)
        : world(loop),
          journal(out),
          host(world, makeDelegate, defaultsFolder),
          watch(world, journal, defaultsFolder, [this] { return running(); }),
          player(world, host, watch, journal, std::move(options)),
          makeDelegate_(std::move(makeDelegate)),
          defaultsFolder_(defaultsFolder) {
        connect(host, 1);
        player.setInstances([this](int number) -> ProgramHost& { return instance(number); });
        journal.setFailureHandler(
            [this](const std::string& why) { outputFailed("the journal could not be written: " + why); });
        player.setOutputFailureHandler([this] { outputFailed(std::nullopt); });
    }

    // The queues' threads read the world: they end before it goes, whatever their jobs
    // still wait for (an application that does not answer, say).
    ~Stage() { world.loop().endQueues(); }
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

    void ended(std::optional<int> status, int number) {
        plist::Dictionary fields;
        if (number > 1) fields.set("instance", number);
        if (status) {
            fields.set("status", *status);
            journal.write(world.now(), "exit", fields);
        } else {
            journal.write(world.now(), "crash", fields);
        }
        watch.programEnded();
        if (afterEnd) afterEnd(status, number);
    }

    // An output could not be written: said on standard error (unless the player said it
    // already, with its line), once for the session; the playing stops there.
    void outputFailed(const std::optional<std::string>& why) {
        if (outputFailed_) return;
        outputFailed_ = true;
        if (why) std::cerr << "furlpane-novan: " << printable(*why) << '\n';
        player.halt();
        if (afterOutputFailure) afterOutputFailure();
    }
    bool hasOutputFailed() const { return outputFailed_; }

    // The program's instance `number` (from 1): the first is `host`; the others, launched
    // beside it over the same world and defaults, are made on first use.
    ProgramHost& instance(int number) {
        if (number <= 1) return host;
        auto& slot = others_[number];
        if (!slot) {
            slot = std::make_unique<ProgramHost>(world, makeDelegate_, defaultsFolder_);
            connect(*slot, number);
        }
        return *slot;
    }

    // The instances that run, by number.
    std::vector<DesktopWatch::Instance> running() const {
        std::vector<DesktopWatch::Instance> out;
        if (host.isRunning()) out.push_back({1, host.run()});
        for (const auto& [number, other] : others_) {
            if (other->isRunning()) out.push_back({number, other->run()});
        }
        return out;
    }

    desktop::Desktop world;
    Journal journal;
    ProgramHost host;
    DesktopWatch watch;
    Player player;
    // What the session does once the end of an instance (its number) has been reported.
    std::function<void(std::optional<int> status, int number)> afterEnd;
    // What the session does once an output has failed.
    std::function<void()> afterOutputFailure;

private:
    void connect(ProgramHost& instance, int number) {
        instance.setLaunchHandler([this, number] {
            plist::Dictionary fields;
            if (number > 1) fields.set("instance", number);
            journal.write(world.now(), "launch", fields);
        });
        instance.setEndHandler([this, number](std::optional<int> status) { ended(status, number); });
    }

    ProgramHost::MakeDelegate makeDelegate_;
    std::filesystem::path defaultsFolder_;
    bool outputFailed_ = false;
    // Declared last: they go first, while the world is whole.
    std::map<int, std::unique_ptr<ProgramHost>> others_;
};

}  // namespace platform::scenario
