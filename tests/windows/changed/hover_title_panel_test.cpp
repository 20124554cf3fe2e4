// The hover title's capsule: its look, its size from the text and the thumbnail's width,
// and its place above, or below, the thumbnail on the usable part of the screen.

#include "windows/changed/hover_title_panel.h"

#include "changed_test_support.h"
#include "windows/access/screens.h"
#include "windows/changed/stand_in_panel.h"

namespace changed_test {
namespace {

class HoverTitlePanelTest : public ChangedTest {
protected:
    std::shared_ptr<HoverTitlePanel> title = HoverTitlePanel::create();
    std::shared_ptr<StandInPanel> thumbnail =
        StandInPanel::create(Rect(500, 400, 100, 80), StandInPanel::MissionControl::staysPut);

    void SetUp() override { thumbnail->orderFront(); }
    Rect shown() const { return title->topLeftFrame(); }
    platform::Size textSize(double limit) const {
        return title->label().sizeThatFits({limit, std::numeric_limits<double>::max()});
    }
};

TEST_F(HoverTitlePanelTest, AShortTitleIsOneLineCentredOnTheThumbnailsTopEdge) {
    title->label().setStringValue("Notes");
    title->show(*thumbnail);
    const platform::Size text = textSize(176);
    EXPECT_EQ(text.height, 17);
    EXPECT_EQ(shown(), Rect(550 - (text.width + 24) / 2, 400 - 12.5, text.width + 24, 25));
    EXPECT_EQ(title->contentView()->layer()->cornerRadius(), 12.5);
    EXPECT_EQ(title->label().frame(), Rect(12, 4, text.width, 17));
    // A child of the thumbnail, just above it, sharing its Spaces behaviour.
    EXPECT_EQ(title->parentWindow(), thumbnail.get());
    EXPECT_EQ(title->collectionBehavior(), thumbnail->collectionBehavior());
    EXPECT_TRUE(title->isVisible());
    EXPECT_EQ(stackIndex(title->windowNumber()) + 1, stackIndex(thumbnail->windowNumber()));
    // Shown again, it stays one child.
    title->show(*thumbnail);
    EXPECT_EQ(thumbnail->childWindows().size(), 1u);
}

TEST_F(HoverTitlePanelTest, TheTextLimitFollowsTheThumbnailsWidthAndLongTitlesAreCutInTheMiddle) {
    title->label().setStringValue(std::string(30, 'W') + " middle of a very long window title " + std::string(30, 'M'));
    title->show(*thumbnail);
    // Wrapped within 176 points (twice the width less the margins), not the thumbnail's 100.
    const double wrapped = textSize(176).width;
    EXPECT_GT(wrapped, 150);
    EXPECT_LE(wrapped, 176);
    EXPECT_EQ(shown().width(), wrapped + 24);
    const auto layout = title->label().currentLayout();
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->lines.size(), 2u);
    EXPECT_TRUE(layout->truncated);
    EXPECT_NE(layout->lines.back().find("…"), std::string::npos);
    // A 20-point thumbnail still leaves 36 points for the text.
    title->show(*thumbnail, Rect(500, 400, 20, 20));
    EXPECT_LE(textSize(36).width, 36);
    EXPECT_GT(textSize(36).width, 20);
    EXPECT_EQ(shown().width(), textSize(36).width + 24);
}

TEST_F(HoverTitlePanelTest, NoRoomAboveMovesItBelowAndTheScreensSideKeepsItIn) {
    const Rect usable = *usableFrameForRect(Rect(500, 400, 100, 80));
    title->label().setStringValue("Notes");
    title->show(*thumbnail, Rect(500, usable.minY(), 100, 80));
    EXPECT_EQ(shown().minY(), usable.minY() + 80 + 2);
    title->show(*thumbnail, Rect(0, 400, 20, 80));
    EXPECT_EQ(shown().minX(), usable.minX());
    title->show(*thumbnail, Rect(usable.maxX() - 20, 400, 20, 80));
    EXPECT_EQ(shown().maxX(), usable.maxX());
    // Off every screen it stands where it falls.
    title->show(*thumbnail, Rect(5000, 5000, 100, 80));
    EXPECT_EQ(shown().midX(), 5050);
    EXPECT_EQ(shown().minY(), 5000 - 12.5);
}

}  // namespace
}  // namespace changed_test
