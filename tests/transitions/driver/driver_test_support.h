#pragma once

// What the driver tests share: a simulated desktop with one small display (so that
// frames are cheap), the program's application object, a one-sample renderer in the
// program's place, an editor window to play transitions for, and the makings of a
// transition as the changed windows would prepare them.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/appkit/application.h"
#include "platform/desktop/desktop.h"
#include "platform/graphics/image.h"
#include "platform/runtime/main_loop.h"
#include "tests/transitions/renderer_test_support.h"
#include "transitions/driver/stand_in_transition.h"
#include "transitions/renderer_testing.h"

namespace driver_test {

using namespace furlpane;
using platform::ClockKind;
using platform::Color;
using platform::Image;
using platform::MainLoop;
using platform::Rect;
namespace desktop = platform::desktop;
using Direction = TransitionDirection;
using Effect = TransitionEffect;

inline constexpr double kFrame = 1.0 / 120;

inline Image solid(int width, int height, Color color) {
    return *Image::filled(width, height, color, platform::ColorSpace::sRGB());
}

// Public: the tables of cases reach into it.
class DriverTest : public ::testing::Test {
public:
    DriverTest() {
        world.displays().set({{.frame = {0, 0, 320, 200}, .backingScaleFactor = 1, .name = "Main"}});
        furlpane::testing::replaceSharedRenderer(renderer);
    }
    ~DriverTest() override {
        // Nothing of one test may reach the next: every transition ends with its world.
        finishAll();
        loop.runUntilIdle();
        furlpane::testing::restoreSharedRenderer();
    }

    MainLoop loop{ClockKind::simulated};
    desktop::Desktop world{loop};
    platform::Application& app = platform::Application::shared();
    std::shared_ptr<TransitionRenderer> renderer = furlpane::testing::makeRenderer(1, 2);

    static void finishAll() {
        while (!StandInTransition::running().empty())
            StandInTransition::running().front()->finish(StandInTransition::Completion::cutShort);
    }

    // The editor's window "Draft", on screen at a top-left frame.
    desktop::Window& editorWindow(Rect frame = {40, 40, 120, 90}) {
        auto builder = world.application("com.example.Editor");
        builder.named("Editor").window({.title = "Draft", .frame = frame});
        return *builder.add().windows()[0];
    }

    // A thumbnail stand-in at a top-left frame.
    static StandInShape thumbnail(Rect frame = {200, 100, 60, 45}) {
        return {.frame = frame, .cornerRadius = 4, .opacity = 1};
    }
    static StandInShape titleStrip(Rect frame) { return {.frame = frame, .cornerRadius = 8, .isTitleStrip = true}; }

    // The makings of a window picture in one colour over a backdrop of the display in
    // another, as the changed windows prepare them.
    StandInTransition::Makings makings(const Rect& window, Color picture = Color::rgb(0.9, 0.1, 0.1)) {
        const auto display = StandInTransition::surveyDisplay(window);
        const Rect area = belowMenuBar(display->frame, display->visible);
        auto prepared = makePicture(*renderer, solid(int(window.width()), int(window.height()), picture), std::nullopt,
                                    std::nullopt);
        return {.picture = *prepared,
                .backdrop = {area, solid(int(area.width()), int(area.height()), Color::rgb(0.1, 0.2, 0.8))},
                .elsewhere = {}};
    }

    StandInTransition::Setup setup(const desktop::Window& window, Direction direction = Direction::minimizing,
                                   Effect effect = Effect::scale, StandInShape standIn = thumbnail()) {
        return {.frame = window.frame(),
                .windowNumber = window.number(),
                .direction = direction,
                .effect = effect,
                .makings = makings(window.frame()),
                .display = StandInTransition::surveyDisplay(window.frame()),
                .standIn = standIn,
                .titleBarHeight = 28};
    }

    // Runs the loop one display frame at a time for `seconds`.
    void play(double seconds) {
        for (double t = 0; t < seconds - 1e-9; t += kFrame) loop.advance(kFrame);
    }
};

}  // namespace driver_test
