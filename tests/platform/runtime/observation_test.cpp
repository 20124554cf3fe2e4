#include "platform/runtime/observation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {
namespace {

struct Settings {
    ObservationRegistrar registrar;
    Observed<bool> enabled{registrar, true};
    Observed<double> opacity{registrar, 0.5};
    Observed<std::string> name{registrar, "a"};
};

TEST(Observation, FiresOnceBeforeTheFirstRealChange) {
    Settings s;
    std::vector<std::string> log;
    withObservationTracking([&] { (void)s.enabled.get(); },
                            [&] { log.push_back("changing from " + std::to_string(s.enabled.peek())); });
    EXPECT_FALSE(s.enabled.set(true));  // equal: no notice
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(s.enabled.set(false));
    EXPECT_EQ(log, (std::vector<std::string>{"changing from 1"}));  // told before the change
    s.enabled.set(true);  // not re-armed: no second notice
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(s.registrar.observerCount(s.enabled.key()), 0u);
    // NaN is never equal to itself, so setting it always counts as a change.
    s.opacity.setSilently(std::nan(""));
    withObservationTracking([&] { (void)s.opacity.get(); }, [&] { log.push_back("nan"); });
    EXPECT_TRUE(s.opacity.set(std::nan("")));
    EXPECT_EQ(log, (std::vector<std::string>{"changing from 1", "nan"}));
}

TEST(Observation, OnlyPropertiesReadAreTrackedAndOneNoticeCoversAll) {
    Settings s;
    int notices = 0;
    withObservationTracking([&] {
        (void)s.enabled.get();
        (void)s.name.get();
    }, [&] { ++notices; });
    s.opacity.set(0.9);
    EXPECT_EQ(notices, 0);
    s.name.set("b");
    s.enabled.set(false);
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(s.registrar.observerCount(s.enabled.key()), 0u);  // the whole tracking ended
}

TEST(Observation, ReArmingFromTheHandlerFollowsEveryChange) {
    Settings s;
    std::vector<bool> seen;
    std::function<void()> arm = [&] {
        withObservationTracking([&] { (void)s.enabled.get(); }, [&] {
            // The handler runs before the change; a follower re-arms and reads later.
            seen.push_back(!s.enabled.peek());
            arm();
        });
    };
    arm();
    s.enabled.set(false);
    s.enabled.set(false);
    s.enabled.set(true);
    EXPECT_EQ(seen, (std::vector<bool>{false, true}));
}

TEST(Observation, NestedTrackingReportsToBoth) {
    Settings s;
    int outer = 0, inner = 0;
    withObservationTracking([&] {
        (void)s.enabled.get();
        withObservationTracking([&] { (void)s.name.get(); }, [&] { ++inner; });
    }, [&] { ++outer; });
    s.name.set("z");
    EXPECT_EQ(inner, 1);
    EXPECT_EQ(outer, 1);
}

TEST(Observation, ObjectGoingAwayLeavesNoDanglingTracking) {
    int notices = 0;
    auto s = std::make_unique<Settings>();
    Settings other;
    withObservationTracking([&] {
        (void)s->enabled.get();
        (void)other.enabled.get();
    }, [&] { ++notices; });
    s.reset();
    other.enabled.set(false);
    EXPECT_EQ(notices, 1);
}


TEST(Observation, ACancelledTrackingHearsNothingAndLetsGoOfWhatItHeld) {
    Settings s;
    int notices = 0;
    auto held = std::make_shared<int>(0);
    ObservationTracking tracking = withObservationTracking([&] {
        (void)s.enabled.get();
        (void)s.name.get();
    }, [&notices, held] { ++notices; });
    EXPECT_TRUE(tracking.isArmed());
    EXPECT_EQ(held.use_count(), 2);
    tracking.cancel();
    EXPECT_FALSE(tracking.isArmed());
    EXPECT_EQ(held.use_count(), 1);  // at once, not at the next change
    EXPECT_EQ(s.registrar.observerCount(s.enabled.key()), 0u);
    EXPECT_EQ(s.registrar.observerCount(s.name.key()), 0u);
    s.enabled.set(false);
    s.name.set("b");
    EXPECT_EQ(notices, 0);
    tracking.cancel();  // twice: nothing
}

TEST(Observation, CancellingOneTrackingLeavesTheOthersAndAFiredOneIsDone) {
    Settings s;
    int first = 0, second = 0;
    ObservationTracking one = withObservationTracking([&] { (void)s.enabled.get(); }, [&] { ++first; });
    ObservationTracking two = withObservationTracking([&] { (void)s.enabled.get(); }, [&] { ++second; });
    one.cancel();
    EXPECT_EQ(s.registrar.observerCount(s.enabled.key()), 1u);
    s.enabled.set(false);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    EXPECT_FALSE(two.isArmed());
    two.cancel();  // fired already: nothing
    // Reading nothing arms nothing.
    EXPECT_FALSE(withObservationTracking([] {}, [&] { ++first; }).isArmed());
}

TEST(Observation, AReaderThatRearmsAndCancelsLeavesOneTrackingHoweverOftenItReads) {
    Settings s;
    ObservationTracking tracking;
    // A view tree built again and again for other reasons than a change of what it read.
    for (int i = 0; i < 100; ++i) {
        tracking.cancel();
        tracking = withObservationTracking([&] { (void)s.opacity.get(); }, [] {});
    }
    EXPECT_EQ(s.registrar.observerCount(s.opacity.key()), 1u);
    tracking.cancel();
    EXPECT_EQ(s.registrar.observerCount(s.opacity.key()), 0u);
}

}  // namespace
}  // namespace platform
