#pragma once

// What the durable-defaults tests share: the program's domain opened in a folder, and a
// limit on the size of the files the process writes.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <memory>

#include "platform/defaults/file_user_defaults.h"

namespace platform {

inline constexpr const char* kDomain = "com.brindlewick.FurlpaneNovan";

inline std::unique_ptr<FileUserDefaults> open(const std::filesystem::path& folder) {
    auto d = FileUserDefaults::create(kDomain, folder);
    EXPECT_TRUE(d);
    return d;
}

// Writes larger than `bytes` fail (EFBIG) while the object lives, for root as well.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        savedHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, savedHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    sighandler_t savedHandler_ = SIG_DFL;
};

}  // namespace platform
