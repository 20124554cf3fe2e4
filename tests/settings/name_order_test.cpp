#include "settings/model/name_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "settings/model/action_settings.h"

namespace furlpane {
namespace {

bool same(std::string_view a, std::string_view b) { return localizedStandardCompare(a, b) == 0; }

TEST(NameOrder, FinderOrder) {
    const std::pair<const char*, const char*> ordered[] = {
        // Digit runs compare as numbers, however long.
        {"App 9", "App 10"}, {"file2.txt", "file10.txt"}, {"a1b2", "a1b10"}, {"x9", "x99999999999999999999999"},
        {"x99999999999999999999998", "x99999999999999999999999"},
        // Case is ignored; accents sort with their base letter and only break ties.
        {"apple", "Banana"}, {"Éclair", "Zebra"}, {"resume", "résumé"}, {"résumé", "resumes"},
        // Spaces, then punctuation, digits, Latin letters and other scripts; a prefix first.
        {"App Store", "Apple"}, {"App-Kit", "App1"}, {"App1", "AppA"}, {"Zulu", "Ωmega"}, {"App", "App 2"}};
    for (const auto& [a, b] : ordered) {
        EXPECT_TRUE(localizedStandardCompare(a, b) < 0) << a << " before " << b;
        EXPECT_TRUE(localizedStandardCompare(b, a) > 0) << b << " after " << a;
    }
    EXPECT_TRUE(same("v007", "v7"));
    EXPECT_TRUE(same("safari", "Safari"));
    EXPECT_TRUE(same("Ärger", "ärger"));
}

TEST(NameOrder, BrokenTextIsComparedWithoutReadingPastIt) {
    const std::vector<std::string> names{"\xff\xfe", "\xe2\x82", "a\xc3", "a", "\xf0\x9f\x98\x80", ""};
    for (const auto& a : names) {
        for (const auto& b : names) {
            const auto ab = localizedStandardCompare(a, b);
            const auto ba = localizedStandardCompare(b, a);
            EXPECT_EQ(ab < 0, ba > 0) << "order must be antisymmetric";
        }
        EXPECT_TRUE(same(a, a));
    }
}

TEST(NameOrder, SortingRulesIsStableForEqualNames) {
    std::vector<ApplicationRule> rules{{"b.10", "App 10", false, {}}, {"b.lower", "safari", false, {}},
                                       {"b.9", "App 9", false, {}},   {"b.upper", "Safari", false, {}}};
    sortByName(rules);
    std::vector<std::string> ids;
    for (const auto& r : rules) ids.push_back(r.bundleIdentifier);
    EXPECT_EQ(ids, (std::vector<std::string>{"b.9", "b.10", "b.lower", "b.upper"}));
}

}  // namespace
}  // namespace furlpane
