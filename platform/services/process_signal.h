#pragma once

// Sending a signal to another process, as the system's kill call does.

#include <cstdint>

namespace platform {

// Sends `signal` to the process `pid` (0 only asks whether it exists). Answers 0 when
// it was sent, else the error number: ESRCH for no such process, EPERM for a process
// the program may not signal, EINVAL for no such signal. Only processes of the current
// world are reached; without a world there is none to reach (ESRCH), so a number is
// never sent to an unrelated process of the machine. Main thread.
int signalProcess(int32_t pid, int signal);

}  // namespace platform
