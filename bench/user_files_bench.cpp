// Player files at scale: the ranking's first page (the order of all players and the records of
// its first 23 rows) at 1, 1,000, 10,000 and 100,000 players, against a floor that reads the same
// number of records in file order; the old record-by-record file sort on 2,000 players for
// comparison; a name search for the last player of a full game's index; and the file work of a
// logon and of a new character at 1, 1,000, 10,000 and 100,000 players, each against the same
// work in a game of one player (the floor), measured in turn in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "common/ranking_order.hpp"
#include "common/record_file.hpp"
#include "common/text_case.hpp"
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

// The floor of the first page's own work: every player's experience read once (as the ranking
// reads it, through a mapping of the file), the highest rows kept, and their records read.
void BM_RankingExperienceFloor(benchmark::State& state) {
    const std::string users = UsersOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        vorn::RecordFile f;
        f.open(users, sizeof(vorn::UserRecord), vorn::RecordFile::Access::kRead);
        const std::size_t count = f.record_count();
        const std::size_t size = count * sizeof(vorn::UserRecord);
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, f.fd(), 0);
        std::vector<std::pair<std::int32_t, std::uint32_t>> rows(count);
        for (std::size_t i = 0; i < count; ++i) {
            std::int32_t e = 0;
            std::memcpy(&e,
                        static_cast<const char*>(map) + i * sizeof(vorn::UserRecord) +
                            offsetof(vorn::UserRecord, experience),
                        sizeof e);
            rows[i] = {e, static_cast<std::uint32_t>(i)};
        }
        ::munmap(map, size);
        const std::size_t top = std::min<std::size_t>(kFirstPageRows, count);
        std::partial_sort(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(top), rows.end(),
                          std::greater<>());
        vorn::UserRecord r;
        for (std::size_t p = 0; p < top; ++p)
            benchmark::DoNotOptimize(f.read_record(rows[p].second, r));
    }
}
BENCHMARK(BM_RankingExperienceFloor)
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

// A game directory of `players` players (Player0, Player1, ... of callers "Caller 0", ...), with
// rooms.dat and a sparse user2.dat, and a session started in it as a node starts.
class PlayerGame {
  public:
    explicit PlayerGame(int players)
        : dir_(Workdir() + "/game" + std::to_string(players)),
          players_(players),
          platform_{clock_, random_, terminal_, exit_} {
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
        WriteUsers(vorn::kUsersFile, players);
        WriteIndex(vorn::kUserIndexFile, players);
        ::truncate(vorn::kUserExtraFile, 0);
        const int fd = ::open(vorn::kUserExtraFile, O_WRONLY | O_CREAT, 0664);
        (void)!::ftruncate(fd, static_cast<off_t>(players) * sizeof(vorn::UserExtraRecord));
        ::close(fd);
        ::close(::open(vorn::kRoomsFile, O_WRONLY | O_CREAT, 0664));
        // The player before the last one reached has left: a new character takes his place
        // after a search of the whole index (a game of one player appends).
        if (players >= 2) {
            deleted_ = last() - 1;
            vorn::RecordFile users, index;
            users.open(vorn::kUsersFile, sizeof gone_, vorn::RecordFile::Access::kReadWrite);
            index.open(vorn::kUserIndexFile, sizeof gone_entry_,
                       vorn::RecordFile::Access::kReadWrite);
            users.read_checked(static_cast<std::uint64_t>(deleted_), &gone_);
            gone_.deleted = true;
            gone_entry_ = vorn::IndexEntryFor(gone_);
            users.write_checked(static_cast<std::uint64_t>(deleted_), &gone_);
            index.write_checked(static_cast<std::uint64_t>(deleted_), &gone_entry_);
        }
        session_ = std::make_unique<vorn::Session>(platform_);
        vorn::PrepareUserFiles(*session_);
        vorn::OpenUserFileHandles(*session_);
    }

    vorn::Session& session() { return *session_; }
    void enter() const { std::filesystem::current_path(dir_); }
    // The last player a name search reaches.
    int last() const { return std::min(players_, static_cast<int>(vorn::kMaxUsers)) - 1; }
    // The files as they were before a character was added.
    void remove_added() const {
        ::truncate(vorn::kUsersFile, static_cast<off_t>(players_) * sizeof(vorn::UserRecord));
        ::truncate(vorn::kUserExtraFile,
                   static_cast<off_t>(players_) * sizeof(vorn::UserExtraRecord));
        ::truncate(vorn::kUserIndexFile,
                   static_cast<off_t>(players_) * sizeof(vorn::UserIndexEntry));
        ::truncate("global.nws", 0);
        if (deleted_ < 0) return;
        vorn::RecordFile users, index;
        users.open(vorn::kUsersFile, sizeof gone_, vorn::RecordFile::Access::kReadWrite);
        index.open(vorn::kUserIndexFile, sizeof gone_entry_, vorn::RecordFile::Access::kReadWrite);
        users.write_checked(static_cast<std::uint64_t>(deleted_), &gone_);
        index.write_checked(static_cast<std::uint64_t>(deleted_), &gone_entry_);
    }

  private:
    std::string dir_;
    int players_;
    int deleted_ = -1;
    vorn::UserRecord gone_{};
    vorn::UserIndexEntry gone_entry_{};
    vorn::ManualClock clock_;
    vorn::SeededRandom random_{1};
    vorn::FdTerminalIo terminal_{0, 1};
    NoExit exit_;
    vorn::Platform platform_;
    std::unique_ptr<vorn::Session> session_;
};

// What a logon does with the player files: the search by the caller's name, the load of his two
// records and the hold that marks him as playing (let go again for the next round).
void LogOn(PlayerGame& game) {
    vorn::Session& session = game.session();
    vorn::UserRecord& user = session.users.current;
    user.real_name = "Caller " + std::to_string(game.last());
    if (!vorn::FindUser(session, user, false, false)) std::abort();
    vorn::LoadUser(session, user.number);
    if (!vorn::HoldPlayer(session, user.number)) std::abort();
    session.users.player_hold.close();
    session.users.held_player = 0;
}

// A new character: the name checked under the lock, the place found, the three records written
// and the news told.
void NewCharacter(PlayerGame& game) {
    vorn::UserRecord user = vorn::DefaultUserRecord();
    user.name = "Newcomer";
    user.real_name = "New Caller";
    if (vorn::AddNewCharacter(game.session(), user) != vorn::AddResult::kAdded) std::abort();
}

// The same work before the logon's search was changed: an upper-case copy of every name, and the
// index searched twice (once by the logon, once more before the load).
void LogOnAsBefore(PlayerGame& game) {
    vorn::Session& session = game.session();
    const std::string key = vorn::UpperCase("Caller " + std::to_string(game.last()));
    std::uint16_t number = 0;
    for (int pass = 0; pass < 2; ++pass) {
        vorn::RecordFile index;
        index.open(vorn::kUserIndexFile, sizeof(vorn::UserIndexEntry),
                   vorn::RecordFile::Access::kRead);
        const std::uint64_t count = std::min(index.record_count(), vorn::kMaxUsers);
        std::vector<vorn::UserIndexEntry> block(1024);
        number = 0;
        for (std::uint64_t first = 0; first < count && number == 0; first += 1024) {
            const std::uint64_t n = std::min<std::uint64_t>(1024, count - first);
            vorn::FullPread(index.fd(), block.data(), n * sizeof(vorn::UserIndexEntry),
                            static_cast<off_t>(first * sizeof(vorn::UserIndexEntry)));
            for (std::uint64_t i = 0; i < n; ++i) {
                if (vorn::UpperCase(block[i].real_name.view()) != key) continue;
                number = static_cast<std::uint16_t>(first + i + 1);
                break;
            }
        }
    }
    vorn::LoadUser(session, number);
}

// The place of a new character found as before: every record of users.dat read.
void PlaceAsBefore(PlayerGame&) {
    vorn::RecordFile users;
    users.open(vorn::kUsersFile, sizeof(vorn::UserRecord), vorn::RecordFile::Access::kRead);
    const std::uint64_t count = users.record_count();
    vorn::UserRecord r;
    for (std::uint64_t i = 0; i < std::min(count, vorn::kMaxUsers); ++i) {
        users.read_checked(i, &r);
        if (r.deleted && i + 1 < count) break;
    }
}

double MedianOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs `work` in the game of state.range(0) players and in the one-player game in turn; the
// counters give both medians (ms) and their difference.
void AgainstOnePlayer(benchmark::State& state, void (*work)(PlayerGame&), bool adds) {
    static std::map<int, std::unique_ptr<PlayerGame>> games;
    for (const int n : {1, static_cast<int>(state.range(0))}) {
        if (!games.count(n)) games[n] = std::make_unique<PlayerGame>(n);
    }
    PlayerGame& floor = *games[1];
    PlayerGame& game = *games[static_cast<int>(state.range(0))];
    std::vector<double> floor_ms, game_ms;
    const auto timed = [&](PlayerGame& g, std::vector<double>& into) {
        g.enter();
        const auto start = std::chrono::steady_clock::now();
        work(g);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        into.push_back(took.count());
        if (adds) g.remove_added();
    };
    for (auto _ : state) {
        timed(floor, floor_ms);
        timed(game, game_ms);
        state.SetIterationTime(game_ms.back() / 1000);
    }
    state.counters["ms"] = MedianOf(game_ms);
    state.counters["one_player_ms"] = MedianOf(floor_ms);
    state.counters["over_one_player_ms"] = MedianOf(game_ms) - MedianOf(floor_ms);
}

void BM_Logon(benchmark::State& state) {
    AgainstOnePlayer(state, LogOn, false);
}
void BM_LogonAsBefore(benchmark::State& state) {
    AgainstOnePlayer(state, LogOnAsBefore, false);
}
void BM_NewCharacter(benchmark::State& state) {
    AgainstOnePlayer(state, NewCharacter, true);
}
void BM_NewCharacterPlaceAsBefore(benchmark::State& state) {
    AgainstOnePlayer(state, PlaceAsBefore, false);
}
// A node's start and its caller's logon as far as users.idx goes: the start-up's pass (the
// mend of reused entries, which keeps what it read), then the search by the caller's name, the
// load and the hold. Against the floor of one plain read of the whole index, in the same game
// in turn. The index was last written seconds before, as a board's mostly is.
void StartAndLogOn(PlayerGame& game) {
    vorn::PrepareUserFiles(game.session());
    LogOn(game);
    vorn::ForgetIndexCopy(game.session());
}

void ReadIndexOnce(PlayerGame&) {
    vorn::RecordFile index;
    index.open(vorn::kUserIndexFile, sizeof(vorn::UserIndexEntry), vorn::RecordFile::Access::kRead);
    std::vector<vorn::UserIndexEntry> entries(
        static_cast<std::size_t>(std::min(index.record_count(), vorn::kMaxUsers)));
    vorn::FullPread(index.fd(), entries.data(), entries.size() * sizeof(vorn::UserIndexEntry), 0);
    benchmark::DoNotOptimize(entries.data());
}

void BM_StartAndLogon(benchmark::State& state) {
    static std::map<int, std::unique_ptr<PlayerGame>> games;
    const int n = static_cast<int>(state.range(0));
    if (!games.count(n)) games[n] = std::make_unique<PlayerGame>(n);
    PlayerGame& game = *games[n];
    game.enter();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    std::vector<double> work_ms, floor_ms;
    const auto timed = [&](void (*work)(PlayerGame&), std::vector<double>& into) {
        const auto start = std::chrono::steady_clock::now();
        work(game);
        into.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    };
    for (auto _ : state) {
        timed(ReadIndexOnce, floor_ms);
        timed(StartAndLogOn, work_ms);
        state.SetIterationTime(work_ms.back() / 1000);
    }
    state.counters["ms"] = MedianOf(work_ms);
    state.counters["index_read_once_ms"] = MedianOf(floor_ms);
    state.counters["times_floor"] = MedianOf(work_ms) / MedianOf(floor_ms);
}
BENCHMARK(BM_StartAndLogon)->Arg(1000)->Arg(100000)->UseManualTime()->Iterations(200);

BENCHMARK(BM_Logon)->Arg(1)->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Iterations(200);
BENCHMARK(BM_LogonAsBefore)
    ->Arg(1)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(200);
BENCHMARK(BM_NewCharacter)
    ->Arg(1)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(100);
BENCHMARK(BM_NewCharacterPlaceAsBefore)
    ->Arg(1)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(10);

}  // namespace
