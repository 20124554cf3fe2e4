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

#include <mutex>
#include <optional>
#include <streambuf>
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

// Writes to a descriptor whose reader may stop reading for good (a pager at its first
// screen, a pipe into a command that never reads): a write waits for room for as long as
// the reader takes, but never past a termination signal, which ends the session whatever
// it waits for. Once a signal has cut a wait short, what the descriptor cannot take at
// once is dropped, and everything after it, so that no line is written in part and then
// continued by another: the output loses its tail, the session still ends as the signal
// asks. A write that fails fails the stream, as it would have any other. Unbuffered, and
// safe from any thread, as the standard streams it stands in for are.
class InterruptibleOutput : public std::streambuf {
public:
    explicit InterruptibleOutput(int fd);
    InterruptibleOutput(const InterruptibleOutput&) = delete;
    InterruptibleOutput& operator=(const InterruptibleOutput&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* bytes, std::streamsize count) override;

private:
    bool writeOut(const char* bytes, size_t count);

    const int fd_;
    const unsigned caughtBefore_;
    std::mutex mutex_;
    bool dropped_ = false;  // guarded by mutex_
};

// While it lives, std::cout and std::cerr write to the standard output and error through
// InterruptibleOutput.
class InterruptibleStandardStreams {
public:
    InterruptibleStandardStreams();
    ~InterruptibleStandardStreams();
    InterruptibleStandardStreams(const InterruptibleStandardStreams&) = delete;
    InterruptibleStandardStreams& operator=(const InterruptibleStandardStreams&) = delete;

private:
    InterruptibleOutput out_;
    InterruptibleOutput errors_;
    std::streambuf* savedOut_;
    std::streambuf* savedErrors_;
};

}  // namespace platform::scenario
