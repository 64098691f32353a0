// Start-up to exit of `game` on a local node, against the start-up of a C++ program that does
// nothing (the floor). Both run the same way: fork, drop to the unprivileged user, exec on pipes
// with the probe's answer and the pause keys typed up front, reap. The title and credit screens
// are missing, as in a fresh game directory. Runs of the two alternate, so a change in the load
// of the machine hits both alike; the counters give medians over the runs and the peak resident
// set (wait4) of each program.
//
// The logon runs the same way with a caller named by door.sys, in games of 1, 1,000, 10,000 and
// 100,000 players: the title, the logon by the caller's name (the last player a search reaches)
// and a hang-up at the news question that follows. Runs in the game of one player alternate with
// them: that is the floor each figure is held against.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "common/user_records.hpp"
#include "support/caller_scripts.hpp"
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
    std::vector<double> cpu_ms;  // user and system CPU of the process, from wait4
    long peak_rss_kb = 0;
};

double CpuMs(const struct rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

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

// A game of `players` players ("Player 0" of caller "Caller 0", ...) whose door.sys names the
// last one a search reaches; user2.dat is sparse.
bool MakePlayerGame(GameDirectory& dir, int players) {
    if (!dir.make_game()) return false;
    vorn::test::SetDoorType(dir, 1);
    const int last = std::min(players, static_cast<int>(vorn::kMaxUsers)) - 1;
    vorn::test::WriteDoorSys(dir, "Caller " + std::to_string(last));
    return vorn::test::WritePlayers(dir, players);
}

bool LogOnOnce(const GameDirectory& dir, Runs& runs) {
    RunOptions options;
    options.args = {"1"};
    // The probe's answer, the title pause and S at the title menu; the caller hangs up at the
    // first question after the logon.
    options.input = "\x1b[1;2R\rs";
    const ProgramResult result = vorn::test::RunProgram("game", dir.path(), options);
    if (result.exit_code != 0 ||
        result.output.find("Do you want to read the news?") == std::string::npos) {
        std::fprintf(stderr, "exit %d:\n%s\n", result.exit_code, result.output.c_str());
        return false;
    }
    if (std::getenv("VORN_BENCH_SHOW")) std::fprintf(stderr, "%s\n", result.output.c_str());
    runs.ms.push_back(result.elapsed_ms);
    runs.cpu_ms.push_back(CpuMs(result.usage));
    return true;
}

void BM_LogonAgainstOnePlayer(benchmark::State& state) {
    GameDirectory one, many;
    if (!MakePlayerGame(one, 1) || !MakePlayerGame(many, static_cast<int>(state.range(0)))) {
        state.SkipWithError("the game directories could not be made");
        return;
    }
    // users.idx as a board's mostly is: not written in the last seconds before a logon.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    for (auto _ : state) {
        Runs floor, game;
        for (int i = 0; i < kRuns; ++i) {
            if (!LogOnOnce(one, floor) || !LogOnOnce(many, game)) {
                state.SkipWithError("a logon did not end with exit code 0");
                return;
            }
        }
        state.counters["one_player_median_ms"] = Median(floor.ms);
        state.counters["median_ms"] = Median(game.ms);
        state.counters["over_one_player_ms"] = Median(game.ms) - Median(floor.ms);
        state.counters["one_player_cpu_ms"] = Median(floor.cpu_ms);
        state.counters["cpu_ms"] = Median(game.cpu_ms);
    }
}
BENCHMARK(BM_LogonAgainstOnePlayer)
    ->Arg(1)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
