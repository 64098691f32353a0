// Message areas at scale: an area of 50,000 messages opened by a reader who finds his first new
// message, and the new-mail notice over an e-mail area of 50,000 letters, at logon (the first
// count) and on every later move; reading one header is the floor they are measured against.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/clock.hpp"
#include "common/message_area_files.hpp"
#include "common/message_base.hpp"
#include "common/random.hpp"
#include "core/session.hpp"
#include "mail/message_areas.hpp"
#include "mail/message_reader.hpp"

namespace {

constexpr std::uint32_t kMessages = 50000;
constexpr std::uint32_t kLinesEach = 4;
constexpr std::uint32_t kLastRead = 40000;  // the caller has read this far
constexpr std::uint16_t kCaller = 7;

struct NoExit final : vorn::ProcessExit {
    void exit_process(int code) override { std::exit(code); }
};

// The notice draws on a screen nobody looks at.
struct NullTerminal final : vorn::TerminalIo {
    bool write_all(std::string_view) override { return true; }
    bool wait_readable(int) override { return false; }
    long read_some(char*, std::size_t) override { return -1; }
    bool hung_up() const override { return false; }
};

// An area of kMessages messages; every hundredth is addressed to the caller.
void WriteArea(const std::string& base) {
    std::vector<vorn::MessageHeader> headers(kMessages);
    std::vector<vorn::MessageTextLine> lines(kMessages * kLinesEach);
    for (std::uint32_t i = 0; i < kMessages; ++i) {
        vorn::MessageHeader& h = headers[i];
        std::memset(&h, 0, sizeof h);
        h.sender.name = "Writer " + std::to_string(i % 300);
        const std::string receiver =
            i % 100 == 0 ? std::string("Caller") : "Someone " + std::to_string(i % 250);
        h.receiver.name = receiver;
        h.subject = "Message " + std::to_string(i + 1);
        h.written = 0x5A000000u + i;
        h.text_start = i * kLinesEach + 1;
        h.text_lines = kLinesEach;
        for (std::uint32_t k = 0; k < kLinesEach; ++k) {
            lines[i * kLinesEach + k] = "A line of the message, long enough to be a real one.";
        }
    }
    const auto write = [](const std::string& path, const void* data, std::size_t size) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0664);
        (void)!::write(fd, data, size);
        ::close(fd);
    };
    write(base + ".jhr", headers.data(), headers.size() * sizeof(vorn::MessageHeader));
    write(base + ".jdt", lines.data(), lines.size() * sizeof(vorn::MessageTextLine));
}

// A game directory with a public area GEN and the e-mail area, both of kMessages messages.
struct Game {
    Game() {
        char templ[] = "/tmp/vorn-bench-XXXXXX";
        dir = ::mkdtemp(templ);
        std::filesystem::current_path(dir);
        WriteArea("GEN");
        WriteArea("EMAIL");
        vorn::MessageAreaRecord area{};
        area.area_name = "General";
        area.area_file = "GEN";
        area.area_kind = vorn::kAreaKindPublic;
        const int fd = ::open("msgarea.dat", O_WRONLY | O_CREAT | O_TRUNC, 0664);
        (void)!::write(fd, &area, sizeof area);
        ::close(fd);
        vorn::LastReadRecord lr{};
        lr.first = 1;
        lr.high_water = 0x5A000000u + kLastRead - 1;
        std::vector<vorn::LastReadRecord> records(kCaller, lr);
        const int lr_fd = ::open("GEN.jlr", O_WRONLY | O_CREAT | O_TRUNC, 0664);
        (void)!::write(lr_fd, records.data(), records.size() * sizeof lr);
        ::close(lr_fd);
        session.users.current.number = kCaller;
        session.users.current.name = "Caller";
        session.users.current.real_name = "Caller Real";
    }
    ~Game() { std::filesystem::remove_all(dir); }

    std::string dir;
    vorn::SystemClock clock;
    vorn::SeededRandom random{1};
    NullTerminal terminal;
    NoExit exit;
    vorn::Platform platform{clock, random, terminal, exit};
    vorn::Session session{platform};
};

Game& TheGame() {
    static Game game;
    return game;
}

void BM_ReadOneHeader(benchmark::State& state) {
    Game& game = TheGame();
    vorn::MessageBase base;
    base.open("", "GEN");
    std::uint32_t n = 1;
    for (auto _ : state) {
        vorn::MessageHeader h;
        benchmark::DoNotOptimize(base.read_header(n, h));
        n = n % kMessages + 7919;
    }
    (void)game;
}
BENCHMARK(BM_ReadOneHeader);

// What the public reader does before it shows anything: open and hold the area, read the
// caller's last-read record and find the first message after it.
void BM_OpenAreaAndFindFirstNew(benchmark::State& state) {
    Game& game = TheGame();
    vorn::OpenPublicArea(game.session, 1);
    for (auto _ : state) {
        vorn::MessageBase base;
        vorn::OpenAreaFiles(game.session, base);
        base.hold();
        vorn::LastReadRecord lr{};
        vorn::ReadCallerLastRead(game.session, lr);
        const std::uint32_t first = base.first_written_after(lr.high_water);
        vorn::MessageHeader h;
        base.read_header(first, h);
        if (first != kLastRead + 1) state.SkipWithError("wrong first new message");
        benchmark::DoNotOptimize(h);
    }
}
BENCHMARK(BM_OpenAreaAndFindFirstNew);

// The floor of the count at logon: every header of the e-mail area read once, in the blocks
// the count reads them in.
void BM_ReadEmailHeadersOnce(benchmark::State& state) {
    TheGame();
    for (auto _ : state) {
        vorn::MessageBase base;
        base.open("", "EMAIL");
        std::vector<vorn::MessageHeader> block(512);
        for (std::uint32_t first = 1; first <= kMessages; first += 512) {
            benchmark::DoNotOptimize(base.read_headers(first, block.size(), block.data()));
        }
    }
}
BENCHMARK(BM_ReadEmailHeadersOnce)->Unit(benchmark::kMillisecond);

// The notice at logon: the caller's letters are counted through the whole e-mail area once.
void BM_MailNoticeAtLogon(benchmark::State& state) {
    Game& game = TheGame();
    for (auto _ : state) {
        game.session.mail.notice.valid = false;
        vorn::ReadEmail(game.session, false, false, false);
        game.session.writer.flush();
        if (game.session.mail.notice.mail != kMessages / 100) state.SkipWithError("wrong count");
    }
}
BENCHMARK(BM_MailNoticeAtLogon)->Unit(benchmark::kMillisecond);

// The notice on every later move: only letters added since are read.
void BM_MailNoticeOnAMove(benchmark::State& state) {
    Game& game = TheGame();
    vorn::ReadEmail(game.session, false, false, false);
    for (auto _ : state) {
        vorn::ReadEmail(game.session, false, false, false);
        game.session.writer.flush();
    }
}
BENCHMARK(BM_MailNoticeOnAMove);

}  // namespace
