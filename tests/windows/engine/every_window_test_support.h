#pragma once

// What the tests of actions on every window of an application share: an editor with a
// given number of windows put into mixed states, the action queued as a trigger with
// Option held queues it, and what the group did: each window's state, the presses of
// the application's Minimize All, the order of the announcements, the stand-ins shown.

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/desktop/faults.h"
#include "tests/windows/engine/engine_test_support.h"

namespace engine_test {

using desktop::FaultCall;

class EveryWindowTest : public EngineTest {
protected:
    EveryWindowTest() {
        // Changes cut to their stand-ins: what the cases look at is where windows end up.
        preferences->setAnimatesTransitions(false);
        preferences->setPlaysSounds(true);
    }

    // An editor with `count` windows of 150 × 100, tiled across the display, each made in
    // front of the ones before it.
    desktop::Application& makeEditor(int count, std::vector<desktop::MenuDescription>* menus = nullptr) {
        auto builder = world.application("com.example.Editor");
        if (menus) builder.menus(*menus);
        for (int i = 0; i < count; ++i) {
            const Rect frame{10.0 + 30 * (i % 16), 40.0 + 12 * i, 150, 100};
            builder.window({.title = "W" + std::to_string(i), .frame = frame});
        }
        app = &builder.add();
        windows = app->windows();
        std::reverse(windows.begin(), windows.end());  // the order they were made in
        return *app;
    }
    desktop::Control& minimizeAllItem() const {
        for (auto* item : app->menuItems())
            if (item->title() == "Minimize All") return *item;
        throw std::logic_error("no Minimize All item");
    }

    // The action on one window alone, as a trigger without Option asks it.
    void actOn(WindowAction action, size_t i) {
        run(engine->act(action, target(*windows[i]), std::nullopt, Raising::inPlace, Speed::normal));
        settle();
    }
    // Puts window i into the state the letter names: n none, s shaded, m minimized in place,
    // f floating.
    void prepare(const std::string& states) {
        for (size_t i = 0; i < states.size(); ++i) {
            if (states[i] == 's') actOn(WindowAction::furlpane, i);
            if (states[i] == 'm') actOn(WindowAction::minimizeInPlace, i);
            if (states[i] == 'f') actOn(WindowAction::floatOnTop, i);
        }
        announced();
        heard();
    }
    // The action on every window, queued as a trigger with Option held queues it.
    void queueEvery(WindowAction action, size_t clicked) {
        engine->onMainActor(WindowEffects::Job([action, target = target(*windows[clicked])](WindowEffects& effects) {
            return effects.perform(action, target, std::nullopt, Speed::normal);
        }));
    }
    // Runs the queued group to its end: twenty windows one by one take a while.
    void performEvery(WindowAction action, size_t clicked) {
        queueEvery(action, clicked);
        settle();
        for (int waited = 0; waited < 60 && !engine->changing().empty(); ++waited) settle(1);
    }
    void settle(double seconds = 8) {
        for (double t = 0; t < seconds; t += 0.1) loop.advance(0.1);
        loop.runUntilIdle();
    }
    // Each window's state as letters: n, s, m, with F after a floating one.
    std::string states() const {
        std::string letters;
        for (const auto* window : windows) {
            const auto changed = engine->findAffected(window->number());
            const WindowState state = changed ? changed->state() : WindowState{};
            letters += !state.style ? 'n' : state.style == Style::shaded ? 's' : 'm';
            if (state.isFloating) letters += 'F';
        }
        return letters;
    }
    size_t index(uint32_t number) const {
        for (size_t i = 0; i < windows.size(); ++i)
            if (windows[i]->number() == number) return i;
        return windows.size();
    }
    // The announced windows by index, in the order they were announced.
    std::vector<size_t> announcedOrder() {
        std::vector<size_t> order;
        for (const auto& line : announced()) order.push_back(index(uint32_t(std::stoul(line))));
        return order;
    }
    // The program's own windows on screen: the stand-in panels.
    size_t panelsOnScreen() const {
        size_t count = 0;
        for (const auto* window : world.windowsFrontToBack())
            if (window->pid() == world.ownProcessIdentifier() && world.isOnScreen(*window)) ++count;
        return count;
    }

    desktop::Application* app = nullptr;
    std::vector<desktop::Window*> windows;
};

}  // namespace engine_test
