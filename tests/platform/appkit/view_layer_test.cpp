#include "appkit_support.h"

namespace appkit_test {
namespace {

using ViewTest = AppKitTest;

// Records the passes of the display cycle in the order they run.
class PassView : public View {
public:
    PassView(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    bool flipped = false;
    bool wantsUpdateLayer() const override { return true; }
    bool isFlipped() const override { return flipped; }
    void layout() override { log_.push_back("layout " + name_); }
    void updateLayer() override { log_.push_back("update " + name_); }
    void viewDidChangeBackingProperties() override { log_.push_back("backing " + name_); }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

TEST_F(ViewTest, TheDisplayCycleLaysOutParentsFirstThenUpdatesLayersOnALaterTurn) {
    std::vector<std::string> log;
    auto panel = std::make_shared<Panel>(appKit({100, 100, 200, 100}), nonactivatingPanelMask);
    auto root = std::make_shared<PassView>("root", log);
    auto child = std::make_shared<PassView>("child", log);
    child->setFrame({10, 10, 50, 50});
    root->addSubview(child);
    panel->setContentView(root);
    EXPECT_TRUE(log.empty());
    loop.runUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string>{"layout root", "layout child", "update root", "update child"}));
    EXPECT_FALSE(root->needsLayout());
    EXPECT_FALSE(root->needsDisplay());

    log.clear();
    child->setNeedsDisplay(true);
    child->setNeedsDisplay(true);
    root->setNeedsLayout(true);
    const int cycles = app.displayCycleCount();
    loop.runUntilIdle();
    EXPECT_EQ(app.displayCycleCount(), cycles + 1);
    EXPECT_EQ(log, (std::vector<std::string>{"layout root", "update child"}));

    // A frame change with display runs both passes at once; a size change marks both.
    log.clear();
    panel->setFrame(appKit({100, 100, 300, 100}));
    EXPECT_EQ(log, (std::vector<std::string>{"layout root", "update root"}));
    // A view outside any window is not displayed.
    log.clear();
    auto loose = std::make_shared<PassView>("loose", log);
    loose->setNeedsDisplay(true);
    loop.runUntilIdle();
    EXPECT_TRUE(log.empty());
}

TEST_F(ViewTest, BackingPropertyChangesReachEveryView) {
    world.displays().add({.frame = Rect{1440, 0, 1280, 800}, .backingScaleFactor = 1});
    std::vector<std::string> log;
    auto panel = std::make_shared<Panel>(appKit({100, 100, 200, 100}), nonactivatingPanelMask);
    auto root = std::make_shared<PassView>("root", log);
    root->addSubview(std::make_shared<PassView>("child", log));
    panel->setContentView(root);
    loop.runUntilIdle();
    log.clear();
    panel->setFrame(appKit({1500, 100, 200, 100}), Redisplay::no);
    EXPECT_EQ(log, (std::vector<std::string>{"backing root", "backing child"}));
    EXPECT_EQ(root->backingScaleFactor(), 1);
}

TEST_F(ViewTest, CoordinatesHitTestingAndLayersFollowFlippedSuperviews) {
    std::vector<std::string> log;
    auto panel = std::make_shared<Panel>(appKit({100, 100, 200, 100}), nonactivatingPanelMask);
    auto root = std::make_shared<PassView>("root", log);
    root->flipped = true;
    panel->setContentView(root);
    auto child = std::make_shared<View>(Rect{10, 20, 30, 40});
    root->addSubview(child);
    // The flipped root counts from its top; its child's layer still counts from the bottom.
    EXPECT_EQ(child->layer()->frame(), (Rect{10, 40, 30, 40}));
    EXPECT_EQ(child->convertToWindow({0, 0}), (Point{10, 40}));
    EXPECT_EQ(child->convertFromWindow({15, 75}), (Point{5, 35}));
    EXPECT_EQ(child->convertRectToWindow(child->bounds()), (Rect{10, 40, 30, 40}));
    EXPECT_EQ(root->hitTest({15, 75}), child.get());
    EXPECT_EQ(root->hitTest({150, 75}), root.get());
    EXPECT_EQ(root->hitTest({250, 75}), nullptr);
    child->setHidden(true);
    EXPECT_EQ(root->hitTest({15, 75}), root.get());
    EXPECT_TRUE(child->layer()->isHidden());
    // The root grows: its flipped child's layer keeps its distance from the top.
    panel->setFrame(appKit({100, 100, 200, 150}));
    EXPECT_EQ(child->layer()->frame(), (Rect{10, 90, 30, 40}));
    // A view cannot contain itself.
    EXPECT_FALSE(child->addSubview(root));
    EXPECT_FALSE(root->addSubview(root));
    EXPECT_EQ(child->window(), panel.get());
    child->removeFromSuperview();
    EXPECT_EQ(child->window(), nullptr);
    EXPECT_EQ(child->layer()->superlayer(), nullptr);
}

TEST(Layers, TreesStayTreesAndSublayersChangeHands) {
    auto a = Layer::make(), b = Layer::make(), c = Layer::make();
    EXPECT_TRUE(a->addSublayer(b));
    EXPECT_TRUE(b->addSublayer(c));
    EXPECT_FALSE(c->addSublayer(a));
    EXPECT_FALSE(a->addSublayer(a));
    EXPECT_FALSE(a->addSublayer(nullptr));
    EXPECT_TRUE(a->insertSublayer(c, 0));
    EXPECT_EQ(c->superlayer(), a.get());
    EXPECT_TRUE(b->sublayers().empty());
    EXPECT_EQ(a->sublayers().front(), c);
    c->removeFromSuperlayer();
    EXPECT_EQ(a->sublayers().size(), 1u);
    a->setFrame({0, 0, std::nan(""), 10});
    EXPECT_EQ(a->frame(), Rect{});
    a->setFrame({10, 10, -5, 4});
    EXPECT_EQ(a->frame(), (Rect{5, 10, 5, 4}));
    a->setMaskedCorners(0xFF);
    EXPECT_EQ(a->maskedCorners(), allLayerCorners);
    // A superlayer that goes away lets its sublayers go.
    a.reset();
    EXPECT_EQ(b->superlayer(), nullptr);
}

TEST_F(ViewTest, TransactionsNestAndFlushesAreCounted) {
    EXPECT_EQ(Transaction::flushCount(), 0);
    Transaction::begin();
    Transaction::setDisableActions(true);
    Transaction::begin();
    EXPECT_FALSE(Transaction::disableActions());
    Transaction::commit();
    EXPECT_TRUE(Transaction::disableActions());
    EXPECT_EQ(Transaction::depth(), 1);
    Transaction::commit();
    Transaction::commit();  // unmatched: nothing
    EXPECT_EQ(Transaction::commitCount(), 1);
    Transaction::flush();
    Transaction::flush();
    EXPECT_EQ(Transaction::flushCount(), 2);
    EXPECT_FALSE(Transaction::disableActions());
}

TEST_F(ViewTest, TrackingAreasReportEnteringAndLeavingByTheWorldsStackingOrder) {
    auto panel = probePanel({100, 100, 200, 100});
    ProbeView& view = probe(*panel);
    send(AppEventType::mouseMoved, {50, 50});
    EXPECT_EQ(view.entered, 0);
    send(AppEventType::mouseMoved, {150, 150});
    send(AppEventType::mouseMoved, {160, 150});
    EXPECT_EQ(view.entered, 1);
    // Another window comes over the pointer: the area is left on the next move.
    auto cover = probePanel({120, 120, 100, 100});
    send(AppEventType::mouseMoved, {161, 150});
    EXPECT_EQ(view.exited, 1);
    cover->setIgnoresMouseEvents(true);
    send(AppEventType::mouseMoved, {162, 150});
    EXPECT_EQ(view.entered, 2);
    // While a button is held, areas that do not track drags keep their state.
    send(AppEventType::leftMouseDown, {162, 150});
    send(AppEventType::leftMouseDragged, {20, 20});
    EXPECT_EQ(view.exited, 1);
    send(AppEventType::leftMouseUp, {20, 20});
    EXPECT_EQ(view.exited, 2);
    // An area active only in the key window stays quiet in a window that is not key.
    view.removeTrackingArea(view.trackingAreas().front().get());
    view.addTrackingArea(TrackingArea::make({0, 0, 10, 10}, TrackingArea::mouseEnteredAndExited |
                                                                 TrackingArea::activeInKeyWindow));
    send(AppEventType::mouseMoved, {105, 195});
    EXPECT_EQ(view.entered, 2);
    EXPECT_FALSE(view.trackingAreas().front()->isInside());
}

TEST_F(ViewTest, AnAreaAddedUnderThePointerStartsInsideAndHearsItLeave) {
    auto panel = probePanel({100, 100, 200, 100});
    ProbeView& view = probe(*panel);
    send(AppEventType::mouseMoved, {150, 150});
    const uint32_t always = TrackingArea::mouseEnteredAndExited | TrackingArea::activeAlways;
    view.addTrackingArea(TrackingArea::make({0, 0, 200, 100}, always));
    view.addTrackingArea(TrackingArea::make({0, 0, 10, 10}, always));
    EXPECT_TRUE(view.trackingAreas()[1]->isInside());
    EXPECT_FALSE(view.trackingAreas()[2]->isInside());
    const int entered = view.entered;
    send(AppEventType::mouseMoved, {50, 50});
    EXPECT_EQ(view.entered, entered);
    EXPECT_EQ(view.exited, 2);
}

}  // namespace
}  // namespace appkit_test
