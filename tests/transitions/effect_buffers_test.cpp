#include "transitions/effect_buffers.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/simd/simd.h"

namespace furlpane {

// A record laid out as an effect's facet record: a transform and a look vector.
struct SampleFacet {
    platform::simd::float4x4 transform;
    platform::simd::float4 look;
};
template <>
struct RecordLayout<SampleFacet> {
    static constexpr std::size_t size = 80;
};

namespace {

using namespace platform::gpu;
using platform::simd::float4;

static_assert(GpuRecord<float4>);
static_assert(GpuRecord<SampleFacet>);
static_assert(!GpuRecord<double>, "records without a declared layout are refused");

TEST(MakeBuffer, CopiesTheRecordsAsTheyLieInMemory) {
    auto device = Device::create({1});
    const std::vector<float4> vertices{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
    const auto buffer = makeBuffer(*device, vertices);
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->length(), 48u);
    EXPECT_EQ(std::memcmp(buffer->contents(), vertices.data(), 48), 0);

    std::vector<SampleFacet> facets(5);
    facets[4].look = {0.5f, 0, 0, 1};
    const auto records = makeBuffer(*device, facets);
    ASSERT_TRUE(records);
    EXPECT_EQ(records->length(), 5u * 80u);
    float lastLook[4];
    std::memcpy(lastLook, records->contents() + 4 * 80 + 64, sizeof lastLook);
    EXPECT_EQ(lastLook[0], 0.5f);
    EXPECT_EQ(lastLook[3], 1.0f);
}

TEST(MakeBuffer, NoRecordsOrNoMemoryGiveNoBuffer) {
    auto device = Device::create({1});
    EXPECT_FALSE(makeBuffer(*device, std::vector<float4>{}));
    device->failNext(Resource::buffer);
    EXPECT_FALSE(makeBuffer(*device, std::vector<float4>{{1, 1, 1, 1}}));
    EXPECT_TRUE(makeBuffer(*device, std::vector<float4>{{1, 1, 1, 1}}));
}

}  // namespace
}  // namespace furlpane
