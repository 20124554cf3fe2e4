#pragma once

// Per-instance record buffers of the modelled effects.
//
// A model returns an array of records; the renderer copies it, as it lies in memory, into
// one GPU buffer that the effect's shaders read as instances. Each record type's size and
// field order are therefore a contract with its shaders, so makeBuffer accepts only
// record types that declare their size in a RecordLayout specialisation, and asserts it:
//
//   template <> struct RecordLayout<effects::Origami::FacetFrame> {
//       static constexpr std::size_t size = 80;
//   };
//
// The effect's drawing header (transitions/drawing/<effect>/) declares the layouts of its
// records. The sizes the shaders expect:
//
//   float4 (mesh vertices and edges)   16    Classified::BarFrame     32
//   Origami::FacetFrame                80    Classified::StripFrame  128
//   Shatter::ShardFrame                96    Taco::PieceFrame         48
//   SliderPuzzle::TileFrame            32    Water::DropFrame         48
//   BlutVene::Segment                     48    Sparks::SparkFrame  64

#include <cstddef>
#include <memory>
#include <span>
#include <type_traits>
#include <vector>

#include "platform/gpu/gpu.h"
#include "platform/simd/simd.h"

namespace furlpane {

template <class Record>
struct RecordLayout;  // specialise with `static constexpr std::size_t size`

template <>
struct RecordLayout<platform::simd::float4> {
    static constexpr std::size_t size = 16;
};

template <>
struct RecordLayout<platform::simd::float4x4> {
    static constexpr std::size_t size = 64;
};

template <class Record>
concept GpuRecord = std::is_trivially_copyable_v<Record> && std::is_standard_layout_v<Record> &&
                    requires { RecordLayout<Record>::size; };

// A buffer holding a copy of the records (count × record size bytes); none for an empty
// array (a buffer of length 0 cannot be made) or when the device cannot make it.
template <GpuRecord Record>
std::shared_ptr<platform::gpu::Buffer> makeBuffer(platform::gpu::Device& device, std::span<const Record> records) {
    static_assert(sizeof(Record) == RecordLayout<Record>::size, "the record's size is fixed with its shaders");
    if (records.empty()) return nullptr;
    return device.makeBuffer(records);
}

template <GpuRecord Record>
std::shared_ptr<platform::gpu::Buffer> makeBuffer(platform::gpu::Device& device, const std::vector<Record>& records) {
    return makeBuffer(device, std::span<const Record>(records));
}

}  // namespace furlpane
