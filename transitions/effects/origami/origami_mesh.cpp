// The two arrays of the origami effect that never change during a transition: the
// triangle mesh of the flat sheet, in which every vertex names its facet, and the
// table of each facet's edges with the fold that made each edge.

#include <algorithm>
#include <cmath>

#include "transitions/effects/origami/origami.h"

namespace furlpane::effects {

namespace {

double lengthOf(double2 v) { return std::sqrt(v.x * v.x + v.y * v.y); }

double2 meanOf(const std::vector<double2>& points) {
    double2 sum{0, 0};
    for (const double2& p : points) sum += p;
    return sum / static_cast<double>(points.size());
}

// Every shared point lying strictly inside the edge q0 -> q1, in increasing distance
// from q0: corners of neighbouring facets that would otherwise leave cracks.
void appendTJunctions(double2 q0, double2 q1, const std::vector<double2>& shared, std::vector<double2>& outline) {
    const double2 edge = q1 - q0;
    const double lengthSquared = dot(edge, edge);
    if (lengthSquared == 0) return;
    std::vector<std::pair<double, double2>> found;
    for (const double2& p : shared) {
        const double tau = dot(p - q0, edge) / lengthSquared;
        if (!(tau > 1e-9 && tau < 0.999999999)) continue;
        if (lengthOf(p - (q0 + edge * tau)) < 1e-6) found.push_back({tau, p});
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [tau, p] : found) outline.push_back(p);
}

}  // namespace

double2 snapCorner(double2 point, std::vector<double2>& list) {
    for (const double2& p : list)
        if (lengthOf(p - point) < 1e-6) return p;
    list.push_back(point);
    return point;
}

std::vector<float4> origamiMesh(const Origami& plan) {
    std::vector<double2> shared;
    std::vector<std::vector<double2>> snapped;
    snapped.reserve(plan.facets.size());
    for (const Origami::Facet& facet : plan.facets) {
        std::vector<double2> corners;
        for (const double2& c : facet.corners) corners.push_back(snapCorner(c, shared));
        snapped.push_back(std::move(corners));
    }
    std::vector<float4> vertices;
    for (size_t f = 0; f < snapped.size(); ++f) {
        const std::vector<double2>& q = snapped[f];
        if (q.empty()) continue;
        std::vector<double2> outline;
        for (size_t i = 0; i < q.size(); ++i) {
            outline.push_back(q[i]);
            appendTJunctions(q[i], q[(i + 1) % q.size()], shared, outline);
        }
        // The fan stays centred on the facet's own corners, junctions aside.
        const double2 centroid = meanOf(q);
        const double index = static_cast<double>(f);
        for (size_t k = 0; k < outline.size(); ++k) {
            const double2 a = outline[k], b = outline[(k + 1) % outline.size()];
            vertices.push_back(toFloat4(centroid.x, centroid.y, index, 0));
            vertices.push_back(toFloat4(a.x, a.y, index, 0));
            vertices.push_back(toFloat4(b.x, b.y, index, 0));
        }
    }
    return vertices;
}

std::vector<float4> origamiFacetRecords(const Origami& plan) {
    std::vector<float4> records;
    records.reserve(plan.facets.size() * kOrigamiEdgesPerFacet);
    for (const Origami::Facet& facet : plan.facets) {
        const size_t start = records.size();
        const size_t n = std::min(facet.corners.size(), facet.sides.size());
        const double2 centroid = n > 0 ? meanOf(facet.corners) : double2{};
        // A facet has room for eight edges; the fold programmes never make more than four.
        for (size_t i = 0; i < n && records.size() - start < kOrigamiEdgesPerFacet; ++i) {
            const double2 a = facet.corners[i], b = facet.corners[(i + 1) % facet.corners.size()];
            const double len = lengthOf(b - a);
            if (!(len > 1e-9)) continue;
            double2 normal = double2{-(b.y - a.y), b.x - a.x} / len;
            if (dot(centroid - a, normal) < 0) normal = -normal;
            records.push_back(toFloat4(normal.x, normal.y, -dot(normal, a), facet.sides[i]));
        }
        while (records.size() - start < kOrigamiEdgesPerFacet) records.push_back({0, 0, 0, -2});
    }
    return records;
}

}  // namespace furlpane::effects
