// Contact sheets of the shatter, slider-puzzle and water effects, for a person to look
// at: each sheet shows twelve frames of one transition, half size, four a row.
//
//   effect_sheets DIR

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/transitions/effects/effect_frames.h"

using furlpane::TransitionEffect;
using namespace furlpane::testing;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    setenv("FURLPANE_EFFECT_FRAMES", argv[1], 1);
    const std::vector<double> times{0.02, 0.06, 0.12, 0.18, 0.25, 0.35, 0.45, 0.55, 0.65, 0.75, 0.85, 0.95};
    std::vector<double> back;
    for (const double t : times) back.push_back(1 - t);
    const std::vector<double> strip{0.02, 0.08, 0.2, 0.4, 0.58, 0.62, 0.66, 0.7, 0.74, 0.78, 0.82, 0.9};
    EffectFrames(TransitionEffect::shatter, StandIn::thumbnail).sheet(times, "shatter_thumbnail");
    EffectFrames(TransitionEffect::shatter, StandIn::titleStrip).sheet(times, "shatter_title_strip");
    EffectFrames(TransitionEffect::sliderPuzzle, StandIn::thumbnail).sheet(times, "slider_puzzle_thumbnail");
    EffectFrames(TransitionEffect::sliderPuzzle, StandIn::titleStrip).sheet(strip, "slider_puzzle_title_strip");
    EffectFrames(TransitionEffect::water, StandIn::thumbnail).sheet(times, "water_thumbnail");
    EffectFrames(TransitionEffect::water, StandIn::titleStrip).sheet(times, "water_title_strip");
    EffectFrames(TransitionEffect::water, StandIn::thumbnail, Direction::restoring).sheet(back, "water_thumbnail_restoring");
    EffectFrames(TransitionEffect::water, StandIn::titleStrip, Direction::restoring)
        .sheet(back, "water_title_strip_restoring");
    return 0;
}
