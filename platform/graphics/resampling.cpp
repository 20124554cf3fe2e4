#include "platform/graphics/resampling.h"

#include <algorithm>
#include <cmath>

namespace platform::raster {

namespace {

void addBoxTaps(AxisPlan& plan, int n, double sa, double sb) {
    sa = std::clamp(sa, 0.0, double(n));
    sb = std::clamp(sb, sa, double(n));
    const double total = sb - sa;
    const int k0 = int(std::floor(sa));
    const int k1 = std::max(k0 + 1, int(std::ceil(sb)));
    for (int k = k0; k < k1 && k < n; ++k) {
        const double w = total > 0 ? (std::min(double(k + 1), sb) - std::max(double(k), sa)) / total : 1;
        if (w <= 0) continue;
        plan.source.push_back(k);
        plan.weight.push_back(float(w));
    }
}

void addLinearTaps(AxisPlan& plan, int n, double u) {
    u = std::clamp(u, 0.0, double(n - 1));
    const int k = int(std::floor(u));
    const double f = u - k;
    plan.source.push_back(k);
    if (f > 0 && k + 1 < n) {
        plan.weight.push_back(float(1 - f));
        plan.source.push_back(k + 1);
        plan.weight.push_back(float(f));
    } else {
        plan.weight.push_back(1.0f);
    }
}

}  // namespace

AxisPlan planAxis(int n, double d0, double d1, bool reversed, int clipFirst, int clipEnd) {
    AxisPlan plan;
    if (n < 1 || !(d1 > d0) || !std::isfinite(d0) || !std::isfinite(d1)) return plan;
    plan.first = int(std::clamp(std::floor(d0), double(clipFirst), double(clipEnd)));
    plan.end = int(std::clamp(std::ceil(d1), double(clipFirst), double(clipEnd)));
    if (plan.isEmpty()) return plan;
    const double scale = (d1 - d0) / n;  // output pixels per source pixel
    const int count = plan.end - plan.first;
    plan.tapStart.reserve(size_t(count) + 1);
    plan.coverage.reserve(size_t(count));
    for (int i = plan.first; i < plan.end; ++i) {
        const double a = std::max(double(i), d0), b = std::min(double(i + 1), d1);
        plan.tapStart.push_back(int(plan.source.size()));
        plan.coverage.push_back(float(std::max(0.0, b - a)));
        const size_t before = plan.source.size();
        if (scale <= 1) {
            addBoxTaps(plan, n, (a - d0) / scale, (b - d0) / scale);
        } else {
            addLinearTaps(plan, n, ((a + b) / 2 - d0) / scale - 0.5);
        }
        if (reversed)
            for (size_t t = before; t < plan.source.size(); ++t) plan.source[t] = n - 1 - plan.source[t];
        plan.maxTaps = std::max(plan.maxTaps, int(plan.source.size() - before));
    }
    plan.tapStart.push_back(int(plan.source.size()));
    return plan;
}

}  // namespace platform::raster
