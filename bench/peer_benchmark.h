#pragma once

// Another renderer's benchmark of the same window-transition scene (a folder with run.sh,
// a Makefile and its source; see bench_rasterizer), built once in a scratch copy of the
// folder and then run one scene at a time, so that its figures and ours can be measured
// by turns in the same minutes on the same machine.

#include <filesystem>
#include <optional>
#include <string>

namespace furlpane::bench {

class PeerBenchmark {
public:
    // Copies the folder to a scratch folder and builds the peer there; none (having said
    // why on stderr) when it cannot be copied or built.
    static std::optional<PeerBenchmark> prepare(const std::filesystem::path& folder);
    PeerBenchmark(PeerBenchmark&& other) noexcept;
    PeerBenchmark& operator=(PeerBenchmark&&) = delete;
    ~PeerBenchmark();

    struct Figure {
        int threads = 0;  // the renderer's worker threads, as the peer counts them
        double msPerFrame = 0;
    };
    // The peer's time for one scene ("quad_ms1" ...): its warm-up, then `runs` runs of
    // `frames` frames with p swept 0 ... 1, the median of the runs' means. threads 0 is the
    // peer's own default (one per core). With framesDir, the frame at p = 0.5 is written
    // there as frame_<scene>_p050.png. None when the peer fails or prints no figure.
    std::optional<Figure> run(const std::string& scene, int threads, int frames, int runs,
                              const std::filesystem::path& framesDir = {}) const;

    const std::filesystem::path& folder() const { return scratch_; }

private:
    explicit PeerBenchmark(std::filesystem::path scratch) : scratch_(std::move(scratch)) {}
    std::filesystem::path scratch_;
};

}  // namespace furlpane::bench
