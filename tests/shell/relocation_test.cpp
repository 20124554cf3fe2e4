// Where the program runs from and the offer to move it: when it is offered, what each
// answer does, and a move that cannot be made.

#include "app/shell/relocation.h"

#include <gtest/gtest.h>

#include "platform/appkit/simulated_user.h"
#include "platform/process/process_info.h"
#include "tests/shell/shell_test_support.h"
#include "tests/support/temp_folder.h"

namespace furlpane {
namespace {

using platform::ProcessInfo;
using testing::MainBundle;
using testing::ShellWorld;

std::unique_ptr<ProcessInfo> process(ProcessInfo::Environment environment) {
    return ProcessInfo::make(4242, std::move(environment));
}

TEST(Relocation, OfferedOnlyOutsideApplicationsAndNeverToTheTestRunner) {
    struct Case {
        const char* bundle;
        ProcessInfo::Environment environment;
        bool offered;
    };
    const Case cases[] = {
        {"/Users/ann/Downloads/Furlpane Novan.app", {}, true},
        {"/Volumes/Furlpane Novan/Furlpane Novan.app", {{"HOME", "/Users/ann"}}, true},
        {"/Applications/Furlpane Novan.app", {}, false},
        {"/Users/ann/Applications/Furlpane Novan.app", {}, false},
        {"/Applications/Utilities/../Furlpane Novan.app", {}, false},
        {"/Users/ann/Downloads/Furlpane Novan.app", {{"XCTestBundlePath", ""}}, false},
        {"/Users/ann/Downloads/Furlpane Novan.app", {{"XCTestSessionIdentifier", "7"}}, false},
        {"/Users/ann/Downloads/Furlpane Novan.app", {{"XCTestConfigurationFilePath", "/tmp/x"}}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Relocation::shouldOffer(*process(c.environment), c.bundle), c.offered) << c.bundle;
    }
}

class RelocationOffer : public ::testing::Test {
protected:
    ShellWorld env;
    furlpane_test::TempFolder folder;
    std::filesystem::path bundle = folder / "Downloads/Furlpane Novan.app";
    std::filesystem::path applications = folder / "Applications";
    platform::SimulatedUser& user = platform::SimulatedUser::of(env.world);
    std::optional<MainBundle> main;

    void SetUp() override {
        furlpane_test::writeText(bundle / "Contents/Info.plist", "<plist/>");
        std::filesystem::create_directories(applications);
        main.emplace(platform::plist::Dictionary{}, bundle);
        ProcessInfo::setCurrent(process({}));
    }
    void answer(const char* button) {
        user.setAlertResponder([button](const platform::Alert& alert) {
            const auto titles = alert.buttonTitles();
            const auto at = std::find(titles.begin(), titles.end(), button) - titles.begin();
            return platform::modal_response::alertFirstButtonReturn + at;
        });
    }
};

TEST_F(RelocationOffer, MovingTakesTheBundleIntoTheApplicationsFolder) {
    EXPECT_TRUE(Relocation::offerIfNeeded(applications));
    ASSERT_EQ(user.alertLog().size(), 1u);
    EXPECT_EQ(user.alertLog()[0].messageText, Relocation::kOfferMessage);
    EXPECT_EQ(user.alertLog()[0].buttons,
              (std::vector<std::string>{Relocation::kMoveButton, Relocation::kStayButton}));
    EXPECT_TRUE(std::filesystem::exists(applications / "Furlpane Novan.app/Contents/Info.plist"));
    EXPECT_FALSE(std::filesystem::exists(bundle));
}

TEST_F(RelocationOffer, DoNotMoveLeavesEverythingAsItWas) {
    answer(Relocation::kStayButton);
    EXPECT_FALSE(Relocation::offerIfNeeded(applications));
    EXPECT_TRUE(std::filesystem::exists(bundle / "Contents/Info.plist"));
    EXPECT_TRUE(std::filesystem::is_empty(applications));
}

TEST_F(RelocationOffer, ABundleOfThatNameThereAlreadyIsSaidAndNothingMoves) {
    std::filesystem::create_directories(applications / "Furlpane Novan.app");
    EXPECT_FALSE(Relocation::offerIfNeeded(applications));
    ASSERT_EQ(user.alertLog().size(), 2u);
    EXPECT_EQ(user.alertLog()[1].messageText, Relocation::kFailureMessage);
    EXPECT_NE(user.alertLog()[1].informativeText.find("is there already"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(bundle / "Contents/Info.plist"));
}

TEST_F(RelocationOffer, TheTestRunnerSeesNoOffer) {
    ProcessInfo::setCurrent(process({{"XCTestSessionIdentifier", "1"}}));
    EXPECT_FALSE(Relocation::offerIfNeeded(applications));
    EXPECT_TRUE(user.alertLog().empty());
}

}  // namespace
}  // namespace furlpane
