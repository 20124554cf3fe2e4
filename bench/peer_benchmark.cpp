#include "bench/peer_benchmark.h"

#include <cstdio>
#include <regex>
#include <system_error>
#include <utility>

#include <unistd.h>

namespace furlpane::bench {

namespace fs = std::filesystem;

namespace {

std::string quoted(const fs::path& p) {
    std::string text(1, '\'');
    text.append(p.string()).push_back('\'');
    return text;
}

// Makes every file of the copy writable: the peer's folder may be read-only.
void makeWritable(const fs::path& folder) {
    std::error_code ec;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
    for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ec);
}

}  // namespace

std::optional<PeerBenchmark> PeerBenchmark::prepare(const fs::path& folder) {
    const fs::path scratch = fs::temp_directory_path() / ("furlpane-peer-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::remove_all(scratch, ec);
    fs::copy(folder, scratch, fs::copy_options::recursive, ec);
    if (ec) {
        std::fprintf(stderr, "# could not copy %s: %s\n", folder.c_str(), ec.message().c_str());
        return std::nullopt;
    }
    PeerBenchmark peer(scratch);
    makeWritable(scratch);
    fs::remove_all(scratch / "out", ec);
    fs::create_directories(scratch / "out", ec);
    const std::string build = "cd " + quoted(scratch) + " && make -s transition_bench >&2";
    if (std::system(build.c_str()) != 0) {
        std::fprintf(stderr, "# the peer in %s could not be built\n", scratch.c_str());
        return std::nullopt;
    }
    return peer;
}

PeerBenchmark::PeerBenchmark(PeerBenchmark&& other) noexcept : scratch_(std::exchange(other.scratch_, {})) {}

PeerBenchmark::~PeerBenchmark() {
    if (scratch_.empty()) return;
    std::error_code ec;
    fs::remove_all(scratch_, ec);
}

std::optional<PeerBenchmark::Figure> PeerBenchmark::run(const std::string& scene, int threads, int frames, int runs,
                                                        const fs::path& framesDir) const {
    // The peer's own settings for a software renderer, as its run.sh makes them.
    std::string command = "cd " + quoted(scratch_) + " && env ";
    command += threads > 0 ? "LP_NUM_THREADS=" + std::to_string(threads) : std::string("-u LP_NUM_THREADS");
    command += " LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe ./transition_bench --frames " + std::to_string(frames) + " --warmup 20 --repeat " +
               std::to_string(runs) + " --variants " + scene;
    if (!framesDir.empty()) command += " --png-dir " + quoted(framesDir);
    command += " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    const std::regex line(R"(^(\w+) (\d+) ([0-9.]+) ([0-9.]+)\s*$)");
    std::optional<Figure> figure;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        std::cmatch m;
        if (std::regex_match(buffer, m, line) && m[1].str() == scene)
            figure = Figure{std::stoi(m[2].str()), std::stod(m[3].str())};
    }
    if (::pclose(pipe) != 0) return std::nullopt;
    return figure;
}

}  // namespace furlpane::bench
