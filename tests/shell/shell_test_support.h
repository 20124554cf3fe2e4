#pragma once

// What the shell's tests share: a simulated world and the program's main bundle with a
// chosen information dictionary, put back when the test ends.

#include <filesystem>
#include <memory>

#include "platform/desktop/desktop.h"
#include "platform/plist/value.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/bundle.h"

namespace furlpane::testing {

class MainBundle {
public:
    explicit MainBundle(platform::plist::Dictionary info,
                        std::filesystem::path path = "/Applications/Furlpane Novan.app") {
        platform::Bundle::Description description;
        description.path = std::move(path);
        description.info = std::move(info);
        platform::Bundle::setMain(platform::Bundle::describe(std::move(description)));
    }
    ~MainBundle() { platform::Bundle::setMain(nullptr); }
    MainBundle(const MainBundle&) = delete;
    MainBundle& operator=(const MainBundle&) = delete;
};

// A world on a simulated loop.
struct ShellWorld {
    platform::MainLoop loop{platform::ClockKind::simulated};
    platform::desktop::Desktop world{loop};
};

}  // namespace furlpane::testing
