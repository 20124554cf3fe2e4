#include "transitions/effects/polygon_mesh.h"

#include <algorithm>
#include <cmath>

namespace furlpane::effects {

namespace {

WeldKey keyOf(double2 p) {
    return {static_cast<int64_t>(std::round(p.x * 1e6)), static_cast<int64_t>(std::round(p.y * 1e6))};
}

struct OnEdge {
    double t;
    double2 p;
};

// The distinct corners that lie strictly inside the edge a→b, in order along it.
// `sorted` holds the distinct corners by ascending x.
void insertOnEdge(double2 a, double2 b, const std::vector<double2>& sorted, std::vector<OnEdge>& found) {
    found.clear();
    const double lo = std::min(a.x, b.x) - 1e-6, hi = std::max(a.x, b.x) + 1e-6;
    const double2 ab = b - a;
    const double ab2 = ab.x * ab.x + ab.y * ab.y;
    auto first = std::lower_bound(sorted.begin(), sorted.end(), lo, [](double2 p, double x) { return p.x < x; });
    for (auto it = first; it != sorted.end() && it->x <= hi; ++it) {
        const double2 ap = *it - a;
        const double t = (ap.x * ab.x + ap.y * ab.y) / ab2;
        if (!(t > 1e-9 && t < 0.999999999)) continue;
        if (length(*it - (a + ab * t)) < 1e-6) found.push_back({t, *it});
    }
    std::stable_sort(found.begin(), found.end(), [](const OnEdge& l, const OnEdge& r) { return l.t < r.t; });
}

// The polygon's welded corners with every distinct corner lying inside one of its edges
// inserted in order.
void outlineOf(const std::vector<double2>& corners, const std::vector<double2>& distinct,
               std::vector<double2>& outline, std::vector<OnEdge>& found) {
    outline.clear();
    for (size_t i = 0; i < corners.size(); ++i) {
        const double2 a = corners[i], b = corners[(i + 1) % corners.size()];
        outline.push_back(a);
        if (a == b) continue;
        insertOnEdge(a, b, distinct, found);
        for (const OnEdge& e : found) outline.push_back(e.p);
    }
}

}  // namespace

double2 centroid(std::span<const double2> corners) {
    double2 sum{0, 0};
    for (const double2 c : corners) sum = sum + c;
    return corners.empty() ? sum : sum / static_cast<double>(corners.size());
}

double2 weldCorner(double2 corner, WeldMap& weld, std::vector<double2>& distinct) {
    const WeldKey key = keyOf(corner);
    for (int64_t dx = -1; dx <= 1; ++dx) {
        for (int64_t dy = -1; dy <= 1; ++dy) {
            const auto found = weld.find({key.x + dx, key.y + dy});
            if (found == weld.end()) continue;
            for (const double2 p : found->second)
                if (length(p - corner) < 1e-6) return p;
        }
    }
    weld[key].push_back(corner);
    distinct.push_back(corner);
    return corner;
}

std::vector<float4> polygonMesh(std::span<const MeshPolygon> polygons) {
    WeldMap weld;
    std::vector<double2> distinct;
    std::vector<std::vector<double2>> welded;
    welded.reserve(polygons.size());
    for (const MeshPolygon& polygon : polygons) {
        std::vector<double2> corners;
        corners.reserve(polygon.corners.size());
        for (const double2 c : polygon.corners) corners.push_back(weldCorner(c, weld, distinct));
        welded.push_back(std::move(corners));
    }
    std::stable_sort(distinct.begin(), distinct.end(), [](double2 l, double2 r) { return l.x < r.x; });

    std::vector<float4> vertices;
    std::vector<double2> outline;
    std::vector<OnEdge> found;
    for (size_t s = 0; s < welded.size(); ++s) {
        outlineOf(welded[s], distinct, outline, found);
        // The fan stays centred on the polygon's own corners, junctions aside.
        const double2 centre = centroid(welded[s]);
        const float index = static_cast<float>(s);
        for (size_t k = 0; k < outline.size(); ++k) {
            const double2 v = outline[k], next = outline[(k + 1) % outline.size()];
            vertices.push_back(toFloat4(centre.x, centre.y, index, 0));
            vertices.push_back(toFloat4(v.x, v.y, index, 0));
            vertices.push_back(toFloat4(next.x, next.y, index, 0));
        }
    }
    return vertices;
}

std::vector<float4> polygonEdges(std::span<const MeshPolygon> polygons) {
    std::vector<float4> records;
    records.reserve(polygons.size() * kEdgesPerPolygon);
    for (const MeshPolygon& polygon : polygons) {
        const std::span<const double2> corners = polygon.corners;
        const size_t n = std::min(corners.size(), polygon.sides.size());
        const double2 c = centroid(corners);
        size_t written = 0;
        for (size_t i = 0; i < n && written < kEdgesPerPolygon; ++i) {
            const double2 a = corners[i], b = corners[(i + 1) % corners.size()];
            const double2 ab = b - a;
            const double l = length(ab);
            if (!(l > 1e-9)) continue;
            double2 normal = double2{-ab.y, ab.x} / l;
            const double2 ca = c - a;
            if (ca.x * normal.x + ca.y * normal.y < 0) normal = -normal;
            const double offset = -(normal.x * a.x + normal.y * a.y);
            records.push_back(toFloat4(normal.x, normal.y, offset, polygon.sides[i]));
            ++written;
        }
        for (; written < kEdgesPerPolygon; ++written) records.push_back(float4{0, 0, 0, -2});
    }
    return records;
}

}  // namespace furlpane::effects
