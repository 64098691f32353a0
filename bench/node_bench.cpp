// The cost of many nodes. Idling: a real game waits at the command prompt while nodeinfo.dat
// holds 255 live records, its key reader reading the table and the other nodes' streams every
// round; its CPU from /proc beside that of a process blocked in a read on its terminal. Latency:
// node 2's caller sends lines to node 1's, timed from the Enter that sends each one to the moment
// node 1's screen shows it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/clock.hpp"
#include "common/node_records.hpp"
#include "probes/system_call_count.hpp"
#include "support/caller_scripts.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace {

using namespace vorn;
using namespace vorn::test;

constexpr int kIdleSeconds = 30;
constexpr int kLines = 60;
constexpr int kTracedSeconds = 15;
constexpr int kRoundMs = 150;  // the key reader's round

bool EnterGame(GameProcess& game, const std::string& name) {
    if (!Answer(game, "Whack The Damn Key!", "\r") || !Answer(game, "Step into the snows", "s") ||
        !Answer(game, "A Newcomer's Guide to Vornhold", "\r")) {
        return false;
    }
    CreateHuman(game, name);
    return game.wait_for_text("Go in the forest");
}

// Into the forest, the woodcutter's gift taken, at the command prompt.
bool IntoTheForest(GameProcess& game) {
    game.type("f");
    return Answer(game, "Do you take the", "y") && game.wait_for_text("Your command?");
}

// Records 2..255: players in a far room with fresh heartbeats, each with an empty stream.
void FillNodeTable(const GameDirectory& dir) {
    SystemClock clock;
    const DateTime now = clock.now();
    std::string table(sizeof(NodeInfoRecord), '\0');
    for (int node = 2; node <= 255; ++node) {
        NodeInfoRecord r{};
        r.node = static_cast<std::uint8_t>(node);
        r.user_name = "Player " + std::to_string(node);
        r.user_location = "Vornwood";
        r.sex_letter = 'M';
        r.activity = "Deep Wood";
        r.room = 999;
        r.race_name = "Human";
        r.subrace_name = "Black";
        r.logon_time[0] = NodeDayNumber(now);
        r.heartbeat = NodeSecondsStamp(now);
        table.append(reinterpret_cast<const char*>(&r), sizeof r);
        dir.write_file(NodeDataFileName(node), "");
    }
    dir.write_file(kNodeInfoFileName, table);
}

void BM_IdleNodeWith255Records(benchmark::State& state) {
    GameDirectory dir;
    if (!dir.make_game()) {
        state.SkipWithError("mkgame failed");
        return;
    }
    SetUpDoorNode(dir, 1, "Ida Idler");
    FillNodeTable(dir);
    for (auto _ : state) {
        GameProcess game("game", dir, {.args = {"1"}});
        GameProcess floor("echo_program", dir);
        if (!EnterGame(game, "Ida")) {
            state.SkipWithError("the game did not reach the city");
            return;
        }
        if (!IntoTheForest(game)) {
            state.SkipWithError("the game did not reach the command prompt");
            return;
        }
        const double game_before = ProcessCpuSeconds(game.pid());
        const double floor_before = ProcessCpuSeconds(floor.pid());
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(kIdleSeconds));
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double game_cpu = ProcessCpuSeconds(game.pid()) - game_before;
        const double floor_cpu = ProcessCpuSeconds(floor.pid()) - floor_before;
        state.counters["idle_cpu_percent"] = game_cpu / wall * 100;
        state.counters["floor_cpu_percent"] = floor_cpu / wall * 100;
        state.counters["idle_cpu_ms"] = game_cpu * 1000;
        // Then the system calls of its rounds, counted by strace over a second stretch.
        SystemCallCount calls;
        if (!calls.start(game.pid())) {
            state.SkipWithError("strace could not attach to the game");
            return;
        }
        std::this_thread::sleep_for(std::chrono::seconds(kTracedSeconds));
        if (!calls.stop()) {
            state.SkipWithError("strace gave no count");
            return;
        }
        state.counters["syscalls_per_round"] =
            static_cast<double>(calls.total()) / (kTracedSeconds * 1000.0 / kRoundMs);
        state.SetLabel(calls.summary());
        game.type("*");
        game.wait_exit();
    }
}
BENCHMARK(BM_IdleNodeWith255Records)->Iterations(1)->Unit(benchmark::kSecond);

void BM_NodeToNodeLatency(benchmark::State& state) {
    GameDirectory dir;
    if (!dir.make_game()) {
        state.SkipWithError("mkgame failed");
        return;
    }
    SetUpDoorNode(dir, 1, "Ann Alpha");
    SetUpDoorNode(dir, 2, "Bob Beta");
    for (auto _ : state) {
        GameProcess ann("game", dir, {.args = {"1"}});
        GameProcess bob("game", dir, {.args = {"2"}});
        if (!EnterGame(ann, "Ann") || !EnterGame(bob, "Bob")) {
            state.SkipWithError("the games did not reach the city");
            return;
        }
        // Ann waits at a line prompt: each line shows as soon as it is read.
        if (!IntoTheForest(ann) || !IntoTheForest(bob)) {
            state.SkipWithError("the games did not reach the command prompt");
            return;
        }
        ann.type("@t");
        if (!ann.wait_for_text("Enter node # or username")) {
            state.SkipWithError("node 1 did not reach the talk prompt");
            return;
        }
        std::vector<double> latencies;
        // Each line leaves at a moment of its own within node 1's 150 ms round: the loop would
        // otherwise send every line just after the round that showed the last one.
        std::mt19937 random(1234);
        std::uniform_int_distribution<int> phase_ms(0, 299);
        for (int i = 0; i < kLines; ++i) {
            char token[32];
            std::snprintf(token, sizeof token, "ping-%03d-", i);
            bob.type("@t");
            if (!Answer(bob, "Enter node # or username", "1\r") ||
                !bob.wait_for_text("Enter message to send:")) {
                state.SkipWithError("node 2 did not reach the message prompt");
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(phase_ms(random)));
            bob.type(std::string(token) + "\r");
            const auto sent = std::chrono::steady_clock::now();
            if (!ann.wait_for_text(token, 5000)) {
                state.SkipWithError("a line did not arrive");
                return;
            }
            latencies.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent)
                    .count());
            if (!Answer(bob, "Whack The Damn Key!", "\r") || !bob.wait_for_text("Your command?")) {
                state.SkipWithError("node 2 did not come back to its prompt");
                return;
            }
        }
        std::sort(latencies.begin(), latencies.end());
        state.counters["median_ms"] = latencies[latencies.size() / 2];
        state.counters["p99_ms"] = latencies[latencies.size() * 99 / 100];
        state.counters["max_ms"] = latencies.back();
        state.counters["min_ms"] = latencies.front();
        ann.type("*");
        bob.type("*");
    }
}
BENCHMARK(BM_NodeToNodeLatency)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
