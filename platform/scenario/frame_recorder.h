#pragma once

// Keeps every frame the program's transitions present as a PNG file in a folder:
// "frame-000001.png", "frame-000002.png", ... in the order they were presented. A frame
// that cannot be written is counted and the rest go on. Main thread; one recorder at a
// time.

#include <cstddef>
#include <filesystem>

namespace platform::scenario {

class FrameRecorder {
public:
    explicit FrameRecorder(std::filesystem::path folder);
    ~FrameRecorder();
    FrameRecorder(const FrameRecorder&) = delete;
    FrameRecorder& operator=(const FrameRecorder&) = delete;

    size_t written() const { return written_; }
    size_t failed() const { return failed_; }

private:
    std::filesystem::path folder_;
    size_t written_ = 0;
    size_t failed_ = 0;
};

}  // namespace platform::scenario
