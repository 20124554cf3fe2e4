#include "platform/services/updater.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/bundle.h"

namespace platform {
namespace {

using desktop::FaultCall;
using plist::Dictionary;
using plist::Value;

struct Delegates : UpdaterDelegate, UserDriverDelegate {
    std::set<std::string> allowedChannels(const Updater&) const override { return {"beta"}; }
    void willFinishUpdateSession() override { ++sessionsEnded; }
    int sessionsEnded = 0;
};

class UpdaterTest : public ::testing::Test {
protected:
    UpdaterTest() {
        Bundle::Description description;
        description.path = "/Applications/Furlpane Novan.app";
        description.info = {{"SUFeedURL", Value("https://updates.example.com/appcast.xml")}};
        Bundle::setMain(Bundle::describe(std::move(description)));
    }
    ~UpdaterTest() override { Bundle::setMain(nullptr); }

    // What the observers of each property heard, in order.
    void listen(Updater& updater) {
        using P = Updater::Property;
        for (P p : {P::canCheckForUpdates, P::automaticallyChecksForUpdates, P::lastUpdateCheckDate}) {
            observations.push_back(updater.observe(p, KeyValueOptions::changes, [this, p] { heard.push_back(p); }));
        }
    }

    MainLoop loop{ClockKind::simulated};
    desktop::Desktop world{loop};
    UserDefaults defaults{"com.brindlewick.FurlpaneNovan.tests"};
    Delegates delegates;
    std::vector<KeyValueObservation> observations;
    std::vector<Updater::Property> heard;
};

TEST_F(UpdaterTest, ACheckRunsForItsDurationThenDatesItselfBeforeItCanCheckAgain) {
    Updater updater(defaults, &delegates, &delegates);
    EXPECT_FALSE(updater.canCheckForUpdates());
    updater.checkForUpdates();  // not started: nothing
    EXPECT_FALSE(updater.sessionInProgress());

    ASSERT_EQ(updater.start(), std::nullopt);
    EXPECT_EQ(updater.start(), std::nullopt);
    listen(updater);
    updater.checkForUpdates();
    loop.advance(Updater::kCheckDuration / 2);
    EXPECT_FALSE(updater.canCheckForUpdates());
    loop.advance(Updater::kCheckDuration / 2);
    using P = Updater::Property;
    EXPECT_EQ(heard, (std::vector<P>{P::canCheckForUpdates, P::lastUpdateCheckDate, P::canCheckForUpdates}));
    ASSERT_TRUE(updater.lastCheck());
    EXPECT_EQ(updater.lastCheck()->outcome, Updater::Outcome::noUpdateFound);
    EXPECT_TRUE(updater.lastCheck()->userInitiated);
    EXPECT_EQ(updater.lastCheck()->channels, std::set<std::string>{"beta"});
    EXPECT_EQ(delegates.sessionsEnded, 1);
    // The date outlives the updater (as closely as a stored date keeps it).
    const auto stored = Updater(defaults, nullptr, nullptr).lastUpdateCheckDate();
    ASSERT_TRUE(stored && updater.lastUpdateCheckDate());
    EXPECT_LT(std::chrono::abs(*stored - *updater.lastUpdateCheckDate()), std::chrono::seconds(1));
}

TEST_F(UpdaterTest, AStartTheSystemRefusesLeavesTheUpdaterStopped) {
    world.faults().on(FaultCall::startUpdater).times(1).fail(9);
    Updater updater(defaults, nullptr, nullptr);
    const auto error = updater.start();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, 9);
    EXPECT_FALSE(error->localizedDescription.empty());
    EXPECT_FALSE(updater.isStarted());
    EXPECT_EQ(updater.start(), std::nullopt);  // the refusal was for once
}

TEST_F(UpdaterTest, AFeedThatCannotBeReachedOrIsNotNamedFailsTheCheckAndKeepsTheDate) {
    defaults.set(Updater::kLastCheckTimeKey, plist::Date{1000});
    world.faults().on(FaultCall::checkForUpdates).times(1).fail();
    Updater updater(defaults, nullptr, nullptr);
    updater.start();
    for (int i = 0; i < 2; ++i) {
        updater.checkForUpdates();
        loop.advance(Updater::kCheckDuration);
        EXPECT_EQ(updater.lastCheck()->outcome, Updater::Outcome::failed);
        EXPECT_EQ(updater.lastUpdateCheckDate(), plist::Date{1000}.systemTime());
        EXPECT_TRUE(updater.canCheckForUpdates());
        // The second time the feed is not named at all.
        Bundle::Description feedless;
        Bundle::setMain(Bundle::describe(std::move(feedless)));
    }
}

TEST_F(UpdaterTest, StoredStateThatIsNotADateOrIsOutOfReachReadsAsNone) {
    for (const Value& stored : {Value("yesterday"), Value(plist::Date{1e300}), Value(plist::Date{std::nan("")})}) {
        defaults.set(Updater::kLastCheckTimeKey, stored);
        EXPECT_EQ(Updater(defaults, nullptr, nullptr).lastUpdateCheckDate(), std::nullopt) << describe(stored);
    }
}

TEST_F(UpdaterTest, AutomaticChecksRunOneIntervalAfterTheLastAndStopWhenSwitchedOff) {
    Updater updater(defaults, nullptr, nullptr);
    EXPECT_FALSE(updater.automaticallyChecksForUpdates());
    updater.setAutomaticallyChecksForUpdates(true);
    EXPECT_EQ(defaults.storedObject(Updater::kAutomaticChecksKey), Value(true));
    updater.start();
    loop.advance(Updater::kScheduledCheckInterval + Updater::kCheckDuration);
    ASSERT_TRUE(updater.lastCheck());
    EXPECT_FALSE(updater.lastCheck()->userInitiated);

    updater.setAutomaticallyChecksForUpdates(false);
    const auto date = updater.lastUpdateCheckDate();
    loop.advance(3 * Updater::kScheduledCheckInterval);
    EXPECT_EQ(updater.lastUpdateCheckDate(), date);
}

}  // namespace
}  // namespace platform
