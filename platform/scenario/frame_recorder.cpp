#include "platform/scenario/frame_recorder.h"

#include <cstdio>
#include <system_error>

#include "platform/appkit/presented_frames.h"
#include "platform/graphics/png_codec.h"

namespace platform::scenario {

Result<std::unique_ptr<FrameRecorder>> FrameRecorder::create(std::filesystem::path folder, FailureHandler onFailure) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error && !std::filesystem::is_directory(folder, error) && !error)
        error = std::make_error_code(std::errc::not_a_directory);
    if (error) return Failure{"the frames cannot be kept in " + folder.string() + ": " + error.message()};
    return std::unique_ptr<FrameRecorder>(new FrameRecorder(std::move(folder), std::move(onFailure)));
}

FrameRecorder::FrameRecorder(std::filesystem::path folder, FailureHandler onFailure)
    : folder_(std::move(folder)), onFailure_(std::move(onFailure)) {
    watchPresentedFrames([this](const Image& frame) { record(frame); });
}

FrameRecorder::~FrameRecorder() { watchPresentedFrames(nullptr); }

void FrameRecorder::record(const Image& frame) {
    if (failed_) return;
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06zu.png", written_ + 1);
    const auto written = writePNG(frame, folder_ / name);
    if (written) {
        ++written_;
        return;
    }
    failed_ = true;
    if (onFailure_) onFailure_("a frame could not be kept: " + written.error().message);
}

}  // namespace platform::scenario
