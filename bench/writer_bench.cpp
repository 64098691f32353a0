// The screen writer's throughput: display files rendered into a memory sink (bytes of file input
// per second), and how many write calls a full coloured 80 x 25 screen takes to reach the caller.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "core/session.hpp"

namespace {

class CountingSink final : public vorn::TerminalIo {
  public:
    bool write_all(std::string_view bytes) override {
        ++writes;
        bytes_written += bytes.size();
        return true;
    }
    bool wait_readable(int) override { return false; }
    long read_some(char*, std::size_t) override { return -1; }
    bool hung_up() const override { return false; }
    long writes = 0;
    std::size_t bytes_written = 0;
};

class NoExit final : public vorn::ProcessExit {
  public:
    void exit_process(int) override { std::abort(); }
};

struct BenchSession {
    BenchSession() {
        char pattern[] = "/tmp/vorn-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr || ::chdir(pattern) != 0) std::abort();
        ::mkdir("ansi", 0700);
        session.writer.initialize();
        session.users.current.name = "Bench";
    }
    vorn::ManualClock clock;
    vorn::SeededRandom dice{1};
    CountingSink sink;
    NoExit exit;
    vorn::Platform platform{clock, dice, sink, exit};
    vorn::Session session{platform};
};

void WriteFile(const char* path, const std::string& bytes) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::abort();
    }
    ::close(fd);
}

// A sysop-drawn screen: cleared, 24 full rows of block characters whose colours change every
// few cells (full rows wrap by themselves, as in most art), a value code and a pipe code.
std::string ColouredScreen() {
    std::string art = "\x1b[0m\x1b[2J";
    for (int row = 0; row < 24; ++row) {
        for (int column = 0; column < 80; column += 8) {
            art += "\x1b[" + std::to_string((row + column) % 2) + ";" +
                   std::to_string(30 + (row + column / 8) % 8) + ";" +
                   std::to_string(40 + (row * 3 + column / 8) % 8) + "m";
            art += "\xDB\xB2\xB1\xB0 ab ";
        }
        if (row == 12) art += "|07\x1b[13;40H%UN";
    }
    return art;
}

void BM_DisplayFileRendering(benchmark::State& state) {
    BenchSession b;
    std::string file;
    while (file.size() < 2 * 1024 * 1024) file += ColouredScreen();
    WriteFile("ansi/screens.ans", file);
    for (auto _ : state) {
        b.session.writer.show_display_file("screens.ans", 28);
        b.session.writer.flush();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_DisplayFileRendering)->Unit(benchmark::kMillisecond);

// Plain text that runs off the bottom: every line past row 25 redraws the screen.
void BM_ScrollingTextFile(benchmark::State& state) {
    BenchSession b;
    std::string file;
    for (int line = 0; file.size() < 256 * 1024; ++line) {
        file += "\x1b[" + std::to_string(31 + line % 7) + "mLine " + std::to_string(line) +
                ": the quick brown fox jumps over the lazy dog again and again\r\n";
    }
    WriteFile("ansi/scroll.ans", file);
    for (auto _ : state) {
        b.session.writer.show_display_file("scroll.ans", 28);
        b.session.writer.flush();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_ScrollingTextFile)->Unit(benchmark::kMillisecond);

// One full coloured screen, shown and flushed as a menu does: counts the write calls.
void BM_FullScreenWriteCalls(benchmark::State& state) {
    BenchSession b;
    WriteFile("ansi/menu.ans", ColouredScreen());
    long most = 0;
    for (auto _ : state) {
        b.sink.writes = 0;
        b.session.writer.show_display_file("menu.ans", 28);
        b.session.writer.flush();
        most = std::max(most, b.sink.writes);
    }
    state.counters["writes"] = static_cast<double>(most);
    if (most > 3) state.SkipWithError("a full screen took more than 3 write calls");
}
BENCHMARK(BM_FullScreenWriteCalls);

}  // namespace
