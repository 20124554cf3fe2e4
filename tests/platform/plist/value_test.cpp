#include "platform/plist/value.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

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

TEST(PlistValue, ObjectEqualityComparesNumbersByValueAtEveryDepth) {
    struct Case {
        Value a;
        Value b;
        bool equal;
    };
    const Case cases[] = {
        {Value(0), Value(0.0), true},
        {Value(double(0.0f)), Value(int64_t{0}), true},
        {Value(-0.0), Value(0), true},
        {Value(3), Value(3.5), false},
        {Value(true), Value(1), false},  // a Boolean is not a number
        {Value(int64_t{9007199254740993}), Value(9007199254740992.0), false},
        {Value(INT64_MIN), Value(-9223372036854775808.0), true},
        {Value(INT64_MAX), Value(9223372036854775808.0), false},  // 2^63 is past the range
        {Value(0), Value(std::nan("")), false},
        {Value("0"), Value(0), false},
        {Value(Array{Value(1), Value("x")}), Value(Array{Value(1.0), Value("x")}), true},
        {Value(Array{Value(1)}), Value(Array{Value(1), Value(2)}), false},
        {Value(Dictionary{{"s", Value(0.0)}, {"t", Value(1)}}), Value(Dictionary{{"t", Value(1.0)}, {"s", Value(0)}}),
         true},
        {Value(Dictionary{{"s", Value(0.0)}}), Value(Dictionary{{"u", Value(0)}}), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isEqualObject(c.a, c.b), c.equal) << describe(c.a) << " vs " << describe(c.b);
        EXPECT_EQ(isEqualObject(c.b, c.a), c.equal) << describe(c.b) << " vs " << describe(c.a);
    }
}

TEST(PlistDate, ConvertsToTheSystemClockOnlyWhereTheClockCanHoldIt) {
    const auto unixEpoch = std::chrono::system_clock::time_point{};
    EXPECT_EQ(Date::fromSystemTime(unixEpoch).secondsSinceReferenceDate, -Date::kReferenceToUnix);
    EXPECT_EQ(Date{0}.systemTime(), unixEpoch + std::chrono::seconds(978307200));
    const Date withFraction{12.25};
    EXPECT_EQ(Date::fromSystemTime(*withFraction.systemTime()), withFraction);
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e12, -1e12}) {
        EXPECT_FALSE(Date{bad}.systemTime()) << bad;
    }
}

}  // namespace
}  // namespace platform::plist
