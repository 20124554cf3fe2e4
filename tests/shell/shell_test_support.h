#pragma once

// What the shell's tests share: a simulated world and the program's main bundle with a
// chosen information dictionary, put back when the test ends.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "app/shell/app_delegate.h"
#include "platform/desktop/desktop.h"
#include "platform/gpu/device.h"
#include "platform/plist/value.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_run.h"
#include "platform/scenario/stage.h"
#include "platform/services/bundle.h"
#include "tests/support/temp_folder.h"

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

// The program itself on the simulated desktop, played by scenario lines. The delegate of
// the running program can be read; the steps it took stay readable after its run ended.
// The bundle lies in the Applications folder with the shipped sounds, unless a test
// describes another.
class ProgramRun {
public:
    ProgramRun() {
        platform::Bundle::Description bundle{"/Applications/Furlpane Novan.app", {}, {}, std::nullopt};
        for (const char* sound : {"Collapse", "Expand", "FloatOnTop_Begin", "FloatOnTop_End"}) {
            const std::string file = std::string(sound) + ".aiff";
            bundle.resources[file] = std::filesystem::path(FURLPANE_SOUNDS_DIR) / file;
        }
        platform::Bundle::setMain(platform::Bundle::describe(std::move(bundle)));
        savedErrors_ = std::cerr.rdbuf(errors.rdbuf());
        stage.afterEnd = [this](std::optional<int>, int number) {
            if (number > 1) return;
            if (latest) endedSteps_ = latest->steps();
            letGoOfDelegate();
        };
    }
    ~ProgramRun() {
        std::cerr.rdbuf(savedErrors_);
        letGoOfDelegate();
        platform::Bundle::setMain(nullptr);
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // Plays the lines; 0 when every one held (what failed is in `errors`).
    int play(const std::string& text) {
        auto script = platform::scenario::parseScript(text);
        if (!script) {
            errors << platform::scenario::describe(script.error()) << '\n';
            return 2;
        }
        return stage.player.play(*script);
    }
    std::string journal() const { return out.str(); }
    // The start-up and shutdown steps of the running program, or of the last run.
    std::vector<std::string> steps() const { return latest ? latest->steps() : endedSteps_; }

    platform::MainLoop loop{platform::ClockKind::simulated};
    furlpane_test::TempFolder folder;
    std::ostringstream out;
    std::ostringstream errors;
    std::shared_ptr<AppDelegate> latest;
    platform::scenario::Stage stage{loop, out, folder / "defaults", {folder / "out"}, [this] {
                                        latest = AppDelegate::make();
                                        latestRun_ = platform::ProcessRun::executing();
                                        return latest;
                                    }};

private:
    // The delegate is the program's: it goes as its run's code, as the host lets go of it.
    void letGoOfDelegate() {
        platform::InRun as(latestRun_);
        latest.reset();
    }

    std::shared_ptr<platform::ProcessRun> latestRun_;
    std::streambuf* savedErrors_ = nullptr;
    std::vector<std::string> endedSteps_;
};

// The sweeps' desk: five windows of two applications, their title bars apart.
constexpr const char* kFiveWindows = R"(
screen 0,0 1440x900 scale 1
app com.example.Notes "Notes"
window "Groceries" of com.example.Notes at 100,100 size 600x300
window "Ideas" of com.example.Notes at 760,100 size 500x300
window "Recipes" of com.example.Notes at 760,440 size 500x300
app com.example.Editor "Editor"
window "Draft" of com.example.Editor at 100,440 size 300x300
window "Outline" of com.example.Editor at 420,440 size 300x300
)";

// Every window of that desk normal at its place.
constexpr const char* kEveryWindowInPlace = R"(
expect window "Groceries" normal at 100,100
expect window "Ideas" normal at 760,100
expect window "Recipes" normal at 760,440
expect window "Draft" normal at 100,440
expect window "Outline" normal at 420,440
)";

// The Actions tab's "Command-double-click the title bar" switched on, as stored.
constexpr const char* kCommandDoubleClick =
    R"(defaults DefaultSettings {"Events": {"DoubleClick": {"Action": "Furlpane", "Enabled": true}, )"
    R"("MinimizeButton": {"Action": "Minimize", "Enabled": true}, "ControlDoubleClick": {"Action": "FOT", )"
    R"("Enabled": true}, "CommandDoubleClick": {"Action": "MIP", "Enabled": true}, "CmdM": {"Action": )"
    R"("Minimize", "Enabled": true}, "DoubleCmd": {"Action": "FOT", "Enabled": false}, "DoubleControl": )"
    R"({"Action": "MIP", "Enabled": false}}, "Hotkeys": []})"
    "\n";

// The fixture of a sweep: its runs are many, and only where windows end up is looked
// at, so passes do not draw.
template <class Param>
class SweepWithoutPictures : public ::testing::TestWithParam<Param> {
protected:
    void SetUp() override { platform::gpu::setPassesDraw(false); }
    void TearDown() override { platform::gpu::setPassesDraw(true); }
};

// A moment of a sweep as a scenario's wait writes it.
inline std::string moment(double seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", seconds);
    return text;
}

// Whether a process catches SIGTERM, SIGINT and SIGHUP yet (all three handlers are
// installed, one after another), from what the kernel shows of it.
inline bool catchesTermination(pid_t pid) {
    FILE* status = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (!status) return false;
    char line[256];
    unsigned long long caught = 0;
    while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "SigCgt: %llx", &caught) == 1) break;
    }
    std::fclose(status);
    const auto bit = [](int signal) { return 1ULL << (signal - 1); };
    const unsigned long long wanted = bit(SIGTERM) | bit(SIGINT) | bit(SIGHUP);
    return (caught & wanted) == wanted;
}

}  // namespace furlpane::testing
