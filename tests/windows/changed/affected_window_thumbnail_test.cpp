// Thumbnails moved to their places, hovered and dragged, and a live copy's drop, with the
// pointer as the user moves it.

#include "affected_window_test_support.h"
#include "windows/access/screens.h"

namespace changed_test {
namespace {

using Corner = ThumbnailArrangement::Corner;

class ThumbnailTest : public AffectedWindowTest {
protected:
    ThumbnailTest() {
        world.dockTrips().setDuration(0);
        preferences.setConcealsMinimizeAnimation(false);
    }
    std::shared_ptr<AffectedWindow> thumbnail(desktop::Window& window) {
        auto changed = changedWindow(window);
        EXPECT_TRUE(run(changeInto(changed, kMinimizedInPlace)));
        return changed;
    }
    Rect panelFrame(const AffectedWindow& window) const { return flipRect(window.panel()->frame()); }
    void wait(double seconds) {
        loop.advance(seconds);
        loop.runUntilIdle();
    }
};

TEST_F(ThumbnailTest, MovesToTheCornerOfItsPlaceInAFifthOfASecond) {
    auto window = thumbnail(editorWindow());
    const Size size = window->thumbnail()->size;
    const Rect square{400, 200, 100, 100};
    const struct {
        Corner corner;
        Point origin;
    } cases[] = {{Corner::topLeft, {400, 200}},
                 {Corner::topRight, {500 - size.width, 200}},
                 {Corner::bottomLeft, {400, 300 - size.height}},
                 {Corner::bottomRight, {500 - size.width, 300 - size.height}}};
    for (const auto& c : cases) {
        window->moveThumbnail(ThumbnailArrangement::Place{square, c.corner});
        wait(0.1);
        EXPECT_NE(panelFrame(*window), Rect(c.origin, size));
        wait(0.15);
        EXPECT_EQ(panelFrame(*window), Rect(c.origin, size));
    }
    // Without a place it stays where it stands, unless no screen shows it any more.
    window->moveThumbnail(std::nullopt);
    EXPECT_EQ(panelFrame(*window).origin, cases[3].origin);
    window->panel()->placeAt(Rect({900, 700}, size));
    window->moveThumbnail(std::nullopt);
    const Rect usable = *usableFrameAtPoint({320, 200});
    EXPECT_EQ(panelFrame(*window), Rect({usable.maxX() - size.width, usable.maxY() - size.height}, size));
}

TEST_F(ThumbnailTest, HoveredItGrowsWithItsTitleAndGoesToANewPlaceOnlyOnceShrunk) {
    preferences.setHoverTitle(HoverTitle::both);
    auto window = thumbnail(editorWindow({100, 120, 200, 150}));
    const Rect resting = panelFrame(*window);
    moveTo(resting.mid());
    wait(0.2);
    EXPECT_EQ(panelFrame(*window).size, window->layOutThumbnail(AffectedWindow::ThumbnailHover::hovered).size);
    EXPECT_GT(panelFrame(*window).width(), resting.width());
    ASSERT_TRUE(window->hoverTitle());
    EXPECT_TRUE(window->hoverTitle()->isVisible());
    EXPECT_EQ(window->hoverTitle()->label().stringValue(), "Editor\nDraft");

    // Asked to move while hovered: the place is kept for later.
    const ThumbnailArrangement::Place place{{500, 280, 100, 100}, Corner::topLeft};
    window->moveThumbnail(place);
    wait(0.3);
    EXPECT_EQ(panelFrame(*window).origin, resting.origin);

    moveTo({500, 60});
    wait(0.5);
    EXPECT_FALSE(window->hoverTitle()->isVisible());
    EXPECT_EQ(panelFrame(*window), Rect(place.square.origin, resting.size));
}

TEST_F(ThumbnailTest, ADroppedThumbnailLosesItsPlaceAndIsRemembered) {
    auto window = thumbnail(editorWindow());
    window->moveThumbnail(ThumbnailArrangement::Place{{300, 200, 100, 100}, Corner::topLeft});
    wait(0.3);
    press({310, 210});
    dragTo({260, 180});
    release({260, 180});
    EXPECT_FALSE(window->place());
    EXPECT_EQ(engine->calls.back(), "thumbnailWasMoved (250,170)");
}

TEST_F(ThumbnailTest, ALiveCopyDroppedWhileItsApplicationIsBusyMovesTheWindowOnceItSettles) {
    desktop::Window& draft = editorWindow();
    auto window = changedWindow(draft);
    run(changeInto(window, kFloating));
    engine->holdBusy(draft.pid());
    for (int drop = 0; drop < 2; ++drop) {
        const Point grip{panelFrame(*window).minX() + 50, panelFrame(*window).minY() + 5};
        press(grip);
        dragTo({grip.x + 20, grip.y + 20});
        release({grip.x + 20, grip.y + 20});
    }
    EXPECT_FALSE(window->capture());
    EXPECT_EQ(draft.frame().origin, Point(100, 120));
    engine->release();
    loop.runUntilIdle();
    EXPECT_EQ(draft.frame().origin, Point(140, 160));
    EXPECT_TRUE(window->capture() && window->capture()->isRunning());
}

// The wait for a busy application ends however it ends: with the engine gone before it
// began, or given up, a drop after it still moves the window.
TEST_F(ThumbnailTest, ALiveCopysWaitForItsApplicationNeverOutlastsItself) {
    desktop::Window& draft = editorWindow();
    auto window = changedWindow(draft);
    run(changeInto(window, kFloating));
    const auto dropBy = [&](double dx) {
        const Point grip{panelFrame(*window).minX() + 50, panelFrame(*window).minY() + 5};
        press(grip);
        dragTo({grip.x + dx, grip.y});
        release({grip.x + dx, grip.y});
    };

    engine->holdBusy(draft.pid());
    dropBy(20);
    EXPECT_TRUE(window->isMoveWaiting());
    loop.tasks().destroyAll();  // the wait given up, as the end of a run gives it up
    EXPECT_FALSE(window->isMoveWaiting());
    engine->release();
    dropBy(20);
    loop.runUntilIdle();
    EXPECT_EQ(draft.frame().origin, Point(140, 120));

    // Dropped while busy, the engine gone before the wait begins.
    engine->holdBusy(draft.pid());
    window->panel()->placeAt(panelFrame(*window).offsetBy(20, 0));
    window->endDrag(*window->panel());
    ASSERT_TRUE(window->isMoveWaiting());
    engine.reset();
    loop.runUntilIdle();
    EXPECT_FALSE(window->isMoveWaiting());
    EXPECT_EQ(draft.frame().origin, Point(140, 120));
    dropBy(20);
    EXPECT_EQ(draft.frame().origin, Point(180, 120));
}

}  // namespace
}  // namespace changed_test
