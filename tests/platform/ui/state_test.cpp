#include "ui_support.h"

namespace ui_test {
namespace {

using StateTest = UiTest;

struct Counter {
    State<int> count{0};
};

View counter(const std::string& name) {
    return WithState<Counter>([name](const std::shared_ptr<Counter>& state) {
        return Button(name + " " + std::to_string(state->count.get()), [state] { state->count.set(state->count.peek() + 1); });
    });
}

Task<void> ticking(std::shared_ptr<std::vector<std::string>> log) {
    for (;;) {
        const bool slept = co_await sleepFor(1.0);
        if (!slept) break;
        log->push_back("tick");
    }
    log->push_back("cancelled");
}

TEST_F(StateTest, AViewsStateAndTaskLiveWhileItIsInTheTree) {
    auto log = std::make_shared<std::vector<std::string>>();
    show([flag = flag, log] {
        const View shown = counter("Count")
                               .onAppear([log] { log->push_back("appear"); })
                               .onDisappear([log] { log->push_back("disappear"); })
                               .task([log] { return ticking(log); });
        return VStack({Toggle("Show", flag), flag.get() ? shown : EmptyView()});
    });
    EXPECT_TRUE(log->empty());
    clickOn(control(ControlKind::toggle, "Show"));
    clickOn(control(ControlKind::button, "Count 0"));
    clickOn(control(ControlKind::button, "Count 1"));
    EXPECT_TRUE(host->find(ControlKind::button, "Count 2"));
    loop.advance(2.5);
    clickOn(control(ControlKind::toggle, "Show"));
    EXPECT_EQ(*log, (std::vector<std::string>{"appear", "tick", "tick", "disappear", "cancelled"}));
    // Back in the tree it starts afresh.
    clickOn(control(ControlKind::toggle, "Show"));
    EXPECT_TRUE(host->find(ControlKind::button, "Count 0"));
}

TEST_F(StateTest, StateFollowsItsIdWhenItemsMove) {
    State<std::vector<std::string>> names(std::vector<std::string>{"a", "b"});
    show([names] {
        return VStack({ForEach(
            names.get(), [](const std::string& n) { return n; }, [](const std::string& n) { return counter(n); })});
    });
    clickOn(control(ControlKind::button, "b 0"));
    names.set({"b", "c", "a"});
    settle();
    const auto buttons = host->findAll(ControlKind::button);
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0].label(), "b 1");
    EXPECT_EQ(buttons[1].label(), "c 0");
    EXPECT_EQ(buttons[2].label(), "a 0");
}

TEST_F(StateTest, TheEnvironmentFollowsReduceMotion) {
    show([] { return EnvironmentReader([](const Environment& env) { return Text(env.reducesMotion ? "reduced" : "full"); }); });
    EXPECT_TRUE(host->find(ControlKind::text, "full"));
    world.setReduceMotion(true);
    settle();
    EXPECT_TRUE(host->find(ControlKind::text, "reduced"));
}

// An AppKit view that counts the presses that reach it and the updates it gets.
class PressCounter : public platform::View {
public:
    using platform::View::View;
    int presses = 0;
    int updates = 0;
    void mouseDown(const AppEvent&) override { ++presses; }
};

TEST_F(StateTest, ABridgedAppKitViewIsMadeOnceUpdatedAtEveryRebuildAndTakesItsClicks) {
    int made = 0;
    std::shared_ptr<PressCounter> bridged;
    show([&made, &bridged, flag = flag] {
        const View help = AppKitView({"help",
                                      [&made, &bridged] {
                                          ++made;
                                          bridged = std::make_shared<PressCounter>(Rect{0, 0, 22, 22});
                                          return bridged;
                                      },
                                      [](platform::View& v) { ++static_cast<PressCounter&>(v).updates; },
                                      {}});
        return VStack({Toggle("Show", flag), flag.get() ? EmptyView() : help});
    });
    Control anchor = control(ControlKind::appKitView, "help");
    EXPECT_EQ(anchor.frame().size, (Size{22, 22}));
    ASSERT_TRUE(bridged);
    EXPECT_EQ(bridged->superview(), window->contentView().get());
    injectEvents(input_sequences::click(anchor.screenFrame().mid()));
    settle();
    EXPECT_EQ(bridged->presses, 1);
    const int updates = bridged->updates;
    host->update();
    EXPECT_EQ(bridged->updates, updates + 1);
    clickOn(control(ControlKind::toggle, "Show"));
    EXPECT_EQ(bridged->superview(), nullptr);
    EXPECT_EQ(made, 1);
}

TEST_F(StateTest, AWindowObserverHearsOfTheWindowOnce) {
    std::vector<uint32_t> windows;
    show([&windows, flag = flag] {
        return Toggle("Again", flag).onWindow([&windows](const std::shared_ptr<Window>& w) { windows.push_back(w->windowNumber()); });
    });
    clickOn(control(ControlKind::toggle, "Again"));
    EXPECT_EQ(windows, (std::vector<uint32_t>{window->windowNumber()}));
}

TEST_F(StateTest, ClosingTheWindowTakesItsViewsDownWithWhatTheyStarted) {
    auto log = std::make_shared<std::vector<std::string>>();
    State<bool> sheetShown(true);
    show([log, sheetShown] {
        return counter("Count")
            .onDisappear([log] { log->push_back("disappear"); })
            .task([log] { return ticking(log); })
            .sheet(sheetShown.binding(), [] { return Text("Sheet").padding(20); });
    });
    ASSERT_EQ(host->sheetWindows().size(), 1u);
    const std::shared_ptr<Window> sheet = host->sheetWindows().front();
    loop.advance(1.5);
    window->close();
    settle();
    EXPECT_EQ(*log, (std::vector<std::string>{"tick", "disappear", "cancelled"}));
    EXPECT_TRUE(sheet->isClosed());
    EXPECT_TRUE(host->sheetWindows().empty());
    EXPECT_FALSE(host->find(ControlKind::button, "Count 0"));
    loop.advance(3);
    EXPECT_EQ(log->size(), 3u);
}


// A shared object whose followers a test can count, as the program's preferences are:
// they outlive every window that shows them.
struct Shared {
    ObservationRegistrar registrar;
    Observed<int> value{registrar, 0};
    size_t followers() const { return registrar.observerCount(value.key()); }
};

TEST_F(StateTest, AWindowsTreeFollowsASharedObjectOnceAndNotAfterTheWindowCloses) {
    auto shared = std::make_shared<Shared>();
    for (int i = 0; i < 20; ++i) {
        show([shared, flag = flag] {
            return VStack({Text("Value " + std::to_string(shared->value.get())), Toggle("Flag", flag)});
        });
        // Built again for what it does not read from the object: still one follower.
        world.setReduceMotion(i % 2 == 0);
        settle();
        clickOn(control(ControlKind::toggle, "Flag"));
        EXPECT_EQ(shared->followers(), 1u);
        window->close();
        settle();
        EXPECT_EQ(shared->followers(), 0u);
        host.reset();
        window.reset();
    }
    // The windows went: a change of the object reaches no tree of theirs.
    shared->value.set(1);
    settle();
    EXPECT_EQ(shared->followers(), 0u);
}

}  // namespace
}  // namespace ui_test
