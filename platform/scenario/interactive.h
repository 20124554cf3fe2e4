#pragma once

// The simulated desktop in real time: the default desktop (a few applications with their
// windows), the program launched, and scenario commands read from standard input as they
// come, one a line (input_lines.h: read as they are played, a few hundred lines ahead at
// most). A `wait` holds back the lines after it for its seconds, and a drag for the time
// it takes; a line that cannot be read is said on standard error and in the journal
// ("error", with its line and column) and skipped. The watch looks at the desktop thirty
// times a second.
//
// It ends
// - when the program has ended by quitting or exiting (every instance of it), once the
//   lines at hand have been played as a scenario plays them: those read, and those the
//   input holds at once (a person at a terminal who typed `quit` has given no more);
// - at the end of standard input, once its last line has run: every instance that runs
//   is quit, as the status menu's Quit does, and the session ends with the last of them;
// - on SIGTERM, SIGINT or SIGHUP, whatever it waits for (an output whose reader has
//   stopped reading too): no line is played after it, every instance ends on it as its
//   process would, and the session with the last of them (kEndAfterSignal at most); at
//   once when none runs (after a crash, until the next `launch`);
// - when standard input cannot be read (a folder, a descriptor not open for reading, a
//   read that fails): said on standard error, as the end of the input, status 2;
// - when an output cannot be written (session.h), as the end of the input, status 3.
// Standard input that was closed when the process started gives no line and never ends.
//
// It answers the status of the last instance's exit (0 after one of those signals), or
// 1 when that is 0 but a line could not be read or a command or an expectation failed
// (each said on standard error with its line), as a scenario does.

#include "platform/scenario/stage.h"

namespace platform::scenario {

// Puts the default desktop's applications and windows into the world.
void setUpDefaultDesktop(desktop::Desktop& world);

// With `withInput` false nothing is read from standard input.
int runInteractive(Stage& stage, bool withInput = true);

}  // namespace platform::scenario
