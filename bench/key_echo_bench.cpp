// Keystroke to echo through a pseudo-terminal: a key is typed on the pty master and timed until
// its echo has come back and been read into the test terminal. The floor is a program that
// echoes every byte at once, measured in the same run through the same path; the game's figure
// is taken at its line editor. Counters are in microseconds over all keystrokes of the run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace {

using vorn::test::GameDirectory;
using vorn::test::GameProcess;

constexpr int kKeystrokes = 2000;

// One keystroke and the bytes that show it has been echoed.
struct KeyEcho {
    std::string key;
    std::string echo;
};

// Types the keys in turn (cycling) and returns the latency of each in microseconds; stops early
// (with fewer values) when an echo does not come within a second.
std::vector<double> EchoLatencies(GameProcess& process, const std::vector<KeyEcho>& keys,
                                  int count) {
    std::vector<double> latencies;
    latencies.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
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

}  // namespace
