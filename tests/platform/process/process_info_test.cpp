#include "platform/process/process_info.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/runtime/main_loop.h"

namespace platform {
namespace {

TEST(ProcessInfo, ThisProcessHasItsPidAndEnvironment) {
    ::setenv("FURLPANE_PROCESS_INFO_TEST", "a=b", 1);
    auto info = ProcessInfo::forThisProcess();
    EXPECT_EQ(info->processIdentifier(), ::getpid());
    EXPECT_EQ(info->environmentValue("FURLPANE_PROCESS_INFO_TEST"), "a=b");
    EXPECT_FALSE(info->environmentValue("FURLPANE_NOT_SET_ANYWHERE"));
    EXPECT_GT(info->systemUptime(), 0);
}

TEST(ProcessInfo, AnyOfTheTestRunnerVariablesCounts) {
    EXPECT_FALSE(ProcessInfo::make(1, {{"PATH", "/bin"}})->hasTestRunnerEnvironment());
    for (const char* key : {environment_keys::kTestBundlePath, environment_keys::kTestSessionIdentifier,
                            environment_keys::kTestConfigurationFilePath}) {
        EXPECT_TRUE(ProcessInfo::make(1, {{key, ""}})->hasTestRunnerEnvironment()) << key;
    }
}

TEST(ProcessInfo, UptimeMovesWithTheSimulatedClock) {
    MainLoop loop(ClockKind::simulated);
    ProcessInfo& info = ProcessInfo::setCurrent(ProcessInfo::make(812, {}, 3600));
    EXPECT_EQ(ProcessInfo::current().processIdentifier(), 812);
    EXPECT_EQ(info.systemUptime(), 3600);
    loop.advance(2.5);
    EXPECT_EQ(info.systemUptime(), 3602.5);
    ProcessInfo::setCurrent(nullptr);
    EXPECT_EQ(ProcessInfo::current().processIdentifier(), ::getpid());
}

}  // namespace
}  // namespace platform
