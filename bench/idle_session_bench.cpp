// A live session that does nothing, over a settings file of 0, 20,000, 200,000 and
// 700,000 keys: what it costs a core to sit there, and how long a `launch` line takes.
//
//   bench_idle_session [benchmark flags]
//
// Each benchmark drives the real `furlpane-novan` (the one built beside it; the variable
// FURLPANE_NOVAN names another) as a child process in a live session, with TMPDIR set to
// a scratch folder so that its settings folder can be found. Once the program has
// launched, the settings file is put in that folder whole (a rename, as a writer of it
// does), the desktop's watch reports its keys ("first_look_s": from the file's arrival to
// the last of its "defaults" lines), and the program is crashed and launched again over
// it ("launch_s": from the `launch` line sent to the answer of an expectation sent after
// it, the goal being well under a second). Then nothing happens for kIdleSeconds, and
// "cpu_share" is the child's CPU time over those seconds (every thread, from /proc) as a
// share of one core: the goal is near nothing, whatever the file holds (under 0.10).
// Its "time" is those idle seconds.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "bench/live_session.h"
#include "platform/defaults/user_defaults.h"
#include "platform/plist/xml.h"

namespace furlpane::bench {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr double kIdleSeconds = 6;
// How long a person would wait for a launch, or for the watch to see a settings file,
// before taking it for failed: the bench gives up then and says so.
constexpr auto kLaunchWait = 90s;

fs::path executable() {
    if (const char* named = std::getenv("FURLPANE_NOVAN")) return named;
    return FURLPANE_NOVAN_EXECUTABLE;
}

// A scratch folder, gone with the object.
struct Scratch {
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "bench-idle-session-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path = pattern;
    }
    ~Scratch() {
        std::error_code error;
        if (!path.empty()) fs::remove_all(path, error);
    }
    fs::path path;
};

// The text of a settings file of `keys` keys ("k0000000" ...) holding a mix of values.
std::string settingsText(int keys) {
    platform::plist::Dictionary values;
    values.reserve(size_t(keys), size_t(keys) * 8);
    char key[16], text[16];
    for (int i = 0; i < keys; ++i) {
        std::snprintf(key, sizeof key, "k%07d", i);
        if (i % 3 == 0) {
            values.set(key, true);
        } else if (i % 3 == 1) {
            values.set(key, i);
        } else {
            std::snprintf(text, sizeof text, "v%d", i % 1000);
            values.set(key, text);
        }
    }
    return platform::plist::toXml(platform::plist::Value(std::move(values))).value_or("");
}

// Puts the file in the folder whole, as its writers do.
bool putSettings(const fs::path& folder, const std::string& text) {
    const fs::path file = folder / (std::string(platform::kProgramDefaultsDomain) + ".plist");
    const fs::path temporary = folder / "bench.tmp";
    {
        std::ofstream out(temporary, std::ios::binary);
        out << text;
        if (!out) return false;
    }
    std::error_code error;
    fs::rename(temporary, file, error);
    return !error;
}

bool hasLine(const LiveSession::Journal& journal, const std::string& fragment) {
    for (const auto& line : journal.lines) {
        if (line.find(fragment) != std::string::npos) return true;
    }
    return false;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void idleSession(benchmark::State& state) {
    const int keys = int(state.range(0));
    const std::string text = keys > 0 ? settingsText(keys) : std::string();
    if (keys > 0 && text.empty()) return state.SkipWithError("the settings file would be too large");
    for (auto _ : state) {
        Scratch scratch;
        auto session = LiveSession::start(executable(), scratch.path, "defaults");
        if (!session) return state.SkipWithError("furlpane-novan could not be started");
        if (!session->waitFor([](const auto& j) { return hasLine(j, R"("event":"launch")"); }, 30s))
            return state.SkipWithError("the session did not launch the program");
        const auto folder = session->settingsFolder();
        if (!folder) return state.SkipWithError("the session's settings folder was not found");

        const auto arrived = std::chrono::steady_clock::now();
        if (keys > 0 && !putSettings(*folder, text)) return state.SkipWithError("the settings file was not written");
        const bool seen = session->waitFor([keys](const auto& j) { return j.counted >= size_t(keys); }, kLaunchWait);
        state.counters["first_look_s"] = secondsSince(arrived);

        const auto launched = std::chrono::steady_clock::now();
        const std::string expectation = keys > 0 ? "expect defaults k0000000 true" : "expect no defaults k0000000";
        session->send("crash\nlaunch\n" + expectation + "\n");
        const bool answered =
            session->waitFor([](const auto& j) { return hasLine(j, R"("event":"expect")"); }, kLaunchWait);
        state.counters["launch_s"] = secondsSince(launched);
        const bool held = session->waitFor([](const auto& j) { return hasLine(j, R"("ok":true)"); }, 0s);

        // What the launch set going settles first.
        std::this_thread::sleep_for(1s);
        const double cpuBefore = session->cpuSeconds();
        const auto idleStart = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::duration<double>(kIdleSeconds));
        const double wall = secondsSince(idleStart);
        const double cpu = session->cpuSeconds() - cpuBefore;
        state.SetIterationTime(wall);
        state.counters["cpu_share"] = cpu / wall;
        state.counters["file_MB"] = double(text.size()) / 1e6;
        session->finish(10s);
        if (!seen) state.SetLabel("the watch did not report every key");
        if (!held) state.SetLabel("the expectation after the launch did not hold");
        if (!answered)
            state.SetLabel("the launch did not complete within " + std::to_string(kLaunchWait.count()) + " s");
    }
}

BENCHMARK(idleSession)
    ->ArgName("keys")
    ->Arg(0)
    ->Arg(20'000)
    ->Arg(200'000)
    ->Arg(700'000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace furlpane::bench

BENCHMARK_MAIN();
