// Title-bar measurement and the hit tests against it, as plain values.

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "access_test_support.h"
#include "windows/access/target_window.h"

namespace furlpane {
namespace {

using platform::Point;
using platform::Rect;

// A minimize button 14 points tall centred at `centre` below the window's top edge.
Rect buttonAt(double centre) { return Rect{27, centre - 7, 14, 14}; }

struct RowCase {
    std::optional<Rect> button;
    double windowHeight;
    double buttonRow;
    double height;
};

TEST(TitleBarMeasurement, TheButtonRowIsTwiceTheButtonCentreWithinItsBounds) {
    const std::vector<RowCase> cases{
        {Rect{27, 4, 14, 14}, 600, 22, 22},      // spans 4…18, centre 11
        {buttonAt(6), 600, 15, 15},              // raised to the minimum
        {buttonAt(70), 100, 100, 100},           // lowered to the window's height
        {buttonAt(80), 600, 120, 120},           // lowered to the cap
        {Rect{0, 10.25, 10, 0}, 600, 21, 21},    // 20.5 rounds half away from zero
        {Rect{0, 10.2, 10, 0}, 600, 20, 20},     // 20.4 rounds down
        {buttonAt(11), 10, 10, 10},              // a window shorter than the minimum wins
        {std::nullopt, 20, 32, 20},              // no button: exactly 32, the band lowered to 20
        {std::nullopt, 600, 32, 32},
    };
    for (const auto& c : cases) {
        const TitleBar bar = measureTitleBar(c.button, {}, c.windowHeight);
        EXPECT_EQ(bar.buttonBarHeight, c.buttonRow) << "window " << c.windowHeight;
        EXPECT_EQ(bar.height, c.height) << "window " << c.windowHeight;
        EXPECT_TRUE(bar.toolbars.empty());
    }
}

TEST(TitleBarMeasurement, ToolbarsFuseFromTheTopWhileEachBeginsWithinTwoPointsOfTheBand) {
    const Rect row22 = Rect{27, 4, 14, 14};
    // Given in any order; fused in order of their top edges.
    const Rect upper{0, 22, 800, 38};   // 22…60
    const Rect lower{0, 61, 800, 19};   // 61…80
    TitleBar bar = measureTitleBar(row22, {lower, upper}, 600);
    EXPECT_EQ(bar.toolbars, (std::vector<Rect>{upper, lower}));
    EXPECT_EQ(bar.height, 80);
    EXPECT_EQ(bar.buttonBarHeight, 22);

    EXPECT_EQ(measureTitleBar(row22, {Rect{0, 24, 800, 10}}, 600).toolbars.size(), 1u);  // 22 + 2: fused
    bar = measureTitleBar(row22, {Rect{0, 24.5, 800, 10}}, 600);
    EXPECT_TRUE(bar.toolbars.empty());
    EXPECT_EQ(bar.height, 22);
    // A fused toolbar deepens the band, and the next is measured against the new depth.
    bar = measureTitleBar(row22, {Rect{0, 24.5, 800, 10}, Rect{0, 20, 800, 4}}, 600);
    EXPECT_EQ(bar.toolbars, (std::vector<Rect>{Rect{0, 20, 800, 4}, Rect{0, 24.5, 800, 10}}));
    EXPECT_EQ(bar.height, 35);
    // A bottom edge is rounded up to a whole point.
    EXPECT_EQ(measureTitleBar(row22, {Rect{0, 22, 800, 20.2}}, 600).height, 43);
    // A toolbar that would take the band past 120 is fused, the band capped.
    bar = measureTitleBar(row22, {Rect{0, 20, 800, 300}}, 600);
    EXPECT_EQ(bar.toolbars.size(), 1u);
    EXPECT_EQ(bar.height, 120);
    // A toolbar below an unfused one is never fused, even if it would touch the band.
    bar = measureTitleBar(row22, {Rect{0, 30, 800, 5}, Rect{0, 30, 800, 50}}, 600);
    EXPECT_TRUE(bar.toolbars.empty());
    EXPECT_EQ(bar.height, 22);
    // The band never goes past the window's own height.
    EXPECT_EQ(measureTitleBar(row22, {Rect{0, 22, 800, 38}}, 50).height, 50);
}

class TitleBarHits : public access_test::AccessTest {
protected:
    // An 800 × 600 window at (100, 200) with a 22-point button row, a toolbar fused from
    // 22 to 60 and the three buttons at the row's standard places.
    TargetWindow window() const {
        return TargetWindow{1,
                            500,
                            platform::AccessibilityElement::systemWide(),
                            std::nullopt,
                            "",
                            "",
                            Rect{100, 200, 800, 600},
                            measureTitleBar(Rect{27, 4, 14, 14}, {Rect{200, 22, 400, 38}}, 600),
                            {{WindowButton::close, Rect{7, 4, 14, 14}},
                             {WindowButton::minimize, Rect{27, 4, 14, 14}},
                             {WindowButton::zoom, Rect{47, 4, 14, 14}}}};
    }
};

TEST_F(TitleBarHits, TheBareTitleBarIsTheButtonRowLessButtonsGrownByTwoPointsAndToolbars) {
    const TargetWindow w = window();
    ASSERT_EQ(w.titleBar.buttonBarHeight, 22);
    ASSERT_EQ(w.titleBar.height, 60);
    EXPECT_TRUE(w.isOnBareTitleBar({150, 10}));
    EXPECT_TRUE(w.isOnBareTitleBar({150, 22}));    // the row's depth itself is bare
    EXPECT_TRUE(w.isOnBareTitleBar({150, 0}));
    EXPECT_FALSE(w.isOnBareTitleBar({150, -0.5}));
    EXPECT_FALSE(w.isOnBareTitleBar({150, 22.5}));  // below the row, even where no toolbar lies
    EXPECT_FALSE(w.isOnBareTitleBar({400, 22}));    // the fused toolbar begins at the row's depth
    EXPECT_FALSE(w.isOnBareTitleBar({20, 10}));    // on the close button
    EXPECT_FALSE(w.isOnBareTitleBar({42, 10}));    // 1 point right of the minimize button: still on it
    EXPECT_FALSE(w.isOnBareTitleBar({26, 3}));     // 1 point above and left of it
    EXPECT_TRUE(w.isOnBareTitleBar({63, 10}));     // 2 points right of zoom: the grown frame ends there
    EXPECT_TRUE(w.isOnBareTitleBar({43.5, 10}));   // between the grown minimize and zoom buttons

    // A toolbar fused so high that it lies within the button row is never bare.
    TargetWindow high = w;
    high.titleBar = measureTitleBar(Rect{27, 4, 14, 14}, {Rect{200, 10, 400, 30}}, 600);
    EXPECT_FALSE(high.isOnBareTitleBar({300, 15}));
    EXPECT_TRUE(high.isOnBareTitleBar({150, 15}));
}

TEST_F(TitleBarHits, TheTitleBarContainsTheButtonRowAndFusedToolbarsInGlobalPoints) {
    const TargetWindow w = window();
    EXPECT_TRUE(w.titleBarContains({150, 210}));    // in the row
    EXPECT_TRUE(w.titleBarContains({150, 222}));    // the row's depth
    EXPECT_TRUE(w.titleBarContains({350, 240}));    // below the row, inside the fused toolbar
    EXPECT_FALSE(w.titleBarContains({150, 240}));   // below the row, outside every toolbar
    EXPECT_FALSE(w.titleBarContains({350, 260.5})); // past the band
    EXPECT_FALSE(w.titleBarContains({700, 240}));   // the toolbar's right edge lies at 700
    // Nothing bounds the test from above the window, nor sideways within the row.
    EXPECT_TRUE(w.titleBarContains({5000, 150}));
}

}  // namespace
}  // namespace furlpane
