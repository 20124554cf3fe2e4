#pragma once

// The live session's input: lines read from a descriptor as they are wanted.
//
// Reading is held back while kHeld lines wait to be played (behind a `wait`, a drag):
// what a writer sends meanwhile waits in its pipe, or on the disk, so that input far
// ahead of the playing costs nothing here. A line longer than kMaxLineLength is kept to
// just past that length (the parser then says it is too long); a last line that has no
// end of line is a line. The descriptor's flags are left as they are: it is read when
// its readiness says something is there.

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace platform::scenario {

class InputLines {
public:
    static constexpr size_t kHeld = 256;
    static constexpr size_t kReadSize = 4096;

    explicit InputLines(int fd) : fd_(fd) {}

    enum class Read {
        some,     // bytes came (or none yet, on a descriptor that does not wait)
        ended,    // the input has ended; its last line is held
        failed,   // it cannot be read: error() says why
    };
    // One read of what the descriptor holds; call it once it is ready to be read.
    Read read();
    // Reading should wait until lines are taken.
    bool full() const { return lines_.size() >= kHeld; }
    bool hasLines() const { return !lines_.empty(); }
    // Whether the descriptor has something to read at once, its end included.
    bool readyNow() const;

    struct Line {
        int number = 0;
        std::string text;
    };
    std::optional<Line> take();
    // Why the last read failed.
    int error() const { return error_; }

private:
    void append(const char* bytes, size_t count);
    void endLine();

    int fd_;
    std::string pending_;
    std::deque<Line> lines_;
    int number_ = 0;
    int error_ = 0;
};

}  // namespace platform::scenario
