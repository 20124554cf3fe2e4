#include "platform/defaults/user_defaults.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/defaults/conversions.h"

namespace platform {
namespace {

using plist::Array;
using plist::Data;
using plist::Dictionary;
using plist::Value;

TEST(DefaultsConversions, BooleanReads) {
    const Value truthy[] = {true, 1, 1.0, -3, 0.5, "YES", "yes", "true", "TRUE", "1", "1.0", " 2 "};
    const Value falsy[] = {false, 0, 0.0, std::nan(""), "NO", "false", "0", "0.0", "", "Y", "maybe",
                           "0x1", Data{{1}}, Array{1}, Dictionary{{"a", true}}};
    for (const Value& v : truthy) EXPECT_TRUE(defaults::booleanOf(v)) << plist::describe(v);
    for (const Value& v : falsy) EXPECT_FALSE(defaults::booleanOf(v)) << plist::describe(v);
}

TEST(DefaultsConversions, NumberReads) {
    struct Case {
        Value value;
        int64_t integer;
        double real;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const int64_t max = std::numeric_limits<int64_t>::max();
    const int64_t min = std::numeric_limits<int64_t>::min();
    const Case cases[] = {
        {7, 7, 7.0},
        {-2.9, -2, -2.9},
        {true, 1, 1.0},
        {false, 0, 0.0},
        {"42", 42, 42.0},
        {" -1.75 ", -1, -1.75},
        {"+3", 3, 3.0},
        {".5", 0, 0.5},
        {"2e3", 2000, 2000.0},
        {"9007199254740993", 9007199254740993, 9007199254740992.0},
        {"99999999999999999999", max, 1e20},
        {"-99999999999999999999", min, -1e20},
        {"1e999", max, inf},
        {1e300, max, 1e300},
        {-inf, min, -inf},
        {std::nan(""), 0, std::nan("")},
        {"0x10", 0, 0.0},
        {"inf", 0, 0.0},  // a word strtod would read as a number
        {"12abc", 0, 0.0},
        {"-", 0, 0.0},
        {"1e", 0, 0.0},
        {Data{{1}}, 0, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(defaults::integerOf(c.value), c.integer) << plist::describe(c.value);
        const double real = defaults::realOf(c.value);
        if (std::isnan(c.real)) {
            EXPECT_TRUE(std::isnan(real)) << plist::describe(c.value);
        } else {
            EXPECT_EQ(real, c.real) << plist::describe(c.value);
        }
    }
}

TEST(UserDefaults, StoredValuesWinOverRegisteredOnesUntilRemoved) {
    UserDefaults d("test.domain");
    d.registerDefaults(Dictionary{{"Enabled", true}, {"MIPWindowScale", 0.5}});
    d.registerDefaults(Dictionary{{"MIPWindowScale", 0.75}});
    EXPECT_TRUE(d.boolean("Enabled"));
    EXPECT_EQ(d.real("MIPWindowScale"), 0.75);
    EXPECT_FALSE(d.storedObject("Enabled"));

    d.set("Enabled", false);
    EXPECT_FALSE(d.boolean("Enabled"));
    EXPECT_EQ(d.storedValues(), (Dictionary{{"Enabled", false}}));
    d.remove("Enabled");
    EXPECT_TRUE(d.boolean("Enabled"));
    EXPECT_TRUE(d.storedValues().empty());
}

TEST(UserDefaults, StringArrayAndDictionaryReadsAreStrict) {
    UserDefaults d("test.domain");
    d.set("Number", 5);
    d.set("Text", "swirl");
    d.set("List", Array{"a"});
    d.set("Map", Dictionary{{"k", 1}});
    EXPECT_FALSE(d.string("Number"));
    EXPECT_EQ(d.string("Text"), "swirl");
    EXPECT_FALSE(d.array("Text"));
    EXPECT_EQ(d.array("List"), (Array{"a"}));
    EXPECT_FALSE(d.dictionary("List"));
    EXPECT_EQ(d.dictionary("Map"), (Dictionary{{"k", 1}}));
    EXPECT_FALSE(d.object("Missing"));
    EXPECT_EQ(d.integer("Missing"), 0);
}

TEST(UserDefaults, UpdateSeesTheStoredValueAndCanRemove) {
    UserDefaults d("test.domain");
    d.update("Count", [](std::optional<Value> stored) -> std::optional<Value> {
        EXPECT_FALSE(stored);
        return Value(1);
    });
    d.update("Count", [](std::optional<Value> stored) -> std::optional<Value> {
        return Value(*stored->integer() + 1);
    });
    EXPECT_EQ(d.integer("Count"), 2);
    d.update("Count", [](std::optional<Value>) -> std::optional<Value> { return std::nullopt; });
    EXPECT_FALSE(d.object("Count"));
    EXPECT_TRUE(d.synchronize());
}

}  // namespace
}  // namespace platform
