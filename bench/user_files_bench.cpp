// Player files at scale: the ranking's first page (the order of all players and the records of
// its first 23 rows) at 1, 1,000, 10,000 and 100,000 players, against a floor that reads the same
// number of records in file order; the old record-by-record file sort on 2,000 players for
// comparison; and a name search for the last player of a full game's index.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "common/ranking_order.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "core/session.hpp"
#include "player/user_files.hpp"

namespace {

struct NoExit final : vorn::ProcessExit {
    void exit_process(int code) override { std::exit(code); }
};

std::string Workdir() {
    static std::string dir = [] {
        char templ[] = "/tmp/vorn-bench-XXXXXX";
        std::string d = ::mkdtemp(templ);
        std::atexit([] { std::filesystem::remove_all(Workdir()); });
        return d;
    }();
    return dir;
}

void WriteUsers(const std::string& path, int count) {
    std::mt19937 gen(42);
    std::vector<vorn::UserRecord> batch(1000, vorn::DefaultUserRecord());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0664);
    for (int first = 0; first < count; first += 1000) {
        const int n = std::min(1000, count - first);
        for (int i = 0; i < n; ++i) {
            batch[i].number = static_cast<std::uint16_t>(first + i + 1);
            batch[i].name = "Player" + std::to_string(first + i);
            batch[i].experience = static_cast<std::int32_t>(gen() % 5000);  // many ties
        }
        (void)!::write(fd, batch.data(), n * sizeof(vorn::UserRecord));
    }
    ::close(fd);
}

void WriteIndex(const std::string& path, int count) {
    std::vector<vorn::UserIndexEntry> entries(count);
    for (int i = 0; i < count; ++i) {
        vorn::UserRecord u = vorn::DefaultUserRecord();
        u.name = "Player" + std::to_string(i);
        u.real_name = "Caller " + std::to_string(i);
        entries[i] = vorn::IndexEntryFor(u);
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0664);
    (void)!::write(fd, entries.data(), entries.size() * sizeof(vorn::UserIndexEntry));
    ::close(fd);
}

void ReferenceSort(const std::string& path) {
    vorn::RecordFile f;
    f.open(path, sizeof(vorn::UserRecord), vorn::RecordFile::Access::kReadWrite);
    const std::uint64_t count = f.record_count();
    for (std::uint64_t gap = count / 2; gap > 0; gap /= 2) {
        for (std::uint64_t i = gap + 1; i <= count; ++i) {
            for (std::int64_t j = static_cast<std::int64_t>(i - gap); j > 0;
                 j -= static_cast<std::int64_t>(gap)) {
                vorn::UserRecord a, b;
                f.read_record(static_cast<std::uint64_t>(j) + gap - 1, a);
                f.read_record(static_cast<std::uint64_t>(j) - 1, b);
                if (a.experience < b.experience) break;
                f.write_record(static_cast<std::uint64_t>(j) + gap - 1, b);
                f.write_record(static_cast<std::uint64_t>(j) - 1, a);
            }
        }
    }
}

// The rows of the ranking's first page: the header and its rule take the first lines.
constexpr std::uint64_t kFirstPageRows = 20;

std::string UsersOf(int count) {
    const std::string users = Workdir() + "/users" + std::to_string(count) + ".dat";
    if (!std::filesystem::exists(users)) WriteUsers(users, count);
    return users;
}

void BM_RankingFirstPage(benchmark::State& state) {
    const std::string users = UsersOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        vorn::RankedUsers ranked;
        if (!ranked.open(users)) {
            state.SkipWithError("users.dat could not be read");
            return;
        }
        vorn::UserRecord r;
        for (std::uint64_t p = 0; p < std::min(kFirstPageRows, ranked.count()); ++p) {
            benchmark::DoNotOptimize(ranked.read(p, r));
        }
    }
}
BENCHMARK(BM_RankingFirstPage)
    ->Arg(1)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

// The floor: the same file opened and its first rows read as they lie.
void BM_RankingFirstPageFloor(benchmark::State& state) {
    const std::string users = UsersOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        vorn::RecordFile f;
        f.open(users, sizeof(vorn::UserRecord), vorn::RecordFile::Access::kRead);
        vorn::UserRecord r;
        for (std::uint64_t p = 0; p < std::min(kFirstPageRows, f.record_count()); ++p) {
            benchmark::DoNotOptimize(f.read_record(p, r));
        }
    }
}
BENCHMARK(BM_RankingFirstPageFloor)
    ->Arg(1)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

// The order alone, computed from the experience values of 100,000 players.
void BM_RankingOrder100k(benchmark::State& state) {
    std::mt19937 gen(42);
    std::vector<std::int32_t> experience(100000);
    for (std::int32_t& e : experience) e = static_cast<std::int32_t>(gen() % 5000);
    for (auto _ : state) benchmark::DoNotOptimize(vorn::RankingOrder(experience));
}
BENCHMARK(BM_RankingOrder100k)->Unit(benchmark::kMillisecond);

void BM_ReferenceFileSort2k(benchmark::State& state) {
    const std::string users = Workdir() + "/users2k.dat";
    for (auto _ : state) {
        state.PauseTiming();
        WriteUsers(users, 2000);
        state.ResumeTiming();
        ReferenceSort(users);
    }
}
BENCHMARK(BM_ReferenceFileSort2k)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FindUserLastOfAFullGame(benchmark::State& state) {
    const std::string dir = Workdir() + "/find";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    WriteIndex(vorn::kUserIndexFile, static_cast<int>(vorn::kMaxUsers));
    vorn::SystemClock clock;
    vorn::SeededRandom random(1);
    vorn::FdTerminalIo terminal(0, 1);
    NoExit exit;
    vorn::Platform platform{clock, random, terminal, exit};
    vorn::Session session(platform);
    vorn::UserRecord key = vorn::DefaultUserRecord();
    key.name = "PLAYER" + std::to_string(vorn::kMaxUsers - 1);
    for (auto _ : state) benchmark::DoNotOptimize(vorn::FindUser(session, key, false, true));
}
BENCHMARK(BM_FindUserLastOfAFullGame)->Unit(benchmark::kMillisecond);

}  // namespace
