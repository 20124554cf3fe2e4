#include "temp_folder.h"
#include "ui_support.h"

namespace ui_test {
namespace {

using PresentationsTest = UiTest;

// A view that opens a sheet with a text, a Done button that dismisses it through the
// environment, and a toggle.
struct SheetState {
    State<bool> isShowing{false};
};

View sheetHost(Binding<bool> flag) {
    return WithState<SheetState>([flag](const std::shared_ptr<SheetState>& state) {
        return VStack({Button("Open", [state] { state->isShowing.set(true); }), Toggle("Behind", flag)})
            .sheet(state->isShowing.binding(), [flag] {
                return EnvironmentReader([flag](const Environment& env) {
                    return VStack({Text("Keyboard Shortcut"), Toggle("Inside", flag),
                                   Button("Done", [dismiss = env.dismissAction] { dismiss(); })
                                       .keyboardShortcut(KeyboardShortcut::cancelAction)})
                        .padding(20)
                        .frame(400, std::nullopt);
                });
            });
    });
}

TEST_F(PresentationsTest, ASheetIsAWindowAttachedToTheHostsWindowUntilItIsDismissed) {
    show([flag = flag] { return sheetHost(flag); });
    clickOn(control(ControlKind::button, "Open"));
    ASSERT_EQ(host->sheetWindows().size(), 1u);
    const std::shared_ptr<Window> sheet = host->sheetWindows().front();
    EXPECT_EQ(window->attachedSheet(), sheet.get());
    EXPECT_TRUE(sheet->isKeyWindow());
    EXPECT_EQ(sheet->frame().width(), 400);
    EXPECT_NE(host->outline().find("Sheet\n  VStack\n    Text \"Keyboard Shortcut\"\n"), std::string::npos) << host->outline();
    // The window under the sheet takes no clicks; the sheet does.
    clickOn(control(ControlKind::toggle, "Behind"));
    EXPECT_FALSE(settings->flag());
    clickOn(control(ControlKind::toggle, "Inside"));
    EXPECT_TRUE(settings->flag());
    // Escape reaches the sheet, the key window, whose cancel button dismisses it.
    injectEvents(input_sequences::keyPress(53));
    settle();
    EXPECT_TRUE(host->sheetWindows().empty());
    EXPECT_EQ(window->attachedSheet(), nullptr);
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_EQ(host->outline().find("Sheet"), std::string::npos);
}

struct AlertCase {
    const char* name;
    // The answer the user gives: the n-th button, or another way of dismissing.
    int64_t response;
    std::vector<std::string> ran;
};

TEST_F(PresentationsTest, AnAlertRunsTheChosenButtonsActionAndThenStopsBeingPresented) {
    const AlertCase cases[] = {
        {"OK", modal_response::alertFirstButtonReturn, {"ok"}},
        {"Retry", modal_response::alertSecondButtonReturn, {"retry"}},
        {"dismissed otherwise", modal_response::cancel, {}},
    };
    for (const AlertCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> ran;
        State<bool> failed(true);
        user.setAlertResponder([&c](const Alert&) { return c.response; });
        show([&ran, failed] {
            return Text("Open at login").alert("“Open at login” could not be changed.", failed.binding(),
                                               {{"OK", ButtonRole::none, [&ran] { ran.push_back("ok"); }},
                                                {"Retry", ButtonRole::none, [&ran] { ran.push_back("retry"); }}},
                                               "The operation failed. (error 1)");
        });
        settle();
        EXPECT_EQ(ran, c.ran);
        EXPECT_FALSE(failed.peek());
        const platform::AlertRecord& shown = user.alertLog().back();
        EXPECT_EQ(shown.messageText, "“Open at login” could not be changed.");
        EXPECT_EQ(shown.informativeText, "The operation failed. (error 1)");
        EXPECT_EQ(shown.buttons, (std::vector<std::string>{"OK", "Retry"}));
        EXPECT_EQ(shown.sheetWindow, window->windowNumber());
    }
    // Each alert was shown once.
    EXPECT_EQ(user.alertLog().size(), 3u);
}

TEST_F(PresentationsTest, TheFileDialogLetsThroughOnlyAnApplicationBundle) {
    furlpane_test::TempFolder folder;
    furlpane_test::writeText(folder / "Editor.APP/Contents/Info.plist", "<plist/>");
    furlpane_test::writeText(folder / "notes.txt", "text");
    struct Case {
        const char* name;
        std::optional<std::vector<std::filesystem::path>> chosen;
        std::string outcome;
    };
    const Case cases[] = {
        {"an application", std::vector{folder / "Editor.APP"}, "Editor.APP"},
        {"a plain file", std::vector{folder / "notes.txt"}, "failure"},
        {"a missing file", std::vector{folder / "Gone.app"}, "failure"},
        {"cancelled", std::nullopt, "nothing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        State<bool> choosing(false);
        std::string outcome = "nothing";
        user.setOpenPanelResponder([&c](const OpenPanel&) { return c.chosen; });
        show([choosing, &outcome] {
            return Button("Choose…", [choosing] { choosing.set(true); })
                .fileImporter(choosing.binding(), {content_types::application},
                              [&outcome](Result<std::filesystem::path> chosen) {
                                  outcome = chosen ? chosen->filename().string() : "failure";
                              });
        });
        clickOn(control(ControlKind::button, "Choose…"));
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_FALSE(choosing.peek());
        EXPECT_EQ(user.openPanelLog().back().allowedContentTypes,
                  (std::vector<std::string>{content_types::application}));
    }
    EXPECT_EQ(user.openPanelLog().size(), 4u);
}

TEST_F(PresentationsTest, ATooltipShowsAfterThePointerRestsASecondAndGoesWhenItLeaves) {
    show([] { return VStack({box("plain", 100, 30), box("helpful", 100, 30).help("Remove this shortcut.")}); });
    const Rect helpful = control(ControlKind::shape, "helpful").screenFrame();
    injectEvent(EventRecord::mouse(EventType::mouseMoved, helpful.mid()));
    settle();
    loop.advance(0.5);
    EXPECT_EQ(host->visibleToolTip(), std::nullopt);
    loop.advance(0.6);
    EXPECT_EQ(host->visibleToolTip(), std::optional<std::string>("Remove this shortcut."));
    injectEvent(EventRecord::mouse(EventType::mouseMoved, control(ControlKind::shape, "plain").screenFrame().mid()));
    settle();
    EXPECT_EQ(host->visibleToolTip(), std::nullopt);
    loop.advance(2);
    EXPECT_EQ(host->visibleToolTip(), std::nullopt);
}

}  // namespace
}  // namespace ui_test
