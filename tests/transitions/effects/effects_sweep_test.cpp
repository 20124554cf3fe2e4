// One behaviour suite over the roller-shade, click-sparks, veins, origami, shatter,
// slider-puzzle, taco and classified models (water sweeps its own, smaller windows in
// water_test.cpp):
// built from the uniforms as the renderer builds them, swept over t for minimizing
// and restoring, every record must be finite, two builds must give the same bytes,
// and a thumbnail-bound effect must end on the stand-in.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "transitions/effects/classified/classified.h"
#include "transitions/effects/click_sparks/click_sparks.h"
#include "transitions/effects/origami/origami.h"
#include "transitions/effects/roller_shade/roller_shade.h"
#include "transitions/effects/shatter/shatter.h"
#include "transitions/effects/slider_puzzle/slider_puzzle.h"
#include "transitions/effects/taco/taco.h"
#include "transitions/effects/veins/veins.h"
#include "effects_test_support.h"

namespace furlpane::effects {
namespace {

using model_tests::mapped;
using model_tests::rectOf;

enum class StandIn { titleStrip, thumbnail };
enum class Way { minimizing, restoring };

TransitionUniforms uniformsFor(StandIn standIn, uint32_t seed, Way way) {
    TransitionUniforms u;
    u.window = {300, 200, 800, 600};
    u.standIn = standIn == StandIn::titleStrip ? platform::simd::float4{300, 200, 800, 28}
                                               : platform::simd::float4{1700, 1200, 160, 120};
    u.room = {0, 25, 2560, 1415};
    u.viewSize = {2560, 1440};
    u.grid = {29, 21};
    u.titleBarHeight = 28;
    u.opacity = 0.85f;
    u.standInCrop = standIn == StandIn::titleStrip ? 0.05f : 1;
    u.restoring = way == Way::restoring ? 1 : 0;
    u.seed = seed;
    return u;
}

double2 pairOf(platform::simd::float2 v) { return {v.x, v.y}; }

// The bytes of one frame of every effect, in a fixed order.
struct FrameBytes {
    std::vector<unsigned char> bytes;
    template <class T>
    void add(const T* data, size_t count) {
        static_assert(sizeof(T) % sizeof(float) == 0);
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        bytes.insert(bytes.end(), p, p + count * sizeof(T));
    }
    bool allFinite() const {
        for (size_t i = 0; i + sizeof(float) <= bytes.size(); i += sizeof(float)) {
            float f;
            std::memcpy(&f, &bytes[i], sizeof f);
            if (!std::isfinite(f)) return false;
        }
        return true;
    }
};

// Two lines of words over the window's body, so that the classified plan has bars.
Classified::Ink someInk() {
    Classified::Ink ink;
    ink.width = 400;
    ink.height = 300;
    ink.texel = 2;
    ink.marks.assign(400 * 300, 0);
    for (int y : {40, 41, 42, 43, 60, 61, 62, 63})
        for (int x = 10; x < 350; ++x) ink.marks[static_cast<std::size_t>(y * 400 + x)] = x % 9 != 0;
    ink.lightness = 0.9;
    return ink;
}

struct Plans {
    RollerShade shade;
    ClickSparks sparks;
    Veins veins;
    Origami origami;
    Shatter shatter;
    SliderPuzzle puzzle;
    Taco taco;
    Classified classified;
    explicit Plans(const TransitionUniforms& u)
        : shade(rollerShadePlan(u)), sparks(clickSparksPlan(u)), veins(veinsPlan(u)), origami(origamiPlan(u)),
          shatter(shatterPlan(u)), puzzle(sliderPuzzlePlan(u)), taco(tacoPlan(u)),
          classified(classifiedPlan(u, someInk())) {}

    // What the renderer takes straight from the plans: the shade's cord (as floats, so that
    // the finiteness check reads whole numbers), the veins, the shatter's welded mesh.
    FrameBytes planBytes() const {
        FrameBytes out;
        std::vector<platform::simd::float3> cord;
        for (const double3& p : shade.cordSteps) cord.push_back(platform::simd::float3(p));
        out.add(cord.data(), cord.size());
        out.add(veins.segments.data(), veins.segments.size());
        const std::vector<float4> mesh = shatter.shatterMesh();
        out.add(mesh.data(), mesh.size());
        return out;
    }

    FrameBytes frame(const TransitionUniforms& u, double t) const {
        const Rect2 window = rectOf(u.window), standIn = rectOf(u.standIn), room = rectOf(u.room);
        FrameBytes out;
        const auto look = rollerShadeFrame(shade, t, window, standIn, room, pairOf(u.viewSize), u.opacity, 1.0 / 144);
        out.add(look.data(), look.size());
        const SparkFrames sparkRecords = sparkFrames(sparks, t, standIn, room, u.opacity);
        out.add(sparkRecords.frames.data(), sparkRecords.frames.size());
        out.add(sparkRecords.look.data(), sparkRecords.look.size());
        const Direction way = u.restoring > 0.5f ? Direction::restoring : Direction::minimizing;
        const OrigamiFrames facets = facetFrames(origami, t, window, standIn, room, pairOf(u.viewSize), u.opacity, way);
        out.add(facets.frames.data(), facets.frames.size());
        out.add(facets.look.data(), facets.look.size());
        const auto shards = shardFrames(shatter, t, window, standIn, room, u.opacity);
        out.add(shards.data(), shards.size());
        const TileFrames tiles = tileFrames(puzzle, t, window, standIn, room, pairOf(u.viewSize), u.opacity, 1.0 / 144);
        out.add(tiles.tiles.data(), tiles.tiles.size());
        out.add(tiles.look.data(), tiles.look.size());
        const Taco::Frame taco = this->taco.tacoFrame(t, tacoPlacement(u), u.opacity);
        out.add(taco.pieces.data(), taco.pieces.size());
        out.add(taco.look.data(), taco.look.size());
        const Classified::Frame strips = stripFrames(classified, t, classifiedPlacement(u), u.opacity);
        out.add(strips.strips.data(), strips.strips.size());
        out.add(strips.look.data(), strips.look.size());
        const auto bars = barFrames(classified);
        out.add(bars.data(), bars.size());
        return out;
    }
};

void expectEndsOnTheThumbnail(const Plans& plans, const TransitionUniforms& u) {
    const Rect2 window = rectOf(u.window), standIn = rectOf(u.standIn), room = rectOf(u.room);
    const double2 corner{1860, 1320};  // where the window's lower right corner lands
    const auto look = rollerShadeFrame(plans.shade, 1, window, standIn, room, pairOf(u.viewSize), u.opacity, 1.0 / 144);
    EXPECT_POINT_NEAR(mapped(float4x4{look[0], look[1], look[2], look[3]}, {800, 600}), corner, 1e-3);
    EXPECT_EQ(sparkFrames(plans.sparks, 1, standIn, room, u.opacity).look[1], u.standIn);
    const OrigamiFrames facets =
        facetFrames(plans.origami, 1, window, standIn, room, pairOf(u.viewSize), u.opacity, Direction::minimizing);
    EXPECT_POINT_NEAR(mapped(facets.frames.front().transform, {800, 600}), corner, 1e-3);
    const auto shards = shardFrames(plans.shatter, 1, window, standIn, room, u.opacity);
    EXPECT_POINT_NEAR(mapped(shards.back().transform, {800, 600}), corner, 1e-3);
    const TileFrames tiles = tileFrames(plans.puzzle, 1, window, standIn, room, pairOf(u.viewSize), u.opacity, 1.0 / 144);
    EXPECT_EQ(tiles.look[0].x, u.standIn.x);
    EXPECT_EQ(tiles.look[0].y, u.standIn.y);
    EXPECT_FLOAT_EQ(tiles.look[0].z * static_cast<float>(plans.puzzle.columns), u.standIn.z);
    const Taco::Frame taco = plans.taco.tacoFrame(1, tacoPlacement(u), u.opacity);
    EXPECT_EQ(taco.look[7].x, 2);
    EXPECT_NEAR(taco.look[3].x, 1700, 1e-3);
    EXPECT_NEAR(taco.look[3].y, 1200, 1e-3);
    EXPECT_NEAR(taco.look[0].x * 800, 160, 1e-3);
    // The strips land in their slots of the thumbnail; then the stand-in is shown.
    const Classified& classified = plans.classified;
    const Classified::Frame strips = stripFrames(classified, classified.timing.shrink.upper - 1e-9,
                                                 classifiedPlacement(u), u.opacity);
    for (const auto& s : strips.strips) {
        EXPECT_EQ(s.look.x, u.opacity);
        EXPECT_NEAR(s.transform.columns[3].y, 1200, 1e-3);
        EXPECT_NEAR(s.transform.columns[0].x, 160.0 / 800, 1e-6);
    }
    const Classified::Frame shown = stripFrames(classified, 1, classifiedPlacement(u), u.opacity);
    EXPECT_EQ(shown.look[0].x, 2);
    for (const auto& s : shown.strips) EXPECT_EQ(s.look, (float4{1, 0, 1, 0}));
}

TEST(EffectsSweep, FiniteDeterministicAndLandingOnTheStandIn) {
    for (StandIn standIn : {StandIn::titleStrip, StandIn::thumbnail}) {
        for (uint32_t seed : {0u, 1u, 0xFFFFFFFFu}) {
            for (Way way : {Way::minimizing, Way::restoring}) {
                const TransitionUniforms u = uniformsFor(standIn, seed, way);
                const Plans first(u), second(u);
                const FrameBytes plan = first.planBytes();
                ASSERT_TRUE(plan.allFinite()) << "seed " << seed;
                ASSERT_EQ(plan.bytes, second.planBytes().bytes) << "seed " << seed;
                for (int i = 0; i <= 72; ++i) {
                    // Restoring plays the progress back from 1 to 0.
                    const double t = way == Way::restoring ? 1 - i / 72.0 : i / 72.0;
                    const FrameBytes a = first.frame(u, t), b = second.frame(u, t);
                    ASSERT_TRUE(a.allFinite()) << "t " << t << " seed " << seed;
                    ASSERT_EQ(a.bytes, b.bytes) << "t " << t << " seed " << seed;
                }
                if (standIn == StandIn::thumbnail) expectEndsOnTheThumbnail(first, u);
            }
        }
    }
}

}  // namespace
}  // namespace furlpane::effects
