// Result: a value or an error, never both; the error of a success is its type's "none".

#include "platform/runtime/result.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/accessibility/error.h"

namespace {

using platform::AccessibilityError;
using platform::Failure;
using platform::Result;

TEST(Result, HoldsAValueOrAnErrorAndSaysWhich) {
    const Result<std::string> read = std::string("text");
    const Result<std::string> failed = Failure{"no such file"};
    EXPECT_TRUE(read);
    EXPECT_EQ(*read, "text");
    EXPECT_EQ(read->size(), 4u);
    EXPECT_EQ(read.error().message, "");
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.error().message, "no such file");
    EXPECT_EQ(failed.valueOr("fallback"), "fallback");
    EXPECT_EQ(read.valueOr("fallback"), "text");

    const Result<void> done;
    const Result<void> refused = Failure{"refused"};
    EXPECT_TRUE(done);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.error().message, "refused");
}

TEST(Result, AnErrorCodeThatMeansSuccessNeverMakesAFailureLookSuccessful) {
    struct Case {
        AccessibilityError made;
        AccessibilityError held;
    };
    for (const Case& c : {Case{AccessibilityError::success, AccessibilityError::failure},
                          Case{AccessibilityError::noValue, AccessibilityError::noValue},
                          Case{AccessibilityError::cannotComplete, AccessibilityError::cannotComplete}}) {
        const Result<int, AccessibilityError> result = c.made;
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.error(), c.held);
        const Result<void, AccessibilityError> none = c.made;
        EXPECT_EQ(none.error(), c.held);
    }
    EXPECT_EQ((Result<int, AccessibilityError>(7).error()), AccessibilityError::success);
}

TEST(Result, AMoveOnlyValueIsTakenOut) {
    Result<std::unique_ptr<int>> made = std::make_unique<int>(3);
    std::unique_ptr<int> taken = std::move(made).value();
    ASSERT_TRUE(taken);
    EXPECT_EQ(*taken, 3);
}

TEST(ResultDeathTest, ReadingTheValueOfAFailureStopsTheProcess) {
    const Result<int> failed = Failure{"gone"};
    EXPECT_DEATH((void)failed.value(), "failed result");
}

}  // namespace
