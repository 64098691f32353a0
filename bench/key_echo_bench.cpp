// Keystroke to echo through a pseudo-terminal: a key is typed on the pty master and timed until
// its echo has come back and been read into the test terminal. The floor is a program that
// echoes every byte at once, measured in the same run through the same path; the game's figure
// is taken at its line editor. Counters are in microseconds over all keystrokes of the run.
//
// Sixteen callers at once: sixteen nodes of one game directory, each caller walking back and
// forth between two rooms at a brisk typist's pace, all the keystrokes of all of them timed until
// the room they lead to shows. The floor is sixteen echo programs typed at the same pace.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/caller_scripts.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace {

using vorn::test::GameDirectory;
using vorn::test::GameProcess;

constexpr int kKeystrokes = 2000;
constexpr int kCallers = 16;
constexpr int kMovesPerCaller = 400;
constexpr int kThinkMs = 25;  // between a room's arrival and the next key

// One keystroke and the bytes that show it has been echoed.
struct KeyEcho {
    std::string key;
    std::string echo;
};

// Types the keys in turn (cycling) and returns the latency of each in microseconds; stops early
// (with fewer values) when an echo does not come within a second. `think_ms` passes before each
// key.
std::vector<double> EchoLatencies(GameProcess& process, const std::vector<KeyEcho>& keys, int count,
                                  int think_ms = 0) {
    std::vector<double> latencies;
    latencies.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (think_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(think_ms));
        const KeyEcho& k = keys[static_cast<std::size_t>(i) % keys.size()];
        const std::size_t mark = process.output_size();
        const auto start = std::chrono::steady_clock::now();
        process.type(k.key);
        if (!process.wait_for_output(k.echo, 1000, mark)) break;
        latencies.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    return latencies;
}

void Report(benchmark::State& state, std::vector<double> latencies, int wanted) {
    if (static_cast<int>(latencies.size()) < wanted) {
        state.SkipWithError("an echo did not come back within a second");
        return;
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double fraction) {
        return latencies[static_cast<std::size_t>(fraction * (latencies.size() - 1))];
    };
    state.counters["median_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = latencies.back();
}

// The floor: the pty round trip of a program that only echoes.
void BM_KeyEchoFloor(benchmark::State& state) {
    GameDirectory dir;
    for (auto _ : state) {
        GameProcess echo("echo_program", dir);
        if (!echo.wait_for_text("ready")) {
            state.SkipWithError("echo_program did not start");
            return;
        }
        Report(state, EchoLatencies(echo, {{"a", "a"}, {"b", "b"}}, kKeystrokes), kKeystrokes);
    }
}
BENCHMARK(BM_KeyEchoFloor)->Iterations(1)->Unit(benchmark::kMillisecond);

// The game's line editor, in the terminal driver that runs the game's terminal layer: letters
// alternate with backspaces, so the field never fills up. A backspace shows as the blank that
// erases the letter.
std::vector<double> MeasureLineEditorEcho(int count) {
    GameDirectory dir;
    GameProcess driver("terminal_driver", dir, {.args = {"echo"}});
    if (!driver.wait_for_text(">")) return {};
    return EchoLatencies(driver, {{"x", "x"}, {"\x7f", " "}}, count);
}

void BM_KeyEchoGameLineEditor(benchmark::State& state) {
    for (auto _ : state) Report(state, MeasureLineEditorEcho(kKeystrokes), kKeystrokes);
}
BENCHMARK(BM_KeyEchoGameLineEditor)->Iterations(1)->Unit(benchmark::kMillisecond);

// Sixteen processes typed at once, each by its own thread; the latencies of all of them.
std::vector<double> AllAtOnce(const std::vector<std::unique_ptr<GameProcess>>& processes,
                              const std::vector<KeyEcho>& keys, int count) {
    std::vector<double> all;
    std::mutex mutex;
    std::vector<std::thread> threads;
    for (const auto& process : processes) {
        threads.emplace_back([&, p = process.get()] {
            const std::vector<double> mine = EchoLatencies(*p, keys, count, kThinkMs);
            const std::lock_guard<std::mutex> hold(mutex);
            all.insert(all.end(), mine.begin(), mine.end());
        });
    }
    for (std::thread& t : threads) t.join();
    return all;
}

void BM_KeyEchoFloorSixteenAtOnce(benchmark::State& state) {
    GameDirectory dir;
    for (auto _ : state) {
        std::vector<std::unique_ptr<GameProcess>> echoes;
        for (int i = 0; i < kCallers; ++i) {
            echoes.push_back(std::make_unique<GameProcess>("echo_program", dir));
            if (!echoes.back()->wait_for_text("ready")) {
                state.SkipWithError("echo_program did not start");
                return;
            }
        }
        Report(state, AllAtOnce(echoes, {{"a", "a"}, {"b", "b"}}, kMovesPerCaller),
               kCallers * kMovesPerCaller);
    }
}
BENCHMARK(BM_KeyEchoFloorSixteenAtOnce)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_KeyEchoSixteenCallersWalking(benchmark::State& state) {
    using namespace vorn::test;
    GameDirectory dir;
    if (!dir.make_game()) {
        state.SkipWithError("mkgame failed");
        return;
    }
    WriteWalkingWorld(dir);
    for (auto _ : state) {
        std::vector<std::unique_ptr<GameProcess>> callers;
        for (int node = 1; node <= kCallers; ++node) {
            SetUpDoorNode(dir, node, "Walker " + std::to_string(node));
            callers.push_back(std::make_unique<GameProcess>(
                "game", dir, LaunchOptions{.args = {std::to_string(node)}}));
            GameProcess& game = *callers.back();
            NewcomerCreatesHuman(game, std::string("Walker") + static_cast<char>('A' + node));
            game.type("f");
            if (!game.wait_for_text("Pine Walk") || !game.wait_for_text("Your command?")) {
                state.SkipWithError("a caller did not reach the forest");
                return;
            }
        }
        // The CPU the sixteen games spend, per key: what the walk costs them besides the wait.
        const auto cpu = [&] {
            double seconds = 0;
            for (const auto& game : callers) seconds += ProcessCpuSeconds(game->pid());
            return seconds;
        };
        const double before = cpu();
        Report(state,
               AllAtOnce(callers, {{"6", "Cedar Ridge"}, {"4", "Pine Walk"}}, kMovesPerCaller),
               kCallers * kMovesPerCaller);
        state.counters["game_cpu_us_per_key"] =
            (cpu() - before) / (kCallers * kMovesPerCaller) * 1e6;
        for (auto& game : callers) game->type("*");
    }
}
BENCHMARK(BM_KeyEchoSixteenCallersWalking)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
