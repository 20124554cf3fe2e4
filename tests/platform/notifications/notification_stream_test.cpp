#include "platform/notifications/notification_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

TEST(NotificationStream, KeepsWhatArrivesBetweenWaitsAndHandsItOutInOrder) {
    MainLoop loop(ClockKind::simulated);
    NotificationCenter center;
    std::vector<std::string> seen;
    int sender = 0;
    spawnMain([&]() -> Task<void> {
        NotificationStream stream(center, "tick", &sender);
        for (int i = 0; i < 3; ++i) {
            auto n = co_await stream.next();
            seen.push_back(n ? *n->info<std::string>("n") : "nothing");
        }
    });
    loop.runUntilIdle();  // the task now waits
    center.post(Notification{"tick", &sender, {{"n", std::string("1")}}});
    center.post(Notification{"tick", nullptr, {{"n", std::string("other object")}}});
    center.post(Notification{"tock", &sender, {{"n", std::string("other name")}}});
    center.post(Notification{"tick", &sender, {{"n", std::string("2")}}});
    EXPECT_TRUE(seen.empty()) << "a wait resumes on a later turn, never inside the post";
    loop.runUntilIdle();
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2"}));
    center.post(Notification{"tick", &sender, {{"n", std::string("3")}}});
    loop.runUntilIdle();
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(center.observerCount(), 0u) << "the stream ended with its task";
}

TEST(NotificationStream, CancellationEndsTheWaitWithNothing) {
    MainLoop loop(ClockKind::simulated);
    NotificationCenter center;
    std::vector<std::string> log;
    auto handle = spawnMain([&]() -> Task<void> {
        NotificationStream stream(center, "tick");
        auto first = co_await stream.next();
        log.push_back(first ? "got" : "cancelled");
        auto second = co_await stream.next();  // already cancelled: at once
        log.push_back(second ? "got" : "still cancelled");
    });
    loop.runUntilIdle();
    handle.cancel();
    center.post("tick");  // too late: cancellation was first
    loop.runUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string>{"cancelled", "still cancelled"}));
    EXPECT_TRUE(handle.isFinished());
}

TEST(NotificationStream, ALoopThatGoesAwayTakesTheWaitingTaskWithIt) {
    NotificationCenter center;
    TaskHandle handle;
    {
        MainLoop loop(ClockKind::simulated);
        handle = spawnMain([&center]() -> Task<void> {
            NotificationStream stream(center, "tick");
            auto n = co_await stream.next();
            (void)n;
        });
        loop.runUntilIdle();
        EXPECT_EQ(center.observerCount(), 1u);
    }
    EXPECT_EQ(center.observerCount(), 0u);
    handle.cancel();  // nothing left to wake; must not touch the gone loop
    center.post("tick");
}

TEST(NotificationStream, AWaitingStreamMayOutliveItsCentre) {
    MainLoop loop(ClockKind::simulated);
    auto center = std::make_unique<NotificationCenter>();
    bool ended = false;
    auto handle = spawnMain([&center, &ended]() -> Task<void> {
        NotificationStream stream(*center, "tick");
        auto n = co_await stream.next();
        ended = !n;
    });
    loop.runUntilIdle();
    // The centre goes first (a world torn down while a view's task still waits), then
    // the task ends: the stream must not reach back into the gone centre.
    center.reset();
    handle.cancel();
    loop.runUntilIdle();
    EXPECT_TRUE(ended);
    EXPECT_TRUE(handle.isFinished());
}

}  // namespace
}  // namespace platform
