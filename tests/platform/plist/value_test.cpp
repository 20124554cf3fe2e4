#include "platform/plist/value.h"

#include <gtest/gtest.h>

#include "tests/support/numbered.h"

namespace platform::plist {
namespace {

TEST(PlistValue, BooleanStaysDistinctFromInteger) {
    EXPECT_NE(Value(true), Value(1));
    EXPECT_FALSE(Value(true).integer());
    EXPECT_FALSE(Value(1).boolean());
    EXPECT_EQ(Value(1).number(), 1.0);
    EXPECT_FALSE(Value(true).number());
}

TEST(PlistDictionary, KeepsKeysUniqueAndInFirstInsertionOrderAcrossTheIndexThreshold) {
    Dictionary d;
    for (int i = 0; i < 40; ++i) d.set(furlpane_test::numbered("k", i), i);
    d.set("k3", "replaced");
    ASSERT_EQ(d.size(), 40u);
    EXPECT_EQ(d.keys()[3], "k3");
    EXPECT_EQ(*d.find("k3"), Value("replaced"));

    EXPECT_TRUE(d.erase("k0"));
    EXPECT_FALSE(d.erase("k0"));
    EXPECT_EQ(d.keys()[0], "k1");
    EXPECT_EQ(*d.find("k39"), Value(39));
    EXPECT_EQ(*d.find("k3"), Value("replaced"));
    for (int i = 1; i < 30; ++i) d.erase(furlpane_test::numbered("k", i));
    EXPECT_EQ(d.size(), 10u);
    EXPECT_EQ(d.keys()[0], "k30");
    EXPECT_EQ(*d.find("k35"), Value(35));
    d.set("new", true);
    EXPECT_EQ(d.keys().back(), "new");
    EXPECT_TRUE(d.contains("new"));
}

TEST(PlistDictionary, EqualityIgnoresOrder) {
    EXPECT_EQ((Dictionary{{"a", 1}, {"b", 2}}), (Dictionary{{"b", 2}, {"a", 1}}));
    EXPECT_NE((Dictionary{{"a", 1}}), (Dictionary{{"a", true}}));
}

}  // namespace
}  // namespace platform::plist
