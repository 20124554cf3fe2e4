// Title-bar measurement and the hit tests against it, as plain values.

#include "access_test_support.h"
#include "windows/access/target_window.h"

namespace access_test {
namespace {

// A minimize button 14 points tall centred at `centre` below the window's top edge.
Rect buttonAt(double centre) { return Rect{27, centre - 7, 14, 14}; }
// The button of a 22-point row: it spans 4 ... 18, centre 11.
constexpr Rect kRow22Button{27, 4, 14, 14};

TEST(TitleBarMeasurement, TheButtonRowIsTwiceTheButtonCentreWithinItsBounds) {
    const struct {
        std::optional<Rect> button;
        double windowHeight, buttonRow, height;
    } cases[] = {
        {kRow22Button, 600, 22, 22},
        {buttonAt(6), 600, 15, 15},            // raised to the minimum
        {buttonAt(70), 100, 100, 100},         // lowered to the window's height
        {buttonAt(80), 600, 120, 120},         // lowered to the cap
        {Rect{0, 10.25, 10, 0}, 600, 21, 21},  // 20.5 rounds half away from zero
        {Rect{0, 10.2, 10, 0}, 600, 20, 20},   // 20.4 rounds down
        {buttonAt(11), 10, 10, 10},            // a window shorter than the minimum wins
        {std::nullopt, 20, 32, 20},            // no button: exactly 32, the band lowered to 20
        {std::nullopt, 600, 32, 32},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(measureTitleBar(c.button, {}, c.windowHeight), (TitleBar{c.height, {}, c.buttonRow}))
            << "window " << c.windowHeight << ", row " << c.buttonRow;
    }
}

TEST(TitleBarMeasurement, ToolbarsFuseFromTheTopWhileEachBeginsWithinTwoPointsOfTheBand) {
    const Rect upper{0, 22, 800, 38};  // 22 ... 60
    const Rect lower{0, 61, 800, 19};  // 61 ... 80
    const struct {
        std::vector<Rect> toolbars;
        double windowHeight;
        std::vector<Rect> fused;
        double height;
    } cases[] = {
        // Given in any order; fused in order of their top edges.
        {{lower, upper}, 600, {upper, lower}, 80},
        {{Rect{0, 24, 800, 10}}, 600, {Rect{0, 24, 800, 10}}, 34},  // 22 + 2: fused
        {{Rect{0, 24.5, 800, 10}}, 600, {}, 22},
        // A fused toolbar deepens the band, and the next is measured against the new depth.
        {{Rect{0, 24.5, 800, 10}, Rect{0, 20, 800, 4}}, 600, {Rect{0, 20, 800, 4}, Rect{0, 24.5, 800, 10}}, 35},
        // A bottom edge is rounded up to a whole point.
        {{Rect{0, 22, 800, 20.2}}, 600, {Rect{0, 22, 800, 20.2}}, 43},
        // A toolbar that would take the band past 120 is fused, the band capped.
        {{Rect{0, 20, 800, 300}}, 600, {Rect{0, 20, 800, 300}}, 120},
        // A toolbar below an unfused one is never fused, even if it would touch the band.
        {{Rect{0, 30, 800, 5}, Rect{0, 30, 800, 50}}, 600, {}, 22},
        // The band never goes past the window's own height.
        {{upper}, 50, {upper}, 50},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(measureTitleBar(kRow22Button, c.toolbars, c.windowHeight), (TitleBar{c.height, c.fused, 22}))
            << "band " << c.height;
    }
}

// An 800 × 600 window at (100, 200) with a 22-point button row, a toolbar fused from
// 22 to 60 and the three buttons at the row's standard places.
class TitleBarHits : public AccessTest {
protected:
    const TargetWindow w{1,
                         500,
                         AccessibilityElement::systemWide(),
                         std::nullopt,
                         "",
                         "",
                         Rect{100, 200, 800, 600},
                         measureTitleBar(kRow22Button, {Rect{200, 22, 400, 38}}, 600),
                         {{WindowButton::close, Rect{7, 4, 14, 14}},
                          {WindowButton::minimize, kRow22Button},
                          {WindowButton::zoom, Rect{47, 4, 14, 14}}}};
};

TEST_F(TitleBarHits, TheBareTitleBarIsTheButtonRowLessButtonsGrownByTwoPointsAndToolbars) {
    ASSERT_EQ(w.titleBar, (TitleBar{60, {Rect{200, 22, 400, 38}}, 22}));
    const std::pair<Point, bool> points[] = {
        {{150, 10}, true},    {{150, 22}, true},  // the row's depth itself is bare
        {{150, 0}, true},     {{150, -0.5}, false},
        {{150, 22.5}, false},                     // below the row, even where no toolbar lies
        {{400, 22}, false},                       // the fused toolbar begins at the row's depth
        {{20, 10}, false},                        // on the close button
        {{42, 10}, false},                        // 1 point right of the minimize button: still on it
        {{26, 3}, false},                         // 1 point above and left of it
        {{63, 10}, true},                         // 2 points right of zoom: the grown frame ends there
        {{43.5, 10}, true},                       // between the grown minimize and zoom buttons
    };
    for (const auto& [point, bare] : points) EXPECT_EQ(w.isOnBareTitleBar(point), bare) << point.x << ", " << point.y;

    // A toolbar fused so high that it lies within the button row is never bare.
    TargetWindow high = w;
    high.titleBar = measureTitleBar(kRow22Button, {Rect{200, 10, 400, 30}}, 600);
    EXPECT_FALSE(high.isOnBareTitleBar({300, 15}));
    EXPECT_TRUE(high.isOnBareTitleBar({150, 15}));
}

TEST_F(TitleBarHits, TheTitleBarContainsTheButtonRowAndFusedToolbarsInGlobalPoints) {
    const std::pair<Point, bool> points[] = {
        {{150, 210}, true},     // in the row
        {{150, 222}, true},     // the row's depth
        {{350, 240}, true},     // below the row, inside the fused toolbar
        {{150, 240}, false},    // below the row, outside every toolbar
        {{350, 260.5}, false},  // past the band
        {{700, 240}, false},    // the toolbar's right edge lies at 700
        {{5000, 150}, true},    // nothing bounds the test from above the window, nor sideways within the row
    };
    for (const auto& [point, inside] : points) EXPECT_EQ(w.titleBarContains(point), inside) << point.x << ", " << point.y;
}

}  // namespace
}  // namespace access_test
