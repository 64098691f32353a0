// The first screen over a telnet connection on the loopback address: from the caller's connect
// until the title's key pause stands on his screen, with everything a caller's telnet client
// and terminal do on the way (the option negotiation, the answers to the probe and to the
// terminal questions). The floor is socat serving the bytes the game sent, recorded from a run,
// to the same client: a program started per connection and the same bytes on the same wire.
// Runs of the two alternate; the counters give the medians.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/game_directory.hpp"
#include "support/telnet_listener.hpp"
#include "support/terminal_screen.hpp"

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kRuns = 30;
constexpr const char* kFirstScreenMark = "Whack The Damn Key!";

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 &&
        ::connect(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof address) == 0) {
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        return fd;
    }
    if (fd >= 0) ::close(fd);
    return -1;
}

// A caller connects to `port` and reads until the first screen stands: milliseconds from just
// before the connect, or -1 when it never does. `received`, when given, gets every byte read.
double FirstScreen(int port, std::string* received = nullptr) {
    const auto start = SteadyClock::now();
    const int fd = Connect(port);
    if (fd < 0) return -1;
    vorn::test::TelnetClient telnet;
    vorn::test::TerminalScreen screen;
    double ms = -1;
    char buffer[8192];
    struct pollfd p {
        fd, POLLIN, 0
    };
    while (::poll(&p, 1, 10000) > 0) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        const std::string_view bytes(buffer, static_cast<std::size_t>(n));
        if (received != nullptr) received->append(bytes);
        std::string answers;
        answers += screen.feed(telnet.receive(bytes, answers));
        if (!answers.empty() && ::write(fd, answers.data(), answers.size()) < 0) break;
        if (screen.contains(kFirstScreenMark)) {
            ms = std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
            break;
        }
    }
    ::close(fd);
    return ms;
}

void BM_FirstScreenOverTelnet(benchmark::State& state) {
    vorn::test::GameDirectory dir;
    if (!dir.make_game()) {
        state.SkipWithError("mkgame failed");
        return;
    }
    // The stand-alone telnet game: node 0 takes a free node for each caller.
    vorn::test::TelnetListener listener(dir, "game", {"DAEMON"});
    const auto game_run = [&listener](std::string* received = nullptr) {
        const double ms = FirstScreen(listener.port(), received);
        const pid_t pid = listener.take_started();
        ::waitpid(pid, nullptr, 0);  // the hang-up ends it
        return ms;
    };
    std::string bytes;
    if (game_run(&bytes) < 0) {
        state.SkipWithError("the game showed no first screen");
        return;
    }
    dir.write_file("first_screen.bytes", bytes);

    const int port = vorn::test::FreeLoopbackPort();
    const pid_t socat = ::fork();
    if (socat == 0) {
        const std::string listen =
            "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr,fork";
        const std::string serve = "EXEC:" + vorn::test::BinaryPath("replay_program") + " " +
                                  dir.file("first_screen.bytes");
        ::execlp("socat", "socat", listen.c_str(), serve.c_str(), nullptr);
        ::_exit(127);
    }
    // socat listens soon after it starts; the runs begin once it does.
    for (int i = 0; i < 500; ++i) {
        const int probe = Connect(port);
        if (probe >= 0) {
            ::close(probe);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    for (auto _ : state) {
        std::vector<double> floor;
        std::vector<double> game;
        for (int i = 0; i < kRuns; ++i) {
            const double f = FirstScreen(port);
            const double g = game_run();
            if (f < 0 || g < 0) {
                state.SkipWithError("a run showed no first screen");
                break;
            }
            floor.push_back(f);
            game.push_back(g);
        }
        if (game.size() < kRuns) break;
        state.counters["floor_median_ms"] = Median(floor);
        state.counters["game_median_ms"] = Median(game);
        state.counters["game_over_floor_ms"] = Median(game) - Median(floor);
    }
    ::kill(socat, SIGTERM);
    ::waitpid(socat, nullptr, 0);
}
BENCHMARK(BM_FirstScreenOverTelnet)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
