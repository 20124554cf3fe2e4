// One behaviour suite over every model of the effect table (effect_models.h): built from
// the uniforms as the renderer builds them, swept over t for minimizing and restoring,
// every record must be finite, two builds must give the same bytes, and a
// thumbnail-bound effect must end on the stand-in.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "transitions/effects/effect_models.h"
#include "effects_test_support.h"

namespace furlpane::effects {
namespace {

using model_tests::mapped;

enum class StandIn { titleStrip, thumbnail };

TransitionUniforms uniformsFor(StandIn standIn, uint32_t seed, Direction way) {
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
    u.restoring = way == Direction::restoring ? 1 : 0;
    u.seed = seed;
    return u;
}

// The bytes of records, in a fixed order.
struct Bytes {
    std::vector<unsigned char> bytes;
    template <class T>
    void add(const std::vector<T>& values) {
        static_assert(sizeof(T) % sizeof(float) == 0);
        const auto* p = reinterpret_cast<const unsigned char*>(values.data());
        bytes.insert(bytes.end(), p, p + values.size() * sizeof(T));
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

// What the renderer takes straight from a plan besides its frames: the shade's cord (as
// floats, so that the finiteness check reads whole numbers), the veins, the meshes.
Bytes planBytes(const Shade& plan) {
    Bytes out;
    std::vector<platform::simd::float3> cord;
    for (const double3& p : plan.cordSteps) cord.push_back(platform::simd::float3(p));
    out.add(cord);
    return out;
}
Bytes planBytes(const BlutVene& plan) {
    Bytes out;
    out.add(plan.segments);
    return out;
}
Bytes planBytes(const Shatter& plan) {
    Bytes out;
    out.add(plan.shatterMesh());
    out.add(plan.shardRecords());
    return out;
}
Bytes planBytes(const Origami& plan) {
    Bytes out;
    out.add(origamiMesh(plan));
    out.add(origamiFacetRecords(plan));
    return out;
}
Bytes planBytes(const Classified& plan) {
    Bytes out;
    out.add(barFrames(plan));
    return out;
}
template <class Plan>
Bytes planBytes(const Plan&) {
    return {};
}

template <class Frame>
Bytes frameBytes(const Frame& frame) {
    Bytes out;
    out.add(frame.records);
    out.add(frame.look);
    return out;
}

// Where the window's lower right corner lands on a thumbnail at the bottom right.
constexpr double2 kCorner{1860, 1320};

void expectLanded(const Shade&, const ShadeFrame& f, const TransitionUniforms&) {
    EXPECT_POINT_NEAR(mapped(float4x4{f.look[0], f.look[1], f.look[2], f.look[3]}, {800, 600}), kCorner, 1e-3);
}
void expectLanded(const Sparks&, const SparksFrame& f, const TransitionUniforms& u) { EXPECT_EQ(f.look[1], u.standIn); }
void expectLanded(const Origami&, const OrigamiFrame& f, const TransitionUniforms&) {
    EXPECT_POINT_NEAR(mapped(f.records.front().transform, {800, 600}), kCorner, 1e-3);
}
void expectLanded(const Shatter&, const ShatterFrame& f, const TransitionUniforms&) {
    EXPECT_POINT_NEAR(mapped(f.records.back().transform, {800, 600}), kCorner, 1e-3);
}
void expectLanded(const SliderPuzzle& plan, const PuzzleFrames& f, const TransitionUniforms& u) {
    EXPECT_EQ(f.look[0].x, u.standIn.x);
    EXPECT_EQ(f.look[0].y, u.standIn.y);
    EXPECT_FLOAT_EQ(f.look[0].z * static_cast<float>(plan.columns), u.standIn.z);
}
void expectLanded(const Taco&, const TacoFrame& f, const TransitionUniforms&) {
    EXPECT_EQ(f.look[7].x, 2);
    EXPECT_NEAR(f.look[3].x, 1700, 1e-3);
    EXPECT_NEAR(f.look[3].y, 1200, 1e-3);
    EXPECT_NEAR(f.look[0].x * 800, 160, 1e-3);
}
// The strips land in their slots of the thumbnail; then the stand-in is shown.
void expectLanded(const Classified& plan, const ClassifiedFrame& shown, const TransitionUniforms& u) {
    const ClassifiedFrame strips = stripFrames(plan, plan.timing.shrink.upper - 1e-9, placementOf(u));
    for (const auto& s : strips.records) {
        EXPECT_EQ(s.look.x, u.opacity);
        EXPECT_NEAR(s.transform.columns[3].y, 1200, 1e-3);
        EXPECT_NEAR(s.transform.columns[0].x, 160.0 / 800, 1e-6);
    }
    EXPECT_EQ(shown.look[0].x, 2);
    for (const auto& s : shown.records) EXPECT_EQ(s.look, (float4{1, 0, 1, 0}));
}
// The water shows the stand-in itself once it has gathered there.
void expectLanded(const Water&, const WaterFrame& f, const TransitionUniforms&) {
    EXPECT_TRUE(f.records.empty());
    EXPECT_EQ(f.look[4].z, 1);
}
// The veins grow over the window and leave no records to land.
void expectLanded(const BlutVene&, const BlutVeneFrame&, const TransitionUniforms&) {}

template <class Model>
void sweep(const Model& model, StandIn standIn, uint32_t seed, Direction way) {
    SCOPED_TRACE(std::string(model.name) + " seed " + std::to_string(seed));
    const TransitionUniforms u = uniformsFor(standIn, seed, way);
    const Placement placement = placementOf(u);
    const auto first = model.plan(u), second = model.plan(u);
    const Bytes plan = planBytes(first);
    ASSERT_TRUE(plan.allFinite());
    ASSERT_EQ(plan.bytes, planBytes(second).bytes);
    for (int i = 0; i <= 72; ++i) {
        // Restoring plays the progress back from 1 to 0.
        const double t = way == Direction::restoring ? 1 - i / 72.0 : i / 72.0;
        const Bytes a = frameBytes(model.frame(first, t, placement)), b = frameBytes(model.frame(second, t, placement));
        ASSERT_TRUE(a.allFinite()) << "t " << t;
        ASSERT_EQ(a.bytes, b.bytes) << "t " << t;
    }
    if (standIn == StandIn::thumbnail) expectLanded(first, model.frame(first, 1, placement), u);
}

TEST(EffectsSweep, FiniteDeterministicAndLandingOnTheStandIn) {
    for (StandIn standIn : {StandIn::titleStrip, StandIn::thumbnail})
        for (uint32_t seed : {0u, 1u, 0xFFFFFFFFu})
            for (Direction way : {Direction::minimizing, Direction::restoring})
                forEachEffectModel([&](const auto& model) { sweep(model, standIn, seed, way); });
}

TEST(EffectsSweep, EveryModelHasItsOwnName) {
    std::set<std::string_view> names;
    forEachEffectModel([&](const auto& model) { EXPECT_TRUE(names.insert(model.name).second) << model.name; });
    EXPECT_EQ(static_cast<int>(names.size()), kEffectModelCount);
}

}  // namespace
}  // namespace furlpane::effects
