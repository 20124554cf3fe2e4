#include "platform/notifications/distributed_notification_center.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/runtime/main_loop.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using plist::Dictionary;

const std::string kChanged = "com.brindlewick.FurlpaneNovan.window-state-changed";

Dictionary stateChange(int windowID) {
    Dictionary first{{"WindowID", windowID}, {"OldState", 0}, {"NewState", 1}, {"IsCollapsed", true},
                     {"ProcessID", 812}};
    for (const auto& [k, v] : std::initializer_list<std::pair<std::string, plist::Value>>{
             {"WasInDock", false}, {"IsInDock", false}, {"SoundIsDue", true}, {"SoundWasPlayed", true}}) {
        first.set(k, v);
    }
    return first;
}

TEST(DistributedNotificationCenter, RecordsEveryPostAndDeliversOnLaterTurnsInOrder) {
    MainLoop loop(ClockKind::simulated);
    DistributedNotificationCenter center;
    std::vector<int64_t> got;
    center.addObserver(kChanged, std::nullopt, [&](const DistributedNotification& n) {
        got.push_back(*n.userInfo.find("WindowID")->integer());
    });
    center.addObserver("other", std::nullopt, [&](const DistributedNotification&) { got.push_back(-1); });
    for (int id : {5, 6, 7}) {
        center.post(kChanged, std::nullopt, stateChange(id), DistributedNotificationCenter::Delivery::immediately);
    }
    ASSERT_EQ(center.posted().size(), 3u);
    EXPECT_TRUE(center.posted()[0].deliverImmediately);
    EXPECT_EQ(center.posted()[2].userInfo, stateChange(7));
    EXPECT_TRUE(got.empty());
    loop.runUntilIdle();
    EXPECT_EQ(got, (std::vector<int64_t>{5, 6, 7}));
    center.clearPosted();
    EXPECT_TRUE(center.posted().empty());
}

TEST(DistributedNotificationCenter, ASuspendedCentreHoldsAllButImmediateNotifications) {
    MainLoop loop(ClockKind::simulated);
    DistributedNotificationCenter center;
    std::vector<std::string> got;
    center.addObserver("", std::nullopt, [&](const DistributedNotification& n) { got.push_back(n.name); });
    center.addObserver("", std::string("sender"), [&](const DistributedNotification& n) { got.push_back("from:" + n.name); });
    center.setSuspended(true);
    center.post("held-1", std::nullopt, {});
    center.post("urgent", std::string("sender"), {}, DistributedNotificationCenter::Delivery::immediately);
    center.post("held-2", std::nullopt, {});
    loop.runUntilIdle();
    EXPECT_EQ(got, (std::vector<std::string>{"urgent", "from:urgent"}));
    center.setSuspended(false);
    loop.runUntilIdle();
    EXPECT_EQ(got, (std::vector<std::string>{"urgent", "from:urgent", "held-1", "held-2"}));
}

TEST(DistributedNotificationCenter, WritesOneJsonLinePerPostWithTypesKeptApart) {
    DistributedNotificationCenter center;
    std::ostringstream lines;
    center.setLineStream(&lines);
    center.post(kChanged, std::nullopt, stateChange(9), DistributedNotificationCenter::Delivery::immediately);
    center.post("x", std::string("obj\"ect"), Dictionary{{"Scale", 2.0}});
    EXPECT_EQ(lines.str(),
              "{\"name\":\"com.brindlewick.FurlpaneNovan.window-state-changed\",\"object\":null,"
              "\"deliverImmediately\":true,\"userInfo\":{\"WindowID\":9,\"OldState\":0,\"NewState\":1,"
              "\"IsCollapsed\":true,\"ProcessID\":812,\"WasInDock\":false,\"IsInDock\":false,"
              "\"SoundIsDue\":true,\"SoundWasPlayed\":true}}\n"
              "{\"name\":\"x\",\"object\":\"obj\\\"ect\",\"deliverImmediately\":false,\"userInfo\":{\"Scale\":2.0}}\n");
    EXPECT_FALSE(center.lineWriteFailed());
}

TEST(DistributedNotificationCenter, LineFilesAreAppendedAndFailuresNeverStopAPost) {
    furlpane_test::TempFolder tmp;
    DistributedNotificationCenter center;
    const auto file = tmp / "announced.jsonl";
    furlpane_test::writeText(file, "earlier\n");
    ASSERT_TRUE(center.setLineFile(file));
    center.post("a", std::nullopt, {});
    EXPECT_FALSE(center.setLineFile(tmp / "missing" / "x.jsonl"));
    center.post("b", std::nullopt, {});
    EXPECT_EQ(furlpane_test::readText(file),
              "earlier\n{\"name\":\"a\",\"object\":null,\"deliverImmediately\":false,\"userInfo\":{}}\n"
              "{\"name\":\"b\",\"object\":null,\"deliverImmediately\":false,\"userInfo\":{}}\n");

    ASSERT_TRUE(center.setLineFile("/dev/full"));
    center.post("c", std::nullopt, {});
    EXPECT_TRUE(center.lineWriteFailed());
    EXPECT_EQ(center.posted().size(), 3u);
    center.stopLines();
    EXPECT_FALSE(center.lineWriteFailed());
}

}  // namespace
}  // namespace platform
