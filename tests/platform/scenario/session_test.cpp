// A session as the executable runs it: the command line, and the status a scenario file
// ends with.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <thread>

#include "fake_program.h"
#include "platform/appkit/presented_frames.h"
#include "platform/runtime/signals.h"
#include "platform/scenario/frame_recorder.h"
#include "platform/scenario/session.h"
#include "platform/system.h"
#include "tests/support/temp_folder.h"

namespace scenario_test {
namespace {

using namespace platform::scenario;

TEST(Session, TheCommandLine) {
    auto none = sessionOptions({});
    ASSERT_TRUE(none.ok());
    EXPECT_FALSE(none->scenario);
    auto all = sessionOptions({"--scenario", "a.scenario", "--out", "pictures", "--frames", "frames"});
    ASSERT_TRUE(all.ok());
    EXPECT_EQ(*all->scenario, "a.scenario");
    EXPECT_EQ(all->out, "pictures");
    EXPECT_EQ(*all->frames, "frames");
    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {"--scenario"}, {"--scenario", ""}, {"--speed", "2"}, {"tour.scenario"}}) {
        EXPECT_FALSE(sessionOptions(wrong).ok()) << wrong[0];
    }
    // Asked for, the usage is an answer: on standard output, status 0.
    std::ostringstream usageOut;
    std::streambuf* saved = std::cout.rdbuf(usageOut.rdbuf());
    char name[] = "furlpane-novan";
    char help[] = "--help";
    char* argv[] = {name, help, nullptr};
    const int status = platform::System::run(2, argv, {});
    std::cout.rdbuf(saved);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(usageOut.str(), usage());
}

class SessionTest : public ::testing::Test {
protected:
    furlpane_test::TempFolder folder;
    std::ostringstream out, errors;
    std::streambuf* savedOut = nullptr;
    std::streambuf* savedErrors = nullptr;

    void SetUp() override {
        savedOut = std::cout.rdbuf(out.rdbuf());
        savedErrors = std::cerr.rdbuf(errors.rdbuf());
    }
    void TearDown() override {
        std::cout.rdbuf(savedOut);
        std::cerr.rdbuf(savedErrors);
    }
    int play(const std::string& text, std::shared_ptr<ProgramRecord> record = std::make_shared<ProgramRecord>()) {
        furlpane_test::writeText(folder / "s.scenario", text);
        return playFile(folder / "s.scenario", std::move(record));
    }
    int playFile(const std::filesystem::path& file,
                 std::shared_ptr<ProgramRecord> record = std::make_shared<ProgramRecord>()) {
        SessionOptions options;
        options.scenario = file;
        options.out = folder / "out";
        return runSession(options, [record] { return std::make_shared<FakeProgram>(record); });
    }
};

TEST_F(SessionTest, EachEndHasItsStatus) {
    EXPECT_EQ(play("launch\nmenu \"Beep\"\nexpect sound beep\nquit\nexpect exited 0\n"), 0) << errors.str();
    EXPECT_NE(out.str().find(R"("event":"end","status":0})"), std::string::npos) << out.str();

    EXPECT_EQ(play("launch\nexpect no sound\nmenu \"Beep\"\nexpect no sound\n"), 1);
    EXPECT_NE(errors.str().find("line 4: the sound \"beep\" played"), std::string::npos) << errors.str();

    EXPECT_EQ(play("launch\nwait 1\nclick 10,10 count 99\n"), 2);
    EXPECT_NE(errors.str().find("line 3, column 19"), std::string::npos) << errors.str();
    EXPECT_NE(out.str().find(R"("event":"error","line":3,"column":19)"), std::string::npos) << out.str();
}

TEST_F(SessionTest, AFileThatCannotBeReadIsNoScenario) {
    SessionOptions options;
    options.scenario = folder / "missing.scenario";
    EXPECT_EQ(runSession(options, [] { return std::shared_ptr<platform::ApplicationDelegate>(); }), 2);
    EXPECT_NE(errors.str().find("cannot read"), std::string::npos);
    // A folder opens as a file does, and reads as nothing: no empty scenario that passes.
    EXPECT_EQ(playFile(folder.path()), 2);
    EXPECT_NE(errors.str().find("cannot read " + folder.path().string() + ": Is a directory"), std::string::npos)
        << errors.str();
    EXPECT_EQ(out.str().find(R"("event":"end")"), std::string::npos) << out.str();
}

TEST_F(SessionTest, AScenarioFromAPipeIsReadAsItsWriterWritesIt) {
    const auto fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The writer's open waits for the session's, whichever comes first.
    std::thread writer([&fifo] { furlpane_test::writeText(fifo, "launch\nmenu \"Beep\"\nexpect sound beep\n"); });
    EXPECT_EQ(playFile(fifo), 0) << errors.str();
    writer.join();
    EXPECT_NE(out.str().find(R"("event":"sound","name":"beep")"), std::string::npos) << out.str();
}

// A pipe with no writer waits for one; a termination signal ends the wait, whenever it
// comes, and the session with it, with the status a shell gives a command the signal ended.
TEST_F(SessionTest, ASignalEndsTheWaitForAWriterThatNeverComes) {
    platform::catchSignals({SIGTERM, SIGINT, SIGHUP});
    const auto fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        platform::discardPendingSignals();
        std::thread sender([signal] { ::kill(::getpid(), signal); });
        EXPECT_EQ(playFile(fifo), 128 + signal);
        sender.join();
    }
    for (const char* name : {"SIGINT", "SIGTERM", "SIGHUP"}) {
        EXPECT_NE(errors.str().find(std::string("stopped by ") + name + " while reading"), std::string::npos)
            << errors.str();
    }
}

// A signal sent to the host's process from outside: the program ends on it as its own
// process would (its handler runs), then the host stops where the scenario stood, says so
// and ends with 128 + the signal, never relaunching the program later lines would.
TEST_F(SessionTest, ASignalFromOutsideEndsTheSessionOnceTheProgramHasEnded) {
    const std::string scenario =
        "launch\nright-click 200,750\nchoose \"Interrupt\"\nwait 3600\nlaunch\nmenu \"Hello\"\n";
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        out.str("");
        errors.str("");
        auto record = std::make_shared<ProgramRecord>();
        record->hostSignal = signal;
        EXPECT_EQ(play(scenario, record), 128 + signal) << errors.str();
        EXPECT_EQ(record->launches, 1);
        const std::string journal = out.str();
        const size_t exit = journal.find(R"("event":"exit","status":0)");
        const size_t interrupted = journal.find(R"("event":"interrupted","signal":")" +
                                                std::string("SIG") + sigabbrev_np(signal) + R"(","line":3)");
        ASSERT_NE(exit, std::string::npos) << journal;
        ASSERT_NE(interrupted, std::string::npos) << journal;
        EXPECT_LT(exit, interrupted);
        EXPECT_NE(journal.find(R"("event":"end","status":)" + std::to_string(128 + signal)), std::string::npos);
        EXPECT_EQ(journal.find("com.example.hello"), std::string::npos) << journal;
        EXPECT_NE(errors.str().find("came from outside the session at line 3"), std::string::npos) << errors.str();
    }
}

// Standard input replaced by the descriptor (taken), put back after.
class ReplacedInput {
public:
    explicit ReplacedInput(int fd) {
        if (fd < 0) return;
        saved_ = ::dup(STDIN_FILENO);
        ::dup2(fd, STDIN_FILENO);
        ::close(fd);
    }
    ~ReplacedInput() {
        if (saved_ < 0) return;
        ::dup2(saved_, STDIN_FILENO);
        ::close(saved_);
    }
    ReplacedInput(const ReplacedInput&) = delete;
    ReplacedInput& operator=(const ReplacedInput&) = delete;

private:
    int saved_ = -1;
};

// The read end of a pipe holding `text`, closed at its end.
int pipeHolding(const std::string& text) {
    int ends[2];
    if (::pipe(ends) != 0) return -1;
    const ssize_t written = ::write(ends[1], text.data(), text.size());
    EXPECT_EQ(written, static_cast<ssize_t>(text.size()));
    ::close(ends[1]);
    return ends[0];
}

// Standard input replaced by a pipe holding `text`, closed at its end; put back after.
class PipedInput : public ReplacedInput {
public:
    explicit PipedInput(const std::string& text) : ReplacedInput(pipeHolding(text)) {}
};

TEST_F(SessionTest, TheLiveSessionEndsAsAQuitDoesWhenItsInputEnds) {
    auto record = std::make_shared<ProgramRecord>();
    int status = -1;
    {
        // A drag in real time takes its time on the loop, the wait after it too.
        PipedInput input("drag 150,750 to 300,700 over 0.1\nwait 0.1\nmenu \"Hello\"\n");
        status = runSession({}, [record] { return std::make_shared<FakeProgram>(record); });
    }
    EXPECT_EQ(status, 0) << errors.str();
    EXPECT_EQ(record->launches, 1);
    EXPECT_EQ(record->terminations, 1);
    const std::string journal = out.str();
    const size_t hello = journal.find(R"(,"event":"notification","name":"com.example.hello")");
    const size_t exit = journal.find(R"("event":"exit","status":0)");
    ASSERT_NE(hello, std::string::npos) << journal << errors.str();
    EXPECT_NE(exit, std::string::npos) << journal;
    EXPECT_LT(hello, exit);
    // The menu's line waited for the drag and the wait before it, in real time.
    const size_t time = journal.rfind("{\"t\":", hello);
    ASSERT_NE(time, std::string::npos);
    EXPECT_GE(std::stod(journal.substr(time + 5, hello - time - 5)), 0.2) << journal;
}

// What a person typing meets: each mistake on standard error with its line, and a session
// that ends with 1 when a line could not be read or an expectation did not hold.
TEST_F(SessionTest, TheLiveSessionSaysItsMistakesAndEndsWithOneAfterAFailure) {
    const std::pair<const char*, const char*> inputs[] = {
        {"close \"Groceries\"\nexpect window \"Groceries\" gone\nexpect window \"Ideas\" shaded\n",
         "line 3: \"Ideas\" is normal, not shaded"},
        {"menu \"Beep\"\nclick 10,10 count 99\n", "line 2, column 19: "},
        {"expect window \"Idaes\" gone\n", "line 1: no line declares a window \"Idaes\""},
    };
    for (const auto& [text, said] : inputs) {
        errors.str("");
        auto record = std::make_shared<ProgramRecord>();
        PipedInput input(text);
        EXPECT_EQ(runSession({}, [record] { return std::make_shared<FakeProgram>(record); }), 1) << text;
        EXPECT_NE(errors.str().find(said), std::string::npos) << said << "\n" << errors.str();
        EXPECT_EQ(errors.str().find("line 2: "), std::string::npos) << errors.str();
        EXPECT_EQ(record->terminations, 1);
    }
}

// An environment variable set for a while, put back after.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name), had_(std::getenv(name) != nullptr) {
        if (had_) saved_ = std::getenv(name);
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() { had_ ? ::setenv(name_, saved_.c_str(), 1) : ::unsetenv(name_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    bool had_;
    std::string saved_;
};

// The write end of a pipe whose reader has gone.
int closedPipe() {
    int ends[2];
    if (::pipe(ends) != 0) return -1;
    ::close(ends[0]);
    return ends[1];
}

size_t occurrences(const std::string& text, const std::string& fragment) {
    size_t count = 0;
    for (size_t at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1)) ++count;
    return count;
}

// With nowhere to make a folder of its own for the program's settings, a session does not
// start: it says why and ends with 2, and the user's own settings file stays as it was.
TEST_F(SessionTest, WithoutAFolderOfItsOwnASessionDoesNotStart) {
    const auto config = folder / "config";
    const auto own = config / "furlpane-novan" / "com.brindlewick.FurlpaneNovan.plist";
    const std::string bytes = "<?xml version=\"1.0\"?><plist><dict><key>A</key><true/></dict></plist>";
    furlpane_test::writeText(own, bytes);
    furlpane_test::writeText(folder / "a-file", "");
    furlpane_test::writeText(folder / "s.scenario", "defaults A false\nlaunch\nwait 1\nquit\n");
    const ScopedVariable configHome("XDG_CONFIG_HOME", config.string());
    for (const auto& tmpdir : {folder / "missing", folder / "a-file"}) {
        for (const bool live : {false, true}) {
            out.str("");
            errors.str("");
            const ScopedVariable scratch("TMPDIR", tmpdir.string());
            const PipedInput input("defaults A false\nquit\n");
            auto record = std::make_shared<ProgramRecord>();
            SessionOptions options;
            if (!live) options.scenario = folder / "s.scenario";
            EXPECT_EQ(runSession(options, [record] { return std::make_shared<FakeProgram>(record); }), 2);
            EXPECT_NE(errors.str().find("cannot make a folder for the program's settings in " + tmpdir.string()),
                      std::string::npos)
                << errors.str();
            EXPECT_EQ(record->launches, 0);
            EXPECT_EQ(out.str(), "");
            EXPECT_EQ(furlpane_test::readText(own), bytes);
        }
    }
}

// A live session's input that cannot be read is said and ends it with 2 before anything
// runs, as a scenario file that cannot be read does, instead of a loop that waits on it.
TEST_F(SessionTest, ALiveSessionWhoseInputCannotBeReadDoesNotStart) {
    const std::pair<std::function<int()>, const char*> inputs[] = {
        {[this] { return ::open(folder.path().c_str(), O_RDONLY | O_DIRECTORY); }, "standard input is a folder"},
        {closedPipe, "standard input is open for writing only"},
    };
    for (const auto& [open, said] : inputs) {
        errors.str("");
        auto record = std::make_shared<ProgramRecord>();
        const ReplacedInput input(open());
        EXPECT_EQ(runSession({}, [record] { return std::make_shared<FakeProgram>(record); }), 2);
        EXPECT_NE(errors.str().find(said), std::string::npos) << errors.str();
        EXPECT_EQ(record->launches, 0);
    }
}

// The live session plays its lines as a scenario does: CR LF ends a line as LF does, and
// the lines after a quit or a signal are played and counted in the status. Standard input
// is left as it was found.
TEST_F(SessionTest, TheLiveSessionPlaysItsLinesAsAScenarioDoes) {
    struct Case {
        const char* text;
        int status;
        const char* said;
    };
    const Case cases[] = {
        {"menu \"Hello\"\r\nwait 0.1\r\nexpect notification com.example.hello\r\n", 0, ""},
        {"quit\nwait 0.2\nexpect exited 0\n", 0, ""},
        {"quit\nwait 0.2\nexpect window \"Ideas\" shaded\n", 1, "line 3: \"Ideas\" is normal, not shaded"},
        {"signal TERM\nwait 0.2\nclick 10,10 count 99\n", 1, "line 3, column 19: "},
    };
    for (const Case& c : cases) {
        errors.str("");
        auto record = std::make_shared<ProgramRecord>();
        const PipedInput input(c.text);
        const int flags = ::fcntl(STDIN_FILENO, F_GETFL);
        EXPECT_EQ(runSession({}, [record] { return std::make_shared<FakeProgram>(record); }), c.status) << c.text;
        EXPECT_NE(errors.str().find(c.said), std::string::npos) << c.text << errors.str();
        EXPECT_EQ(::fcntl(STDIN_FILENO, F_GETFL), flags);
    }
}

// Whatever became of the first instance, the end of the input or a signal from outside
// ends every instance that still runs, each with its exit in the journal. The signal ends
// the session there and then: the minute of input after it is never waited for, and the
// launches after it, beside the instance it ended or in the first's place, never played.
TEST_F(SessionTest, TheLiveSessionEndsEveryInstance) {
    const char* firstGoes[] = {"crash\n", "quit\nwait 0.2\n"};
    const char* sessionEnds[] = {"", "right-click 200,750\nchoose \"Interrupt\" instance 2\nwait 60\n",
                                 "right-click 200,750\nchoose \"Interrupt\" instance 2\nlaunch\nlaunch instance 3\n"};
    for (const char* first : firstGoes) {
        for (const char* end : sessionEnds) {
            out.str("");
            const std::string text = std::string("launch instance 2\nwait 0.2\n") + first + end;
            auto record = std::make_shared<ProgramRecord>();
            const PipedInput input(text);
            const auto start = std::chrono::steady_clock::now();
            EXPECT_EQ(runSession({}, [record] { return std::make_shared<FakeProgram>(record); }), 0) << text;
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << text;
            EXPECT_NE(out.str().find(R"("event":"exit","instance":2,"status":0)"), std::string::npos)
                << text << out.str();
            EXPECT_EQ(record->launches, 2);
        }
    }
}

// A stream that writes straight to a descriptor, failing as the descriptor does.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd) : fd_(fd) {}
    ~DescriptorBuffer() override { ::close(fd_); }

protected:
    int overflow(int c) override {
        const char byte = static_cast<char>(c);
        return c == traits_type::eof() || ::write(fd_, &byte, 1) == 1 ? traits_type::not_eof(c) : traits_type::eof();
    }
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        const ssize_t n = ::write(fd_, bytes, static_cast<size_t>(count));
        return n < 0 ? 0 : n;
    }

private:
    int fd_;
};

// An output that cannot be written ends the session with 3, said once, and the folder
// of the program's settings goes as at any end: the journal on a full disk or into a pipe
// whose reader has gone (which would otherwise kill the process), frames where no folder
// can be made, a snapshot where no picture can be written.
TEST_F(SessionTest, AnOutputThatFailsEndsTheSessionWithThree) {
    furlpane_test::writeText(folder / "a-file", "");
    std::filesystem::create_directories(folder / "tmp");
    const ScopedVariable scratch("TMPDIR", (folder / "tmp").string());
    furlpane_test::writeText(folder / "s.scenario",
                             "launch\nsnapshot desk\nmenu \"Beep\"\nwait 1\nexpect sound beep\n");
    struct Case {
        const char* name;
        bool live;
        std::function<int()> journal;  // a descriptor to write it to, or none
        std::filesystem::path frames, out;
        const char* said;
    };
    const auto full = [] { return ::open("/dev/full", O_WRONLY); };
    const char* noSpace = "the journal could not be written: No space left on device";
    const Case cases[] = {
        {"full disk", false, full, {}, folder / "out", noSpace},
        {"full disk, live", true, full, {}, folder / "out", noSpace},
        {"gone reader", false, closedPipe, {}, folder / "out", "the journal could not be written: Broken pipe"},
        {"frames", false, {}, folder / "a-file" / "frames", folder / "out", "the frames cannot be kept in"},
        {"snapshot", false, {}, {}, folder / "a-file", "line 2: the snapshot"},
    };
    for (const Case& c : cases) {
        out.str("");
        errors.str("");
        std::optional<DescriptorBuffer> failing;
        if (c.journal) failing.emplace(c.journal());
        std::streambuf* journal = std::cout.rdbuf(failing ? static_cast<std::streambuf*>(&*failing) : out.rdbuf());
        auto record = std::make_shared<ProgramRecord>();
        const PipedInput input("menu \"Beep\"\nwait 5\n");
        SessionOptions options;
        if (!c.live) options.scenario = folder / "s.scenario";
        if (!c.frames.empty()) options.frames = c.frames;
        options.out = c.out;
        EXPECT_EQ(runSession(options, [record] { return std::make_shared<FakeProgram>(record); }), 3) << c.name;
        std::cout.rdbuf(journal);
        EXPECT_EQ(occurrences(errors.str(), c.said), 1U) << c.name << "\n" << errors.str();
        EXPECT_EQ(record->launches, record->terminations) << c.name;
        EXPECT_EQ(out.str().find(R"("event":"sound")"), std::string::npos) << c.name;
        EXPECT_TRUE(std::filesystem::is_empty(folder / "tmp")) << c.name;
    }
}

// The first frame that cannot be written is told, and no later one is tried: the session
// that keeps them ends on it.
TEST_F(SessionTest, AFrameThatCannotBeWrittenIsToldOnce) {
    std::filesystem::create_directories(folder / "frames" / "frame-000001.png");
    std::vector<std::string> told;
    auto recorder = FrameRecorder::create(folder / "frames", [&told](const std::string& why) { told.push_back(why); });
    ASSERT_TRUE(recorder.ok());
    const auto frame = platform::Image::filled(4, 4, platform::Color{}, platform::ColorSpace::sRGB());
    ASSERT_TRUE(frame);
    for (int i = 0; i < 3; ++i) platform::detail::framePresented(*frame);
    ASSERT_EQ(told.size(), 1U);
    EXPECT_NE(told[0].find("a frame could not be kept"), std::string::npos) << told[0];
    EXPECT_TRUE((*recorder)->failed());
    EXPECT_FALSE(std::filesystem::exists(folder / "frames" / "frame-000002.png"));
}

// Messages show what a line holds as text, never as a control sequence for the terminal,
// and name the instance a line is about.
TEST_F(SessionTest, MessagesShowLinesAsTextAndNameTheInstance) {
    const std::pair<const char*, const char*> cases[] = {
        {"\x1b[2Jlaunch\n", R"(unknown command "\x1b[2Jlaunch")"},
        {"launch\nclose \"\x1b]0;title\x07\xc2\x9b\"\n", R"(line 2: no window "\x1b]0;title\x07\u009b" is open)"},
        {"launch\nmenu \"Beep\" instance 2\n", "line 2: instance 2 of the program shows no status item"},
        {"launch\nquit instance 2\n", "line 2: instance 2 of the program is not running"},
    };
    for (const auto& [text, said] : cases) {
        errors.str("");
        EXPECT_NE(play(text), 0) << text;
        EXPECT_NE(errors.str().find(said), std::string::npos) << errors.str();
        EXPECT_EQ(errors.str().find_first_of("\x1b\x07"), std::string::npos) << errors.str();
    }
}

}  // namespace
}  // namespace scenario_test
