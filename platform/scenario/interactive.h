#pragma once

// The simulated desktop in real time: the default desktop (a few applications with their
// windows), the program launched, and scenario commands read from standard input as they
// come, one a line. A `wait` holds back the lines after it for its seconds, and a drag for
// the time it takes; a line that cannot be read is said on standard error and in the
// journal ("error", with its line and column) and skipped. The watch looks at the desktop
// thirty times a second.
//
// It ends when the program quits or exits, or on SIGTERM, SIGINT or SIGHUP while the
// program is not running (after a crash, until the next `launch`), answering the
// program's status, or 1 when that is 0 but a line could not be read or a command or an
// expectation failed (each said on standard error with its line), as a scenario does.
// The end of standard input, once its last line has run, ends the program as a quit
// does, and the session with it; with no program running, the session ends at once.

#include "platform/scenario/stage.h"

namespace platform::scenario {

// Puts the default desktop's applications and windows into the world.
void setUpDefaultDesktop(desktop::Desktop& world);

int runInteractive(Stage& stage);

}  // namespace platform::scenario
