// The settings file under hostile files, values at the limits and a second writer that
// holds the lock: each case must end with a clear result and nothing stored lost.

#include <gtest/gtest.h>
#include <iconv.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "platform/defaults/file_user_defaults.h"
#include "platform/runtime/main_loop.h"
#include "platform/plist/xml_writer.h"
#include "tests/support/foreign_settings.h"
#include "tests/support/numbered.h"
#include "tests/support/processor_time.h"
#include "tests/platform/defaults/defaults_test_support.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using furlpane_test::numbered;
using furlpane_test::threadSeconds;
using furlpane_test::readText;
using furlpane_test::TempFolder;
using furlpane_test::writeText;
using plist::Value;
using State = FileUserDefaults::FileState;

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";

std::string repeated(std::string_view unit, size_t n) {
    std::string out;
    out.reserve(unit.size() * n);
    for (size_t i = 0; i < n; ++i) out += unit;
    return out;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Whether iconv takes the text as UTF-8 whole.
bool isUtf8(const std::string& text) {
    iconv_t cd = iconv_open("UTF-8", "UTF-8");
    std::string in = text, out(text.size() + 16, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = in.size(), outLeft = out.size();
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && inLeft == 0;
    iconv_close(cd);
    return ok;
}

TEST(HostileSettings, MarkupThatHidesEndTagsCannotSmuggleDeepNestingIn) {
    constexpr size_t kDeep = 300000;
    const std::string opens = repeated("<array>", kDeep), closes = repeated("</array>", kDeep);
    const std::string fakeCloses = repeated("</array>", kDeep);
    const std::string documents[] = {
        kHeader + repeated("<array><?hidden </array>?>", kDeep) + closes + "</plist>",
        "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY e \"" + fakeCloses + "\">]><plist>" + opens + closes +
            "</plist>",
        kHeader + "<array><string><![CDATA[" + fakeCloses + "]]></string>" + opens + closes + "</array></plist>",
    };
    for (const std::string& document : documents) {
        TempFolder tmp;
        auto d = open(tmp.path());
        writeText(d->path(), document);
        EXPECT_TRUE(d->storedValues().empty());
        EXPECT_EQ(d->lastReadError(), plist::ReadError::corrupt);
        EXPECT_EQ(d->set("Enabled", true), WriteStatus::stored);
        ASSERT_EQ(d->keptAside().size(), 1u);
        EXPECT_EQ(readText(d->keptAside()[0]).size(), document.size());
    }
}

TEST(HostileSettings, AChangeTheFileCouldNotHoldIsRefusedAndNothingStoredIsLost) {
    TempFolder tmp;
    auto d = open(tmp.path());
    ASSERT_EQ(d->set("Enabled", false), WriteStatus::stored);
    const std::string before = readText(d->path());

    Value deep = 1;
    for (int i = 0; i < plist::kMaxNesting; ++i) deep = plist::Array{deep};
    furlpane_test::CapturedErrors errors;
    const struct {
        const char* what;
        Value value;
    } refused[] = {
        {"larger than the reader takes", std::string(plist::kMaxDocumentBytes, 'x')},
        {"deeper than the reader takes, with the file's own level", deep},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(d->set("Big", c.value), WriteStatus::refused) << c.what;
        EXPECT_FALSE(d->object("Big")) << c.what;
        EXPECT_FALSE(d->hasUnwrittenChanges()) << c.what;
        EXPECT_EQ(readText(d->path()), before) << c.what;
    }
    // An update whose result would not fit is refused the same way.
    EXPECT_EQ(d->update("Big", [](std::optional<Value>) -> std::optional<Value> {
        return Value(std::string(plist::kMaxDocumentBytes, 'y'));
    }),
              WriteStatus::refused);
    // The caller is told; standard error too, once.
    EXPECT_EQ(furlpane_test::occurrences(errors.text(), "are refused"), 1u) << errors.text();

    // What still fits is written, and the file reads back whole.
    Value fits = 1;
    for (int i = 1; i < plist::kMaxNesting; ++i) fits = plist::Array{fits};
    EXPECT_EQ(d->set("Deep", fits), WriteStatus::stored);
    EXPECT_EQ(d->set("Long", std::string(plist::kMaxDocumentBytes / 2, 'z')), WriteStatus::stored);
    auto again = open(tmp.path());
    EXPECT_EQ(again->fileState(), State::sound);
    EXPECT_FALSE(again->boolean("Enabled"));
    EXPECT_EQ(again->object("Deep"), fits);
    EXPECT_EQ(again->string("Long")->size(), plist::kMaxDocumentBytes / 2);
}

TEST(HostileSettings, AWriterStoppedWhileHoldingTheLockDelaysTheWriteButFreezesNothing) {
    MainLoop loop(ClockKind::simulated);
    TempFolder tmp;
    auto d = open(tmp.path());
    ASSERT_EQ(d->set("Before", 1), WriteStatus::stored);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        durable::FileLock lock(tmp / "com.brindlewick.FurlpaneNovan.plist.lock", std::chrono::milliseconds(0));
        raise(SIGSTOP);
        _exit(lock.held() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(holder, &status, WUNTRACED), holder);
    ASSERT_TRUE(WIFSTOPPED(status));

    d->setLockWait(std::chrono::milliseconds(100));
    const auto start = std::chrono::steady_clock::now();
    furlpane_test::CapturedErrors errors;
    EXPECT_EQ(d->set("During", 2), WriteStatus::unwritten);
    EXPECT_LT(secondsSince(start), 1.0);
    EXPECT_EQ(d->integer("During"), 2);
    EXPECT_TRUE(d->hasUnwrittenChanges());
    EXPECT_FALSE(d->synchronize());
    // Said once, and why: the change is not on the disk.
    EXPECT_EQ(furlpane_test::occurrences(errors.text(), "another process holds the lock"), 1u) << errors.text();

    kill(holder, SIGCONT);
    ASSERT_EQ(waitpid(holder, &status, 0), holder);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // Retried by itself a little later.
    loop.advance(FileUserDefaults::kRetryDelay);
    EXPECT_FALSE(d->hasUnwrittenChanges());
    EXPECT_EQ(open(tmp.path())->storedValues(), (plist::Dictionary{{"Before", 1}, {"During", 2}}));
}

TEST(HostileSettings, AHugeDictionaryReadsAndWritesWithoutQuadraticCost) {
    // 400,000 keys in 12 MB: an optimised build reads and writes them in a fraction of a
    // second; sanitizers make that a few seconds, while checking each new key against all
    // before it took forty. Counted in the thread's processor time, which other tests
    // running beside it do not stretch.
    constexpr int kKeys = 400000;
    std::string body = kHeader + "<dict>";
    for (int i = 0; i < kKeys; ++i) {
        body += numbered("<key>k", i);
        body += numbered("</key><integer>", i);
        body += "</integer>";
    }
    body += "</dict></plist>";
    const double start = threadSeconds();
    auto read = plist::parseXmlDictionary(body);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(*read.value().dictionary()->find("k399999"), Value(399999));
    EXPECT_TRUE(plist::toXml(read.value()));
    EXPECT_LT(threadSeconds() - start, 10.0);
}

TEST(HostileSettings, NumbersAndDatesBeyondTheirRangeReadAsTheNearestValue) {
    TempFolder tmp;
    auto d = open(tmp.path());
    writeText(d->path(), kHeader +
                             "<dict><key>Low</key><integer>-9223372036854775809</integer>"
                             "<key>Lower</key><integer>-99999999999999999999</integer>"
                             "<key>Endless</key><integer>-" + std::string(400, '9') + "</integer>"
                             "<key>Min</key><integer>-9223372036854775808</integer>"
                             "<key>Early</key><date>1901-01-01T00:00:00Z</date>"
                             "<key>Late</key><date>2100-01-01T00:00:00Z</date>"
                             "</dict></plist>");
    EXPECT_EQ(d->fileState(), State::partlyRead);
    EXPECT_EQ(d->object("Low"), Value(-9223372036854775809.0));
    EXPECT_EQ(d->object("Lower"), Value(-1e20));
    EXPECT_EQ(d->object("Endless"), Value(-std::numeric_limits<double>::max()));
    EXPECT_EQ(d->object("Min"), Value(std::numeric_limits<int64_t>::min()));
    EXPECT_EQ(d->object("Early"), Value(plist::Date{-3155760000}));
    EXPECT_EQ(d->object("Late"), Value(plist::Date{3124137600}));

    // Written back, the dates keep their place in time.
    d->set("Enabled", true);
    auto again = open(tmp.path());
    EXPECT_EQ(again->object("Early"), Value(plist::Date{-3155760000}));
    EXPECT_EQ(again->object("Late"), Value(plist::Date{3124137600}));
}

TEST(HostileSettings, TextXmlCannotCarryIsWrittenAsWellFormedXmlAndReadsBackAsWritten) {
    const std::string texts[] = {
        std::string("bell \x07, escape \x1b, form feed \x0c, vertical tab \x0b"),
        "cut \xE2\x82 short, lone \x80 continuation, overlong \xC0\xAF, surrogate \xED\xA0\x80",
        "past the last code point \xF4\x90\x80\x80, noncharacter \xEF\xBF\xBF, stray \xFF",
        "kept: tab\t, line\n, return\r\n, delete \x7F, \xC2\x85, ü, 🪟",
    };
    TempFolder tmp;
    auto d = open(tmp.path());
    for (size_t i = 0; i < std::size(texts); ++i) {
        ASSERT_EQ(d->set(numbered("Text", static_cast<long long>(i)), texts[i]), WriteStatus::stored);
    }
    d->set("Key \x01 with \xFF", true);
    const std::string file = readText(d->path());
    EXPECT_TRUE(isUtf8(file));
    for (unsigned char c : file) EXPECT_TRUE(c >= 0x20 || c == '\t' || c == '\n') << int(c);

    auto again = open(tmp.path());
    EXPECT_EQ(again->fileState(), State::sound);
    for (size_t i = 0; i < std::size(texts); ++i) {
        EXPECT_EQ(again->string(numbered("Text", static_cast<long long>(i))), plist::writableText(texts[i])) << i;
    }
    EXPECT_EQ(*again->string("Text3"), texts[3]);
    EXPECT_EQ(*again->string("Text0"), "bell \uFFFD, escape \uFFFD, form feed \uFFFD, vertical tab \uFFFD");
    EXPECT_TRUE(again->boolean("Key \uFFFD with \uFFFD"));
}

// A file another tool wrote with text that is not UTF-8 (or a control character XML
// cannot carry) in a value the program does not own reads as it stands; the first write
// replaces that text, so the file is kept beside it first, byte for byte.
TEST(HostileSettings, TextAWriteWouldChangeIsKeptBesideTheFileBeforeTheFirstWrite) {
    const std::string foreign[] = {"Latin-1 caf\xE9", "a bell &#7; rings"};
    for (const std::string& text : foreign) {
        SCOPED_TRACE(text);
        TempFolder tmp;
        auto d = open(tmp.path());
        const std::string file = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                                 "<key>SomeoneElses</key><string>" + text + "</string></dict></plist>\n";
        writeText(d->path(), file);
        EXPECT_EQ(d->fileState(), State::partlyRead);
        ASSERT_TRUE(d->string("SomeoneElses"));

        ASSERT_EQ(d->set("Enabled", true), WriteStatus::stored);
        ASSERT_EQ(d->keptAside().size(), 1u);
        EXPECT_EQ(readText(d->keptAside()[0]), file);
        EXPECT_EQ(open(tmp.path())->fileState(), State::sound);
        // Only the first write keeps the file: what it wrote is ours and sound.
        d->set("Enabled", false);
        EXPECT_EQ(d->keptAside().size(), 1u);
    }
    // Text that is UTF-8 already is no reason to keep anything.
    TempFolder tmp;
    auto d = open(tmp.path());
    writeText(d->path(), *plist::toXml(Value(plist::Dictionary{{"SomeoneElses", "café 🪟"}})));
    EXPECT_EQ(d->fileState(), State::sound);
    d->set("Enabled", true);
    EXPECT_TRUE(d->keptAside().empty());
}

}  // namespace
}  // namespace platform
