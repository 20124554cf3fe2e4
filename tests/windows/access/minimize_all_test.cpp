// Minimize All: finding the application's menu item, and which windows it would
// minimize on the Spaces shown now.

#include "windows/access/minimize_all.h"

#include "access_test_support.h"
#include "platform/accessibility/world_elements.h"

namespace access_test {
namespace {

using platform::desktop::Control;
using platform::desktop::MenuDescription;
using platform::desktop::MenuItemDescription;
using Item = MinimizeAll::Item;

MenuItemDescription minimize() { return {.title = "Minimize", .commandCharacter = "M", .commandModifiers = 0}; }
MenuItemDescription minimizeAll() { return {.title = "Minimize All", .commandCharacter = "M", .commandModifiers = 2}; }
MenuItemDescription identified(bool enabled = true) {
    return {.title = "Minimize All Windows", .identifier = "miniaturizeAll:", .enabled = enabled};
}
MenuItemDescription other(const char* key) {
    return {.title = "Other", .commandCharacter = key, .commandModifiers = 0};
}

class MinimizeAllTest : public AccessTest {
protected:
    // An application with these menus and one window; the title of the item found.
    std::optional<std::string> found(std::vector<MenuDescription> menus) {
        pid = world.application("com.example.Menus").window("One").menus(std::move(menus)).add().pid();
        const auto item = MinimizeAll::menuItem(pid);
        if (!item) return std::nullopt;
        return stringAttribute(ax::attribute::title, *item);
    }
    // The menu item control of that title.
    Control* itemTitled(const std::string& title) const {
        for (Control* c : world.process(pid)->menuItems()) {
            if (c->title() == title) return c;
        }
        return nullptr;
    }
    int32_t pid = 0;
};

TEST_F(MinimizeAllTest, TheStandardWindowMenusItemIsFoundByItsIdentifierAndPressingItMinimizesAll) {
    world.dockTrips().setDuration(0);
    auto& app = world.application("com.example.Editor").window("One").window("Two").add();
    const auto item = MinimizeAll::menuItem(app.pid());
    ASSERT_TRUE(item);
    EXPECT_EQ(stringAttribute(ax::attribute::title, *item), "Minimize All");
    EXPECT_EQ(MinimizeAll::readItem(*item), (Item{"miniaturizeAll:", "M", 2}));
    const auto expected = MinimizeAll::minimizableWindowIDs(app.pid());
    ASSERT_TRUE(expected);
    EXPECT_EQ(expected->size(), 2u);
    ASSERT_EQ(item->performAction(ax::action::press), AccessibilityError::success);
    for (uint32_t number : *expected) EXPECT_TRUE(world.window(number)->isMinimized());
}

TEST_F(MinimizeAllTest, TheIdentifierWinsElseOptionCommandMDirectlyAfterCommandMFromTheLastMenu) {
    const MenuItemDescription disabledPair = {
        .title = "Off", .commandCharacter = "M", .commandModifiers = 2, .enabled = false};
    const struct {
        std::vector<MenuDescription> menus;
        std::optional<std::string> found;
    } cases[] = {
        {{{"Window", {minimize(), minimizeAll(), other("Z")}}}, "Minimize All"},
        {{{"Window", {minimizeAll(), minimize()}}}, std::nullopt},  // first of its menu
        {{{"Window", {other("N"), minimizeAll()}}}, std::nullopt},  // after another key
        {{{"Window", {minimize(), {.title = "Odd", .commandCharacter = "M"}}}}, std::nullopt},
        {{{"Window", {minimize(), {.title = "Alt", .commandCharacter = "m", .commandModifiers = 2}}}}, std::nullopt},
        {{{"Window", {minimize(), minimizeAll(), identified()}}}, "Minimize All Windows"},
        {{{"First", {identified()}}, {"Last", {minimize(), minimizeAll()}}}, "Minimize All"},
        // A disabled item ends the search with nothing.
        {{{"First", {identified()}}, {"Last", {identified(false)}}}, std::nullopt},
        {{{"First", {minimize(), minimizeAll()}}, {"Last", {minimize(), disabledPair}}}, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(found(c.menus), c.found) << c.menus.back().items.back().title;
    // An item whose enabled state cannot be read counts as enabled.
    EXPECT_EQ(found({{"Window", {minimize(), minimizeAll()}}}), "Minimize All");
    faults().on(FaultCall::readAttribute, "AXEnabled").forControl(itemTitled("Minimize All")->id()).missing();
    EXPECT_TRUE(MinimizeAll::menuItem(pid));
}

TEST_F(MinimizeAllTest, NoMenusNoItemAndUnreadableItemsMatchNothing) {
    auto& bare = world.application("com.example.Bare").window("One").withoutMenus().add();
    EXPECT_FALSE(MinimizeAll::menuItem(bare.pid()));
    EXPECT_EQ(found({{"Window", {identified()}}}), "Minimize All Windows");
    faults().on(FaultCall::readAttributes).forControl(itemTitled("Minimize All Windows")->id()).fail();
    EXPECT_FALSE(MinimizeAll::menuItem(pid));
    const AccessibilityElement element = platform::elementOf(*itemTitled("Minimize All Windows"));
    EXPECT_EQ(MinimizeAll::readItem(element), Item{});
    faults().clear();
    faults().on(FaultCall::readAttributes).times(1).answer(std::vector<AccessibilityValue>{
        AccessibilityValue("miniaturizeAll:"), AccessibilityValue::fromError(AccessibilityError::noValue),
        AccessibilityValue(int64_t{-2})});
    EXPECT_EQ(MinimizeAll::readItem(element), (Item{"miniaturizeAll:", std::nullopt, std::nullopt}));
    faults().on(FaultCall::readAttributes).times(1).answer(std::vector<AccessibilityValue>{AccessibilityValue("x")});
    EXPECT_EQ(MinimizeAll::readItem(element), Item{});
}

TEST_F(MinimizeAllTest, OnlyNumberedWindowsThatCanBeMinimizedNowCount) {
    auto& app = editor({{.title = "Normal"},
                        {.title = "Minimized", .minimized = true},
                        {.title = "Full", .fullScreen = true},
                        {.title = "Disabled", .minimize = ButtonDescription{.enabled = false}},
                        {.title = "Buttonless", .minimize = ButtonDescription{.present = false}},
                        {.title = "Unsure"},
                        {.title = "Unnumbered"}});
    std::map<std::string, uint32_t> numbers;
    for (auto* w : app.windows()) numbers[w->title()] = w->number();
    faults().on(FaultCall::readAttribute, "AXEnabled").forWindow(numbers["Unsure"]).missing();
    faults().on(FaultCall::windowNumber).forWindow(numbers["Unnumbered"]).answer(uint32_t{0});
    EXPECT_EQ(MinimizeAll::minimizableWindowIDs(app.pid()), (std::set<uint32_t>{numbers["Normal"], numbers["Unsure"]}));
}

TEST_F(MinimizeAllTest, WindowsOnASpaceNoDisplayShowsMakeTheSetUnknowable) {
    auto& app = editor({{.title = "Here"}, {.title = "Elsewhere"}});
    const uint64_t other = world.spaces().add(world.displays().first()->number());
    // Hidden windows on the shown Space are off screen but not elsewhere.
    app.hide();
    EXPECT_EQ(MinimizeAll::minimizableWindowIDs(app.pid())->size(), 2u);
    app.unhide();
    ASSERT_TRUE(app.windows()[0]->moveToSpace(other));
    EXPECT_EQ(MinimizeAll::minimizableWindowIDs(app.pid()), std::nullopt);
    // Shown on a second display, that Space counts as current.
    const uint32_t second = world.displays().add({.frame = Rect{1440, 0, 1000, 800}});
    ASSERT_TRUE(app.windows()[0]->moveToSpace(*world.spaces().current(second)));
    EXPECT_TRUE(MinimizeAll::minimizableWindowIDs(app.pid()));
}

TEST_F(MinimizeAllTest, WithoutTheSpacesCallsNothingCanBeTold) {
    world.privateCalls().remove("CGSCopySpacesForWindows");
    EXPECT_EQ(MinimizeAll::minimizableWindowIDs(only({.title = "One"}).pid()), std::nullopt);
}

}  // namespace
}  // namespace access_test
