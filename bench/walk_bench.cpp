// One caller walking to and fro between two quiet glades, as a caller walks: a key, the room it
// leads to on his screen, the next key. Measured from outside the game, as the machine sees it:
// the CPU the kernel counts for the process per room entered, and the system calls it makes per
// room (strace attached for part of the walk). The floor is a program that answers each key with
// the very bytes the game sent for that room, walked the same way in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "probes/system_call_count.hpp"
#include "support/caller_scripts.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace {

using namespace vorn::test;

constexpr int kMoves = 8000;
constexpr int kStretches = 8;
constexpr int kTracedMoves = 1000;

// A walk of `moves` rooms: 6 into Cedar Ridge, 4 back into Pine Walk. False when a room does not
// come within a second.
bool Walk(GameProcess& walker, int moves) {
    for (int i = 0; i < moves; ++i) {
        const bool east = i % 2 == 0;
        const std::size_t mark = walker.output_size();
        walker.type(east ? "6" : "4");
        if (!walker.wait_for_output(east ? "Cedar Ridge" : "Pine Walk", 1000, mark)) return false;
    }
    return true;
}

// The bytes one move sends, once it has settled.
std::string BytesOfMove(GameProcess& game, const std::string& key, const std::string& room) {
    const std::size_t mark = game.output_size();
    game.type(key);
    game.wait_for_output(room, 1000, mark);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return game.output().substr(mark);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// CPU per room entered over a walk, in microseconds; negative when the walk failed.
double CpuPerRoom(GameProcess& walker, int moves) {
    const double before = ProcessCpuSeconds(walker.pid());
    if (!Walk(walker, moves)) return -1;
    return (ProcessCpuSeconds(walker.pid()) - before) / moves * 1e6;
}

void BM_WalkBetweenTwoGlades(benchmark::State& state) {
    GameDirectory dir;
    if (!dir.make_game()) {
        state.SkipWithError("mkgame failed");
        return;
    }
    WriteWalkingWorld(dir);
    SetUpDoorNode(dir, 1, "Walker One");
    for (auto _ : state) {
        GameProcess game("game", dir, {.args = {"1"}});
        NewcomerCreatesHuman(game, "Walker");
        game.type("f");
        if (!game.wait_for_text("Pine Walk") || !game.wait_for_text("Your command?") ||
            !Walk(game, 100)) {
            state.SkipWithError("the caller did not reach the forest");
            return;
        }
        dir.write_file("east.bytes", BytesOfMove(game, "6", "Cedar Ridge"));
        dir.write_file("west.bytes", BytesOfMove(game, "4", "Pine Walk"));
        GameProcess floor("room_echo_program", dir, {.args = {"east.bytes", "west.bytes"}});
        if (!floor.wait_for_text("ready")) {
            state.SkipWithError("the floor program did not start");
            return;
        }
        // Stretches of the game's walk and the floor's in turn, so that the machine's moods fall
        // on both alike; the medians count.
        std::vector<double> game_runs;
        std::vector<double> floor_runs;
        for (int stretch = 0; stretch < kStretches; ++stretch) {
            game_runs.push_back(CpuPerRoom(game, kMoves / kStretches));
            floor_runs.push_back(CpuPerRoom(floor, kMoves / kStretches));
        }
        const double game_cpu = Median(game_runs);
        const double floor_cpu = Median(floor_runs);

        SystemCallCount calls;
        if (!calls.start(game.pid())) {
            state.SkipWithError("strace could not attach to the game");
            return;
        }
        const bool traced = Walk(game, kTracedMoves);
        if (!calls.stop() || !traced) {
            state.SkipWithError("the traced walk failed");
            return;
        }
        if (game_cpu < 0 || floor_cpu < 0) {
            state.SkipWithError("a room did not come within a second");
            return;
        }
        state.counters["game_cpu_us_per_room"] = game_cpu;
        state.counters["floor_cpu_us_per_room"] = floor_cpu;
        state.counters["times_floor"] = game_cpu / floor_cpu;
        state.counters["syscalls_per_room"] = static_cast<double>(calls.total()) / kTracedMoves;
        state.counters["bytes_per_room"] = static_cast<double>(dir.read_file("east.bytes").size() +
                                                               dir.read_file("west.bytes").size()) /
                                           2;
        state.SetLabel(calls.summary());
        game.type("*");
    }
}
BENCHMARK(BM_WalkBetweenTwoGlades)->Iterations(1)->Unit(benchmark::kSecond);

constexpr int kPlayers = 100000;
constexpr int kCaller = 4242;
constexpr int kRankings = 20;

// The ranking of a game of 100,000 players, asked for by a caller on the exploration screen (page
// 3, R) and left at its first "More" (N), twenty times: the wall time from the key to the first
// page's pause on his screen, and the game's CPU over it as the kernel counts it.
void BM_RankingFirstPageInAGame(benchmark::State& state) {
    GameDirectory dir;
    if (!dir.make_game()) {
        state.SkipWithError("mkgame failed");
        return;
    }
    WriteWalkingWorld(dir);
    if (!WritePlayers(dir, kPlayers)) {
        state.SkipWithError("the players could not be written");
        return;
    }
    SetUpDoorNode(dir, 1, "Caller " + std::to_string(kCaller));
    for (auto _ : state) {
        GameProcess game("game", dir, {.args = {"1"}});
        EnterGame(game, "Player", false);
        game.type("f");
        if (!game.wait_for_text("Pine Walk") || !game.wait_for_text("Your command?")) {
            state.SkipWithError("the caller did not reach the forest");
            return;
        }
        double wall_ms = 0;
        double cpu_ms = 0;
        for (int i = 0; i < kRankings; ++i) {
            game.type("#");
            if (!game.wait_for_text("player Rank")) {
                state.SkipWithError("page 3 did not show");
                return;
            }
            const double cpu_before = ProcessCpuSeconds(game.pid());
            const auto start = std::chrono::steady_clock::now();
            game.type("r");
            if (!game.wait_for_text("More [Y/n]?", 5000)) {
                state.SkipWithError("the first page did not come");
                return;
            }
            wall_ms +=
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            cpu_ms += (ProcessCpuSeconds(game.pid()) - cpu_before) * 1000;
            game.type("n");
            game.type("\r");
            if (!game.wait_for_text("Your command?")) {
                state.SkipWithError("the caller did not come back from the ranking");
                return;
            }
        }
        state.counters["first_page_wall_ms"] = wall_ms / kRankings;
        state.counters["first_page_cpu_ms"] = cpu_ms / kRankings;
        game.type("*");
    }
}
BENCHMARK(BM_RankingFirstPageInAGame)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
