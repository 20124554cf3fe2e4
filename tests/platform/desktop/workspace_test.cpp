#include "platform/services/workspace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/desktop/installed_applications.h"
#include "platform/graphics/png_codec.h"
#include "platform/plist/xml.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/file_system.h"
#include "temp_folder.h"

namespace platform {
namespace {

using desktop::Application;
using desktop::Desktop;
namespace names = workspace_notifications;

// The workspace notifications heard, with the application each carried.
struct Heard {
    explicit Heard(NotificationCenter& center) : center(center) {
        token = center.addObserver("", nullptr, [this](const Notification& n) {
            notes.push_back(n.name);
            const auto* app = n.info<RunningApplication>(names::kApplicationKey);
            pids.push_back(app ? app->processIdentifier() : 0);
        });
    }
    ~Heard() { center.removeObserver(token); }
    NotificationCenter& center;
    NotificationCenter::Token token;
    std::vector<std::string> notes;
    std::vector<int32_t> pids;
};

TEST(Workspace, RunningApplicationsInLaunchOrderByProcessAndByBundleIdentifier) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& a = world.application("com.example.A").window("A").add();
    Application& b = world.application(std::nullopt).named(std::nullopt).window("B").inBackground().add();
    const auto running = Workspace::shared().runningApplications();
    ASSERT_EQ(running.size(), 4u);  // the program, the Dock, A and B
    EXPECT_EQ(running[0], *RunningApplication::current());
    EXPECT_EQ(running[1].bundleIdentifier(), "com.apple.dock");
    EXPECT_EQ(running[3].processIdentifier(), b.pid());
    EXPECT_FALSE(running[3].bundleIdentifier());
    EXPECT_FALSE(running[3].localizedName());
    EXPECT_EQ(Workspace::shared().frontmostApplication()->processIdentifier(), a.pid());
    EXPECT_EQ(RunningApplication::withBundleIdentifier("com.example.A").size(), 1u);

    // The lookup by bundle identifier may come back empty while the list still has it.
    world.faults().on(desktop::FaultCall::applicationsByBundleIdentifier, "com.example.A").times(1).missing();
    EXPECT_TRUE(RunningApplication::withBundleIdentifier("com.example.A").empty());
    EXPECT_FALSE(RunningApplication::withProcessIdentifier(12345));
    EXPECT_TRUE(RunningApplication::withProcessIdentifier(a.pid())->isActive());
}

TEST(Workspace, AnApplicationShowsTheIconItWasLaunchedWithEvenAfterItQuit) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    const Image icon = *Image::filled(16, 16, Color::rgb(0.2, 0.6, 0.3), ColorSpace::sRGB());
    Application& a = world.application("com.example.A").icon(icon).window("A").add();
    Application& b = world.application("com.example.B").window("B").add();
    const auto running = *RunningApplication::withProcessIdentifier(a.pid());
    ASSERT_TRUE(running.icon());
    EXPECT_TRUE(running.icon()->hasSamePixels(icon));
    EXPECT_FALSE(RunningApplication::withProcessIdentifier(b.pid())->icon());
    a.quit();
    EXPECT_TRUE(running.icon());
}

TEST(Workspace, ApplicationChangesArePostedOnTheMainQueueWithTheApplication) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& a = world.application("com.example.A").window("A").add();
    Heard heard(Workspace::shared().notificationCenter());
    Application& b = world.application("com.example.B").window("B").launch();
    EXPECT_TRUE(heard.notes.empty());  // delivered after the change, on the main queue
    loop.runUntilIdle();
    EXPECT_EQ(heard.notes, (std::vector<std::string>{names::kDidLaunchApplication, names::kDidDeactivateApplication,
                                                     names::kDidActivateApplication}));
    EXPECT_EQ(heard.pids, (std::vector<int32_t>{b.pid(), a.pid(), b.pid()}));

    heard.notes.clear();
    heard.pids.clear();
    RunningApplication::withProcessIdentifier(b.pid())->hide();
    b.unhide();
    world.spaces().switchTo(world.spaces().add(world.displays().first()->number()));
    const auto quitting = RunningApplication::withProcessIdentifier(a.pid());
    a.quit();
    loop.runUntilIdle();
    EXPECT_EQ(heard.notes, (std::vector<std::string>{names::kDidDeactivateApplication, names::kDidActivateApplication,
                                                     names::kDidHideApplication, names::kDidUnhideApplication,
                                                     names::kActiveSpaceDidChange, names::kDidTerminateApplication}));
    EXPECT_EQ(heard.pids[4], 0);  // the Space change concerns no application
    EXPECT_EQ(heard.pids.back(), a.pid());
    EXPECT_TRUE(quitting->isTerminated());
}

TEST(Workspace, ANotificationMayComeWithoutItsApplication) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& a = world.application("com.example.A").window("A").add();
    Heard heard(Workspace::shared().notificationCenter());
    world.faults().on(desktop::FaultCall::workspaceNotification, names::kDidHideApplication).missing();
    world.faults().on(desktop::FaultCall::workspaceNotification, names::kDidUnhideApplication).wrongType();
    std::vector<bool> hadString;
    auto token = Workspace::shared().notificationCenter().addObserver(names::kDidUnhideApplication, nullptr,
                                                                      [&](const Notification& n) {
                                                                          hadString.push_back(n.info<std::string>(names::kApplicationKey));
                                                                      });
    a.hide();
    a.unhide();
    loop.runUntilIdle();
    ASSERT_EQ(heard.notes.size(), 3u);  // deactivated, hidden, unhidden
    EXPECT_EQ(heard.pids[1], 0);
    EXPECT_EQ(heard.pids[2], 0);
    EXPECT_EQ(hadString, std::vector<bool>{true});
    Workspace::shared().notificationCenter().removeObserver(token);
}

TEST(Workspace, OpenedURLsAndReduceMotionAreTheWorlds) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    const std::string pane = "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";
    EXPECT_TRUE(Workspace::shared().openURL(pane));
    EXPECT_FALSE(Workspace::shared().openURL(""));
    EXPECT_EQ(world.openedURLs(), std::vector<std::string>{pane});
    EXPECT_FALSE(Workspace::shared().accessibilityDisplayShouldReduceMotion());
    world.setReduceMotion(true);
    EXPECT_TRUE(Workspace::shared().accessibilityDisplayShouldReduceMotion());
}

TEST(Workspace, FindsAnApplicationOnlyWhereItIsInstalled) {
    MainLoop loop(ClockKind::simulated);
    {
        Desktop world(loop);
        world.application("com.example.Running").add();
        auto& installed = desktop::InstalledApplications::of(world);
        installed.install("com.example.Editor", "/Applications/Editor.app");
        installed.install("", "/Applications/Nothing.app");
        EXPECT_EQ(Workspace::shared().urlForApplication("com.example.Editor"),
                  std::optional<std::filesystem::path>("/Applications/Editor.app"));
        // Running is not being installed; an empty identifier names nothing.
        EXPECT_EQ(Workspace::shared().urlForApplication("com.example.Running"), std::nullopt);
        EXPECT_EQ(Workspace::shared().urlForApplication(""), std::nullopt);
        installed.install("com.example.Editor", "/Applications/Utilities/Editor.app");
        EXPECT_EQ(Workspace::shared().urlForApplication("com.example.Editor"),
                  std::optional<std::filesystem::path>("/Applications/Utilities/Editor.app"));
        installed.uninstall("com.example.Editor");
        EXPECT_EQ(Workspace::shared().urlForApplication("com.example.Editor"), std::nullopt);
    }
    EXPECT_EQ(Workspace::shared().urlForApplication("com.example.Editor"), std::nullopt);
}

// A bundle whose information dictionary holds one string, or nothing.
void writeInfo(const std::filesystem::path& bundle, const std::string& key = {}, const std::string& value = {}) {
    plist::Dictionary info;
    if (!key.empty()) info.set(key, value);
    furlpane_test::writeText(bundle / "Contents/Info.plist", *plist::toXml(plist::Value(info)));
}

void writeIcon(const std::filesystem::path& bundle, const std::string& file, int side, const Color& color) {
    std::filesystem::create_directories(bundle / "Contents/Resources");
    ASSERT_TRUE(writePNG(*Image::filled(side, side, color, ColorSpace::sRGB()), bundle / "Contents/Resources" / file));
}

struct IconCase {
    const char* name;
    std::filesystem::path file;
    // The middle pixel's red and blue.
    int red;
    int blue;
};

TEST(Workspace, AFilesIconIsItsBundlesOwnElseTheGenericIconOfItsKind) {
    furlpane_test::TempFolder folder;
    const Color red = Color::rgb(1, 0, 0);
    writeInfo(folder / "Own.app", "CFBundleIconFile", "AppIcon");
    writeIcon(folder / "Own.app", "AppIcon.png", 128, red);
    writeInfo(folder / "Named.APP", "CFBundleIconFile", "Icon.png");
    writeIcon(folder / "Named.APP", "Icon.png", 16, red);
    writeInfo(folder / "Huge.app", "CFBundleIconFile", "AppIcon");
    writeIcon(folder / "Huge.app", "AppIcon.png", 2048, red);
    writeInfo(folder / "Escaping.app", "CFBundleIconFile", "../../Own.app/Contents/Resources/AppIcon");
    writeInfo(folder / "Broken.app", "CFBundleIconFile", "AppIcon");
    furlpane_test::writeText(folder / "Broken.app/Contents/Resources/AppIcon.png", "not a picture");
    writeInfo(folder / "Plain.app");
    std::filesystem::create_directories(folder / "Folder");
    furlpane_test::writeText(folder / "notes.txt", "text");
    const Image generic = Workspace::shared().iconForFile(folder / "Plain.app");
    const IconCase cases[] = {
        {"the bundle's own icon", folder / "Own.app", 255, 0},
        {"named with its extension", folder / "Named.APP", 255, 0},
        {"too large to read", folder / "Huge.app", generic.pixel(32, 32).r, generic.pixel(32, 32).b},
        {"a name leaving the bundle", folder / "Escaping.app", generic.pixel(32, 32).r, generic.pixel(32, 32).b},
        {"not a picture", folder / "Broken.app", generic.pixel(32, 32).r, generic.pixel(32, 32).b},
    };
    for (const IconCase& c : cases) {
        const Image icon = Workspace::shared().iconForFile(c.file);
        EXPECT_EQ(icon.width(), Workspace::kIconPixels) << c.name;
        EXPECT_EQ(icon.height(), Workspace::kIconPixels) << c.name;
        EXPECT_EQ(icon.pixel(32, 32).r, c.red) << c.name;
        EXPECT_EQ(icon.pixel(32, 32).b, c.blue) << c.name;
    }
    // Folders, documents and missing files get generic icons of their own kind.
    const Image folderIcon = Workspace::shared().iconForFile(folder / "Folder");
    const Image document = Workspace::shared().iconForFile(folder / "notes.txt");
    EXPECT_FALSE(folderIcon.hasSamePixels(generic));
    EXPECT_FALSE(document.hasSamePixels(folderIcon));
    EXPECT_TRUE(Workspace::shared().iconForFile(folder / "missing").hasSamePixels(document));
}

struct DisplayNameCase {
    std::filesystem::path path;
    const char* shown;
};

TEST(Workspace, TheFindersDisplayNameOfAFile) {
    furlpane_test::TempFolder folder;
    writeInfo(folder / "Localized.app", "CFBundleDisplayName", "Éditeur");
    writeInfo(folder / "Blank.app", "CFBundleDisplayName", "");
    writeInfo(folder / "Plain.App");
    const DisplayNameCase cases[] = {
        {folder / "Localized.app", "Éditeur"},  {folder / "Localized.app/", "Éditeur"},
        {folder / "Blank.app", "Blank.app"},    {folder / "Plain.App", "Plain.App"},
        {folder / "missing.txt", "missing.txt"}, {"/", "/"},
        {"relative/Thing.bundle//", "Thing.bundle"},
    };
    const FileManager& files = FileManager::defaultManager();
    for (const DisplayNameCase& c : cases) EXPECT_EQ(files.displayNameAtPath(c.path), c.shown) << c.path;
}

}  // namespace
}  // namespace platform
