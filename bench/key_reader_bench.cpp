// The CPU a node spends idling at a key prompt: a real read_key on a pipe, with the real clock,
// until a key arrives after ten seconds. The floor is a process that only sleeps in poll.
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "core/session.hpp"
#include "play/main_sequence.hpp"

namespace {

constexpr int kIdleSeconds = 10;

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A child that types one key into the pipe after the idle time.
pid_t KeyLater(int fd) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::sleep(kIdleSeconds);
        (void)!::write(fd, "x", 1);
        ::_exit(0);
    }
    return child;
}

template <class Wait>
void MeasureIdle(benchmark::State& state, Wait&& wait) {
    for (auto _ : state) {
        int fds[2];
        if (::pipe(fds) != 0) state.SkipWithError("pipe");
        const pid_t child = KeyLater(fds[1]);
        const double cpu_before = CpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        wait(fds[0]);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu = CpuSeconds() - cpu_before;
        ::waitpid(child, nullptr, 0);
        ::close(fds[0]);
        ::close(fds[1]);
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
        state.counters["wall_s"] = wall;
    }
}

void BM_IdleAtKeyPrompt(benchmark::State& state) {
    MeasureIdle(state, [](int fd) {
        vorn::SystemClock clock;
        vorn::SeededRandom random(1);
        vorn::FdTerminalIo terminal(fd, STDERR_FILENO);
        vorn::RealProcessExit exit;
        vorn::Platform platform{clock, random, terminal, exit};
        vorn::Session session(platform);
        vorn::InstallCallHooks(session);
        session.time.running = true;
        session.logged_on = true;
        session.time.minutes_allowed = 60;
        session.time.start_ms = clock.monotonic_ms();
        session.hooks.timed_effects = [] {};
        benchmark::DoNotOptimize(session.keys.read_key());
    });
}

void BM_IdleFloorPollOnly(benchmark::State& state) {
    MeasureIdle(state, [](int fd) {
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, -1);
    });
}

}  // namespace

BENCHMARK(BM_IdleAtKeyPrompt)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_IdleFloorPollOnly)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
