#include "app/dock/dock_genie.h"

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <string>

#include "settings/model/preferences.h"
#include "tests/settings/settings_test_support.h"
#include "tests/shell/shell_test_support.h"

namespace furlpane {
namespace {

using platform::plist::Dictionary;
using platform::plist::Value;
using testing::makePreferences;
using testing::RecordingDefaults;
using testing::ShellWorld;

constexpr const char* kDomain = DockGenie::kDockDomain;

class DockGenieTest : public ::testing::Test {
protected:
    std::optional<Value> current(const std::string& key) { return prefs().copyValue(key, kDomain); }
    platform::ForeignPreferences& prefs() { return env.world.preferences(); }
    int32_t dockPid() { return env.world.dock().application()->pid(); }
    // The Dock's settings as it sees them, and how often it was told to restart.
    Dictionary published() { return prefs().domainValues(kDomain); }
    int restarts() { return int(env.world.sentSignals().size()); }

    void switchOn(Preferences& settings) { DockGenie::applyDockSettings(settings, kDomain, DockGenie::restartDock); }
    void switchOff(Preferences& settings) {
        DockGenie::putBackDockSettings(settings, kDomain, DockGenie::restartDock);
    }

    ShellWorld env;
    RecordingDefaults defaults;
    std::shared_ptr<Preferences> settings = makePreferences(defaults);
};

TEST_F(DockGenieTest, SwitchingOnSavesWhatTheDockHadWritesTheWantedValuesAndRestartsItOnce) {
    prefs().setOwnerValue("mineffect", Value("scale"), kDomain);
    const int32_t before = dockPid();
    switchOn(*settings);

    EXPECT_EQ(settings->dockSettingsToPutBack(), Dictionary({{"mineffect", Value("scale")}}));
    EXPECT_EQ(published(), DockGenie::wantedDockSettings());
    ASSERT_EQ(restarts(), 1);
    EXPECT_EQ(env.world.sentSignals()[0], (platform::desktop::Desktop::SentSignal{before, SIGTERM}));
    // The Dock came back as a new process that read its preferences anew.
    EXPECT_NE(dockPid(), before);
    EXPECT_EQ(env.world.dock().genieSpeed(), 0);
    EXPECT_EQ(env.world.dock().minimizeEffect(), "genie");
    EXPECT_TRUE(env.world.dock().minimizesToApplication());

    // Switching on again changes nothing.
    prefs().setOwnerValue("genie-speed", Value(2.0), kDomain);
    switchOn(*settings);
    EXPECT_EQ(restarts(), 1);
    EXPECT_EQ(*current("genie-speed"), Value(2.0));
}

TEST_F(DockGenieTest, PuttingBackAfterARelaunchLeavesTheKeyTheUserChangedAndRemovesThoseThatWereAbsent) {
    prefs().setOwnerValue("mineffect", Value("scale"), kDomain);
    switchOn(*settings);
    prefs().setOwnerValue("minimize-to-application", Value(false), kDomain);  // the user, meanwhile

    // The saved values outlive the program: a later run puts them back.
    auto relaunched = makePreferences(defaults);
    switchOff(*relaunched);
    EXPECT_EQ(published(), Dictionary({{"mineffect", Value("scale")}, {"minimize-to-application", Value(false)}}));
    EXPECT_EQ(restarts(), 2);
    EXPECT_EQ(relaunched->dockSettingsToPutBack(), std::nullopt);
    EXPECT_FALSE(defaults.storedObject("DockSettingsToPutBack"));

    switchOff(*relaunched);  // nothing kept: nothing happens
    EXPECT_EQ(restarts(), 2);
}

TEST_F(DockGenieTest, WithNoneOfTheKeysSetAnEmptyRecordIsKeptAndPuttingBackRemovesAllThree) {
    switchOn(*settings);
    EXPECT_EQ(settings->dockSettingsToPutBack(), Dictionary{});
    EXPECT_EQ(published().size(), 3u);
    switchOff(*settings);
    EXPECT_TRUE(published().empty());
    EXPECT_EQ(restarts(), 2);
}

TEST_F(DockGenieTest, ValuesAlreadyWantedAreNotWrittenAndTheDockNotRestartedThoughTheSpeedReadsBackAsAnInteger) {
    prefs().setOwnerValue("mineffect", Value("genie"), kDomain);
    prefs().setOwnerValue("minimize-to-application", Value(true), kDomain);
    prefs().setOwnerValue("genie-speed", Value(0), kDomain);
    switchOn(*settings);
    EXPECT_EQ(settings->dockSettingsToPutBack()->size(), 3u);
    EXPECT_EQ(prefs().synchronizeCount(kDomain), 0);
    switchOff(*settings);
    EXPECT_EQ(prefs().synchronizeCount(kDomain), 0);
    EXPECT_EQ(restarts(), 0);
    EXPECT_EQ(*current("genie-speed"), Value(0));
    EXPECT_EQ(settings->dockSettingsToPutBack(), std::nullopt);
}

TEST_F(DockGenieTest, AFailedSynchronizeRestartsNothingAndTheChangesReachTheDockWithTheNextOne) {
    prefs().setOwnerValue("mineffect", Value("scale"), kDomain);
    prefs().failNextSynchronize(kDomain);
    switchOn(*settings);
    EXPECT_TRUE(settings->dockSettingsToPutBack());
    EXPECT_EQ(restarts(), 0);
    EXPECT_EQ(published(), Dictionary({{"mineffect", Value("scale")}}));
    EXPECT_EQ(*current("mineffect"), Value("genie"));  // waiting in the program's view

    int completions = 0;
    DockGenie::writeDockSettings({{"genie-speed", Value(0.5)}}, kDomain, [&] { ++completions; });
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(*published().find("mineffect"), Value("genie"));
    EXPECT_EQ(*published().find("genie-speed"), Value(0.5));
}

TEST_F(DockGenieTest, RestartingWithoutARunningDockSignalsNothing) {
    env.world.dock().application()->quit();
    DockGenie::restartDock();
    EXPECT_EQ(restarts(), 0);
}

}  // namespace
}  // namespace furlpane
