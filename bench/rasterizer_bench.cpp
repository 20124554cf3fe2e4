// The rasterizer's time for one window-transition frame, with 1 and 4 samples, as one
// quad and as a rippling mesh, against the 8.33 ms of a 120 Hz frame and, side by side,
// against another renderer drawing the same scene.
//
//   bench_rasterizer [benchmark flags] [--size=WxH] [--png-dir=DIR] [--reference=DIR]
//                    [--peer=DIR] [--rounds=N] [--frames=N]
//
// --size     the screen: 1280x800 (the default, the peer's own), 2560x1440, 5120x2880 or
//            any other; a larger screen scales the scene (transition_scene.h).
// --png-dir  writes each scene's frame at p = 0.5 as frame_<scene>_p050.png.
// --reference compares those frames with the same-named PNGs in DIR.
// --peer (or the environment variable FURLPANE_LLVMPIPE_PEER) names the folder of the
//   peer benchmark. Its program is built once in a scratch copy; then, for every scene on
//   every thread count, ours and the peer's take turns (the order swapped every round,
//   --rounds of them, 3 by default), each measured the peer's way: 20 warm-up frames,
//   3 runs of --frames frames (200) with p swept 0 ... 1, the median of the runs' means.
//   Every round prints both times and their ratio; the summary gives the median ratio
//   of the rounds and their range, so that a change of the machine's load during the
//   run shows instead of skewing the result. The peer draws only 1280 × 800; at another
//   size ours is printed alone. The peer's fresh frames are the reference unless
//   --reference says otherwise.
// Without --peer the Google Benchmark runs time every scene over whole sweeps.

#include "bench/peer_benchmark.h"
#include "bench/png_files.h"
#include "bench/transition_scene.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace furlpane::bench {
namespace {

namespace fs = std::filesystem;
using platform::gpu::Device;

constexpr double kBudgetMs = 1000.0 / 120.0;
constexpr SceneSize kPeerSize{1280, 800};

struct Options {
    SceneSize size;
    std::string pngDir;
    std::string reference;
    std::string peer;
    int rounds = 3;
    int frames = 200;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// One iteration is a whole sweep of p over 0 ... 1, so that every benchmark sees the
// large window of the start as much as the small one of the end.
void frameBenchmark(benchmark::State& state, Variant variant, SceneSize size, int threads, int frames) {
    auto scene = TransitionScene::create(Device::create({threads}), size);
    if (!scene) return state.SkipWithError("the scene could not be made");
    for (int i = 0; i < 20; ++i) scene->drawFrame(variant, float(i) / 19.0f);
    std::int64_t drawn = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        for (int i = 0; i < frames; ++i, ++drawn) scene->drawFrame(variant, float(i) / float(frames - 1));
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / double(drawn);
    state.counters["ms_per_frame"] = ms;
    state.counters["budget_share"] = ms / kBudgetMs;
}

void registerBenchmarks(const Options& o) {
    for (const int threads : {platform::gpu::usableCores(), 1})
        for (const Variant& v : variants())
            benchmark::RegisterBenchmark(
                ("TransitionFrame/" + v.name + "/" + o.size.name() + "/threads:" + std::to_string(threads)).c_str(),
                frameBenchmark, v, o.size, threads, o.frames)
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
}

// Our frames measured the peer's way: warm-up, then runs of frames with p swept, the
// median of the runs' means.
double peerStyleMs(TransitionScene& scene, const Variant& v, int frames) {
    for (int i = 0; i < 20; ++i) scene.drawFrame(v, float(i) / 19.0f);
    std::vector<double> means;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < frames; ++i) scene.drawFrame(v, float(i) / float(frames - 1));
        means.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
                        frames);
    }
    return median(means);
}

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return in ? one + " " + five + " " + fifteen : "unknown";
}

struct Turns {
    std::vector<double> ours, peer, ratio;
    int peerThreads = 0;
};

// One scene on one thread count: ours and the peer's, in the order of the round.
void takeTurns(TransitionScene& scene, const PeerBenchmark* peer, const Variant& v, int peerThreads, int round,
               const Options& o, Turns& turns) {
    const bool peerFirst = round % 2 == 1;
    std::optional<PeerBenchmark::Figure> theirs;
    if (peer && peerFirst) theirs = peer->run(v.name, peerThreads, o.frames, 3);
    const double ours = peerStyleMs(scene, v, o.frames);
    if (peer && !peerFirst) theirs = peer->run(v.name, peerThreads, o.frames, 3);
    turns.ours.push_back(ours);
    std::printf("  round %d  %-9s ours %8.3f ms", round + 1, v.name.c_str(), ours);
    if (theirs && theirs->msPerFrame > 0) {
        turns.peer.push_back(theirs->msPerFrame);
        turns.ratio.push_back(ours / theirs->msPerFrame);
        turns.peerThreads = theirs->threads;
        std::printf("  peer %8.3f ms (%d threads)  ratio %.3f", theirs->msPerFrame, theirs->threads,
                    ours / theirs->msPerFrame);
    }
    std::printf("\n");
    std::fflush(stdout);
}

void printSummary(const std::vector<std::pair<std::string, Turns>>& rows) {
    std::printf("\n%-9s %-12s %10s %10s %8s %17s %14s\n", "scene", "threads", "ours ms", "peer ms", "ratio",
                "ratio range", "ours / 8.33 ms");
    for (const auto& [key, t] : rows) {
        const double ours = median(t.ours);
        std::printf("%-22s %10.3f", key.c_str(), ours);
        if (t.ratio.empty()) {
            std::printf(" %10s %8s %17s", "-", "-", "-");
        } else {
            const auto [lo, hi] = std::minmax_element(t.ratio.begin(), t.ratio.end());
            char range[40];
            std::snprintf(range, sizeof range, "%.3f ... %.3f", *lo, *hi);
            std::printf(" %10.3f %8.3f %17s", median(t.peer), median(t.ratio), range);
        }
        std::printf(" %13.1f%%\n", 100 * ours / kBudgetMs);
    }
}

// Every scene on all usable cores and on one, by turns with the peer (when there is
// one), round after round.
void compareByTurns(const Options& o, const PeerBenchmark* peer) {
    const int cores = platform::gpu::usableCores();
    std::printf("\nBy turns at %s, %d rounds; load average at the start %s\n", o.size.name().c_str(), o.rounds,
                loadAverage().c_str());
    std::map<std::string, Turns> turns;
    std::vector<std::string> order;
    for (int round = 0; round < o.rounds; ++round)
        for (const int threads : {cores, 1}) {
            auto scene = TransitionScene::create(Device::create({threads}), o.size);
            if (!scene) return;
            for (const Variant& v : variants()) {
                const std::string key = v.name + " " + std::to_string(threads);
                if (!turns.count(key)) order.push_back(key);
                takeTurns(*scene, peer, v, threads == cores ? 0 : 1, round, o, turns[key]);
            }
        }
    std::printf("Load average at the end %s\n", loadAverage().c_str());
    std::vector<std::pair<std::string, Turns>> rows;
    for (const auto& key : order) rows.emplace_back(key, turns[key]);
    printSummary(rows);
}

// The peer, built, when it draws the size; its p = 0.5 frames become the reference when
// none was given.
std::optional<PeerBenchmark> peerFor(const Options& o, std::string& reference) {
    if (o.size.width != kPeerSize.width || o.size.height != kPeerSize.height) {
        std::printf("\nThe peer draws only 1280x800: ours alone at %s.\n", o.size.name().c_str());
        return std::nullopt;
    }
    auto peer = PeerBenchmark::prepare(o.peer);
    if (peer && reference.empty()) {
        reference = (peer->folder() / "out").string();
        for (const Variant& v : variants()) peer->run(v.name, 0, 2, 1, reference);
    }
    return peer;
}

void writeFrames(const Options& o, const std::string& reference) {
    auto scene = TransitionScene::create(Device::create(), o.size);
    if (!scene) return;
    fs::create_directories(o.pngDir);
    std::printf("\n%-9s %-40s %s\n", "scene", "frame at p = 0.5", "against the reference");
    for (const Variant& v : variants()) {
        scene->drawFrame(v, 0.5f);
        const RgbaImage image{o.size.width, o.size.height, scene->frameRGBA()};
        const std::string name = "frame_" + v.name + "_p050.png";
        const std::string path = (fs::path(o.pngDir) / name).string();
        std::string comparison = "(no reference)";
        if (!writePng(path, image)) comparison = "(could not write the PNG)";
        if (!reference.empty()) {
            const auto ref = readPng((fs::path(reference) / name).string());
            const auto d = ref ? compareImages(image, *ref) : std::nullopt;
            char text[160];
            if (d)
                std::snprintf(text, sizeof text, "mean |diff| %.3f, max %d, pixels off by > 8: %.3f %%",
                              d->meanAbsolute, d->maxAbsolute, 100 * d->shareAbove8);
            comparison = d ? text : "(reference missing or of another size)";
        }
        std::printf("%-9s %-40s %s\n", v.name.c_str(), path.c_str(), comparison.c_str());
    }
}

// Takes our own options out of argv, leaving the benchmark library's.
std::string takeOption(int& argc, char** argv, const std::string& name) {
    const std::string prefix = "--" + name + "=";
    std::string value;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind(prefix, 0) == 0)
            value = arg.substr(prefix.size());
        else
            argv[out++] = argv[i];
    }
    argc = out;
    return value;
}

int number(const std::string& text, int fallback, int least) {
    if (text.empty()) return fallback;
    return std::max(least, std::atoi(text.c_str()));
}

std::optional<SceneSize> sizeOf(const std::string& text) {
    if (text.empty()) return SceneSize{};
    int w = 0, h = 0;
    if (std::sscanf(text.c_str(), "%dx%d", &w, &h) != 2 || w < 64 || h < 64) return std::nullopt;
    return SceneSize{w, h};
}

}  // namespace
}  // namespace furlpane::bench

int main(int argc, char** argv) {
    using namespace furlpane::bench;
    Options o;
    const auto size = sizeOf(takeOption(argc, argv, "size"));
    if (!size) {
        std::fprintf(stderr, "--size takes WIDTHxHEIGHT, each at least 64\n");
        return 1;
    }
    o.size = *size;
    o.pngDir = takeOption(argc, argv, "png-dir");
    o.reference = takeOption(argc, argv, "reference");
    o.peer = takeOption(argc, argv, "peer");
    o.rounds = number(takeOption(argc, argv, "rounds"), 3, 1);
    o.frames = number(takeOption(argc, argv, "frames"), 200, 2);
    if (o.peer.empty()) {
        if (const char* env = std::getenv("FURLPANE_LLVMPIPE_PEER")) o.peer = env;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::string reference = o.reference;
    if (o.peer.empty()) {
        registerBenchmarks(o);
        benchmark::RunSpecifiedBenchmarks();
    } else {
        const std::optional<PeerBenchmark> peer = peerFor(o, reference);
        compareByTurns(o, peer ? &*peer : nullptr);
        if (!o.pngDir.empty()) writeFrames(o, reference);  // while the peer's frames are still there
    }
    benchmark::Shutdown();
    if (o.peer.empty() && !o.pngDir.empty()) writeFrames(o, reference);
    return 0;
}
