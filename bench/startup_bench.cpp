// Start-up to exit of `game` on a local node, against the start-up of a C++ program that does
// nothing (the floor). Both run the same way: fork, drop to the unprivileged user, exec on pipes
// with the probe's answer and the pause keys typed up front, reap. The title and credit screens
// are missing, as in a fresh game directory. Runs of the two alternate, so a change in the load
// of the machine hits both alike; the counters give medians over the runs and the peak resident
// set (wait4) of each program.
#include <benchmark/benchmark.h>

#include <cstdio>

#include <algorithm>
#include <string>
#include <vector>

#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace {

using vorn::test::GameDirectory;
using vorn::test::ProgramResult;
using vorn::test::RunOptions;

constexpr int kRuns = 50;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Runs {
    std::vector<double> ms;
    long peak_rss_kb = 0;
};

// One run; false when the program did not end with exit code 0.
bool RunOnce(const char* program, const std::vector<std::string>& args, const GameDirectory& dir,
             Runs& runs) {
    RunOptions options;
    options.args = args;
    // A UTF-8 terminal's answer to the probe, a key for the title pause, Q at the title menu
    // and a key for the credits pause.
    options.input = "\x1b[1;2R\rq\r";
    const ProgramResult result = vorn::test::RunProgram(program, dir.path(), options);
    if (result.exit_code != 0) return false;
    runs.ms.push_back(result.elapsed_ms);
    runs.peak_rss_kb = std::max(runs.peak_rss_kb, result.usage.ru_maxrss);
    return true;
}

void BM_StartupAgainstFloor(benchmark::State& state) {
    GameDirectory dir;
    if (!dir.make_game()) {
        state.SkipWithError("mkgame failed");
        return;
    }
    // The measure is of the program, not of its screens: the title and credits go.
    for (const char* screen : {"ansi/title.ans", "ansi/title.an1", "ansi/title.an2",
                               "ansi/cred2.ans", "ansi/intro.ans"}) {
        std::remove(dir.file(screen).c_str());
    }
    for (auto _ : state) {
        Runs floor;
        Runs game;
        for (int i = 0; i < kRuns; ++i) {
            if (!RunOnce("trivial_program", {}, dir, floor) || !RunOnce("game", {"1"}, dir, game)) {
                state.SkipWithError("a run did not end with exit code 0");
                return;
            }
        }
        const double floor_ms = Median(floor.ms);
        const double game_ms = Median(game.ms);
        state.counters["floor_median_ms"] = floor_ms;
        state.counters["game_median_ms"] = game_ms;
        state.counters["game_over_floor_ms"] = game_ms - floor_ms;
        state.counters["floor_peak_rss_kb"] = static_cast<double>(floor.peak_rss_kb);
        state.counters["game_peak_rss_kb"] = static_cast<double>(game.peak_rss_kb);
    }
}
BENCHMARK(BM_StartupAgainstFloor)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
