#pragma once

// The host's standard descriptors, as the shell hands them over.
//
// A process may be started with some of descriptors 0, 1 and 2 closed (`<&-`, `>&-`); the
// next file it opens then takes that number and is read as its input or written as its
// output: the termination signals' pipe read as scenario commands, the journal written
// into a file of the program's. holdStandardDescriptors, called first thing in the
// process, opens /dev/null in the place of each closed one the wrong way round (for
// writing on 0, for reading on 1 and 2), so that each still fails as a closed one does
// and no file of the process can take its number.

#include <optional>
#include <string>

namespace platform::scenario {

// Idempotent; before anything of the process opens a file.
void holdStandardDescriptors();
// Whether standard input was closed when the process started (and has been held since):
// no command can ever come from it.
bool standardInputWasClosed();
// Why standard input cannot give lines (a folder, a descriptor not open for reading);
// none when it can be read.
std::optional<std::string> whyInputIsUnreadable();

}  // namespace platform::scenario
