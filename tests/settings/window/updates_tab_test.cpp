#include <gtest/gtest.h>

#include "platform/desktop/desktop.h"
#include "platform/plist/base64.h"
#include "platform/services/updater.h"
#include "tab_test_support.h"

namespace furlpane {
namespace {

using platform::desktop::FaultCall;
using platform::plist::Dictionary;
using platform::plist::Value;
using platform::ui::ControlKind;

constexpr const char* kCheck = "Check for Updates…";
constexpr const char* kBeta = "Include beta releases";
constexpr const char* kReleaseNote =
    "Beta releases get new features first and may have more bugs. You’ll still be offered every regular release.";
constexpr const char* kBetaNote =
    "You’re running a beta, so beta releases are always included. To stop getting them, install a regular release.";

Dictionary configured() {
    return {{"SUFeedURL", Value("https://updates.example.com/appcast.xml")},
            {"SUPublicEDKey", Value(platform::plist::base64Encoded(std::vector<uint8_t>(32, 7)))}};
}

class UpdatesTabTest : public testing::SettingsTabTest {
protected:
    platform::ui::Control button() { return control(ControlKind::button, kCheck); }
    // The rows between the button and the divider: the status line, if any.
    std::string statusRows() {
        const std::string outline = scene.host()->outline();
        const size_t from = outline.find('\n', outline.find(kCheck)) + 1;
        return outline.substr(from, outline.find("Divider", from) - from);
    }
};

TEST_F(UpdatesTabTest, ACheckRunsFromTheButtonAndTheLastCheckShowsWhenItEnds) {
    withVersion("1.4", configured());
    updater->start();
    openTab("Updates");
    EXPECT_EQ(statusRows(), "      ");  // never checked: no status line, the divider follows
    clickOn(button());
    EXPECT_FALSE(button().isEnabled());
    loop.advance(platform::Updater::kCheckDuration);
    settle();
    EXPECT_TRUE(button().isEnabled());
    EXPECT_EQ(statusRows().find("Text \"Last checked "), 6u) << statusRows();
    EXPECT_NE(statusRows().find("caption secondary"), std::string::npos);

    clickOn(toggle("Automatically check for updates"));
    EXPECT_TRUE(updater->controller().updater().automaticallyChecksForUpdates());
    EXPECT_TRUE(updater->reminder().isPrepared());
    writePicture("updates-tab");
}

TEST_F(UpdatesTabTest, AConfigurationProblemTakesThePlaceOfTheLastCheckInOrangeOnThreeLinesAtMost) {
    storedEarlier({{platform::Updater::kLastCheckTimeKey, Value(platform::plist::Date{700000000})}});
    world.faults().on(FaultCall::startUpdater).fail(4, std::string(400, 'x'));
    withVersion("1.4", configured());
    updater->start();
    openTab("Updates");
    EXPECT_EQ(statusRows(), "      Text \"" + std::string(400, 'x') + "\" caption orange lines=3\n      ");
    EXPECT_FALSE(button().isEnabled());
}

TEST_F(UpdatesTabTest, ThePreReleasesAlwaysTakeBetaReleases) {
    struct Case {
        const char* version;
        bool preRelease;
    };
    const Case cases[] = {{"1.4", false}, {"1.4b2", true}, {"2.0RC1", true}, {"1.0a", true}, {"Beta", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        withVersion(c.version);
        openTab("Updates");
        EXPECT_EQ(toggle(kBeta).value(), c.preRelease ? "on" : "off");
        EXPECT_EQ(toggle(kBeta).isEnabled(), !c.preRelease);
        EXPECT_TRUE(scene.host()->find(ControlKind::text, c.preRelease ? kBetaNote : kReleaseNote));
        scene.host()->window()->close();
        settle();
    }
    // In a release the choice is stored for the next check.
    withVersion("1.4");
    openTab("Updates");
    clickOn(toggle(kBeta));
    EXPECT_EQ(stored("VESKReceivesBetaUpdates"), Value(true));
}

}  // namespace
}  // namespace furlpane
