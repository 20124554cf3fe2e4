#include "ui_support.h"

namespace ui_test {
namespace {

using ControlsTest = UiTest;

TEST_F(ControlsTest, AnInjectedClickOnACheckboxWritesThroughItsBindingAndTheTreeFollows) {
    show([flag = flag] { return Toggle("Keep it", flag); });
    Control toggle = control(ControlKind::toggle, "Keep it");
    clickOn(toggle);
    EXPECT_TRUE(settings->flag());
    EXPECT_EQ(toggle.value(), "on");
    EXPECT_EQ(host->outline(), "Toggle \"Keep it\" on\n");
    // A click beside it reaches nothing.
    injectEvents(input_sequences::click({toggle.screenFrame().maxX() + 20, toggle.screenFrame().midY()}));
    settle();
    EXPECT_TRUE(settings->flag());
    clickOn(toggle);
    EXPECT_FALSE(settings->flag());
    EXPECT_EQ(settings->writes, 2);
}

TEST_F(ControlsTest, AChangeMadeElsewhereShowsAtTheNextRebuildAndNotBefore) {
    int builds = 0;
    show([&builds, flag = flag, amount = amount] {
        ++builds;
        return VStack({Toggle("Keep it", flag), Slider(amount, 0, 1)});
    });
    const int before = builds;
    settings->setFlag(true);
    settings->setAmount(0.25);
    EXPECT_EQ(control(ControlKind::toggle, "Keep it").value(), "off");
    settle();
    EXPECT_EQ(builds, before + 1);
    EXPECT_EQ(control(ControlKind::toggle, "Keep it").value(), "on");
    EXPECT_EQ(host->findAll(ControlKind::slider).at(0).value(), "0.25");
    // An equal value is no change.
    settings->setFlag(true);
    settle();
    EXPECT_EQ(builds, before + 1);
}

TEST_F(ControlsTest, DisablingReachesEveryControlInsideAndCannotBeUndoneThere) {
    bool pressed = false;
    show([&pressed, flag = flag, choice = choice, amount = amount] {
        return VStack({Toggle("Keep it", flag), Button("Press", [&pressed] { pressed = true; }),
                       Picker("Pick", choice, {Text("One").tag(1), Text("Two").tag(2)}),
                       Slider(amount, 0, 1).disabled(false),
                       List(Binding<std::optional<int>>(), {Text("Row").tag(1)}).frame(100, 40)})
            .disabled(true);
    });
    for (ControlKind kind : {ControlKind::toggle, ControlKind::button, ControlKind::picker, ControlKind::slider,
                             ControlKind::row}) {
        SCOPED_TRACE(describe(kind));
        Control c = host->findAll(kind).at(0);
        EXPECT_FALSE(c.isEnabled());
        EXPECT_FALSE(c.click());
        clickOn(c);
    }
    EXPECT_FALSE(control(ControlKind::picker, "Pick").choose("Two"));
    EXPECT_FALSE(host->findAll(ControlKind::slider).at(0).setValue(0.9));
    EXPECT_EQ(settings->writes, 0);
    EXPECT_FALSE(pressed);
    EXPECT_EQ(app.openMenu(), nullptr);
    EXPECT_NE(host->outline().find("Toggle \"Keep it\" off disabled"), std::string::npos) << host->outline();
}

TEST_F(ControlsTest, APickerShowsItsValuesItemInAMenuOfSectionsAndWritesThePickedTag) {
    show([choice = choice] {
        return Picker("Animation", choice,
                      {Section("Simple", {Text("Fade").tag(1), Text("Scale").tag(2)}),
                       Section("Complex", {Text("Roll").tag(3)}), Divider(), Text("None").tag(0)});
    });
    Control picker = control(ControlKind::picker, "Animation");
    EXPECT_EQ(picker.value(), "Fade");
    EXPECT_EQ(picker.menuItems(),
              (std::vector<std::string>{"# Simple", "Fade", "Scale", "-", "# Complex", "Roll", "-", "None"}));
    // The user's road: a click opens the program's menu, a choice in it writes.
    clickOn(picker);
    ASSERT_NE(app.openMenu(), nullptr);
    EXPECT_EQ(app.openMenu()->itemWithTitle("Fade")->state(), MenuItemState::on);
    EXPECT_FALSE(app.openMenu()->itemWithTitle("Simple")->isEffectivelyEnabled());
    EXPECT_TRUE(app.chooseMenuItem("Roll"));
    settle();
    EXPECT_EQ(settings->choice(), 3);
    EXPECT_EQ(picker.value(), "Roll");
    // A header is not a choice; a stored value that matches no item shows none chosen.
    EXPECT_FALSE(picker.choose("Complex"));
    settings->setChoice(42);
    settle();
    EXPECT_EQ(picker.value(), "");
    EXPECT_TRUE(picker.choose("None"));
    EXPECT_EQ(settings->choice(), 0);
}

TEST_F(ControlsTest, AMenuButtonRunsTheChosenItemsAction) {
    std::vector<std::string> chosen;
    show([&chosen] {
        return MenuButton(SymbolImage("plus"), {Button("Safari", [&chosen] { chosen.push_back("Safari"); }), Divider(),
                                                Button("Choose…", [&chosen] { chosen.push_back("Choose…"); })})
            .menuIndicatorHidden();
    });
    Control menu = control(ControlKind::menuButton, "plus");
    EXPECT_EQ(menu.menuItems(), (std::vector<std::string>{"Safari", "-", "Choose…"}));
    EXPECT_TRUE(menu.choose("Choose…"));
    clickOn(menu);
    EXPECT_TRUE(app.chooseMenuItem("Safari"));
    EXPECT_EQ(chosen, (std::vector<std::string>{"Choose…", "Safari"}));
}

TEST_F(ControlsTest, AListSelectsTheClickedRowAndNothingBelowTheRows) {
    State<std::optional<std::string>> selected(std::string("b"));
    show([selected] {
        return List(selected.binding(), {Label("Default", "gearshape").tag(std::string("default")),
                                         Text("Beta").strikethrough().foregroundStyle(Style::secondary()).tag(std::string("b")),
                                         Text("Gamma").tag(std::string("g"))})
            .frame(200, 150);
    });
    EXPECT_EQ(control(ControlKind::list, "").value(), "Beta");
    clickOn(control(ControlKind::row, "Gamma"));
    EXPECT_EQ(selected.peek(), std::optional<std::string>("g"));
    EXPECT_EQ(host->outline(),
              "List\n"
              "  Row \"Default\"\n"
              "    Label \"Default\"\n"
              "  Row \"Beta\"\n"
              "    Text \"Beta\" secondary struck\n"
              "  Row \"Gamma\" selected\n"
              "    Text \"Gamma\"\n");
    const Rect list = control(ControlKind::list, "").screenFrame();
    injectEvents(input_sequences::click({list.midX(), list.maxY() - 5}));
    settle();
    EXPECT_EQ(selected.peek(), std::nullopt);
}

TEST_F(ControlsTest, ASliderFollowsTheDragWithinItsBounds) {
    show([amount = amount] { return Slider(amount, 0.1, 2.0).frame(200, std::nullopt); });
    Control slider = host->findAll(ControlKind::slider).at(0);
    const Rect r = slider.screenFrame();
    // The track runs between the knob's half-widths (8 points) at each end.
    injectEvents(input_sequences::drag({r.minX() + 8, r.midY()}, {r.maxX() + 50, r.midY()}, 4));
    settle();
    EXPECT_GE(settings->writes, 4);
    EXPECT_DOUBLE_EQ(settings->amount(), 2.0);
    EXPECT_TRUE(slider.setValue(-3));
    EXPECT_DOUBLE_EQ(settings->amount(), 0.1);
    EXPECT_TRUE(slider.setValue(1.05));
    settle();
    EXPECT_EQ(slider.value(), "1.05");
}

TEST_F(ControlsTest, ASliderWithUnusableBoundsShowsItsLowerEndAndWritesNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, double> bounds[] = {{2.0, 0.5}, {nan, 1.0}, {0.0, infinity}};
    for (const auto& [lower, upper] : bounds) {
        show([amount = amount, lower, upper] { return Slider(amount, lower, upper).frame(200, std::nullopt); });
        Control slider = host->findAll(ControlKind::slider).at(0);
        EXPECT_FALSE(slider.setValue(0.7));
        injectEvents(input_sequences::click(slider.screenFrame().mid()));
        settle();
    }
    EXPECT_EQ(settings->writes, 0);
}

TEST_F(ControlsTest, TheScrollWheelMovesTheContentUnderThePointerWithinItsEnds) {
    show([flag = flag] {
        std::vector<View> rows;
        for (int i = 0; i < 20; ++i) rows.push_back(box("row" + std::to_string(i), 100, 40));
        rows.push_back(Toggle("At the end", flag));
        return ScrollView(VStack(rows, {.spacing = 10})).frame(200, 200);
    });
    const Rect scroll = host->findAll(ControlKind::scrollView).at(0).screenFrame();
    const double top = frameOf("row0").minY();
    injectEvent(EventRecord::scroll(scroll.mid(), -120));
    settle();
    EXPECT_EQ(frameOf("row0").minY(), top - 120);
    injectEvent(EventRecord::scroll(scroll.mid(), -100000));
    settle();
    // Scrolled to the end the last row is in view, and a click there reaches it.
    Control last = control(ControlKind::toggle, "At the end");
    EXPECT_LE(last.screenFrame().maxY(), scroll.maxY());
    clickOn(last);
    EXPECT_TRUE(settings->flag());
    injectEvent(EventRecord::scroll(scroll.mid(), 100000));
    settle();
    EXPECT_EQ(frameOf("row0").minY(), top);
}

TEST_F(ControlsTest, ReturnAndEscapePressTheDefaultAndCancelButtons) {
    std::vector<std::string> pressed;
    State<bool> canSet(false);
    show([&pressed, canSet] {
        return HStack({Button("Cancel", [&pressed] { pressed.push_back("cancel"); }).keyboardShortcut(KeyboardShortcut::cancelAction),
                       Button("Set", [&pressed] { pressed.push_back("set"); })
                           .keyboardShortcut(KeyboardShortcut::defaultAction)
                           .disabled(!canSet.get())});
    });
    injectEvents(input_sequences::keyPress(36));
    injectEvents(input_sequences::keyPress(53));
    settle();
    canSet.set(true);
    settle();
    injectEvents(input_sequences::keyPress(76));
    injectEvents(input_sequences::keyPress(36, AppEvent::command));
    settle();
    EXPECT_EQ(pressed, (std::vector<std::string>{"cancel", "set"}));
    EXPECT_NE(host->outline().find("Button \"Set\" [return]"), std::string::npos);
}

}  // namespace
}  // namespace ui_test
