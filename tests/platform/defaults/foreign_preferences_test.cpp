#include "platform/defaults/foreign_preferences.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

using plist::Dictionary;
using plist::Value;

constexpr const char* kDock = "com.apple.dock";

TEST(ForeignPreferences, TheProgramSeesItsChangesAtOnceAndTheOwnerOnlyAfterSynchronize) {
    ForeignPreferences prefs;
    prefs.setOwnerValue("orientation", Value("left"), kDock);
    prefs.setOwnerValue("mineffect", Value("scale"), kDock);
    EXPECT_EQ(prefs.copyValue("orientation", kDock), Value("left"));

    prefs.setValue("mineffect", Value("genie"), kDock);
    prefs.setValue("minimize-to-application", Value(true), kDock);
    prefs.setValue("genie-speed", Value(0.0), kDock);
    prefs.setValue("orientation", std::nullopt, kDock);
    EXPECT_EQ(prefs.copyValue("mineffect", kDock), Value("genie"));
    EXPECT_FALSE(prefs.copyValue("orientation", kDock));
    EXPECT_EQ(prefs.domainValues(kDock), (Dictionary{{"orientation", "left"}, {"mineffect", "scale"}}));

    std::vector<std::string> synchronized;
    prefs.setSynchronizeHandler([&](const std::string& domain) { synchronized.push_back(domain); });
    EXPECT_TRUE(prefs.synchronize(kDock));
    EXPECT_EQ(prefs.domainValues(kDock),
              (Dictionary{{"mineffect", "genie"}, {"minimize-to-application", true}, {"genie-speed", 0.0}}));
    EXPECT_EQ(prefs.synchronizeCount(kDock), 1);
    EXPECT_EQ(synchronized, (std::vector<std::string>{kDock}));
    // Domains stay apart.
    EXPECT_FALSE(prefs.copyValue("mineffect", "com.example.other"));
    EXPECT_TRUE(prefs.domainValues("com.example.other").empty());
}

TEST(ForeignPreferences, AFailedSynchronizeKeepsTheChangesForTheNextOne) {
    ForeignPreferences prefs;
    prefs.setValue("autohide", Value(true), kDock);
    prefs.failNextSynchronize(kDock);
    EXPECT_FALSE(prefs.synchronize(kDock));
    EXPECT_TRUE(prefs.domainValues(kDock).empty());
    EXPECT_EQ(prefs.synchronizeCount(kDock), 0);
    EXPECT_TRUE(prefs.booleanValue("autohide", kDock));
    EXPECT_FALSE(prefs.booleanValue("missing", kDock));
    EXPECT_TRUE(prefs.synchronize(kDock));
    EXPECT_EQ(prefs.domainValues(kDock), (Dictionary{{"autohide", true}}));
    prefs.setOwnerValue("launchanim", Value("YES"), kDock);  // read as the defaults convert
    EXPECT_TRUE(prefs.booleanValue("launchanim", kDock));
}

}  // namespace
}  // namespace platform
