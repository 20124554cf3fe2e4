// The rasterizer's time for one window-transition frame at 1280 × 800, with 1 and 4
// samples, as one quad and as a rippling mesh, against the 8.33 ms of a 120 Hz frame.
//
//   bench_rasterizer [benchmark flags] [--png-dir=DIR] [--reference=DIR] [--peer=DIR]
//
// --png-dir writes each variant's frame at p = 0.5 as frame_<variant>_p050.png.
// --reference compares those frames with the same-named PNGs in DIR.
// --peer (or the environment variable FURLPANE_LLVMPIPE_PEER) names the folder of the
//   peer benchmark: its run.sh is run in a scratch copy of the folder, our frames are
//   measured the same way (20 warm-up frames, 3 runs of 200 frames with p swept 0 ... 1,
//   the median of the runs' means), and both are printed side by side; its fresh frames
//   are the reference unless --reference says otherwise.

#include "bench/png_files.h"
#include "bench/transition_scene.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include <unistd.h>

namespace furlpane::bench {
namespace {

namespace fs = std::filesystem;
using platform::gpu::Device;

constexpr double kBudgetMs = 1000.0 / 120.0;

int allCores() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

void frameBenchmark(benchmark::State& state, Variant variant, int threads) {
    auto scene = TransitionScene::create(Device::create({threads}));
    if (!scene) return state.SkipWithError("the scene could not be made");
    int frame = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) scene->drawFrame(variant, float(frame++ % 200) / 199.0f);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
                      double(std::max(frame, 1));
    state.counters["ms_per_frame"] = ms;
    state.counters["budget_share"] = ms / kBudgetMs;
}

void registerBenchmarks() {
    for (const int threads : {allCores(), 1})
        for (const Variant& v : variants())
            benchmark::RegisterBenchmark(("TransitionFrame/" + v.name + "/threads:" + std::to_string(threads)).c_str(),
                                         frameBenchmark, v, threads)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
}

// The peer's way of measuring: warm-up, then runs of frames with p swept, median of means.
double peerStyleMs(TransitionScene& scene, const Variant& v) {
    for (int i = 0; i < 20; ++i) scene.drawFrame(v, float(i) / 19.0f);
    std::vector<double> means;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 200; ++i) scene.drawFrame(v, float(i) / 199.0f);
        means.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / 200);
    }
    std::sort(means.begin(), means.end());
    return means[1];
}

void writeFrames(const std::string& dir, const std::string& reference) {
    auto scene = TransitionScene::create(Device::create({allCores()}));
    if (!scene) return;
    fs::create_directories(dir);
    std::printf("\n%-9s %-40s %s\n", "variant", "frame at p = 0.5", "against the reference");
    for (const Variant& v : variants()) {
        scene->drawFrame(v, 0.5f);
        const RgbaImage image{TransitionScene::kWidth, TransitionScene::kHeight, scene->frameRGBA()};
        const std::string name = "frame_" + v.name + "_p050.png";
        const std::string path = (fs::path(dir) / name).string();
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

// Runs the peer in a writable scratch copy of its folder; returns its stdout lines
// keyed by "variant threads-run", where the run is "default" or "1".
std::map<std::string, double> runPeer(const std::string& peer, fs::path& scratch) {
    std::map<std::string, double> results;
    scratch = fs::temp_directory_path() / ("furlpane-peer-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::remove_all(scratch, ec);
    fs::copy(peer, scratch, fs::copy_options::recursive, ec);
    if (ec) {
        std::fprintf(stderr, "# could not copy %s: %s\n", peer.c_str(), ec.message().c_str());
        return results;
    }
    for (const auto& entry : fs::recursive_directory_iterator(scratch))
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ec);
    fs::permissions(scratch, fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove_all(scratch / "out", ec);
    const std::string command = "cd '" + scratch.string() + "' && THREAD_RUNS='default 1' ./run.sh 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return results;
    const std::regex line(R"(^(\w+) (\d+) ([0-9.]+) ([0-9.]+)\s*$)");
    char buffer[512];
    std::map<std::string, int> seen;
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        std::cmatch m;
        if (!std::regex_match(buffer, m, line)) continue;
        const std::string run = seen[m[1].str()]++ == 0 ? "default" : "1";
        results[m[1].str() + " " + run] = std::stod(m[3].str());
    }
    ::pclose(pipe);
    return results;
}

void compareWithPeer(const std::string& peer, std::string& reference) {
    fs::path scratch;
    std::printf("\nRunning the peer benchmark in a scratch copy of %s ...\n", peer.c_str());
    const auto theirs = runPeer(peer, scratch);
    if (reference.empty()) reference = (scratch / "out").string();
    std::printf("\n%-9s %-8s %10s %10s %8s %14s\n", "variant", "threads", "ours ms", "peer ms", "ratio", "ours / 8.33 ms");
    for (const std::string run : {"default", "1"}) {
        const int threads = run == "default" ? allCores() : 1;
        auto scene = TransitionScene::create(Device::create({threads}));
        if (!scene) return;
        for (const Variant& v : variants()) {
            const double ours = peerStyleMs(*scene, v);
            const auto it = theirs.find(v.name + " " + run);
            const double peerMs = it == theirs.end() ? 0 : it->second;
            std::printf("%-9s %-8d %10.3f %10s %8s %13.1f%%\n", v.name.c_str(), threads, ours,
                        peerMs > 0 ? std::to_string(peerMs).substr(0, 6).c_str() : "-",
                        peerMs > 0 ? std::to_string(ours / peerMs).substr(0, 5).c_str() : "-", 100 * ours / kBudgetMs);
        }
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

}  // namespace
}  // namespace furlpane::bench

int main(int argc, char** argv) {
    using namespace furlpane::bench;
    std::string pngDir = takeOption(argc, argv, "png-dir");
    std::string reference = takeOption(argc, argv, "reference");
    std::string peer = takeOption(argc, argv, "peer");
    if (peer.empty()) {
        if (const char* env = std::getenv("FURLPANE_LLVMPIPE_PEER")) peer = env;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!peer.empty()) compareWithPeer(peer, reference);
    if (!pngDir.empty()) writeFrames(pngDir, reference);
    return 0;
}
