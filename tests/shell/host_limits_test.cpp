// The host under the limits a person sets on a process in a shell (`ulimit -f`, `ulimit -v`,
// a cap on the user's processes): what it may not have ends the session with the status
// the README gives, said once, and leaves neither a half-written file nor its scratch
// folder behind.

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/shell/app_delegate.h"
#include "platform/appkit/application.h"
#include "platform/runtime/task.h"
#include "platform/system.h"
#include "tests/shell/program_process.h"
#include "tests/support/foreign_settings.h"
#include "tests/support/temp_folder.h"

namespace furlpane {
namespace {

using furlpane_test::occurrences;
using testing::kNotesDesk;

// Groceries rolled up, which draws the frames of a transition.
constexpr const char* kRollUp = "wait 1\ndouble-click 200,112\nwait 1.2\n";

bool anyPartialFile(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.path().extension() == ".partial") return true;
    }
    return false;
}

void limit(int resource, rlim_t value) {
    const rlimit both{value, value};
    ::setrlimit(resource, &both);
}

// A snapshot, the frames of a roll-up or the journal written into a file that would grow
// past the limit on a file's size: each is an output that failed, not a host killed by
// SIGXFSZ.
TEST(HostLimits, AFileGrownPastTheLimitIsAnOutputThatFailed) {
    furlpane_test::TempFolder folder;
    std::string expectations;
    for (int i = 0; i < 400; ++i) expectations += "expect window \"Groceries\" normal\n";
    const std::string rollUp = kRollUp;
    struct Case {
        const char* name;
        std::string lines;
        std::vector<std::string> arguments;
        bool journalInAFile;
        const char* said;
    };
    const Case cases[] = {
        {"snapshot", "snapshot desk\n" + rollUp, {"--out", (folder / "out").string()}, false,
         "desk.png: File too large"},
        {"frames", rollUp, {"--frames", (folder / "frames").string()}, false, "frame-000001.png: File too large"},
        {"journal", expectations, {}, true, "the journal could not be written: File too large"},
    };
    const auto scratch = folder / "tmp";
    std::filesystem::create_directories(scratch);
    for (const Case& c : cases) {
        const auto scenario = folder / (std::string(c.name) + ".scenario");
        furlpane_test::writeText(scenario, kNotesDesk + c.lines);
        std::vector<std::string> arguments{"--scenario", scenario.string()};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const auto create = [&folder](const char* name) {
            return ::open((folder / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        };
        const int journal = c.journalInAFile ? create("journal") : -1;
        const int errors = create("errors");
        const pid_t pid = testing::startProgram(arguments, {-1, journal, errors}, [&scratch] {
            ::setenv("TMPDIR", scratch.c_str(), 1);
            limit(RLIMIT_FSIZE, 16 * 1024);
        });
        for (int fd : {journal, errors})
            if (fd >= 0) ::close(fd);
        EXPECT_EQ(testing::endWithin(pid, 120), 3) << c.name;
        const std::string said = furlpane_test::readText(folder / "errors");
        EXPECT_EQ(occurrences(said, c.said), 1U) << c.name << "\n" << said;
        EXPECT_FALSE(anyPartialFile(folder.path())) << c.name;
        EXPECT_TRUE(std::filesystem::is_empty(scratch)) << c.name;
    }
}

// A program that cannot get memory soon after it runs, deep in a task, as an allocation
// under `ulimit -v` would (the sanitizers' allocator ends the process itself where the
// limit would make it throw, so no limit is set here).
class Greedy : public platform::ApplicationDelegate {
public:
    void applicationDidFinishLaunching() override {
        platform::spawnMain([]() -> platform::Task<void> {
            co_await platform::sleepFor(0.1);
            throw std::bad_alloc();
        });
    }
};

// Few threads allowed, as a cap on the user's processes allows: root is above that cap, so
// the child becomes nobody first (the cap counts a user's threads, and nobody runs none).
void fewThreads() {
    if (::geteuid() == 0) {
        ::setgroups(0, nullptr);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) _exit(125);
    }
    limit(RLIMIT_NPROC, 4);
}

// A thread or memory the process cannot get ends the session wherever it is found: said in
// one line, status 4, the scratch folder gone. The session runs in a child of the test, as
// the executable runs it (another user may not reach the executable's folder).
TEST(HostLimits, MemoryOrAThreadItCannotGetEndsTheSessionWithFour) {
    furlpane_test::TempFolder folder;
    std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
    const auto scratch = folder / "tmp";
    std::filesystem::create_directories(scratch);
    std::filesystem::permissions(scratch, std::filesystem::perms::all);
    furlpane_test::writeText(folder / "s.scenario", std::string(kNotesDesk) + kRollUp);
    std::filesystem::permissions(folder / "s.scenario", std::filesystem::perms::all);
    struct Case {
        const char* name;
        bool live;
        std::function<void()> prepare;
        std::function<std::shared_ptr<platform::ApplicationDelegate>()> program;
        const char* said;
    };
    const auto real = [] { return AppDelegate::make(); };
    const Case cases[] = {
        {"a thread", false, fewThreads, real, "cannot get a thread it needs"},
        {"a thread, live", true, fewThreads, real, "cannot get a thread it needs"},
        {"memory", false, [] {}, [] { return std::make_shared<Greedy>(); }, "cannot get memory it needs"},
    };
    for (const Case& c : cases) {
        const int errors = ::open((folder / "errors").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            for (int fd : {STDIN_FILENO, STDOUT_FILENO}) ::dup2(null, fd);
            ::dup2(errors, STDERR_FILENO);
            ::setenv("TMPDIR", scratch.c_str(), 1);
            c.prepare();
            std::vector<std::string> arguments{"furlpane-novan"};
            if (!c.live) arguments.insert(arguments.end(), {"--scenario", (folder / "s.scenario").string()});
            std::vector<char*> argv;
            for (std::string& argument : arguments) argv.push_back(argument.data());
            argv.push_back(nullptr);
            _exit(platform::System::run(int(argv.size()) - 1, argv.data(), {.makeDelegate = c.program}));
        }
        ::close(errors);
        EXPECT_EQ(testing::endWithin(pid, 120), 4) << c.name;
        const std::string said = furlpane_test::readText(folder / "errors");
        EXPECT_EQ(occurrences(said, c.said), 1U) << c.name << "\n" << said;
        EXPECT_EQ(occurrences(said, "\n"), 1U) << c.name << "\n" << said;
        EXPECT_TRUE(std::filesystem::is_empty(scratch)) << c.name;
    }
}

}  // namespace
}  // namespace furlpane
