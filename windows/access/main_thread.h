#pragma once

// The main-thread check of window-system access.
//
// Every object that holds state lives on the main thread, and the operations that read
// screens, window lists, the program's own windows or several attributes of one element
// say so by calling requireMainThread first. A call from anywhere else is a fault of the
// caller that would race with main-thread state and corrupt it without a trace, so the
// check does not let it pass: it writes the operation's name to standard error and
// aborts the process, in every build. Tests see the abort as a death.

namespace furlpane {

// Returns when the caller runs on the main thread (MainLoop::isMainThread); otherwise,
// and when there is no main loop at all, aborts naming `operation`.
void requireMainThread(const char* operation);

}  // namespace furlpane
