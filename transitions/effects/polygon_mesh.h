#pragma once

// A flat sheet cut into convex polygons (the origami's facets, the shatter's shards)
// drawn as one triangle mesh that has no cracks at pixel level, and the edge table its
// shaders read.
//
// Mesh: a triangle fan per polygon about the mean of its corners, three vertices
// (x, y, polygon index, 0) per triangle. Corners of neighbouring polygons closer than
// 1e-6 are welded into one bit-identical point, and a corner of one polygon that lies in
// the middle of a neighbour's edge becomes a vertex of that edge too (no T-junctions),
// so that neighbours rasterize edge to edge.
//
// Edges: exactly kEdgesPerPolygon records per polygon, (inward unit normal x, y, offset,
// label), with a point p inside the polygon where normal · p + offset > 0; the label is
// the polygon's own side label; unused slots are (0, 0, 0, −2).

#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

#include "transitions/effects/foundations.h"

namespace furlpane::effects {

struct MeshPolygon {
    std::span<const double2> corners;  // in order around the polygon
    std::span<const int> sides;        // sides[i] labels the edge from corners[i] to the next
};

// The mesh polygons of pieces that hold `corners` and `sides`.
template <class Piece>
std::vector<MeshPolygon> meshPolygons(const std::vector<Piece>& pieces) {
    std::vector<MeshPolygon> polygons;
    polygons.reserve(pieces.size());
    for (const Piece& piece : pieces) polygons.push_back({piece.corners, piece.sides});
    return polygons;
}

std::vector<float4> polygonMesh(std::span<const MeshPolygon> polygons);

inline constexpr int kEdgesPerPolygon = 8;
std::vector<float4> polygonEdges(std::span<const MeshPolygon> polygons);

// The mean of the corners (not the area centroid); the origin for none.
double2 centroid(std::span<const double2> corners);

// Corner welding: corners closer than 1e-6 become one. The map files each distinct
// corner under its key (x and y times 10^6, rounded).
struct WeldKey {
    int64_t x = 0;
    int64_t y = 0;
    friend bool operator==(const WeldKey&, const WeldKey&) = default;
};
struct WeldKeyHash {
    size_t operator()(const WeldKey& k) const noexcept {
        return std::hash<uint64_t>()(static_cast<uint64_t>(k.x) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(k.y));
    }
};
using WeldMap = std::unordered_map<WeldKey, std::vector<double2>, WeldKeyHash>;
// The corner already filed within 1e-6 of this one, or this one, filed (and appended
// to `distinct`).
double2 weldCorner(double2 corner, WeldMap& weld, std::vector<double2>& distinct);

}  // namespace furlpane::effects
