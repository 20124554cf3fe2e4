#include "app/login/login_item.h"

#include <gtest/gtest.h>

#include "platform/services/app_service.h"
#include "platform/services/login_items.h"
#include "platform/services/volume.h"
#include "tests/shell/shell_test_support.h"
#include "tests/support/temp_folder.h"

namespace furlpane {
namespace {

using platform::AppServiceStatus;
using platform::desktop::FaultCall;
using testing::ShellWorld;
using State = LoginItem::State;

TEST(LoginItem, StateFollowsTheServicesStatusAndAnyOtherNumberIsDisabled) {
    ShellWorld env;
    const std::pair<AppServiceStatus, State> cases[] = {
        {AppServiceStatus::notRegistered, State::disabled},
        {AppServiceStatus::enabled, State::enabled},
        {AppServiceStatus::requiresApproval, State::requiresApproval},
        {AppServiceStatus::notFound, State::disabled},
        {AppServiceStatus(7), State::disabled},
    };
    for (const auto& [status, state] : cases) {
        platform::SimulatedLoginItems::of(env.world).setStatus(status);
        EXPECT_EQ(LoginItem::state(), state) << int(status);
    }
}

TEST(LoginItem, EnablingSucceedsOrLeavesApprovalToTheUserOrFailsWithTheServicesWords) {
    ShellWorld env;
    auto& items = platform::SimulatedLoginItems::of(env.world);
    LoginItem::Outcome outcome = LoginItem::enable();
    EXPECT_TRUE(outcome.succeeded());
    EXPECT_FALSE(outcome.requiresApproval);
    EXPECT_EQ(LoginItem::state(), State::enabled);

    items.setStatus(AppServiceStatus::notRegistered);
    items.setBackgroundActivityAllowed(false);
    outcome = LoginItem::enable();
    EXPECT_TRUE(outcome.succeeded());
    EXPECT_TRUE(outcome.requiresApproval);
    EXPECT_EQ(LoginItem::state(), State::requiresApproval);

    items.setStatus(AppServiceStatus::notRegistered);
    env.world.faults().on(FaultCall::registerLoginItem).times(1).fail(1, "Operation not permitted");
    outcome = LoginItem::enable();
    ASSERT_FALSE(outcome.succeeded());
    EXPECT_EQ(*outcome.failure, (platform::ServiceError{1, "Operation not permitted"}));
    EXPECT_EQ(LoginItem::state(), State::disabled);
}

TEST(LoginItem, DisablingAsksTheServiceOnlyWhenThereIsARegistrationToTakeBack) {
    ShellWorld env;
    auto& items = platform::SimulatedLoginItems::of(env.world);
    struct Case {
        AppServiceStatus before;
        int unregisters;
    };
    const Case cases[] = {{AppServiceStatus::notRegistered, 0},
                          {AppServiceStatus::notFound, 0},
                          {AppServiceStatus::enabled, 1},
                          {AppServiceStatus::requiresApproval, 1}};
    for (const Case& c : cases) {
        items.setStatus(c.before);
        const int before = items.unregisterCount();
        EXPECT_TRUE(LoginItem::disable().succeeded()) << int(c.before);
        EXPECT_EQ(items.unregisterCount() - before, c.unregisters) << int(c.before);
        EXPECT_EQ(LoginItem::state(), State::disabled);
    }

    items.setStatus(AppServiceStatus::enabled);
    env.world.faults().on(FaultCall::unregisterLoginItem).fail(22, "");
    const LoginItem::Outcome outcome = LoginItem::disable();
    ASSERT_FALSE(outcome.succeeded());
    EXPECT_EQ(outcome.failure->code, 22);
    EXPECT_FALSE(outcome.failure->localizedDescription.empty());  // the service's own words
    EXPECT_EQ(LoginItem::state(), State::enabled);
}

TEST(LoginItem, TheLoginItemsPaneOpensThroughTheWorkspace) {
    ShellWorld env;
    platform::MainAppService::openSystemSettingsLoginItems();
    ASSERT_EQ(env.world.openedURLs().size(), 1u);
    EXPECT_EQ(env.world.openedURLs()[0], platform::MainAppService::loginItemsSettingsURL());
}

TEST(LoginItem, AReadOnlyVolumeIsToldOncePerProcess) {
    furlpane_test::TempFolder folder;
    const auto bundle = folder / "Furlpane Novan.app";
    furlpane_test::writeText(bundle / "Contents" / "Info.plist", "");
    const std::string root = "22 1 254:1 / / rw - ext4 /dev/vda1 rw\n";
    platform::setMountTable(root + "41 22 7:3 / " + folder.path().string() + " ro - squashfs /dev/loop3 ro\n");
    {
        ShellWorld env;
        testing::MainBundle main({}, bundle);
        EXPECT_TRUE(LoginItem::isOnReadOnlyVolume());
        platform::setMountTable(root);
        EXPECT_TRUE(LoginItem::isOnReadOnlyVolume());
    }
    ShellWorld later;  // a new process
    testing::MainBundle main({}, bundle);
    EXPECT_FALSE(LoginItem::isOnReadOnlyVolume());
    platform::setMountTable(std::nullopt);
}

}  // namespace
}  // namespace furlpane
