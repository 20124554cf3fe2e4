#include "ui_support.h"

namespace ui_test {
namespace {

using LayoutTest = UiTest;

struct Placement {
    const char* name;
    std::function<View()> root;
    // Frames in the 400 × 300 content of the window, top-left origin.
    std::vector<std::pair<std::string, Rect>> frames;
};

TEST_F(LayoutTest, StacksFramesAndPaddingPlaceTheirChildren) {
    const std::vector<Placement> cases = {
        {"a leading column, 10 apart, centred in the window",
         [] { return VStack({box("a", 50, 20), box("b", 80, 30)}, {.alignment = HorizontalAlignment::leading, .spacing = 10}); },
         {{"a", {160, 120, 50, 20}}, {"b", {160, 150, 80, 30}}}},
        {"a centred column",
         [] { return VStack({box("a", 50, 20), box("b", 80, 30)}, {.spacing = 10}); },
         {{"a", {175, 120, 50, 20}}}},
        {"a spacer pushes the row's ends apart",
         [] { return HStack({box("a", 50, 20), Spacer(), box("b", 30, 20)}, {.spacing = 0}).frame(200, std::nullopt); },
         {{"a", {100, 140, 50, 20}}, {"b", {270, 140, 30, 20}}}},
        {"the default spacing is 8",
         [] { return HStack({box("a", 50, 20), box("b", 30, 20)}); },
         {{"a", {156, 140, 50, 20}}, {"b", {214, 140, 30, 20}}}},
        {"padding adds to every side",
         [] { return box("a", 50, 20).padding(10).background(Shape::rectangle().fill(Style::quaternary()).accessibilityLabel("pad")); },
         {{"a", {175, 140, 50, 20}}, {"pad", {165, 130, 70, 40}}}},
        {"a frame without bounds fills the window",
         [] { return Shape::rectangle().fill(Style::accent()).accessibilityLabel("a").frame({.maxWidth = infinity, .maxHeight = infinity}); },
         {{"a", {0, 0, 400, 300}}}},
        {"a maximum width leading inside an unbounded frame",
         [] {
             return box("a", 100, 20).frame({.maxWidth = 240, .alignment = Alignment::leading()}).frame({.maxWidth = infinity});
         },
         {{"a", {80, 140, 100, 20}}}},
        {"a fixed width and a minimum height that the window exceeds",
         [] {
             return Shape::rectangle().fill(Style::accent()).accessibilityLabel("a").frame(250, std::nullopt).frame({.minHeight = 200});
         },
         {{"a", {75, 0, 250, 300}}}},
    };
    for (const Placement& c : cases) {
        SCOPED_TRACE(c.name);
        show(c.root);
        for (const auto& [name, frame] : c.frames) EXPECT_EQ(frameOf(name), frame) << describe(frameOf(name));
    }
}

TEST_F(LayoutTest, AMinimumHeightHoldsInAShortWindow) {
    show([] { return Shape::rectangle().fill(Style::accent()).accessibilityLabel("a").frame({.minHeight = 500}); });
    EXPECT_EQ(frameOf("a").height(), 500);
}

TEST_F(LayoutTest, GridColumnsTakeTheirWidestCellAndFlexibleColumnsShareTheRest) {
    show([] {
        return Grid({GridRow({box("a", 60, 20).gridColumnAlignment(HorizontalAlignment::trailing), box("b", 40, 20)}),
                     GridRow({box("c", 100, 30),
                              Shape::rectangle().fill(Style::accent()).accessibilityLabel("wide").frame({.maxWidth = infinity, .maxHeight = 10})}),
                     Divider()},
                    {.alignment = Alignment::leading(), .horizontalSpacing = 12, .verticalSpacing = 10})
            .frame(300, std::nullopt);
    });
    // Columns of 100 and 300 − 100 − 12 = 188; rows of 20 and 30, 10 apart, and the
    // divider's 1 under them.
    const Rect a = frameOf("a");
    EXPECT_EQ(a.size, (Size{60, 20}));
    EXPECT_EQ(frameOf("c").minX() + 100 - 60, a.minX());
    EXPECT_EQ(frameOf("b").minX(), frameOf("c").minX() + 112);
    EXPECT_EQ(frameOf("wide").width(), 188);
    EXPECT_EQ(frameOf("c").minY(), a.minY() + 30);
}

TEST_F(LayoutTest, TextWrapsToTheWidthItIsOfferedAndKeepsItsLineLimit) {
    const std::string words = "one two three four five six seven eight nine ten eleven twelve";
    show([words] {
        return VStack({Text(words).frame(120, std::nullopt), Text(words).lineLimit(2).frame(120, std::nullopt),
                       Text(words).lineLimit(1).frame(120, std::nullopt), Text("one"), Text(words).fixedSize()});
    });
    const auto texts = host->findAll(ControlKind::text);
    ASSERT_EQ(texts.size(), 5u);
    const double line = texts[3].frame().height();
    EXPECT_EQ(line, 16);
    EXPECT_LE(texts[0].frame().width(), 120);
    EXPECT_GT(texts[0].frame().height(), 3 * line);
    EXPECT_EQ(texts[1].frame().height(), 2 * line);
    EXPECT_EQ(texts[2].frame().height(), line);
    EXPECT_LE(texts[2].frame().width(), 120);
    // At its ideal size a text is one line, wider than the window.
    EXPECT_EQ(texts[4].frame().height(), line);
    EXPECT_GT(texts[4].frame().width(), 400);
}

TEST_F(LayoutTest, AMonospacedTextGivesEveryCharacterOneWidth) {
    show([] {
        return VStack({Text("iiii").monospaced(), Text("WWWW").monospaced(), Text("iiii"), Text("WWWW")});
    });
    const auto texts = host->findAll(ControlKind::text);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].frame().width(), texts[1].frame().width());
    EXPECT_LT(texts[2].frame().width(), texts[3].frame().width());
    EXPECT_NE(host->outline().find("Text \"iiii\" monospaced"), std::string::npos);
}

}  // namespace
}  // namespace ui_test
