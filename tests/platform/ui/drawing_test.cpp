#include <cstdlib>
#include <filesystem>

#include "platform/appkit/layer_rendering.h"
#include "platform/graphics/png_codec.h"
#include "ui_support.h"

namespace ui_test {
namespace {

using DrawingTest = UiTest;

// The colour at a point of the window's content (top-left content coordinates) in a
// picture of the window at scale 1.
Pixel at(const Image& picture, Point p) { return picture.pixel(int(p.x), int(p.y + Window::kTitleBarHeight)); }

View gallery(const Binding<bool>& flag, const Binding<int>& choice, const Binding<double>& amount) {
    return VStack(
               {Text("Controls").font(Font::headline()),
                Toggle("Switched on", Binding<bool>::constant(true)), Toggle("Switched off", flag),
                Toggle("Greyed", Binding<bool>::constant(true)).disabled(true),
                Toggle("As a switch", Binding<bool>::constant(true)).toggleStyle(ToggleStyle::switchStyle),
                Text("A note that informs, in the secondary colour, and wraps onto as many lines as it needs.")
                    .font(Font::caption())
                    .foregroundStyle(Style::secondary())
                    .padding(leadingEdge, 22),
                Text("A note that asks the user to act.").font(Font::caption()).foregroundStyle(Style::orange()),
                Button("Open Settings", [] {}).controlSize(ControlSize::small), Divider(),
                Grid({GridRow({Text("Animation:").gridColumnAlignment(HorizontalAlignment::trailing),
                               Picker("", choice, {Text("Fade").tag(1), Text("Black Hole").tag(2)}).labelsHidden()}),
                      GridRow({Text("Size:"), HStack({Slider(amount, 0, 1), Text("64 pt").monospacedDigit().frame(52, std::nullopt, Alignment::trailing())})})},
                     {.alignment = Alignment::leading(), .horizontalSpacing = 12, .verticalSpacing = 10}),
                HStack({Label("Default Settings", "gearshape"), Spacer(),
                        Button(SymbolImage("minus.circle"), [] {}).buttonStyle(ButtonStyle::borderless),
                        MenuButton(SymbolImage("plus"), {Button("Choose…", [] {})}).buttonStyle(ButtonStyle::borderless)}),
                HStack({Button("Cancel", [] {}), Button("Set Shortcut", [] {}).keyboardShortcut(KeyboardShortcut::defaultAction)})},
               {.alignment = HorizontalAlignment::leading, .spacing = 10})
        .padding(20)
        .frame({.maxWidth = 480, .maxHeight = infinity, .alignment = Alignment::topLeading()});
}

TEST_F(DrawingTest, ControlsDrawTheirStateAndDisabledOnesFade) {
    show([flag = flag, choice = choice, amount = amount] { return gallery(flag, choice, amount); }, {480, 520});
    auto picture = renderWindowPicture(*window, 1);
    ASSERT_TRUE(picture.has_value());
    const auto toggles = host->findAll(ControlKind::toggle);
    ASSERT_EQ(toggles.size(), 4u);
    // The boxes sit at the leading edge of each toggle, 14 points a side; their top middle
    // is clear of the check mark.
    const auto boxEdge = [&](const Control& c) { return at(*picture, {c.frame().minX() + 7, c.frame().minY() + 3}); };
    const Pixel on = boxEdge(toggles[0]);
    const Pixel off = boxEdge(toggles[1]);
    const Pixel greyed = boxEdge(toggles[2]);
    EXPECT_GT(on.b, 200);
    EXPECT_LT(on.r, 60);
    EXPECT_GT(off.r, 200);
    EXPECT_GT(greyed.r, on.r + 60);
    // Text puts ink inside its frame.
    const Rect title = control(ControlKind::text, "Controls").frame();
    int dark = 0;
    for (int x = int(title.minX()); x < int(title.maxX()); ++x) dark += at(*picture, {double(x), title.midY()}).g < 100;
    EXPECT_GT(dark, 5);
    if (const char* dir = std::getenv("FURLPANE_FRAME_DIR")) {
        auto sharp = renderWindowPicture(*window, 2);
        ASSERT_TRUE(sharp.has_value());
        std::filesystem::create_directories(dir);
        EXPECT_TRUE(writePNG(*sharp, std::filesystem::path(dir) / "ui-controls.png"));
    }
}

}  // namespace
}  // namespace ui_test
