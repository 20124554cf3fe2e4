// A panel built the way the program builds its stand-ins, driven end to end: it stands
// in window lists at its level, takes presses, drags and context-menu requests through
// the application's event entry, animates on the virtual clock, and shows in a picture
// of the desktop over the windows of other applications.

#include <cmath>

#include "appkit_support.h"
#include "platform/appkit/desktop_picture.h"
#include "platform/appkit/layer_rendering.h"
#include "platform/graphics/png_codec.h"
#include "platform/windowserver/window_list.h"
#include "tests/support/temp_folder.h"

namespace appkit_test {
namespace {

// A stand-in's view, reduced to its mouse handling: presses order the panel in front, a
// drag moves it once the pointer has gone 3 points, a double-click is handled at once,
// and Control-clicks and right-clicks ask for the context menu.
class StandInProbe : public View {
public:
    explicit StandInProbe(const Rect& frame) : View(frame) {
        setWantsLayer(true);
        setLayerContentsRedrawPolicy(LayerContentsRedrawPolicy::onSetNeedsDisplay);
    }
    std::optional<Image> picture;
    bool hovered = false;
    int clicks = 0, doubleClicks = 0, dragsEnded = 0, updates = 0;
    std::vector<bool> menuRequests;  // true: a Control-click
    std::vector<std::string> chosen;

    bool wantsUpdateLayer() const override { return true; }
    bool acceptsFirstMouse(const AppEvent*) const override { return true; }
    void updateLayer() override {
        ++updates;
        layer()->setContents(picture);
        layer()->setContentsGravity(ContentsGravity::resize);
    }
    void updateTrackingAreas() override {
        for (const auto& a : std::vector(trackingAreas())) removeTrackingArea(a.get());
        addTrackingArea(TrackingArea::make(bounds(), TrackingArea::mouseEnteredAndExited | TrackingArea::activeAlways |
                                                         TrackingArea::inVisibleRect));
    }
    void mouseEntered(const AppEvent&) override { if (!pressStart) hovered = true; }
    void mouseExited(const AppEvent&) override { if (!pressStart) hovered = false; }

    void mouseDown(const AppEvent& e) override {
        window()->orderFrontRegardless();
        pressStart = Application::shared().mouseLocation();
        const Rect f = window()->frame();
        topLeftAtPress = {f.minX(), f.maxY()};
        dragging = false;
        handled = e.clickCount == 2;
        if (handled) ++doubleClicks;
    }
    void mouseDragged(const AppEvent&) override {
        if (!pressStart || handled) return;
        const Point now = Application::shared().mouseLocation();
        const double dx = now.x - pressStart->x, dy = now.y - pressStart->y;
        if (!dragging) {
            if (std::hypot(dx, dy) < 3.0) return;
            dragging = true;
            Window* w = window();
            AnimationContext::runAnimationGroup([w](AnimationContext& c) {
                c.setDuration(0);
                w->animator().setFrame(w->frame());
            });
        }
        window()->setFrameTopLeftPoint({topLeftAtPress.x + dx, topLeftAtPress.y + dy});
    }
    void mouseUp(const AppEvent& e) override {
        if (pressStart && !handled) {
            if (dragging) {
                ++dragsEnded;
            } else if (e.clickCount <= 1) {
                ++clicks;
            }
        }
        pressStart.reset();
    }
    std::shared_ptr<Menu> menuForEvent(const AppEvent& e) override {
        const bool controlClick = e.type == AppEventType::leftMouseDown && e.has(AppEvent::control);
        if (e.type != AppEventType::rightMouseDown && !controlClick) return nullptr;
        menuRequests.push_back(controlClick);
        auto menu = Menu::make();
        auto note = [this](MenuItem& item) { chosen.push_back(item.title()); };
        menu->addItem("Restore This Window", note);
        menu->addItem("Restore All Windows", note);
        menu->addItem(MenuItem::separator());
        menu->addItem("Hide Editor", note);
        return menu;
    }

private:
    std::optional<Point> pressStart;
    Point topLeftAtPress{};
    bool dragging = false;
    bool handled = false;
};

class StandInPanel : public Panel {
public:
    using Panel::Panel;
    bool canBecomeKeyWindow() const override { return false; }
    bool canBecomeMainWindow() const override { return false; }
};

class StandInTest : public AppKitTest {
protected:
    desktop::Application& editor = world.application("com.example.Editor")
                                       .window({.title = "Draft", .frame = Rect{100, 100, 800, 600}})
                                       .window({.title = "Notes", .frame = Rect{300, 200, 600, 500}})
                                       .add();
    std::shared_ptr<StandInPanel> panel;
    std::shared_ptr<StandInProbe> view;

    void SetUp() override {
        // As the changed-window object makes a stand-in: non-activating, clear, with a
        // shadow, never hiding, managed and out of the window cycle, at the floating level.
        const Rect frame = appKit({400, 300, 320, 200});
        panel = std::make_shared<StandInPanel>(frame, nonactivatingPanelMask, BackingStore::buffered, false);
        view = std::make_shared<StandInProbe>(Rect{0, 0, frame.width(), frame.height()});
        view->picture = solid(640, 400, Color::rgb(0.9, 0.1, 0.1));
        panel->setContentView(view);
        panel->setOpaque(false);
        panel->setBackgroundColor(Color::clear());
        panel->setHasShadow(true);
        panel->setReleasedWhenClosed(false);
        panel->setHidesOnDeactivate(false);
        panel->setCanHide(false);
        panel->setAnimationBehavior(WindowAnimationBehavior::none);
        panel->setCollectionBehavior(0x244);
        panel->setLevel(window_levels::floating);
        panel->orderFront();
        panel->invalidateShadow();
    }
};

TEST_F(StandInTest, StandsInTheWindowListAtItsLevelInFrontOfTheOtherApplication) {
    const auto list = WindowList::copyWindowInfo(WindowList::onScreenOnly, 0);
    ASSERT_TRUE(list);
    int ours = -1, draft = -1;
    for (size_t i = 0; i < list->size(); ++i) {
        const auto& entry = *(*list)[i].dictionary();
        const auto number = entry.find(WindowList::kNumber)->integer().value_or(0);
        if (number == panel->windowNumber()) {
            ours = static_cast<int>(i);
            EXPECT_EQ(entry.find(WindowList::kLayer)->integer(), 3);
            EXPECT_EQ(entry.find(WindowList::kOwnerPID)->integer(), world.ownProcessIdentifier());
            EXPECT_EQ(rectFromDictionary(*entry.find(WindowList::kBounds)), (Rect{400, 300, 320, 200}));
        }
        if (number == editor.windows()[0]->number()) draft = static_cast<int>(i);
    }
    ASSERT_GE(ours, 0);
    EXPECT_LT(ours, draft);
    EXPECT_EQ(panel->shadowInvalidationCount(), 1);
    EXPECT_EQ(panel->collectionBehavior(), 0x244u);
    EXPECT_EQ(app.windowWithWindowNumber(panel->windowNumber()).get(), panel.get());
}

TEST_F(StandInTest, IsHitByPressesAndDraggedWithoutActivatingTheProgram) {
    EXPECT_TRUE(send(AppEventType::mouseMoved, {500, 400}));
    EXPECT_TRUE(view->hovered);
    EXPECT_TRUE(send(AppEventType::leftMouseDown, {500, 400}));
    send(AppEventType::leftMouseDragged, {502, 401});  // under 3 points: no move
    EXPECT_EQ(panel->topLeftFrame().origin, (Point{400, 300}));
    send(AppEventType::leftMouseDragged, {540, 430});
    send(AppEventType::leftMouseUp, {540, 430});
    EXPECT_EQ(panel->topLeftFrame(), (Rect{440, 330, 320, 200}));
    EXPECT_EQ(world.window(panel->windowNumber())->frame(), (Rect{440, 330, 320, 200}));
    EXPECT_EQ(view->dragsEnded, 1);
    EXPECT_EQ(view->clicks, 0);
    EXPECT_TRUE(editor.isActive());
    loop.runUntilIdle();
    EXPECT_FALSE(app.isActive());
    EXPECT_FALSE(panel->isKeyWindow());

    // A double-click is handled at the press and its release does nothing more.
    click({500, 400}, 1);
    click({500, 400}, 2);
    EXPECT_EQ(view->clicks, 1);
    EXPECT_EQ(view->doubleClicks, 1);
    // Outside the panel the other application's window takes the press.
    EXPECT_FALSE(send(AppEventType::leftMouseDown, {200, 200}));
}

TEST_F(StandInTest, AsksForTheContextMenuOnRightAndControlClicks) {
    EXPECT_TRUE(send(AppEventType::rightMouseDown, {500, 400}));
    ASSERT_TRUE(app.openMenu());
    EXPECT_EQ(app.openMenu()->outline(), (std::vector<std::string>{"Restore This Window", "Restore All Windows", "-",
                                                                   "Hide Editor"}));
    EXPECT_EQ(SimulatedUser::of(world).menuLog().back().kind, MenuPresentationKind::context);
    EXPECT_EQ(SimulatedUser::of(world).menuLog().back().window, panel->windowNumber());
    EXPECT_TRUE(app.chooseMenuItem("Restore This Window"));
    EXPECT_EQ(view->chosen, (std::vector<std::string>{"Restore This Window"}));
    EXPECT_FALSE(app.openMenu());

    click({500, 400}, 1, AppEvent::control);
    EXPECT_EQ(view->menuRequests, (std::vector<bool>{false, true}));
    EXPECT_EQ(view->clicks, 0);  // a Control-click that gives a menu is not a click
    app.closeMenu();
}

TEST_F(StandInTest, AnimatesToANewFrameOnTheVirtualClockAndAGrabStopsIt) {
    int completions = 0;
    const Rect target = appKit({600, 500, 160, 100});
    AnimationContext::runAnimationGroup(
        [&](AnimationContext& c) {
            c.setDuration(0.2);
            c.setTimingFunction(TimingFunction::easeInEaseOut);
            panel->animator().setFrame(target);
        },
        [&] { ++completions; });
    loop.advance(0.1);
    const Rect mid = panel->topLeftFrame();
    EXPECT_GT(mid.minX(), 400);
    EXPECT_LT(mid.minX(), 600);
    EXPECT_NEAR(mid.minX(), 500, 2);  // the curve is symmetric around half time
    loop.advance(0.15);
    EXPECT_EQ(panel->topLeftFrame(), (Rect{600, 500, 160, 100}));
    EXPECT_EQ(view->frame(), (Rect{0, 0, 160, 100}));
    loop.runUntilIdle();
    EXPECT_EQ(completions, 1);

    // A drag that starts during a move stops the move where it stands; the completion
    // still runs, so whatever it puts back is put back.
    panel->animateFrame(appKit({100, 100, 160, 100}), 0.5, TimingFunction::linear, [&] { ++completions; });
    loop.advance(0.25);
    const Point atGrab = panel->topLeftFrame().origin;
    send(AppEventType::leftMouseDown, {atGrab.x + 50, atGrab.y + 50});
    send(AppEventType::leftMouseDragged, {atGrab.x + 60, atGrab.y + 50});
    send(AppEventType::leftMouseUp, {atGrab.x + 60, atGrab.y + 50});
    loop.advance(0.5);
    EXPECT_EQ(panel->topLeftFrame().origin, (Point{atGrab.x + 10, atGrab.y}));
    EXPECT_EQ(completions, 2);
}

TEST_F(StandInTest, TheDesktopPictureShowsItOverTheOtherApplicationsWindows) {
    furlpane_test::TempFolder folder;
    const auto file = folder / "desktop.png";
    ASSERT_TRUE(writeDesktopPNG(file, {.scale = 0.5}));
    auto picture = readPNG(file);
    ASSERT_TRUE(picture) << picture.error();
    EXPECT_EQ(picture->width(), 720);
    EXPECT_EQ(picture->height(), 450);
    // The panel's picture (red) where it stands, over the editor's windows.
    const Pixel inPanel = picture->pixel(280, 200);
    EXPECT_GT(inPanel.r, 200);
    EXPECT_LT(inPanel.g, 60);
    // The editor's front window beside it, a pale placeholder.
    const Pixel inNotes = picture->pixel(170, 150);
    EXPECT_GT(inNotes.g, 120);
    EXPECT_EQ(inNotes.a, 255);

    // Ordered out, the panel leaves the picture.
    panel->orderOut();
    auto without = renderDesktop({.scale = 0.5});
    ASSERT_TRUE(without);
    EXPECT_LT(without->pixel(280, 200).r - without->pixel(280, 200).g, 100);
}

}  // namespace
}  // namespace appkit_test
