#include "platform/plist/json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace platform::plist {
namespace {

TEST(PlistJson, IntegersRealsAndBooleansStayApart) {
    const Dictionary d{{"WindowID", 42}, {"Scale", 1.0}, {"Half", 0.5}, {"Big", 1e300},
                       {"IsInDock", true}, {"Neg", int64_t{-7}}, {"Small", -2.5e-10}};
    EXPECT_EQ(toJson(d),
              "{\"WindowID\":42,\"Scale\":1.0,\"Half\":0.5,\"Big\":1e+300,\"IsInDock\":true,\"Neg\":-7,"
              "\"Small\":-2.5e-10}");
}

TEST(PlistJson, WhatJsonCannotHoldHasOneDefinedForm) {
    EXPECT_EQ(toJson(std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(toJson(std::nan("")), "null");
    EXPECT_EQ(toJson(Data{{'f', 'o', 'o', 'b'}}), "\"Zm9vYg==\"");
    EXPECT_EQ(toJson(Data{}), "\"\"");
    EXPECT_EQ(toJson(Date{0}), "\"2001-01-01T00:00:00Z\"");
    EXPECT_EQ(toJson(Date{-0.25}), "\"2000-12-31T23:59:59.750Z\"");
    EXPECT_EQ(toJson(Date{1e300}), "null");
    EXPECT_EQ(toJson(Array{Array{}, Dictionary{}}), "[[],{}]");
}

TEST(PlistJson, TextIsEscapedAndAlwaysValidUtf8) {
    EXPECT_EQ(toJson("quote \" backslash \\ nl \n tab \t bell \x07"),
              "\"quote \\\" backslash \\\\ nl \\n tab \\t bell \\u0007\"");
    EXPECT_EQ(toJson("ü 🪟"), "\"ü 🪟\"");
    // A lone continuation byte, an overlong slash, a surrogate and a cut sequence.
    EXPECT_EQ(toJson("a\x80" "b\xC0\xAF" "c\xED\xA0\x80" "d\xF0\x9F"),
              "\"a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD" "c\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" "d\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(toJson(std::string("nul\0", 4)), "\"nul\\u0000\"");
}

}  // namespace
}  // namespace platform::plist
