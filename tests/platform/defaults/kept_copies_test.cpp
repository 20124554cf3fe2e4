// What a write does with a settings file it cannot give back as it was: the program's own
// values always reach the new file, the old one is kept aside once, byte for byte, only
// when the new one is written, and standard error says where; a link to the settings
// file stays a link.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/defaults/file_user_defaults.h"
#include "tests/platform/defaults/defaults_test_support.h"
#include "tests/support/foreign_settings.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using furlpane_test::CapturedErrors;
using furlpane_test::keptCopies;
using furlpane_test::occurrences;
using furlpane_test::readText;
using furlpane_test::TempFolder;
using furlpane_test::writeText;
using plist::Dictionary;
using State = FileUserDefaults::FileState;
namespace fs = std::filesystem;

constexpr size_t kLatin1Bytes = 12u * 1024 * 1024;

fs::perms permissionsOf(const fs::path& path) { return fs::status(path).permissions() & fs::perms::all; }

// Text that is not UTF-8 grows threefold when written: 12 MB of it made every write too
// large, so that nothing of the program's ever reached the file again and every start
// kept the same file aside once more.
TEST(KeptCopies, ForeignTextTooLargeToWriteBackNeverKeepsTheProgramsValuesOut) {
    TempFolder tmp;
    const std::string original = furlpane_test::latin1SettingsFile(kLatin1Bytes);
    writeText(tmp / "com.brindlewick.FurlpaneNovan.plist", original);
    {
        CapturedErrors errors;
        auto d = open(tmp.path());
        EXPECT_EQ(d->fileState(), State::partlyRead);
        EXPECT_EQ(d->string("Notes")->size(), kLatin1Bytes);
        ASSERT_EQ(d->set("ChangedWindows", Dictionary{{"812", 1}}), WriteStatus::stored);
        ASSERT_EQ(d->keptAside().size(), 1u);
        EXPECT_TRUE(readText(d->keptAside()[0]) == original);
        EXPECT_EQ(occurrences(errors.text(), d->keptAside()[0].string()), 1u) << errors.text();
    }
    // The file is the program's now: later starts and writes keep nothing more.
    for (int start = 0; start < 4; ++start) {
        auto d = open(tmp.path());
        EXPECT_EQ(d->fileState(), State::sound);
        EXPECT_FALSE(d->object("Notes"));
        EXPECT_EQ(d->object("Sounds"), plist::Value(false));
        EXPECT_EQ(d->dictionary("ChangedWindows"), (Dictionary{{"812", 1}}));
        ASSERT_EQ(d->set("Launches", start), WriteStatus::stored);
        EXPECT_TRUE(d->keptAside().empty());
    }
    EXPECT_EQ(keptCopies(tmp / "com.brindlewick.FurlpaneNovan.plist"), 1u);
}

// A sound file another tool filled nearly to the limit: the program's change still reaches
// the file, and only the largest values it did not register make room for it, kept in
// the copy of the file as it was.
TEST(KeptCopies, SoundForeignValuesNearTheLimitMakeRoomForTheProgramsChanges) {
    const struct {
        Dictionary file;  // its last value fills it to 100 bytes under the limit
        const char* registered;
        std::vector<std::string> kept;
    } cases[] = {
        {Dictionary{{"Sounds", false}, {"Notes", ""}}, "", {"Sounds", "ChangedWindows"}},
        {Dictionary{{"Log", std::string(16u << 20, 'l')}, {"Archive", std::string(10u << 20, 'a')}, {"Cache", ""}},
         "Log",
         {"Log", "Cache", "ChangedWindows"}},
    };
    const Dictionary change{{"4242", std::string(200, 'w')}};
    for (const auto& c : cases) {
        Dictionary file = c.file;
        const size_t bytes = plist::toXml(file)->size();
        file.set(file.keyAt(file.size() - 1), std::string(plist::kMaxDocumentBytes - 100 - bytes, 'f'));
        const std::string original = *plist::toXml(file);
        TempFolder tmp;
        writeText(tmp / "com.brindlewick.FurlpaneNovan.plist", original);
        CapturedErrors errors;
        auto d = open(tmp.path());
        d->registerDefaults(Dictionary{{c.registered, ""}});
        ASSERT_EQ(d->set("ChangedWindows", change), WriteStatus::stored) << c.kept[0];
        ASSERT_EQ(d->keptAside().size(), 1u);
        EXPECT_TRUE(readText(d->keptAside()[0]) == original);
        EXPECT_EQ(occurrences(errors.text(), d->keptAside()[0].string()), 1u) << errors.text();
        EXPECT_EQ(open(tmp.path())->storedValues().keys(), c.kept);
    }
}

// A settings file that is a symbolic link leading to no file (a loop, into a folder that
// does not exist) is replaced by one, and the copy kept aside holds where the link led:
// never the link itself, which, leading back to the settings file, would read as the new
// file.
TEST(KeptCopies, ALinkThatLeadsToNoFileIsKeptAsItsTextNeverAsALink) {
    for (const char* leadsTo : {"com.brindlewick.FurlpaneNovan.plist", "loop", "missing/furlpane.plist"}) {
        TempFolder tmp;
        const fs::path file = tmp / "com.brindlewick.FurlpaneNovan.plist";
        fs::create_symlink(leadsTo, file);
        fs::create_symlink(file.filename(), tmp / "loop");
        CapturedErrors errors;
        auto d = open(tmp.path());
        ASSERT_EQ(d->set("Enabled", false), WriteStatus::stored) << leadsTo;
        EXPECT_EQ(open(tmp.path())->storedValues(), (Dictionary{{"Enabled", false}})) << leadsTo;
        ASSERT_EQ(d->keptAside().size(), 1u) << leadsTo;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(d->keptAside()[0]))) << leadsTo;
        EXPECT_EQ(readText(d->keptAside()[0]), std::string(leadsTo) + "\n");
        EXPECT_EQ(occurrences(errors.text(), d->keptAside()[0].string()), 1u) << errors.text();
    }
}

// A link into a folder that does not exist yet says where the file is to go: once the
// folder is there at the time of a write, the file is written through the link, whatever
// was read before, and nothing is kept aside or said.
TEST(KeptCopies, ALinkIntoAFolderThatAppearsLaterIsWrittenThrough) {
    TempFolder tmp;
    fs::create_symlink("dotfiles/furlpane.plist", tmp / "com.brindlewick.FurlpaneNovan.plist");
    CapturedErrors errors;
    auto d = open(tmp.path());
    EXPECT_EQ(d->fileState(), State::absent);
    writeText(tmp / "dotfiles" / "furlpane.plist", *plist::toXml(plist::Value(Dictionary{{"A", 1}})));
    ASSERT_EQ(d->set("B", 2), WriteStatus::stored);
    EXPECT_TRUE(fs::is_symlink(d->path()));
    EXPECT_EQ(plist::readXmlFile(tmp / "dotfiles" / "furlpane.plist").value(),
              plist::Value(Dictionary{{"A", 1}, {"B", 2}}));
    EXPECT_TRUE(d->keptAside().empty());
    EXPECT_EQ(errors.text(), "");
}

// The same bad bytes back again are kept once; other bytes get a number after the
// highest kept so far, however high that is.
TEST(KeptCopies, IdenticalBytesAreKeptOnceAndNumbersNeverRunOut) {
    TempFolder tmp;
    auto d = open(tmp.path());
    const std::string bad = "<plist><dict><key>Enabled</key><fal", worse = "<plist><dict><key>";
    writeText(d->path(), bad);
    ASSERT_EQ(d->set("A", 1), WriteStatus::stored);
    writeText(d->path(), bad);
    CapturedErrors errors;
    ASSERT_EQ(d->set("A", 2), WriteStatus::stored);
    ASSERT_EQ(d->keptAside().size(), 2u);
    EXPECT_EQ(d->keptAside()[1], d->keptAside()[0]);
    EXPECT_EQ(keptCopies(d->path()), 1u);
    EXPECT_NE(errors.text().find("kept before as " + d->keptAside()[0].string()), std::string::npos);

    writeText(tmp / "com.brindlewick.FurlpaneNovan.plist.kept-9999", "someone's");
    writeText(tmp / "com.brindlewick.FurlpaneNovan.plist.kept-old", "someone else's");
    writeText(d->path(), worse);
    ASSERT_EQ(d->set("A", 3), WriteStatus::stored);
    EXPECT_EQ(d->keptAside().back(), tmp / "com.brindlewick.FurlpaneNovan.plist.kept-10000");
    EXPECT_EQ(readText(d->keptAside().back()), worse);
    EXPECT_EQ(open(tmp.path())->integer("A"), 3);
}

// A write that fails keeps nothing aside (the file it would replace is still there) and
// says so once, however often it is tried; once it goes through, the file is kept.
TEST(KeptCopies, NothingIsKeptForAWriteThatDoesNotHappen) {
    TempFolder tmp;
    auto d = open(tmp.path());
    const std::string original = furlpane_test::latin1SettingsFile(64);
    writeText(d->path(), original);
    CapturedErrors errors;
    {
        FileSizeLimit limit(16);
        EXPECT_EQ(d->set("A", 1), WriteStatus::unwritten);
        EXPECT_EQ(d->set("B", 2), WriteStatus::unwritten);
        EXPECT_FALSE(d->synchronize());
    }
    EXPECT_EQ(keptCopies(d->path()), 0u);
    EXPECT_TRUE(d->keptAside().empty());
    EXPECT_EQ(readText(d->path()), original);
    EXPECT_EQ(occurrences(errors.text(), "cannot be written"), 1u) << errors.text();
    EXPECT_NE(errors.text().find(d->path().string()), std::string::npos);

    EXPECT_TRUE(d->synchronize());
    ASSERT_EQ(d->keptAside().size(), 1u);
    EXPECT_EQ(readText(d->keptAside()[0]), original);
    EXPECT_EQ(open(tmp.path())->storedValues().size(), 4u);
}

// A settings file kept elsewhere behind a symbolic link is written there: the link stays
// a link, the file keeps its permissions, and a bad one is kept aside beside the link.
// (A plain file keeps its permissions the same way: the link only says which file.)
TEST(KeptCopies, ALinkToTheSettingsFileStaysALink) {
    TempFolder tmp;
    const auto target = tmp / "dotfiles" / "furlpane.plist";
    writeText(target, *plist::toXml(plist::Value(Dictionary{{"A", 1}})));
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_directories(tmp / "config");
    fs::create_symlink("../dotfiles/furlpane.plist", tmp / "config" / "com.brindlewick.FurlpaneNovan.plist");
    auto d = open(tmp / "config");
    ASSERT_EQ(d->set("B", 2), WriteStatus::stored);
    EXPECT_TRUE(fs::is_symlink(d->path()));
    EXPECT_EQ(plist::readXmlFile(target).value(), plist::Value(Dictionary{{"A", 1}, {"B", 2}}));
    EXPECT_EQ(permissionsOf(target), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    const std::string bad = furlpane_test::latin1SettingsFile(64);
    writeText(target, bad);
    ASSERT_EQ(d->set("C", 3), WriteStatus::stored);
    EXPECT_TRUE(fs::is_symlink(d->path()));
    ASSERT_EQ(d->keptAside().size(), 1u);
    EXPECT_EQ(d->keptAside()[0].parent_path(), tmp / "config");
    EXPECT_EQ(readText(d->keptAside()[0]), bad);
    EXPECT_EQ(open(tmp / "config")->integer("C"), 3);

    // A link to a file yet to be made makes it where the link says.
    fs::remove(target);
    ASSERT_EQ(d->set("D", 4), WriteStatus::stored);
    EXPECT_TRUE(fs::is_symlink(d->path()));
    EXPECT_EQ(plist::readXmlFile(target).value(), plist::Value(Dictionary{{"D", 4}}));

    // Never one its owner cannot read back: the next start would take it for unreadable.
    fs::permissions(target, fs::perms::none);
    ASSERT_EQ(d->set("D", 5), WriteStatus::stored);
    EXPECT_EQ(permissionsOf(target), fs::perms::owner_read);
}

}  // namespace
}  // namespace platform
