#include "app/updates/vesk_updater.h"

#include <gtest/gtest.h>

#include "platform/plist/base64.h"
#include "tests/settings/settings_test_support.h"
#include "tests/shell/shell_test_support.h"

namespace furlpane {
namespace {

using platform::Updater;
using platform::desktop::FaultCall;
using platform::plist::Dictionary;
using platform::plist::Value;
using testing::Follower;

const std::string kKey = platform::plist::base64Encoded(std::vector<uint8_t>(32, 7));
constexpr const char* kBetaKey = VESKUpdateChannelDelegate::kReceivesBetaUpdatesKey;

Dictionary info(const char* version = "1.2") {
    return {{"CFBundleShortVersionString", Value(version)},
            {"SUFeedURL", Value("https://updates.example.com/appcast.xml")},
            {"SUPublicEDKey", Value(kKey)}};
}

class VESKUpdaterTest : public ::testing::Test {
protected:
    std::shared_ptr<VESKUpdater> make(Dictionary infoDictionary = info()) {
        bundle.emplace(std::move(infoDictionary));
        return VESKUpdater::create(defaults);
    }
    Updater& framework(VESKUpdater& updater) { return updater.controller().updater(); }

    testing::ShellWorld env;
    testing::RecordingDefaults defaults;
    std::optional<testing::MainBundle> bundle;
};

TEST_F(VESKUpdaterTest, ItFollowsTheFrameworkFromCreationThroughAStartAndACheck) {
    defaults.set(Updater::kAutomaticChecksKey, true);
    defaults.set(Updater::kLastCheckTimeKey, platform::plist::Date{700000000});
    auto updater = make();
    EXPECT_TRUE(updater->checksAutomatically());
    EXPECT_FALSE(updater->canCheckForUpdates());
    EXPECT_EQ(updater->lastCheckDate(), platform::plist::Date{700000000}.systemTime());
    EXPECT_EQ(updater->configurationProblem(), std::nullopt);

    Follower canCheck([&] { updater->canCheckForUpdates(); });
    Follower date([&] { updater->lastCheckDate(); });
    updater->start();
    EXPECT_TRUE(updater->canCheckForUpdates());
    updater->checkForUpdates();
    EXPECT_FALSE(updater->canCheckForUpdates());
    env.loop.advance(Updater::kCheckDuration);
    EXPECT_TRUE(updater->canCheckForUpdates());
    EXPECT_EQ(canCheck.notices, 3);
    EXPECT_EQ(date.notices, 1);
    EXPECT_GT(updater->lastCheckDate(), platform::plist::Date{700000000}.systemTime());
}

TEST_F(VESKUpdaterTest, AFailedStartIsTheFirstProblemAndTheOnlyThingWrittenToStandardOutput) {
    env.world.faults().on(FaultCall::startUpdater).fail(4, "The updater is not allowed to run.");
    auto updater = make(Dictionary{});
    Follower problem([&] { updater->configurationProblem(); });
    ::testing::internal::CaptureStdout();
    updater->start();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "VESKUpdater: The updater is not allowed to run.\n");
    EXPECT_EQ(updater->configurationProblem(), "The updater is not allowed to run.");
    EXPECT_EQ(problem.notices, 1);
    EXPECT_FALSE(updater->canCheckForUpdates());
    updater->checkForUpdates();
    EXPECT_FALSE(framework(*updater).sessionInProgress());
}

TEST_F(VESKUpdaterTest, TheInformationDictionaryGivesTheOtherProblems) {
    const std::string shortKey = platform::plist::base64Encoded(std::vector<uint8_t>(31, 7));
    const std::pair<Dictionary, std::optional<std::string>> cases[] = {
        {Dictionary{{"SUPublicEDKey", Value(kKey)}}, VESKUpdater::kNoFeedProblem},
        {Dictionary{{"SUFeedURL", Value("not a url")}, {"SUPublicEDKey", Value(kKey)}}, VESKUpdater::kNoFeedProblem},
        {Dictionary{{"SUFeedURL", Value(3)}}, VESKUpdater::kNoFeedProblem},
        {Dictionary{{"SUFeedURL", Value("https://x.example")}}, VESKUpdater::kNoSigningKeyProblem},
        {Dictionary{{"SUFeedURL", Value("https://x.example")}, {"SUPublicEDKey", Value(32)}},
         VESKUpdater::kNoSigningKeyProblem},
        {Dictionary{{"SUFeedURL", Value("https://x.example")}, {"SUPublicEDKey", Value("not*base64")}},
         VESKUpdater::kNoSigningKeyProblem},
        {Dictionary{{"SUFeedURL", Value("https://x.example")}, {"SUPublicEDKey", Value(shortKey)}},
         VESKUpdater::kNoSigningKeyProblem},
        {Dictionary{{"SUFeedURL", Value("https://x.example")}, {"SUPublicEDKey", Value(kKey)}}, std::nullopt},
    };
    for (const auto& [infoDictionary, problem] : cases) {
        auto updater = make(infoDictionary);
        updater->start();
        EXPECT_EQ(updater->configurationProblem(), problem) << platform::plist::describe(Value(infoDictionary));
    }
}

TEST_F(VESKUpdaterTest, ABetaChoiceIsStoredInAReleaseAndAlwaysOnInAPreRelease) {
    struct Case {
        const char* version;
        std::optional<bool> stored;
        bool initially;
        bool afterSettingOff;
    };
    const Case cases[] = {
        {"1.2", std::nullopt, false, false},
        {"1.2", true, true, false},
        {"1.3b2", false, true, true},
        {"2.0rc1", std::nullopt, true, true},
        {"2.0a", std::nullopt, true, true},
    };
    for (const Case& c : cases) {
        defaults.remove(kBetaKey);
        if (c.stored) defaults.set(kBetaKey, *c.stored);
        auto updater = make(info(c.version));
        EXPECT_EQ(updater->receivesBetaUpdates(), c.initially) << c.version;
        updater->setReceivesBetaUpdates(false);
        EXPECT_EQ(updater->receivesBetaUpdates(), c.afterSettingOff) << c.version;
        // A pre-release leaves what was stored as it was.
        const std::optional<Value> stored = c.stored ? std::optional<Value>(*c.stored) : std::nullopt;
        EXPECT_EQ(defaults.storedObject(kBetaKey), c.afterSettingOff ? stored : Value(false)) << c.version;
        const auto channels = updater->channels().allowedChannels(framework(*updater));
        EXPECT_EQ(channels.count("beta"), c.afterSettingOff ? 1u : 0u) << c.version;
    }
    // In a release the choice reaches the channels at the next check.
    auto updater = make(info("1.2"));
    updater->setReceivesBetaUpdates(true);
    EXPECT_EQ(defaults.storedObject(kBetaKey), Value(true));
    updater->start();
    updater->checkForUpdates();
    env.loop.advance(Updater::kCheckDuration);
    EXPECT_EQ(framework(*updater).lastCheck()->channels, std::set<std::string>{"beta"});
}

TEST_F(VESKUpdaterTest, AutomaticChecksFollowTheFrameworkBothWays) {
    auto updater = make();
    updater->start();
    updater->setChecksAutomatically(true);
    EXPECT_TRUE(framework(*updater).automaticallyChecksForUpdates());
    EXPECT_TRUE(updater->reminder().isPrepared());

    Follower automatic([&] { updater->checksAutomatically(); });
    framework(*updater).setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(updater->checksAutomatically());
    framework(*updater).setAutomaticallyChecksForUpdates(false);  // no change, no notice
    EXPECT_EQ(automatic.notices, 1);
    EXPECT_EQ(defaults.storedObject(Updater::kAutomaticChecksKey), Value(false));
}

}  // namespace
}  // namespace furlpane
