// The picture analysis that runs on every captured pair of window pictures, and the
// thumbnail arrangement of a crowded screen, against the 8.33 ms of a 120 Hz frame.
//
//   window_framing/shadowMargin   a 2880 × 1800 window in a 40-pixel shadow margin, with
//                                 rounded corners and an outline: scan + agreementDepth
//   window_framing/identical      two identical 2880 × 1800 pictures: scan + agreementDepth
//   window_framing/strips         the strips of the shadowed pair (the copy that follows)
//   thumbnail_places/200          places() for 200 thumbnails on a 2560 × 1440 screen

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <vector>

#include "windows/changed/thumbnail_arrangement.h"
#include "windows/framing/window_framing.h"

namespace {

using furlpane::FramingOffset;
using furlpane::PixelView;
using furlpane::ThumbnailArrangement;
using furlpane::WindowFraming;

constexpr double kBudgetMs = 1000.0 / 120.0;
constexpr int kWidth = 2880;
constexpr int kHeight = 1800;
constexpr int kMargin = 40;
constexpr int kCornerRadius = 20;

struct Bitmap {
    int width;
    int height;
    std::vector<std::uint32_t> words;
    Bitmap(int w, int h, std::uint32_t fill) : width(w), height(h), words(std::size_t(w) * std::size_t(h), fill) {}
    std::uint32_t& at(int x, int y) { return words[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    PixelView view() const {
        return {reinterpret_cast<const std::uint8_t*>(words.data()), width, height, std::size_t(width) * 4};
    }
};

bool outsideCorner(int x, int y, int w, int h) {
    const int dx = std::max({kCornerRadius - x, x - (w - 1 - kCornerRadius), 0});
    const int dy = std::max({kCornerRadius - y, y - (h - 1 - kCornerRadius), 0});
    return dx * dx + dy * dy > kCornerRadius * kCornerRadius;
}

// A window: opaque content that varies from pixel to pixel, transparent rounded corners.
Bitmap plainWindow() {
    Bitmap b(kWidth, kHeight, 0);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            b.at(x, y) = outsideCorner(x, y, kWidth, kHeight)
                             ? 0u
                             : 0xFF000000u | std::uint32_t((x * 7 + y * 13) % 251) << 8 | std::uint32_t(x & 0xFF);
    return b;
}

// The same window in its shadow margin, shadow behind the corners, with an outline.
Bitmap framedWindow(const Bitmap& plain) {
    Bitmap b(kWidth + 2 * kMargin, kHeight + 2 * kMargin, 0x30000000u);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const std::uint32_t p = plain.words[std::size_t(y) * kWidth + std::size_t(x)];
            const bool edge = x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1;
            b.at(kMargin + x, kMargin + y) = p == 0 ? 0x30000000u : edge ? 0xFF202020u : p;
        }
    return b;
}

void report(benchmark::State& state, std::chrono::steady_clock::time_point start, long iterations) {
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
                      double(std::max(iterations, 1L));
    state.counters["ms"] = ms;
    state.counters["budget_share"] = ms / kBudgetMs;
}

void scanAndDepth(benchmark::State& state, const Bitmap& plain, const Bitmap& framed) {
    long n = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const auto offset = WindowFraming::scan(plain.view(), framed.view());
        if (!offset) return state.SkipWithError("the window was not found");
        benchmark::DoNotOptimize(WindowFraming::agreementDepth(framed.view(), plain.view(), *offset));
        ++n;
    }
    report(state, start, n);
}

void shadowMargin(benchmark::State& state) {
    static const Bitmap plain = plainWindow();
    static const Bitmap framed = framedWindow(plain);
    scanAndDepth(state, plain, framed);
}

void identical(benchmark::State& state) {
    static const Bitmap plain = plainWindow();
    scanAndDepth(state, plain, plain);
}

void strips(benchmark::State& state) {
    static const Bitmap plain = plainWindow();
    static const Bitmap framed = framedWindow(plain);
    const auto offset = WindowFraming::scan(plain.view(), framed.view());
    if (!offset) return state.SkipWithError("the window was not found");
    const int depth = WindowFraming::agreementDepth(framed.view(), plain.view(), *offset);
    state.counters["depth"] = depth;
    long n = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        benchmark::DoNotOptimize(WindowFraming::make(framed.view(), *offset, depth, kWidth, kHeight));
        ++n;
    }
    report(state, start, n);
}

// 200 thumbnails of side 100 strewn over a 2560 × 1440 screen (312 cells), with five
// dropped by hand to keep clear of.
void places(benchmark::State& state) {
    const ThumbnailArrangement arrangement{ThumbnailArrangement::Order::rightFromTop, 100,
                                           platform::Rect(0, 25, 2560, 1415)};
    std::mt19937 random(12);
    std::vector<ThumbnailArrangement::Item> items;
    for (std::uint32_t n = 1; n <= 200; ++n)
        items.push_back({n, platform::Rect(double(random() % 2460), 25 + double(random() % 1315), 100, 100)});
    std::vector<platform::Rect> avoided;
    for (int i = 0; i < 5; ++i)
        avoided.push_back(platform::Rect(double(random() % 2460), 25 + double(random() % 1315), 100, 100));
    long n = 0;
    std::size_t placed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const auto result = arrangement.places(items, avoided);
        placed = result.size();
        benchmark::DoNotOptimize(result);
        ++n;
    }
    report(state, start, n);
    state.counters["placed"] = double(placed);
}

BENCHMARK(shadowMargin)->Name("window_framing/shadowMargin")->Unit(benchmark::kMillisecond);
BENCHMARK(identical)->Name("window_framing/identical")->Unit(benchmark::kMillisecond);
BENCHMARK(strips)->Name("window_framing/strips")->Unit(benchmark::kMillisecond);
BENCHMARK(places)->Name("thumbnail_places/200")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
