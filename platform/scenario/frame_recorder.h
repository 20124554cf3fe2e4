#pragma once

// Keeps every frame the program's transitions present as a PNG file in a folder:
// "frame-000001.png", "frame-000002.png", ... in the order they were presented. The
// first frame that cannot be written is told to the failure handler, with the file and
// why, and no frame after it is written: a session that keeps frames ends on that. Main
// thread; one recorder at a time.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/runtime/result.h"

namespace platform {
class Image;
}

namespace platform::scenario {

class FrameRecorder {
public:
    using FailureHandler = std::function<void(const std::string& why)>;

    // Makes the folder; fails, saying why, when it cannot be made.
    static Result<std::unique_ptr<FrameRecorder>> create(std::filesystem::path folder, FailureHandler onFailure);
    ~FrameRecorder();
    FrameRecorder(const FrameRecorder&) = delete;
    FrameRecorder& operator=(const FrameRecorder&) = delete;

    size_t written() const { return written_; }
    bool failed() const { return failed_; }

private:
    FrameRecorder(std::filesystem::path folder, FailureHandler onFailure);
    void record(const Image& frame);

    std::filesystem::path folder_;
    FailureHandler onFailure_;
    size_t written_ = 0;
    bool failed_ = false;
};

}  // namespace platform::scenario
