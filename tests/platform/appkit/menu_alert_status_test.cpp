#include "appkit_support.h"
#include "platform/appkit/status_item.h"
#include "platform/windowserver/window_list.h"

namespace appkit_test {
namespace {

using ShellTest = AppKitTest;

TEST(Menus, ItemsKeepTheirPlacesAndOnlyEnabledItemsWithActionsRun) {
    auto menu = Menu::make("Status");
    int restored = 0;
    auto restore = menu->addItem("Restore All", [&](MenuItem&) { ++restored; }, "r");
    menu->addItem(MenuItem::separator());
    auto quiet = menu->addItem("No action", {});
    auto off = menu->addItem("Off", [&](MenuItem&) { ++restored; });
    off->setEnabled(false);
    EXPECT_EQ(menu->outline(), (std::vector<std::string>{"Restore All", "-", "No action", "Off"}));
    EXPECT_EQ(restore->keyEquivalent(), "r");
    EXPECT_EQ(restore->keyEquivalentModifierMask(), AppEvent::command);
    EXPECT_TRUE(menu->performActionForItem(0));
    EXPECT_FALSE(menu->performActionForItem(1));
    EXPECT_FALSE(menu->performActionForItem(2));
    EXPECT_FALSE(menu->performActionForItem(3));
    EXPECT_FALSE(menu->performActionForItem(99));
    EXPECT_EQ(restored, 1);
    EXPECT_FALSE(quiet->isEffectivelyEnabled());
    menu->setAutoenablesItems(false);
    EXPECT_TRUE(quiet->isEffectivelyEnabled());

    // An item moves between menus; a menu that goes away lets its items go.
    auto other = Menu::make();
    other->addItem(restore);
    EXPECT_EQ(menu->numberOfItems(), 3u);
    EXPECT_EQ(restore->menu(), other.get());
    EXPECT_EQ(other->itemWithTitle("Restore All"), restore.get());
    other.reset();
    EXPECT_EQ(restore->menu(), nullptr);
    restore->setState(MenuItemState::on);
    restore->setTag(7);
    restore->setRepresentedObject(uint32_t{42});
    menu->insertItem(restore, 0);
    EXPECT_EQ(menu->itemWithTag(7), restore.get());
    EXPECT_EQ(std::any_cast<uint32_t>(menu->itemAt(0)->representedObject()), 42u);
    // An action that empties its own menu is safe.
    auto clearing = Menu::make();
    clearing->addItem("Clear", [&](MenuItem& item) { item.menu()->removeAllItems(); });
    EXPECT_TRUE(clearing->performActionForItem(0));
    EXPECT_EQ(clearing->numberOfItems(), 0u);
}

TEST_F(ShellTest, AStatusItemStandsInTheMenuBarAndShowsItsMenuWhenClicked) {
    auto item = StatusBar::system().statusItem(StatusItem::squareLength);
    auto wide = StatusBar::system().statusItem(StatusItem::variableLength);
    wide->button().setTitle("Furlpane");
    const desktop::Window& w = *world.window(item->window().windowNumber());
    EXPECT_EQ(w.layer(), windowLevelForKey(WindowLevelKey::status));
    EXPECT_EQ(w.frame(), (Rect{1440 - 120 - 24, 0, 24, 24}));
    EXPECT_EQ(w.space(), 0u);
    const desktop::Window& ww = *world.window(wide->window().windowNumber());
    EXPECT_EQ(ww.frame().maxX(), 1440 - 120 - 24);
    EXPECT_GT(ww.frame().width(), 60);

    auto menu = Menu::make();
    int opened = 0, closed = 0;
    menu->setWillOpen([&](Menu& m) {
        ++opened;
        m.removeAllItems();
        m.addItem("Quit Furlpane Novan", [](MenuItem&) {});
    });
    menu->setDidClose([&](Menu&) { ++closed; });
    item->setMenu(menu);
    EXPECT_TRUE(click({1440 - 120 - 12, 10}));
    EXPECT_EQ(app.openMenu(), menu);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(SimulatedUser::of(world).menuLog().back().kind, MenuPresentationKind::statusItem);
    loop.runUntilIdle();
    EXPECT_FALSE(app.isActive());  // a status item does not bring the program forward
    EXPECT_FALSE(app.chooseMenuItem("Missing"));
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(app.openMenu());

    // Removing an item moves the others.
    StatusBar::system().removeStatusItem(*item);
    EXPECT_EQ(world.window(wide->window().windowNumber())->frame().maxX(), 1440 - 120);
    EXPECT_FALSE(item->window().isVisible());
    // Without a menu a click runs the button's action.
    int actions = 0;
    wide->button().setAction([&] { ++actions; });
    wide->performClick();
    EXPECT_EQ(actions, 1);
    wide->setVisible(false);
    EXPECT_FALSE(wide->window().isVisible());
}

TEST_F(ShellTest, AlertsAreAnsweredByTheResponderAndLogged) {
    Alert alert;
    alert.setMessageText("“Open at login” could not be changed.");
    alert.setInformativeText("Not permitted (error 1)");
    EXPECT_EQ(alert.buttonTitles(), (std::vector<std::string>{"OK"}));
    EXPECT_EQ(alert.runModal(), modal_response::alertFirstButtonReturn);
    EXPECT_EQ(alert.addButton("Move to Applications"), modal_response::alertFirstButtonReturn);
    EXPECT_EQ(alert.addButton("Do Not Move"), modal_response::alertSecondButtonReturn);
    SimulatedUser::of(world).setAlertResponder([](const Alert& a) {
        return a.buttonTitles().size() == 2 ? modal_response::alertSecondButtonReturn : modal_response::cancel;
    });
    EXPECT_EQ(alert.runModal(), modal_response::alertSecondButtonReturn);

    auto window = std::make_shared<Window>(appKit({100, 100, 300, 200}), titledWindowMask);
    int64_t answer = 0;
    alert.beginSheetModal(*window, [&](int64_t r) { answer = r; });
    EXPECT_EQ(answer, 0);
    loop.runUntilIdle();
    EXPECT_EQ(answer, modal_response::alertSecondButtonReturn);
    ASSERT_EQ(SimulatedUser::of(world).alertLog().size(), 3u);
    EXPECT_EQ(SimulatedUser::of(world).alertLog()[0].messageText, "“Open at login” could not be changed.");
    EXPECT_EQ(SimulatedUser::of(world).alertLog()[2].sheetWindow, window->windowNumber());
    EXPECT_EQ(SimulatedUser::of(world).alertLog()[2].buttons.size(), 2u);
}

TEST_F(ShellTest, ActivationPolicyLaunchingAndTermination) {
    struct Delegate : ApplicationDelegate {
        std::vector<std::string> calls;
        TerminateReply reply = TerminateReply::later;
        void applicationDidFinishLaunching() override { calls.push_back("launched"); }
        TerminateReply applicationShouldTerminate() override {
            calls.push_back("should");
            return reply;
        }
        void applicationWillTerminate() override { calls.push_back("will"); }
        bool applicationShouldHandleReopen(bool visible) override {
            calls.push_back(visible ? "reopen visible" : "reopen");
            return false;
        }
    };
    auto delegate = std::make_shared<Delegate>();
    app.setDelegate(delegate);
    app.finishLaunching();
    app.finishLaunching();
    EXPECT_EQ(app.activationPolicy(), platform::ActivationPolicy::accessory);
    EXPECT_TRUE(app.setActivationPolicy(platform::ActivationPolicy::regular));
    EXPECT_EQ(world.ownApplication().activationPolicy(), platform::ActivationPolicy::regular);
    EXPECT_FALSE(app.reopen());

    int stopped = 0;
    app.setTerminationHandler([&] { ++stopped; });
    app.terminate();
    EXPECT_FALSE(app.isTerminated());
    app.replyToApplicationShouldTerminate(false);
    delegate->reply = TerminateReply::now;
    app.terminate();
    EXPECT_TRUE(app.isTerminated());
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(delegate->calls,
              (std::vector<std::string>{"launched", "reopen", "should", "should", "will"}));
}

}  // namespace
}  // namespace appkit_test
