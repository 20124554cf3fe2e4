#include "platform/notifications/notification_center.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/runtime/main_loop.h"

namespace platform {
namespace {

TEST(NotificationCenter, DeliversToMatchingObserversInTheOrderTheyWereAdded) {
    NotificationCenter center;
    int window = 0;
    std::vector<std::string> got;
    center.addObserver(notifications::kWindowDidResignKey, &window, [&](const Notification&) { got.push_back("mine"); });
    center.addObserver(notifications::kWindowDidResignKey, nullptr, [&](const Notification&) { got.push_back("any window"); });
    center.addObserver("", nullptr, [&](const Notification& n) { got.push_back("all:" + n.name); });

    int otherWindow = 0;
    center.post(notifications::kWindowDidResignKey, &otherWindow);
    center.post(notifications::kWindowDidResignKey, &window);
    center.post(notifications::kCalendarDayChanged);
    EXPECT_EQ(got, (std::vector<std::string>{"any window", "all:NSWindowDidResignKeyNotification", "mine",
                                             "any window", "all:NSWindowDidResignKeyNotification",
                                             "all:NSCalendarDayChangedNotification"}));
}

TEST(NotificationCenter, ObserversChangedDuringADeliveryFollowTheRules) {
    NotificationCenter center;
    std::vector<std::string> got;
    NotificationCenter::Token second;
    center.addObserver("N", nullptr, [&](const Notification&) {
        got.push_back("first");
        center.removeObserver(second);
        center.addObserver("N", nullptr, [&](const Notification&) { got.push_back("late"); });
    });
    second = center.addObserver("N", nullptr, [&](const Notification&) { got.push_back("second"); });
    center.post("N");
    EXPECT_EQ(got, (std::vector<std::string>{"first"}));
    EXPECT_EQ(center.observerCount(), 2u);
}

TEST(NotificationCenter, ANotificationPostedFromAHandlerIsDeliveredWholeFirst) {
    NotificationCenter center;
    std::vector<std::string> got;
    center.addObserver("", nullptr, [&](const Notification& n) {
        got.push_back("a:" + n.name);
        if (n.name == "outer") center.post("inner");
    });
    center.addObserver("", nullptr, [&](const Notification& n) { got.push_back("b:" + n.name); });
    center.post("outer");
    EXPECT_EQ(got, (std::vector<std::string>{"a:outer", "a:inner", "b:inner", "b:outer"}));
}

TEST(NotificationCenter, PostsFromOtherThreadsArriveOnTheMainLoopInOrder) {
    MainLoop loop(ClockKind::simulated);
    NotificationCenter center;
    std::vector<int> got;
    center.addObserver("Tick", nullptr, [&](const Notification& n) {
        EXPECT_TRUE(loop.isMainThread());
        got.push_back(*n.info<int>("n"));
    });
    std::thread poster([&] {
        for (int i = 0; i < 5; ++i) center.post(Notification{"Tick", nullptr, {{"n", i}}});
    });
    poster.join();
    EXPECT_TRUE(got.empty());
    loop.runUntilIdle();
    EXPECT_EQ(got, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(NotificationCenter, ADeliveryQueuedForACentreThatIsGoneIsDropped) {
    MainLoop loop(ClockKind::simulated);
    bool delivered = false;
    {
        NotificationCenter center;
        center.addObserver("N", nullptr, [&](const Notification&) { delivered = true; });
        std::thread([&] { center.post("N"); }).join();
    }
    loop.runUntilIdle();
    EXPECT_FALSE(delivered);
}

}  // namespace
}  // namespace platform
