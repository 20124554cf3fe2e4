#include "platform/runtime/key_value_observation.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace platform {
namespace {

TEST(KeyValueObservation, HandlersRunAfterEachChangeOfTheirKeyWhileTheirObservationLives) {
    KeyValueObservers observers;
    std::vector<int> heard;
    KeyValueObservation first = observers.observe(1, KeyValueOptions::initialAndChanges, [&] { heard.push_back(1); });
    std::optional<KeyValueObservation> second;
    second = observers.observe(1, KeyValueOptions::changes, [&] {
        heard.push_back(2);
        second.reset();  // a handler may end its own observation
    });
    KeyValueObservation other = observers.observe(2, KeyValueOptions::changes, [&] { heard.push_back(3); });
    EXPECT_EQ(heard, std::vector<int>{1});
    observers.didChange(1);
    observers.didChange(1);
    EXPECT_EQ(heard, (std::vector<int>{1, 1, 2, 1}));
    first.invalidate();
    EXPECT_FALSE(first.isValid());
    observers.didChange(1);
    observers.didChange(2);
    EXPECT_EQ(heard, (std::vector<int>{1, 1, 2, 1, 3}));
}

}  // namespace
}  // namespace platform
