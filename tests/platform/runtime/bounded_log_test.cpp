#include "platform/runtime/bounded_log.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

TEST(BoundedLog, KeepsTheNewestEntriesAndEachEntrysSequence) {
    BoundedLog<std::string> log(3);
    for (const char* word : {"a", "b", "c", "d", "e"}) log.push_back(word);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log.front(), "c");
    EXPECT_EQ(log.back(), "e");
    EXPECT_EQ(log.firstSequence(), 2u);
    EXPECT_EQ(log.sequenceEnd(), 5u);
    // A reader's mark keeps its place while older entries go.
    EXPECT_EQ(log.entry(1), nullptr);
    EXPECT_EQ(*log.entry(3), "d");
    EXPECT_EQ(log.entry(5), nullptr);
    EXPECT_EQ(log.push_back("f"), 5u);
    EXPECT_EQ(*log.entry(5), "f");
    EXPECT_EQ(log.entry(2), nullptr);

    log.clear();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(log.push_back("g"), 0u);
    EXPECT_EQ(BoundedLog<int>(0).capacity(), 1u);
}

}  // namespace
}  // namespace platform
