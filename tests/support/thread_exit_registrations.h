#pragma once

// What the process has asked the C library to do at the end of a thread: destroy a
// thread_local of a type with a destructor, a request made on each thread's first use of
// one. The C library ends the process on the spot when it has no memory for the request
// (under `ulimit -v`), before any handler runs; so what threads run when memory may be
// short must make none. A test that links thread_exit_registrations.cpp counts them.

namespace furlpane_test {

// Requests made since the process started, on every thread.
int threadExitRegistrations();

}  // namespace furlpane_test
