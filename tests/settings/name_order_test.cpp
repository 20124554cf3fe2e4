#include "settings/model/name_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "settings/model/action_settings.h"

namespace furlpane {
namespace {

bool before(std::string_view a, std::string_view b) { return localizedStandardCompare(a, b) < 0; }
bool same(std::string_view a, std::string_view b) { return localizedStandardCompare(a, b) == 0; }

TEST(NameOrder, DigitRunsCompareAsNumbers) {
    EXPECT_TRUE(before("App 9", "App 10"));
    EXPECT_TRUE(before("file2.txt", "file10.txt"));
    EXPECT_TRUE(before("a1b2", "a1b10"));
    EXPECT_TRUE(before("x9", "x99999999999999999999999"));  // longer than any machine integer
    EXPECT_TRUE(before("x99999999999999999999998", "x99999999999999999999999"));
    EXPECT_TRUE(same("v007", "v7"));
}

TEST(NameOrder, CaseIsIgnoredAndAccentsOnlyBreakTies) {
    EXPECT_TRUE(same("safari", "Safari"));
    EXPECT_TRUE(before("apple", "Banana"));
    EXPECT_TRUE(before("Éclair", "Zebra"));      // sorts with E, not after Z
    EXPECT_TRUE(before("resume", "résumé"));     // equal but for the accents
    EXPECT_TRUE(before("résumé", "resumes"));    // a letter more outweighs the accents
    EXPECT_TRUE(same("Ärger", "ärger"));
}

TEST(NameOrder, SpacesThenPunctuationThenDigitsThenLetters) {
    EXPECT_TRUE(before("App Store", "Apple"));
    EXPECT_TRUE(before("App-Kit", "App1"));
    EXPECT_TRUE(before("App1", "AppA"));
    EXPECT_TRUE(before("Zulu", "Ωmega"));  // Latin before other scripts
    EXPECT_TRUE(before("App", "App 2"));  // a prefix comes first
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
