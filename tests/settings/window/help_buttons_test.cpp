#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/services/url.h"
#include "platform/services/volume.h"
#include "platform/ui/views.h"
#include "settings/window/bug_report.h"
#include "settings/window/read_me.h"
#include "settings/window/round_buttons.h"
#include "tab_test_support.h"

namespace furlpane {
namespace {

namespace fs = std::filesystem;
using platform::ui::ControlKind;

uint32_t mode(const fs::path& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

class HelpButtonsTest : public testing::SettingsTabTest {
protected:
    std::vector<platform::ui::Control> corner() { return scene.host()->findAll(ControlKind::appKitView); }
    void pressHelp() { clickOn(control(ControlKind::appKitView, "Help")); }
    std::string lastOpened() { return world.openedURLs().empty() ? "" : world.openedURLs().back(); }
    // The copies live under the test's own temporary folder.
    fs::path copiesFolder() { return folder / "tmp" / "TemporaryItems"; }
};

TEST_F(HelpButtonsTest, OnlyAPreReleaseShowsTheLadybugAndItStandsBeforeTheHelpButton) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {{"2.1", {"Help"}}, {"2.1b1", {"Report a bug", "Help"}}};
    for (const auto& [version, buttons] : cases) {
        withVersion(version);
        openTab("General");
        std::vector<std::string> shown;
        for (const auto& b : corner()) shown.push_back(b.label());
        EXPECT_EQ(shown, buttons) << version;
        EXPECT_EQ(control(ControlKind::appKitView, "Help").help(), ReadMeButton::kToolTip);
        scene.host()->window()->close();
        settle();
    }
}

TEST_F(HelpButtonsTest, ABundleWithoutTheReadMeShowsNoHelpButton) {
    withVersion("2.1b1", {}, false);
    openTab("General");
    ASSERT_EQ(corner().size(), 1u);
    EXPECT_EQ(corner()[0].label(), "Report a bug");
}

TEST_F(HelpButtonsTest, TheLadybugIsASquareAsWideAsTheHelpButtonAndOpensThePage) {
    withVersion("2.1b1");
    openTab("General");
    const platform::Rect bug = control(ControlKind::appKitView, "Report a bug").frame();
    const platform::Rect help = control(ControlKind::appKitView, "Help").frame();
    EXPECT_EQ(bug.size, (platform::Size{help.width(), help.width()}));
    EXPECT_EQ(help.minX() - bug.maxX(), 8);
    EXPECT_EQ(control(ControlKind::appKitView, "Report a bug").help(), BugReportButton::kToolTip);
    clickOn(control(ControlKind::appKitView, "Report a bug"));
    EXPECT_EQ(lastOpened(), BugReportButton::kPageAddress);
    writePicture("general-tab-pre-release");
}

TEST_F(HelpButtonsTest, TheReadMeIsCopiedOnceWriteProtectedAndCopiedAgainWhenDeleted) {
    openTab("General");
    pressHelp();
    const fs::path copy = fs::path(lastOpened().substr(std::string("file://").size()));
    ASSERT_TRUE(lastOpened().starts_with(platform::fileURL(copiesFolder())));
    EXPECT_EQ(copy.filename(), "Furlpane%20Novan%20Read%20Me.rtfd");
    const fs::path package = *ReadMeButton::prepareReadMeCopy();
    EXPECT_EQ(platform::fileURL(package), lastOpened());
    EXPECT_EQ(mode(package), mode(FURLPANE_READ_ME) & ~0222u);
    EXPECT_EQ(mode(package / "TXT.rtf"), mode(fs::path(FURLPANE_READ_ME) / "TXT.rtf") & ~0222u);

    pressHelp();
    EXPECT_EQ(platform::fileURL(package), lastOpened());
    EXPECT_EQ(std::distance(fs::directory_iterator(copiesFolder()), fs::directory_iterator()), 1);

    fs::permissions(package, fs::perms::owner_all);
    fs::remove_all(package);
    pressHelp();
    EXPECT_NE(platform::fileURL(package), lastOpened());
    EXPECT_EQ(std::distance(fs::directory_iterator(copiesFolder()), fs::directory_iterator()), 2);
}

TEST_F(HelpButtonsTest, RemovingWritePermissionsKeepsEveryOtherBit) {
    const fs::path top = folder / "Doc.rtfd";
    furlpane_test::writeText(top / "TXT.rtf", "{\\rtf1}");
    furlpane_test::writeText(top / "Pictures" / "one.png", "");
    const std::pair<fs::path, uint32_t> items[] = {{top, 0755}, {top / "TXT.rtf", 0644},
                                                   {top / "Pictures", 0775}, {top / "Pictures" / "one.png", 04666}};
    for (const auto& [path, bits] : items) ::chmod(path.c_str(), bits);
    ReadMeButton::removeWritePermissions(top, platform::FileManager::defaultManager());
    for (const auto& [path, bits] : items) EXPECT_EQ(mode(path), bits & ~0222u) << path;
    ReadMeButton::removeWritePermissions(folder / "missing", platform::FileManager::defaultManager());
    for (const auto& [path, bits] : items) ::chmod(path.c_str(), 0755);
}

TEST_F(HelpButtonsTest, OnAReadOnlyVolumeTheBundlesOwnReadMeOpensAndNothingIsCopied) {
    platform::setMountTable("22 1 254:1 / / rw - ext4 /dev/vda1 rw\n41 22 7:3 / " +
                            fs::path(FURLPANE_READ_ME).parent_path().string() + " ro - squashfs /dev/loop3 ro\n");
    openTab("General");
    pressHelp();
    platform::setMountTable(std::nullopt);
    EXPECT_EQ(lastOpened(), platform::fileURL(FURLPANE_READ_ME));
    EXPECT_FALSE(fs::exists(copiesFolder()));
}

TEST_F(HelpButtonsTest, ACopyThatCannotBeMadeOpensTheBundlesReadMe) {
    platform::FileManager::setDefault(std::make_unique<platform::FileManager>("/proc/no-such-folder"));
    openTab("General");
    pressHelp();
    EXPECT_EQ(lastOpened(), platform::fileURL(FURLPANE_READ_ME));
}

TEST_F(HelpButtonsTest, AnUnknownSymbolGivesARoundButtonWithoutImageOfTheSameSize) {
    platform::ui::WindowScene buttons("Buttons", [] {
        return platform::ui::HStack({RoundImageButton{"no.such.symbol", "Nothing", [] {}},
                                     RoundImageButton{"ladybug", "Bug", [] {}}});
    });
    buttons.open();
    settle();
    const auto shown = buttons.host()->findAll(ControlKind::appKitView);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].frame().size, shown[1].frame().size);
    EXPECT_EQ(shown[0].frame().width(), RoundImageButton::standardSide());
}

TEST(ShippedReadMe, IsARichTextPackage) {
    std::ifstream text(fs::path(FURLPANE_READ_ME) / "TXT.rtf");
    std::string start(6, '\0');
    text.read(start.data(), 6);
    EXPECT_EQ(start, "{\\rtf1");
}

}  // namespace
}  // namespace furlpane
