// The host under the limits a person sets on a process in a shell (`ulimit -f`, `ulimit -v`,
// a cap on the user's processes): what it may not have ends the session with the status
// the README gives, said once, and leaves neither a half-written file nor its scratch
// folder behind.

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "app/shell/app_delegate.h"
#include "platform/appkit/application.h"
#include "platform/gpu/device.h"
#include "platform/runtime/task.h"
#include "platform/system.h"
#include "tests/shell/program_process.h"
#include "tests/support/foreign_settings.h"
#include "tests/support/scarce_memory.h"
#include "tests/support/temp_folder.h"

namespace furlpane {
namespace {

using furlpane_test::occurrences;
using Program = std::function<std::shared_ptr<platform::ApplicationDelegate>()>;

// Groceries rolled up, which draws the frames of a transition.
constexpr const char* kRollUp = "wait 1\ndouble-click 200,112\nwait 1.2\n";
// The same on the live session's desktop, where Groceries stands elsewhere.
constexpr const char* kLiveRollUp = "wait 1\ndouble-click 300,100\nwait 1.2\nexpect window \"Groceries\" shaded\n";

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

// A program whose threads take memory together until none is left, and fail together.
class Hoarders : public platform::ApplicationDelegate {
public:
    void applicationDidFinishLaunching() override {
        platform::spawnMain([]() -> platform::Task<void> {
            co_await platform::sleepFor(0.1);
            for (int i = 0; i < 3; ++i) std::thread(hoard).detach();
            hoard();
        });
    }

private:
    // Each piece is published where the compiler must assume it is read, or an optimized
    // build would leave out allocations whose results nothing reads, and spin for ever.
    static void hoard() {
        struct Piece {
            Piece* next;
            char bytes[56];
        };
        [[maybe_unused]] static Piece* volatile newest = nullptr;
        for (Piece* kept = nullptr;;) {
            kept = new Piece{kept, {}};
            newest = kept;
        }
    }
};

#if !defined(__SANITIZE_ADDRESS__)
// Address space `megabytes` beyond what the process has mapped now, as `ulimit -v` gives
// it: read with plain calls, as a forked child may make no others.
std::function<void()> memoryBeyondNow(rlim_t megabytes) {
    return [megabytes] {
        char text[64] = {};
        const int fd = ::open("/proc/self/statm", O_RDONLY);
        const ssize_t n = fd >= 0 ? ::read(fd, text, sizeof text - 1) : -1;
        if (fd >= 0) ::close(fd);
        if (n <= 0) _exit(125);
        const rlim_t pages = std::strtoull(text, nullptr, 10);
        limit(RLIMIT_AS, pages * rlim_t(::sysconf(_SC_PAGESIZE)) + (megabytes << 20));
    };
}
#endif

// No thread more than the child runs now, as a cap on the user's processes allows: root is
// above that cap, so the child becomes nobody first (the cap counts a user's threads, and
// nobody runs none). A fixed cap would depend on the cores: the rasterizer starts a thread
// for each, and on a machine with few of them a session stays under a cap of four.
void fewThreads() {
    if (::geteuid() == 0) {
        ::setgroups(0, nullptr);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) _exit(125);
    }
    const auto tasks = std::filesystem::directory_iterator("/proc/self/task");
    limit(RLIMIT_NPROC, rlim_t(std::distance(std::filesystem::begin(tasks), std::filesystem::end(tasks))));
}

// Memory as a limit on the process's address space leaves it (scarce_memory.h).
std::function<void()> scarceMemory(furlpane_test::MemoryLimit memory) {
    return [memory] { furlpane_test::limitMemory(memory); };
}

// Few descriptors, as `ulimit -n` allows: the child keeps none of the test's own. (The
// sanitizers check a type through a pipe of their own, so fewer than two descriptors to
// spare after the signals' pipe would fail their checks before the session's.)
std::function<void()> fewDescriptors(rlim_t count) {
    return [count] {
        ::close_range(3, ~0U, 0);
        limit(RLIMIT_NOFILE, count);
    };
}

// How the executable's session ends in a child of the test under `prepare`, its scratch
// folder in `scratch`: its status. The child runs the session as the executable does
// (another user may not reach the executable's folder), on a thread of its own, so that
// an exception that leaves the session ends the child through terminate with the stack
// as it was, as it ends the executable, and never reaches the test's own handler. Its
// standard input, journal and standard error are the descriptors of `standard` (-1:
// /dev/null).
int sessionEnd(const std::vector<std::string>& options, const std::function<void()>& prepare, const Program& program,
               const std::filesystem::path& scratch, std::array<int, 3> standard) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        for (int fd = 0; fd < 3; ++fd) ::dup2(standard[fd] >= 0 ? standard[fd] : null, fd);
        ::setenv("TMPDIR", scratch.c_str(), 1);
        std::vector<std::string> arguments{"furlpane-novan"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        int status = 0;
        std::thread session([&] {
            prepare();
            status = platform::System::run(int(argv.size()) - 1, argv.data(), {.makeDelegate = program});
        });
        session.join();
        _exit(status);
    }
    return testing::endWithin(pid, 120);
}

// A file that would grow past the limit on a file's size is an output that failed (3), not
// a host killed by SIGXFSZ; a thread, memory or a descriptor the process cannot get ends
// the session wherever it is found (4), a picture too, not as a failed command or output.
// Either is said in one line, whichever threads fail together.
TEST(HostLimits, ALimitOfTheProcessEndsTheSessionWithItsStatusSaidOnce) {
    furlpane_test::TempFolder folder;
    const auto scratch = folder / "tmp";
    std::filesystem::create_directories(scratch);
    for (const auto& open : {folder.path(), scratch}) std::filesystem::permissions(open, std::filesystem::perms::all);
    std::string expectations;
    for (int i = 0; i < 400; ++i) expectations += "expect window \"Groceries\" normal\n";
    const auto fileSize = [] { limit(RLIMIT_FSIZE, 16 * 1024); };
    const Program real = [] { return AppDelegate::make(); };
    struct Case {
        const char* name;
        std::string lines;  // none: a live session with nothing on standard input
        std::vector<std::string> options;
        std::function<void()> prepare;
        Program program;
        bool journalInAFile;
        int status;
        const char* said;
        bool live = false;  // the lines given on standard input
    };
    const Case cases[] = {
        {"snapshot", "snapshot desk\n", {"--out", (folder / "out").string()}, fileSize, real, false, 3,
         "desk.png: File too large"},
        {"frames", kRollUp, {"--frames", (folder / "frames").string()}, fileSize, real, false, 3,
         "frame-000001.png: File too large"},
        {"journal", expectations, {}, fileSize, real, true, 3, "the journal could not be written: File too large"},
        {"a thread", kRollUp, {}, fewThreads, real, false, 4, "cannot get a thread it needs"},
        {"a thread, live", "", {}, fewThreads, real, false, 4, "cannot get a thread it needs"},
        {"memory", kRollUp, {}, [] {}, [] { return std::make_shared<Greedy>(); }, false, 4,
         "cannot get memory it needs"},
        {"memory, all of it", kRollUp, {}, scarceMemory({.total = 2 << 20}),
         [] { return std::make_shared<Hoarders>(); }, false, 4, "cannot get memory it needs"},
        {"memory, 1 MB", kRollUp, {}, scarceMemory({.total = 1 << 20}), real, false, 4, "cannot get memory it needs"},
        {"memory, 3 MB", kRollUp, {}, scarceMemory({.total = 3 << 20}), real, false, 4, "cannot get memory it needs"},
        {"memory, live", kLiveRollUp, {}, scarceMemory({.total = 16 << 20}), real, false, 4, "cannot get memory it needs",
         true},
        {"a picture", "snapshot desk\n", {"--out", (folder / "out").string()}, scarceMemory({.largest = 1 << 20}),
         real, false, 4, "cannot get memory it needs"},
        {"a picture, live", kLiveRollUp, {}, scarceMemory({.largest = 1 << 20}), real, false, 4,
         "cannot get memory it needs", true},
        {"descriptors", kRollUp, {}, fewDescriptors(7), real, false, 4, "cannot get a file descriptor it needs"},
        {"descriptors, live", "", {}, fewDescriptors(7), real, false, 4, "cannot get a file descriptor it needs"},
#if !defined(__SANITIZE_ADDRESS__)  // whose allocator ends the process itself under such a limit
        // Memory or a thread, whichever the process misses first on this machine.
        {"8 MB more memory", kRollUp, {}, memoryBeyondNow(8), real, false, 4, "it needs under its limits"},
        {"24 MB more memory", kRollUp, {}, memoryBeyondNow(24), real, false, 4, "it needs under its limits"},
#endif
    };
    for (const Case& c : cases) {
        // On one core the rasterizer draws on the calling thread, and a session may need none.
        if (std::string_view(c.name).starts_with("a thread") && platform::gpu::usableCores() < 2) continue;
        std::vector<std::string> options = c.options;
        const auto lines = folder / (std::string(c.name) + ".scenario");
        if (!c.lines.empty()) {
            furlpane_test::writeText(lines, c.live ? c.lines : testing::kNotesDesk + c.lines);
            std::filesystem::permissions(lines, std::filesystem::perms::all);
            if (!c.live) options.insert(options.begin(), {"--scenario", lines.string()});
        }
        const auto create = [&folder](const char* name) {
            return ::open((folder / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        };
        const int input = c.live && !c.lines.empty() ? ::open(lines.c_str(), O_RDONLY | O_CLOEXEC) : -1;
        const int journal = c.journalInAFile ? create("journal") : -1;
        const int errors = create("errors");
        EXPECT_EQ(sessionEnd(options, c.prepare, c.program, scratch, {input, journal, errors}), c.status) << c.name;
        for (int fd : {input, journal, errors})
            if (fd >= 0) ::close(fd);
        const std::string said = furlpane_test::readText(folder / "errors");
        EXPECT_EQ(occurrences(said, c.said), 1U) << c.name << "\n" << said;
        EXPECT_EQ(occurrences(said, "\n"), 1U) << c.name << "\n" << said;
        EXPECT_FALSE(anyPartialFile(folder.path())) << c.name;
        EXPECT_TRUE(std::filesystem::is_empty(scratch)) << c.name;
    }
}

}  // namespace
}  // namespace furlpane
