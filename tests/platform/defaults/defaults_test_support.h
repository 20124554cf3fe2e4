#pragma once

// What the durable-defaults tests share: the program's domain opened in a folder.

#include <gtest/gtest.h>

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

}  // namespace platform
