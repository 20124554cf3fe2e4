#include "platform/scenario/session.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <system_error>

#include "platform/defaults/user_defaults.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/scenario/desktop_watch.h"
#include "platform/scenario/frame_recorder.h"
#include "platform/scenario/interactive.h"
#include "platform/scenario/journal.h"
#include "platform/scenario/player.h"
#include "platform/scenario/program_host.h"
#include "platform/scenario/stage.h"
#include "platform/services/bundle.h"

namespace platform::scenario {

namespace {

constexpr int kSyntaxStatus = 2;

// A fresh folder for the program's defaults, gone with the session.
class ScratchFolder {
public:
    ScratchFolder() {
        std::error_code error;
        std::filesystem::path base = std::filesystem::temp_directory_path(error);
        if (error) base = "/tmp";
        std::string pattern = (base / "furlpane-novan-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code error;
        if (!path_.empty()) std::filesystem::remove_all(path_, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The program as the simulated machine has it: installed in the Applications folder,
// its resources those of the bundle beside the executable.
void installProgramBundle() {
    const Bundle& built = Bundle::main();
    Bundle::Description description{"/Applications/Furlpane Novan.app", built.infoDictionary(), {}, built.volume()};
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(built.bundlePath() / "Contents" / "Resources", error)) {
        description.resources[entry.path().filename().string()] = entry.path();
    }
    Bundle::setMain(Bundle::describe(std::move(description)));
}

Result<std::string> readScenario(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return Failure{"cannot read " + file.string()};
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxScriptBytes) break;
    }
    return text;
}

int playScenario(const SessionOptions& options, MakeDelegate makeDelegate) {
    auto text = readScenario(*options.scenario);
    if (!text) {
        std::cerr << "furlpane-novan: " << text.error().message << '\n';
        return kSyntaxStatus;
    }
    auto script = parseScript(*text);
    if (!script) {
        std::cerr << options.scenario->string() << ": " << describe(script.error()) << '\n';
        Journal(std::cout).write(0, "error", {{"line", script.error().line},
                                              {"column", script.error().column},
                                              {"message", script.error().message}});
        return kSyntaxStatus;
    }
    ScratchFolder folder;
    MainLoop loop(ClockKind::simulated);
    Stage stage(loop, std::cout, folder.path(), {options.out}, std::move(makeDelegate));
    stage.player.settle();
    const int status = stage.player.play(*script);
    stage.host.setEndHandler(nullptr);
    stage.journal.write(stage.world.now(), "end", {{"status", status}});
    return status;
}

}  // namespace

Result<SessionOptions> sessionOptions(const std::vector<std::string>& arguments) {
    SessionOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option != "--scenario" && option != "--out" && option != "--frames")
            return Failure{"unknown option \"" + option + "\""};
        if (i + 1 >= arguments.size() || arguments[i + 1].empty()) return Failure{option + " needs a path"};
        const std::filesystem::path value = arguments[++i];
        if (option == "--scenario") options.scenario = value;
        if (option == "--out") options.out = value;
        if (option == "--frames") options.frames = value;
    }
    return options;
}

std::string usage() {
    return "usage: furlpane-novan [--scenario FILE [--out DIR]] [--frames DIR]\n"
           "  without a scenario, the simulated desktop runs in real time and takes\n"
           "  scenario commands from standard input; Ctrl-C or the end of the input ends it\n"
           "  the program's settings live in a fresh folder under $TMPDIR for each run\n";
}

int runSession(const SessionOptions& options, MakeDelegate makeDelegate) {
    installProgramBundle();
    std::optional<FrameRecorder> frames;
    if (options.frames) frames.emplace(*options.frames);
    int status = 0;
    if (options.scenario) {
        status = playScenario(options, std::move(makeDelegate));
    } else {
        ScratchFolder folder;
        MainLoop loop(ClockKind::real);
        Stage stage(loop, std::cout, folder.path(), {options.out}, std::move(makeDelegate));
        status = runInteractive(stage);
    }
    UserDefaults::setStandard(nullptr);
    Bundle::setMain(nullptr);
    return status;
}

}  // namespace platform::scenario
