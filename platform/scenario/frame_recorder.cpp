#include "platform/scenario/frame_recorder.h"

#include <cstdio>
#include <system_error>

#include "platform/appkit/presented_frames.h"
#include "platform/graphics/png_codec.h"

namespace platform::scenario {

FrameRecorder::FrameRecorder(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    watchPresentedFrames([this](const Image& frame) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06zu.png", written_ + failed_ + 1);
        if (writePNG(frame, folder_ / name)) {
            ++written_;
        } else {
            ++failed_;
        }
    });
}

FrameRecorder::~FrameRecorder() { watchPresentedFrames(nullptr); }

}  // namespace platform::scenario
