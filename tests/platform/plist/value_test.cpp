#include "platform/plist/value.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

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

// Keys share one text per dictionary: every change must keep each key's stretch of it
// right. Each script of changes runs on a dictionary and on a plain list of pairs, and
// the two must agree on every key, value and lookup afterwards, copies included.
TEST(PlistDictionary, KeysStayRightThroughEveryChangeOnBothSidesOfTheIndexThreshold) {
    // eraseIf: every key whose value is a multiple of the step's value, in one pass.
    enum class Op { set, erase, setOwnKey, setPartOfOwnKey, eraseOwnKey, eraseIf };
    struct Step {
        Op op;
        std::string key;
        int value = 0;
    };
    struct Script {
        const char* name;
        int filled;  // keys "key0" ... set first, long enough to need the heap on their own
        std::vector<Step> steps;
    };
    const Script scripts[] = {
        {"empty keys and keys sharing a prefix", 0,
         {{Op::set, "", 1}, {Op::set, "kCGWindowLayer", 2}, {Op::set, "kCGWindowAlpha", 3}, {Op::set, "kCGWindow", 4},
          {Op::erase, "kCGWindowLayer"}, {Op::set, "kCGWindowAlpha", 5}, {Op::erase, ""}, {Op::set, "", 6},
          {Op::eraseIf, "", 1}, {Op::set, "kCGWindow", 7}}},
        {"erasing at the front, middle and end of a small one", 6,
         {{Op::erase, "key0"}, {Op::erase, "key3"}, {Op::erase, "key5"}, {Op::set, "key3", 30}, {Op::set, "key1", 10},
          {Op::eraseIf, "", 97}, {Op::eraseIf, "", 2}, {Op::set, "key2", 2}}},
        {"a key viewed in the dictionary's own text", 4,
         {{Op::setOwnKey, "", 2}, {Op::setPartOfOwnKey, "", 7}, {Op::eraseOwnKey, "", 1}, {Op::set, "key2", 9}}},
        {"crossing the threshold both ways", 16,
         {{Op::set, "key16", 16}, {Op::set, "key17", 17}, {Op::erase, "key1"}, {Op::set, "key0", 100},
          {Op::erase, "key17"}, {Op::erase, "key16"}, {Op::set, "key40", 40}, {Op::eraseOwnKey, "", 3},
          {Op::eraseIf, "", 3}, {Op::set, "key3", 3}}},
        {"a large one", 40,
         {{Op::erase, "key20"}, {Op::setOwnKey, "", 30}, {Op::setPartOfOwnKey, "", 31}, {Op::eraseOwnKey, "", 0},
          {Op::set, "key20", 20}, {Op::eraseIf, "", 7}, {Op::set, "key21", 21}}},
    };
    for (const Script& script : scripts) {
        SCOPED_TRACE(script.name);
        Dictionary d;
        std::vector<std::pair<std::string, Value>> model;
        auto set = [&](std::string_view key, int value) {
            const std::string copied(key);  // `key` may view the dictionary's text
            d.set(key, value);
            auto it = std::find_if(model.begin(), model.end(), [&](const auto& p) { return p.first == copied; });
            if (it != model.end()) it->second = value;
            else model.emplace_back(copied, value);
        };
        auto erase = [&](std::string_view key) {
            const std::string copied(key);
            const bool erased = d.erase(key);
            const auto gone = std::erase_if(model, [&](const auto& p) { return p.first == copied; });
            EXPECT_EQ(erased, gone == 1) << copied;
        };
        for (int i = 0; i < script.filled; ++i) set(furlpane_test::numbered("key", i) + std::string(20, 'x'), i);
        for (const Step& step : script.steps) {
            switch (step.op) {
            case Op::set: set(step.key, step.value); break;
            case Op::erase: erase(step.key); break;
            case Op::setOwnKey: set(d.keyAt(size_t(step.value) % d.size()), step.value); break;
            case Op::setPartOfOwnKey: set(d.keyAt(size_t(step.value) % d.size()).substr(1), step.value); break;
            case Op::eraseOwnKey: erase(d.keyAt(size_t(step.value) % d.size())); break;
            case Op::eraseIf: {
                const auto multiple = [&step](const Value& v) { return *v.integer() % step.value == 0; };
                const size_t gone = std::erase_if(model, [&](const auto& p) { return multiple(p.second); });
                EXPECT_EQ(d.eraseIf([&](std::string_view, const Value& v) { return multiple(v); }), gone);
                break;
            }
            }
        }
        const Dictionary copy = d;
        Dictionary assigned{{"stale", 1}};
        assigned = d;
        for (const Dictionary* each : std::initializer_list<const Dictionary*>{&d, &copy, &assigned}) {
            ASSERT_EQ(each->size(), model.size());
            for (size_t i = 0; i < model.size(); ++i) {
                EXPECT_EQ(each->keyAt(i), model[i].first);
                EXPECT_EQ(each->keys()[i], model[i].first);
                EXPECT_EQ(each->valueAt(i), model[i].second);
                const Value* found = each->find(model[i].first);
                ASSERT_NE(found, nullptr) << model[i].first;
                EXPECT_EQ(*found, model[i].second);
            }
            EXPECT_FALSE(each->contains("absent"));
            EXPECT_EQ(*each, d);
        }
    }
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
