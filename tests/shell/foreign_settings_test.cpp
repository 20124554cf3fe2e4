// The program over a settings file that another tool left with more text that is not
// UTF-8 than a write could give back within the file's limit: a window changed before a
// crash is still put back after the relaunch, and the file is kept aside once, however
// many times the program starts.

#include <gtest/gtest.h>

#include <string>

#include "platform/gpu/device.h"
#include "tests/shell/shell_test_support.h"
#include "tests/support/foreign_settings.h"

namespace furlpane {
namespace {

constexpr const char* kChangedThenCrashed = R"(
screen 0,0 1440x900 scale 1
app com.example.Notes "Notes"
window "Groceries" of com.example.Notes at 100,100 size 600x300
launch
wait 1
double-click 300,112
wait 1.5
expect window "Groceries" shaded
crash
wait 1
launch
wait 5
expect window "Groceries" normal at 100,100
quit
wait 3
expect exited 0
)";

constexpr const char* kStartedAndQuit = "launch\nwait 1\nquit\nwait 3\nexpect exited 0\n";

class ForeignSettings : public ::testing::Test {
protected:
    void SetUp() override { platform::gpu::setPassesDraw(false); }
    void TearDown() override { platform::gpu::setPassesDraw(true); }
};

TEST_F(ForeignSettings, ALatin1FileTooLargeToWriteBackStillTakesTheLedger) {
    testing::ProgramRun run;
    const auto file = run.folder / "defaults" / "com.brindlewick.FurlpaneNovan.plist";
    const std::string original = furlpane_test::latin1SettingsFile(12u * 1024 * 1024);
    furlpane_test::writeText(file, original);

    ASSERT_EQ(run.play(kChangedThenCrashed), 0) << run.errors.str();
    std::string starts;
    for (int i = 0; i < 5; ++i) starts += kStartedAndQuit;
    ASSERT_EQ(run.play(starts), 0) << run.errors.str();

    ASSERT_EQ(furlpane_test::keptCopies(file), 1u);
    const std::filesystem::path kept = file.string() + ".kept-1";
    EXPECT_TRUE(furlpane_test::readText(kept) == original);
    // The user is told where, once.
    EXPECT_EQ(furlpane_test::occurrences(run.errors.str(), kept.string()), 1u) << run.errors.str();
}

}  // namespace
}  // namespace furlpane
