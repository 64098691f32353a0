// The night at scale: the real `maint` over 100,000 players and 100 cities, against the floor of
// one pass that only reads and writes every record it rewrites (each users.dat record and index
// entry, each city's three records) and nothing else. Before every run the records are put back
// as they were. The first night creates a news file for nearly every player, which on a slow disk
// costs more than all the rest; its own floor is the creation of small files.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/city_files.hpp"
#include "common/config_files.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace fs = std::filesystem;

namespace {

constexpr int kUsers = 100'000;
constexpr int kCities = 100;
constexpr int kBuildingTypes = 20;

// Player names that stay apart in their first 8 characters, as real ones mostly do: each player
// has a news file of his own.
std::string PlayerName(int i) {
    std::string name;
    do {
        name.insert(name.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[i % 36]);
        i /= 36;
    } while (i > 0);
    return "P" + name;
}

void WriteWhole(const std::string& path, const void* data, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0664);
    (void)!::write(fd, data, size);
    ::close(fd);
}

// Players with money in the bank, a loan for every third, rates 1..30 and a mind that keeps the
// thieves away from about half of them; a third sleep at the inn.
void WriteGame(const std::string& dir) {
    std::vector<vorn::UserRecord> users(kUsers, vorn::DefaultUserRecord());
    std::vector<vorn::UserIndexEntry> index(kUsers);
    for (int i = 0; i < kUsers; ++i) {
        vorn::UserRecord& u = users[static_cast<std::size_t>(i)];
        u.number = static_cast<std::uint16_t>(i < 65535 ? i + 1 : 0);
        u.name = PlayerName(i);
        u.real_name = "Caller " + std::to_string(i);
        u.bank = 1000 + i;
        u.loan = i % 3 == 0 ? 500 : 0;
        u.interest_rate = static_cast<std::uint8_t>(1 + i % 30);
        u.wis = static_cast<std::uint8_t>(i % 50);
        u.in_inn = i % 3 == 1;
        u.gold = 200;
        u.max_hp = 40;
        u.experience = i % 5000;
        index[static_cast<std::size_t>(i)] = vorn::IndexEntryFor(u);
    }
    WriteWhole(dir + "/users.dat", users.data(), users.size() * sizeof users[0]);
    WriteWhole(dir + "/users.idx", index.data(), index.size() * sizeof index[0]);

    auto c = std::make_unique<vorn::CityBuffers>();
    std::vector<char> cities, armies, buildings;
    for (int n = 1; n <= kCities; ++n) {
        c->city = vorn::NewCityRecord();
        c->city.number = c->army.number = c->buildings.number = n;
        c->city.name = "City" + std::to_string(n);
        c->city.founder = PlayerName(n);
        c->city.founder_number = static_cast<std::uint16_t>(n + 1);
        c->city.construction_number = static_cast<std::uint16_t>(1 + n % kBuildingTypes);
        c->city.construction_name = "Building";
        c->city.construction_total = 2;
        c->city.research_name[0] = "Geology";
        c->city.research_science[0] = 9;
        c->city.research_share[0] = 100;
        c->city.research_goal[0] = 2;
        const auto* city = reinterpret_cast<const char*>(&c->city);
        const auto* army = reinterpret_cast<const char*>(&c->army);
        const auto* built = reinterpret_cast<const char*>(&c->buildings);
        cities.insert(cities.end(), city, city + sizeof c->city);
        armies.insert(armies.end(), army, army + sizeof c->army);
        buildings.insert(buildings.end(), built, built + sizeof c->buildings);
    }
    WriteWhole(dir + "/cities.dat", cities.data(), cities.size());
    WriteWhole(dir + "/cities2.dat", armies.data(), armies.size());
    WriteWhole(dir + "/cities3.dat", buildings.data(), buildings.size());

    std::vector<vorn::BuildingTypeRecord> types(kBuildingTypes);
    for (int b = 0; b < kBuildingTypes; ++b) {
        types[static_cast<std::size_t>(b)] = {};
        types[static_cast<std::size_t>(b)].number = static_cast<std::uint16_t>(b + 1);
        types[static_cast<std::size_t>(b)].name = "Building";
        types[static_cast<std::size_t>(b)].gold_production = 5;
    }
    WriteWhole(dir + "/buildg.dat", types.data(), types.size() * sizeof types[0]);
    vorn::MaintSettings settings{};
    settings.heal_everything = true;
    WriteWhole(dir + "/maint.dat", &settings, sizeof settings);
    std::string talk;
    for (int i = 1; i <= 30; ++i) talk += PlayerName(i) + " says hello\n";
    WriteWhole(dir + "/talk.txt", talk.data(), talk.size());
}

// The game directory as it was before the night: the pristine copies of the files a night
// rewrites go back, the night's count and logs go. The players' news files stay unless asked.
void Restore(const std::string& dir, const std::string& pristine, bool remove_news) {
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename();
        if ((remove_news && entry.path().extension() == ".nws") || name == "nights.dat" ||
            name == "logs") {
            fs::remove_all(entry.path());
        }
    }
    for (const auto& entry : fs::directory_iterator(pristine)) {
        fs::copy_file(entry.path(), dir + "/" + entry.path().filename().string(),
                      fs::copy_options::overwrite_existing);
    }
    ::sync();
}

// One game for all the benchmarks: writing it (and removing 100,000 news files) is slow.
struct Game {
    vorn::test::GameDirectory dir;
    std::string pristine = dir.path() + ".orig";

    Game() {
        fs::create_directory(pristine);
        WriteGame(pristine);
    }
    ~Game() { fs::remove_all(pristine); }
};

Game& TheGame() {
    static Game game;
    return game;
}

bool RunNight(benchmark::State& state) {
    vorn::test::RunOptions options;
    options.keep_root = true;
    options.timeout_ms = 600'000;
    const auto result = vorn::test::RunProgram("maint", TheGame().dir.path(), options);
    if (result.exit_code != 0) {
        state.SkipWithError("maint did not end with exit code 0");
        return false;
    }
    state.SetIterationTime(result.elapsed_ms / 1000.0);
    state.counters["us_per_user"] = result.elapsed_ms * 1000.0 / kUsers;
    state.counters["peak_rss_MB"] = static_cast<double>(result.usage.ru_maxrss) / 1024.0;
    return true;
}

// A game whose players have no news files yet: the night creates one for nearly every player.
void BM_MaintFirstNight(benchmark::State& state) {
    for (auto _ : state) {
        Restore(TheGame().dir.path(), TheGame().pristine, true);
        if (!RunNight(state)) return;
    }
}
BENCHMARK(BM_MaintFirstNight)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

// The usual night of a board: a player's news file stays until he reads and deletes it, so the
// night mostly appends to files that are there.
void BM_MaintNight(benchmark::State& state) {
    for (auto _ : state) {
        Restore(TheGame().dir.path(), TheGame().pristine, false);
        if (!RunNight(state)) return;
    }
}
BENCHMARK(BM_MaintNight)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The first night again, in a directory whose 100,000 news files (made by the nights above) were
// deleted just before, as a reset game's are: the file system's state, not the night, sets the
// time (see the creation floors below).
void BM_MaintFirstNightWhereNewsWasDeleted(benchmark::State& state) {
    for (auto _ : state) {
        Restore(TheGame().dir.path(), TheGame().pristine, true);
        if (!RunNight(state)) return;
    }
}

// The floor: every record the night rewrites, read and written back unchanged, one at a time.
void BM_ReadWriteEveryRecord(benchmark::State& state) {
    const std::string d = TheGame().dir.path() + "/";
    for (auto _ : state) {
        Restore(TheGame().dir.path(), TheGame().pristine, false);
        const auto start = std::chrono::steady_clock::now();
        vorn::RecordFile users, index;
        users.open(d + "users.dat", sizeof(vorn::UserRecord), vorn::RecordFile::Access::kReadWrite);
        index.open(d + "users.idx", sizeof(vorn::UserIndexEntry),
                   vorn::RecordFile::Access::kReadWrite);
        vorn::UserRecord u;
        for (std::uint64_t i = 0; users.read_record(i, u); ++i) {
            users.write_record(i, u);
            const vorn::UserIndexEntry e = vorn::IndexEntryFor(u);
            index.write_record(i, e);
        }
        auto c = std::make_unique<vorn::CityBuffers>();
        const fs::path here = fs::current_path();
        fs::current_path(d);
        for (std::int32_t n = 1; vorn::LoadCity(*c, n); ++n) vorn::SaveCity(*c);
        fs::current_path(here);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        state.counters["us_per_user"] = took.count() * 1e6 / kUsers;
    }
}
BENCHMARK(BM_ReadWriteEveryRecord)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The second floor, for the first night: what this disk takes to create a small file (open with
// O_CREAT, one write, close), over N files in a fresh directory of the same file system; with a
// second argument of 1, in a directory where as many files were made and deleted just before.
void BM_CreateSmallFiles(benchmark::State& state) {
    const auto kFiles = static_cast<int>(state.range(0));
    const std::string d = TheGame().dir.path() + ".files/";
    for (auto _ : state) {
        fs::create_directory(d);
        const std::string text(120, 'x');
        if (state.range(1) == 1) {
            for (int i = 0; i < kFiles; ++i) {
                ::close(::open((d + std::to_string(i) + ".old").c_str(),
                               O_WRONLY | O_CREAT | O_CLOEXEC, 0664));
            }
            for (int i = 0; i < kFiles; ++i) ::unlink((d + std::to_string(i) + ".old").c_str());
            ::sync();
        }
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kFiles; ++i) {
            const int fd = ::open((d + std::to_string(i) + ".nws").c_str(),
                                  O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0664);
            (void)!::write(fd, text.data(), text.size());
            ::close(fd);
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        state.counters["us_per_file"] = took.count() * 1e6 / kFiles;
        fs::remove_all(d);
    }
}
BENCHMARK(BM_CreateSmallFiles)
    ->Args({10'000, 0})
    ->Args({100'000, 0})
    ->Args({100'000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(BM_MaintFirstNightWhereNewsWasDeleted)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

}  // namespace
