#include "platform/appkit/layer_rendering.h"
#include "temp_folder.h"
#include "ui_support.h"

namespace ui_test {
namespace {

using BadInputTest = UiTest;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Sizing {
    const char* name;
    View view;
    Size expected;
};

TEST_F(BadInputTest, UnusableLengthsCountAsNotGiven) {
    const Sizing cases[] = {
        {"a frame of NaN and a negative height", box("a", 30, 20).frame(kNaN, -3), {30, 20}},
        {"an infinite frame width", box("a", 30, 20).frame(infinity, std::nullopt), {30, 20}},
        {"padding of NaN and infinity", box("a", 30, 20).padding(kNaN).padding(infinity), {30, 20}},
        {"a negative stack spacing is the default", HStack({box("a", 30, 20), box("b", 30, 20)}, {.spacing = -4}), {68, 20}},
        {"a spacer of NaN length is the default", HStack({box("a", 30, 20), Spacer(kNaN)}).fixedSize(), {46, 20}},
        {"an empty grid", Grid({}), {0, 0}},
        {"an empty text is one empty line", Text(""), {0, 16}},
        {"an unknown symbol takes its square", SymbolImage("no.such.symbol"), {16, 16}},
    };
    for (const Sizing& c : cases) {
        SCOPED_TRACE(c.name);
        show([view = c.view] { return view; });
        EXPECT_EQ(host->idealSize(), c.expected) << describe(Rect{{}, host->idealSize()});
    }
}

TEST_F(BadInputTest, ControlsShowSafeValuesForValuesTheyCannotShow) {
    State<double> value(kNaN);
    show([value] {
        return VStack({Slider(value.binding(), 0, 1).frame(100, std::nullopt), Picker("Empty", Binding<int>::constant(3), {}),
                       TabView(Binding<int>::constant(9), {makeTab<int>("Only", "gearshape", 1, [] { return Text("inside"); })})});
    });
    EXPECT_EQ(host->findAll(ControlKind::slider).at(0).value(), "nan");
    EXPECT_EQ(control(ControlKind::picker, "Empty").value(), "");
    EXPECT_TRUE(control(ControlKind::picker, "Empty").menuItems().empty());
    // A selection that names no tab shows no tab's content.
    EXPECT_FALSE(host->find(ControlKind::text, "inside"));
    EXPECT_TRUE(renderWindowPicture(*window, 1).has_value());
}

TEST_F(BadInputTest, AWindowWithoutRoomAndAHugeTextDrawWithoutHarm) {
    const std::string huge(20000, 'w');
    show([huge] { return VStack({Text(huge + " " + huge), Toggle("Cramped", Binding<bool>::constant(true))}); }, {0, 0});
    EXPECT_FALSE(renderWindowPicture(*window, 2).has_value());
    window->setContentSize({120, 90});
    settle();
    // Words are not broken: each of the two takes a line of its own, wider than the window.
    EXPECT_EQ(control(ControlKind::text, huge + " " + huge).frame().height(), 32);
    EXPECT_TRUE(renderWindowPicture(*window, 2).has_value());
}

TEST_F(BadInputTest, TheFileDialogRefusesSeveralFilesWhereOneIsAsked) {
    furlpane_test::TempFolder folder;
    furlpane_test::writeText(folder / "One.app/Contents/Info.plist", "<plist/>");
    furlpane_test::writeText(folder / "Two.app/Contents/Info.plist", "<plist/>");
    user.setOpenPanelResponder([&folder](const OpenPanel&) {
        return std::vector{folder / "One.app", folder / "Two.app"};
    });
    std::string outcome;
    State<bool> choosing(true);
    show([choosing, &outcome] {
        return Text("Choose").fileImporter(choosing.binding(), {content_types::application},
                                           [&outcome](Result<std::filesystem::path> chosen) { outcome = chosen.error().message; });
    });
    EXPECT_EQ(outcome, "only one file can be chosen");
    EXPECT_EQ(user.openPanelLog().back().result.response, OpenPanelResult::Response::failure);
}

}  // namespace
}  // namespace ui_test
