// The league's night on the hub of a league of N boards: every board's packet (its standing of
// 100 players and a news item) imported, then every board sent the standings and news of the
// others. Beside it the floor: reading the same packets once. The cost follows the packets; the
// boards' own player counts never reach the hub.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "league/league_exchange.hpp"
#include "league/league_files.hpp"

namespace {

namespace fs = std::filesystem;
using namespace vorn;

constexpr std::int64_t kNow = 1'800'000'000;

// A hub with `boards` boards, in a fresh folder that becomes the working directory.
struct Hub {
    explicit Hub(int boards) {
        char pattern[] = "/tmp/vorn-league-bench-XXXXXX";
        root = ::mkdtemp(pattern);
        fs::create_directories(root + "/in");
        fs::create_directories(root + "/out");
        if (::chdir(root.c_str()) != 0) std::abort();
        settings.name = "Bench League";
        settings.address = {21, 100, 1, 0};
        settings.short_name = "Hub";
        settings.hub = settings.address;
        settings.transport = LeagueTransport::kFolder;
        settings.inbound = root + "/in";
        settings.outbound = root + "/out";
        for (int b = 0; b < boards; ++b) {
            const NetworkAddress a{21, 100, static_cast<std::uint16_t>(b + 2), 0};
            settings.boards.push_back({a, "Board " + std::to_string(b), "secret"});
            LeaguePacket p;
            p.league = settings.name;
            p.from = a;
            p.to = settings.address;
            p.serial = 1;
            p.date = kNow;
            Standing s{a, 1, {}};
            for (int r = 0; r < 100; ++r) {
                s.rows.push_back({"Player " + std::to_string(r), 1, 10, 1000 * (100 - r), 5, 1});
            }
            p.standings.push_back(s);
            p.news.push_back({a, 1, 1, LeagueNewsKind::kPlayerOfTheDay, "Player 0", "A night"});
            packets.push_back({PacketFileName(p), WritePacket(p, "secret")});
        }
    }
    ~Hub() {
        if (::chdir("/") != 0) return;
        fs::remove_all(root);
    }
    void deliver() const {
        for (const auto& [name, bytes] : packets) {
            std::ofstream(settings.inbound + "/" + name, std::ios::binary) << bytes;
        }
    }
    std::string root;
    LeagueSettings settings;
    std::vector<std::pair<std::string, std::string>> packets;
};

void BM_HubImportsANight(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Hub hub(static_cast<int>(state.range(0)));
        hub.deliver();
        ExchangeReport report;
        state.ResumeTiming();
        benchmark::DoNotOptimize(ImportPackets(hub.settings, kNow, report));
        state.PauseTiming();
        if (report.applied != state.range(0)) state.SkipWithError("packets not applied");
        state.ResumeTiming();
    }
    state.counters["packets"] = static_cast<double>(state.range(0));
}

void BM_HubExportsANight(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Hub hub(static_cast<int>(state.range(0)));
        hub.deliver();
        ExchangeReport report;
        ImportPackets(hub.settings, kNow, report);
        state.ResumeTiming();
        benchmark::DoNotOptimize(ExportPackets(hub.settings, kNow, nullptr, {}, report));
    }
    state.counters["packets"] = static_cast<double>(state.range(0));
}

// The floor: the same packets read once from the inbound folder, each checked and parsed.
void BM_ReadThePacketsOnce(benchmark::State& state) {
    Hub hub(static_cast<int>(state.range(0)));
    hub.deliver();
    for (auto _ : state) {
        for (const auto& [name, bytes] : hub.packets) {
            std::string read;
            ReadSmallFile(hub.settings.inbound + "/" + name, read);
            LeaguePacket p;
            benchmark::DoNotOptimize(ReadPacket(read, "secret", p));
        }
    }
    state.counters["packets"] = static_cast<double>(state.range(0));
}

BENCHMARK(BM_HubImportsANight)->Arg(10)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HubExportsANight)->Arg(10)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadThePacketsOnce)->Arg(10)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
