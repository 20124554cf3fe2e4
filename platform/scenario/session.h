#pragma once

// A session of the simulated desktop with the program in it, as the executable runs it:
//
//   furlpane-novan                                   the default desktop in real time, the
//                                                    program launched; scenario commands are
//                                                    read from standard input as they come
//   furlpane-novan --scenario FILE [--out DIR]       FILE played on the virtual clock
//   ... [--frames DIR]                               every transition frame also as PNG
//   furlpane-novan --help                            the usage on standard output, status 0
//
// Both write the journal (journal.h) on standard output. A scenario ends with status 0
// when every command and expectation held, 1 when one did not (each reported with its
// line on standard error), 2 when the file cannot be read (missing, a folder) or has a
// syntax error (line and column). SIGTERM, SIGINT or SIGHUP sent to the host from outside
// end a scenario session, whatever it waits for (a FIFO with no writer too, a reader of the
// journal or of standard error that has stopped reading): the program's runs get the
// signal as their process's and end on it, then the host stops playing, says so, and ends
// with 128 + the signal. The live session's ends are told in interactive.h.
//
// Either ends with 2, before anything runs, when its folder for the program's settings
// cannot be made (below); with 3 when an output cannot be written: the journal (standard
// output full, closed, a pipe whose reader has gone), a frame of --frames (its folder
// cannot be made, or a frame cannot be written), a snapshot's picture, any of them in a
// file that would grow past the process's limit on a file's size. The first such failure
// is said once on standard error; the playing stops there and every instance of the
// program that runs is quit. And with 4, at once, when the process cannot get memory, a
// thread or a file descriptor it needs, wherever that is found: said in one line
// (process_limits.h).
//
// The program's defaults live in a fresh folder of their own for each session, under
// $TMPDIR (else /tmp) and removed at every end the host controls, so that a session
// neither reads nor changes the user's own settings.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/result.h"

namespace platform {
class ApplicationDelegate;
}

namespace platform::scenario {

struct SessionOptions {
    std::optional<std::filesystem::path> scenario;
    // Snapshots go here; the current folder by default.
    std::filesystem::path out = ".";
    std::optional<std::filesystem::path> frames;
    // The usage is asked for, and nothing else is done.
    bool help = false;
};

using MakeDelegate = std::function<std::shared_ptr<ApplicationDelegate>()>;

// The options of the command line; a failure says what is wrong, for the usage message.
Result<SessionOptions> sessionOptions(const std::vector<std::string>& arguments);
std::string usage();

int runSession(const SessionOptions& options, MakeDelegate makeDelegate);

}  // namespace platform::scenario
