// A session as the executable runs it: the command line, and the status a scenario file
// ends with.

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "fake_program.h"
#include "platform/scenario/session.h"
#include "tests/support/temp_folder.h"

namespace scenario_test {
namespace {

using namespace platform::scenario;

TEST(Session, TheCommandLine) {
    auto none = sessionOptions({});
    ASSERT_TRUE(none.ok());
    EXPECT_FALSE(none->scenario);
    auto all = sessionOptions({"--scenario", "a.scenario", "--out", "pictures", "--frames", "frames"});
    ASSERT_TRUE(all.ok());
    EXPECT_EQ(*all->scenario, "a.scenario");
    EXPECT_EQ(all->out, "pictures");
    EXPECT_EQ(*all->frames, "frames");
    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {"--scenario"}, {"--scenario", ""}, {"--speed", "2"}, {"tour.scenario"}}) {
        EXPECT_FALSE(sessionOptions(wrong).ok()) << wrong[0];
    }
}

class SessionTest : public ::testing::Test {
protected:
    furlpane_test::TempFolder folder;
    std::ostringstream out, errors;
    std::streambuf* savedOut = nullptr;
    std::streambuf* savedErrors = nullptr;

    void SetUp() override {
        savedOut = std::cout.rdbuf(out.rdbuf());
        savedErrors = std::cerr.rdbuf(errors.rdbuf());
    }
    void TearDown() override {
        std::cout.rdbuf(savedOut);
        std::cerr.rdbuf(savedErrors);
    }
    int play(const std::string& text) {
        furlpane_test::writeText(folder / "s.scenario", text);
        SessionOptions options;
        options.scenario = folder / "s.scenario";
        options.out = folder / "out";
        auto record = std::make_shared<ProgramRecord>();
        return runSession(options, [record] { return std::make_shared<FakeProgram>(record); });
    }
};

TEST_F(SessionTest, EachEndHasItsStatus) {
    EXPECT_EQ(play("launch\nmenu \"Beep\"\nexpect sound beep\nquit\nexpect exited 0\n"), 0) << errors.str();
    EXPECT_NE(out.str().find(R"("event":"end","status":0})"), std::string::npos) << out.str();

    EXPECT_EQ(play("launch\nexpect no sound\nmenu \"Beep\"\nexpect no sound\n"), 1);
    EXPECT_NE(errors.str().find("line 4: the sound \"beep\" played"), std::string::npos) << errors.str();

    EXPECT_EQ(play("launch\nwait 1\nclick 10,10 count 99\n"), 2);
    EXPECT_NE(errors.str().find("line 3, column 19"), std::string::npos) << errors.str();
    EXPECT_NE(out.str().find(R"("event":"error","line":3,"column":19)"), std::string::npos) << out.str();
}

TEST_F(SessionTest, AFileThatCannotBeReadIsNoScenario) {
    SessionOptions options;
    options.scenario = folder / "missing.scenario";
    EXPECT_EQ(runSession(options, [] { return std::shared_ptr<platform::ApplicationDelegate>(); }), 2);
    EXPECT_NE(errors.str().find("cannot read"), std::string::npos);
}

}  // namespace
}  // namespace scenario_test
