#include "platform/defaults/file_user_defaults.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "tests/platform/defaults/defaults_test_support.h"
#include "tests/support/foreign_settings.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using furlpane_test::readText;
using furlpane_test::TempFolder;
using furlpane_test::writeText;
using plist::Array;
using plist::Dictionary;
using plist::Value;


std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FileUserDefaults, WritesReachTheFileAtOnceAndSurviveTheObject) {
    TempFolder tmp;
    const auto folder = tmp / "config" / "furlpane-novan";
    {
        auto d = open(folder);
        EXPECT_EQ(d->fileState(), FileUserDefaults::FileState::absent);
        d->set("Enabled", false);
        d->set("MIPWindowScale", 0.25);
        d->set("Gone", 1);
        d->remove("Gone");
        EXPECT_EQ(d->path(), folder / "com.brindlewick.FurlpaneNovan.plist");
        EXPECT_FALSE(d->hasUnwrittenChanges());
    }
    auto again = open(folder);
    EXPECT_EQ(again->fileState(), FileUserDefaults::FileState::sound);
    EXPECT_EQ(again->storedValues(), (Dictionary{{"Enabled", false}, {"MIPWindowScale", 0.25}}));
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"com.brindlewick.FurlpaneNovan.plist",
                                                         "com.brindlewick.FurlpaneNovan.plist.lock"}));
    EXPECT_EQ(std::filesystem::status(again->path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(FileUserDefaults, ObjectsOnOneDomainSeeAndKeepEachOthersWrites) {
    TempFolder tmp;
    auto first = open(tmp.path());
    auto second = open(tmp.path());
    first->set("A", 1);
    EXPECT_EQ(second->integer("A"), 1);
    second->set("B", 2);
    first->set("C", 3);
    EXPECT_EQ(second->storedValues(), (Dictionary{{"A", 1}, {"B", 2}, {"C", 3}}));

    // An update merges with the file as it is now, not as its object last read it.
    const auto addOwner = [](std::string owner) {
        return [owner](std::optional<Value> stored) -> std::optional<Value> {
            Dictionary lists = stored && stored->dictionary() ? *stored->dictionary() : Dictionary{};
            lists.set(owner, Array{Dictionary{{"WindowID", 7}}});
            return Value(lists);
        };
    };
    second->update("ChangedWindows", addOwner("200"));
    first->update("ChangedWindows", addOwner("100"));
    EXPECT_EQ(second->dictionary("ChangedWindows")->keys(), (std::vector<std::string>{"200", "100"}));
}

// What a watcher of the domain looks at instead of the values: it moves with them, and
// only then.
TEST(FileUserDefaults, TheChangeCountMovesWithTheValuesAndOnlyThen) {
    TempFolder tmp;
    auto watcher = open(tmp.path());
    auto writer = open(tmp.path());
    uint64_t seen = watcher->changeCount();
    const auto moved = [&] {
        const uint64_t now = watcher->changeCount();
        return std::exchange(seen, now) != now;
    };
    EXPECT_FALSE(moved());
    EXPECT_EQ(watcher->integer("A"), 0);
    EXPECT_EQ(watcher->storedValues(), Dictionary{});
    EXPECT_FALSE(moved());

    writer->set("A", 1);
    EXPECT_TRUE(moved()) << "another object's write, seen in the file";
    watcher->set("B", 2);
    EXPECT_TRUE(moved()) << "its own";
    writer->remove("A");
    EXPECT_TRUE(moved());
    EXPECT_FALSE(moved());

    // Written anew with the same text: nothing to read again.
    writeText(watcher->path(), readText(watcher->path()));
    EXPECT_FALSE(moved());
    EXPECT_EQ(watcher->storedValues(), (Dictionary{{"B", 2}}));

    writeText(watcher->path(), "junk");
    EXPECT_TRUE(moved());
    EXPECT_FALSE(moved());
    std::filesystem::remove(watcher->path());
    EXPECT_TRUE(moved());
    EXPECT_FALSE(moved());
    EXPECT_EQ(watcher->wholeReads(), 2u);
}

TEST(FileUserDefaults, AWriteFromInsideAnUpdateJoinsIt) {
    TempFolder tmp;
    auto d = open(tmp.path());
    d->update("Outer", [&](std::optional<Value>) -> std::optional<Value> {
        d->set("Inner", 1);
        return Value(2);
    });
    EXPECT_FALSE(d->hasUnwrittenChanges());
    EXPECT_EQ(open(tmp.path())->storedValues(), (Dictionary{{"Inner", 1}, {"Outer", 2}}));
}

TEST(FileUserDefaults, ACorruptFileReadsAsEmptyAndIsKeptAsideBeforeTheFirstWrite) {
    TempFolder tmp;
    auto d = open(tmp.path());
    const std::string garbage = "<?xml version=\"1.0\"?><plist><dict><key>Enabled</key><fal";
    writeText(d->path(), garbage);
    d->registerDefaults(Dictionary{{"Enabled", true}});
    EXPECT_TRUE(d->boolean("Enabled"));
    EXPECT_EQ(d->fileState(), FileUserDefaults::FileState::unreadable);
    EXPECT_EQ(d->lastReadError(), plist::ReadError::corrupt);
    EXPECT_EQ(readText(d->path()), garbage);  // reading changes nothing on disk

    d->set("Sounds", true);
    d->set("Sounds", false);
    ASSERT_EQ(d->keptAside().size(), 1u);
    EXPECT_EQ(d->keptAside()[0], tmp / "com.brindlewick.FurlpaneNovan.plist.kept-1");
    EXPECT_EQ(readText(d->keptAside()[0]), garbage);
    EXPECT_EQ(d->fileState(), FileUserDefaults::FileState::sound);
    EXPECT_EQ(open(tmp.path())->storedValues(), (Dictionary{{"Sounds", false}}));

    // A second bad file later gets the next free name.
    writeText(d->path(), "junk");
    d->set("Sounds", true);
    ASSERT_EQ(d->keptAside().size(), 2u);
    EXPECT_EQ(d->keptAside()[1], tmp / "com.brindlewick.FurlpaneNovan.plist.kept-2");
}

TEST(FileUserDefaults, HostileFilesInTheDomainsPlaceAreSurvived) {
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path&)> make;
        plist::ReadError error;
    };
    const Case cases[] = {
        {"empty", [](const auto& p) { writeText(p, ""); }, plist::ReadError::notAPlist},
        {"json", [](const auto& p) { writeText(p, "{\"Enabled\": true}"); }, plist::ReadError::notAPlist},
        {"binary", [](const auto& p) { writeText(p, "bplist00\xd1\x01\x02"); }, plist::ReadError::unsupportedFormat},
        {"array root", [](const auto& p) { writeText(p, *plist::toXml(Array{1})); }, plist::ReadError::wrongRootType},
        {"folder", [](const auto& p) { std::filesystem::create_directories(p / "inside"); },
         plist::ReadError::unreadable},
        {"pipe", [](const auto& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, plist::ReadError::unreadable},
        {"huge",
         [](const auto& p) {
             writeText(p, "");
             std::filesystem::resize_file(p, plist::kMaxDocumentBytes + 1);
         },
         plist::ReadError::tooLarge},
    };
    for (const Case& c : cases) {
        TempFolder tmp;
        auto d = open(tmp.path());
        c.make(d->path());
        EXPECT_TRUE(d->storedValues().empty()) << c.what;
        EXPECT_EQ(d->lastReadError(), c.error) << c.what;
        d->set("Enabled", false);
        EXPECT_FALSE(d->hasUnwrittenChanges()) << c.what;
        ASSERT_EQ(d->keptAside().size(), 1u) << c.what;
        EXPECT_TRUE(std::filesystem::exists(d->keptAside()[0])) << c.what;
        EXPECT_EQ(open(tmp.path())->storedValues(), (Dictionary{{"Enabled", false}})) << c.what;
    }
}

TEST(FileUserDefaults, APartlyReadableFileKeepsWhatIsSoundAndTheOriginal) {
    TempFolder tmp;
    auto d = open(tmp.path());
    const std::string original =
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Enabled</key><false/>"
        "<key>Huge</key><integer>18446744073709551615</integer><key>Scale</key><real>0.3</real></dict></plist>";
    writeText(d->path(), original);
    EXPECT_EQ(d->fileState(), FileUserDefaults::FileState::partlyRead);
    EXPECT_FALSE(d->boolean("Enabled"));
    EXPECT_EQ(d->real("Scale"), 0.3);
    EXPECT_EQ(d->integer("Huge"), std::numeric_limits<int64_t>::max());

    d->set("Sounds", true);
    ASSERT_EQ(d->keptAside().size(), 1u);
    EXPECT_EQ(readText(d->keptAside()[0]), original);
    auto again = open(tmp.path());
    EXPECT_EQ(again->fileState(), FileUserDefaults::FileState::sound);
    EXPECT_EQ(again->storedValues().keys(), (std::vector<std::string>{"Enabled", "Huge", "Scale", "Sounds"}));
}

TEST(FileUserDefaults, AFailedWriteStaysInMemoryAndIsRetried) {
    TempFolder tmp;
    // A plain file where the folder should be: the folder cannot be made, even by root.
    writeText(tmp / "blocked", "");
    const auto folder = tmp / "blocked" / "furlpane-novan";
    auto d = open(folder);
    furlpane_test::CapturedErrors errors;
    d->set("Enabled", false);
    d->update("Count", [](std::optional<Value>) -> std::optional<Value> { return Value(1); });
    EXPECT_TRUE(d->hasUnwrittenChanges());
    EXPECT_FALSE(d->boolean("Enabled"));
    EXPECT_EQ(d->integer("Count"), 1);
    EXPECT_FALSE(d->synchronize());
    // Said once while it lasts, with the reason.
    EXPECT_EQ(furlpane_test::occurrences(errors.text(), "cannot be written"), 1u) << errors.text();
    EXPECT_NE(errors.text().find("cannot make the folder " + (tmp / "blocked").string()), std::string::npos);

    std::filesystem::remove(tmp / "blocked");
    EXPECT_TRUE(d->synchronize());
    EXPECT_FALSE(d->hasUnwrittenChanges());
    EXPECT_EQ(open(folder)->storedValues(), (Dictionary{{"Enabled", false}, {"Count", 1}}));

    // Said again when it comes back after a write went through.
    std::filesystem::remove_all(tmp / "blocked");
    writeText(tmp / "blocked", "");
    EXPECT_EQ(d->set("Enabled", true), WriteStatus::unwritten);
    EXPECT_EQ(furlpane_test::occurrences(errors.text(), "cannot be written"), 2u) << errors.text();
}

// A settings folder named with a terminal's control sequences (a $TMPDIR, a folder of the
// user's): every message about the file shows its path as text, escaped as the host's
// own messages escape it, one line a message.
TEST(FileUserDefaults, MessagesShowThePathAsTextNeverAsControlSequences) {
    const std::pair<const char*, const char*> folders[] = {
        {"\x1b[2J", R"(\x1b[2J)"},
        {"\x1b]0;title\x07", R"(\x1b]0;title\x07)"},
        {"line\nbreak\ttab\rreturn", R"(line\nbreak\ttab\rreturn)"},
        {"\xc2\x9b" "31m\x7f", R"(\u009b31m\x7f)"},
        {"latin\xe9", "latin\xef\xbf\xbd"},
    };
    for (const auto& [name, shown] : folders) {
        TempFolder tmp;
        furlpane_test::CapturedErrors errors;
        // A file kept aside, and a write that cannot happen: each names the path twice.
        auto kept = open(tmp / name);
        writeText(kept->path(), "junk");
        kept->set("A", 1);
        writeText(tmp / name / "blocked", "");
        open(tmp / name / "blocked" / "furlpane-novan")->set("A", 1);
        const std::string text = errors.text();
        EXPECT_EQ(furlpane_test::occurrences(text, tmp.path().string() + "/" + shown), 4u) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
        EXPECT_EQ(text.find_first_of("\x1b\x07\r\t\x7f\xe9"), std::string::npos) << text;
        EXPECT_EQ(text.find("\xc2\x9b"), std::string::npos) << text;
    }
}

TEST(FileUserDefaults, LeftoverTemporaryFilesAreRemovedByTheNextWriter) {
    TempFolder tmp;
    auto d = open(tmp.path());
    writeText(tmp / "com.brindlewick.FurlpaneNovan.plist.tmp.999.0", "half written");
    writeText(tmp / "other.domain.plist.tmp.999.0", "not ours");
    d->set("A", 1);
    EXPECT_FALSE(std::filesystem::exists(tmp / "com.brindlewick.FurlpaneNovan.plist.tmp.999.0"));
    EXPECT_TRUE(std::filesystem::exists(tmp / "other.domain.plist.tmp.999.0"));
}

TEST(FileUserDefaults, ValuesTooDeepToWriteAreRefused) {
    TempFolder tmp;
    auto d = open(tmp.path());
    Value deep = Array{};
    for (int i = 0; i <= plist::kMaxNesting; ++i) deep = Array{deep};
    d->set("Deep", deep);
    d->set("Fine", 1);
    EXPECT_FALSE(d->object("Deep"));
    EXPECT_FALSE(d->hasUnwrittenChanges());
}

TEST(FileUserDefaults, DomainsAndFoldersAreChosenSafely) {
    for (const char* bad : {"", ".", "..", "a/b", "../x"}) EXPECT_FALSE(FileUserDefaults::create(bad, "/tmp")) << bad;
    EXPECT_FALSE(FileUserDefaults::create(std::string(201, 'a'), "/tmp"));
    EXPECT_TRUE(FileUserDefaults::create("com.apple.dock", "/tmp"));

    using F = FileUserDefaults;
    EXPECT_EQ(F::defaultFolder("/xdg", "/home/u"), std::filesystem::path("/xdg/furlpane-novan"));
    EXPECT_EQ(F::defaultFolder("relative", "/home/u"), std::filesystem::path("/home/u/.config/furlpane-novan"));
    EXPECT_EQ(F::defaultFolder("", "/home/u"), std::filesystem::path("/home/u/.config/furlpane-novan"));
    EXPECT_EQ(F::defaultFolder(std::nullopt, "/home/u"), std::filesystem::path("/home/u/.config/furlpane-novan"));
    EXPECT_FALSE(F::defaultFolder(std::nullopt, std::nullopt));
    EXPECT_FALSE(F::defaultFolder("rel", "also-rel"));
}

}  // namespace
}  // namespace platform
