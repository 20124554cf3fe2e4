// The live session's input as it reads it: never more than a bound ahead of the playing,
// however much the writer has sent.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/scenario/input_lines.h"
#include "tests/support/child_process.h"

namespace scenario_test {
namespace {

using platform::scenario::InputLines;

// Every line of `input` up to its end, as texts.
std::vector<std::string> linesOf(InputLines& input) {
    std::vector<std::string> texts;
    for (;;) {
        const InputLines::Read read = input.read();
        while (auto line = input.take()) texts.push_back(line->text);
        if (read != InputLines::Read::some) return texts;
    }
}

TEST(InputLines, ReadsNoFurtherThanABoundAheadOfThePlaying) {
    furlpane_test::Pipe pipe;
    ::fcntl(pipe.write(), F_SETFL, O_NONBLOCK);
    const std::string line = "move 10,10\n";
    size_t written = 0;
    while (::write(pipe.write(), line.data(), line.size()) == static_cast<ssize_t>(line.size())) ++written;
    ASSERT_GT(written, InputLines::kHeld * 2);
    InputLines input(pipe.read());
    while (!input.full()) ASSERT_EQ(input.read(), InputLines::Read::some);
    size_t held = 0;
    for (int number = 1; auto taken = input.take(); ++number, ++held) EXPECT_EQ(taken->number, number);
    EXPECT_LE(held, InputLines::kHeld + InputLines::kReadSize / line.size());
    // The rest waits in the pipe, and comes once the lines held have been taken.
    EXPECT_TRUE(input.readyNow());
    pipe.closeWrite();
    EXPECT_EQ(linesOf(input).size(), written - held);
}

}  // namespace
}  // namespace scenario_test
