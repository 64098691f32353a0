// The checker on a game played through the real game (Walt's first evening, and two cities):
// each row damages a copy the way a crash, a full disk, a bad copy or a bad hand would, the
// checker must name it, and the repair must mend what it calls repairable, after copying the
// files it changes. Then the sysop tool itself: its lines, exit codes and refusals.
#include "check/game_check.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "common/city_files.hpp"
#include "common/clock.hpp"
#include "common/file_lock.hpp"
#include "common/message_area_record.hpp"
#include "common/node_records.hpp"
#include "common/player_locks.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"
#include "support/game_in_child.hpp"
#include "support/game_process.hpp"
#include "support/test_session.hpp"

namespace vorn::test {
namespace {

namespace fs = std::filesystem;

// Changes record `index` of a file of the copy in place.
template <class Record>
void Edit(const std::string& path, std::uint64_t index, const std::function<void(Record&)>& f) {
    RecordFile file;
    Record r;
    ASSERT_TRUE(file.open(path, sizeof r, RecordFile::Access::kReadWrite)) << path;
    ASSERT_TRUE(file.read_record(index, r)) << path;
    f(r);
    ASSERT_TRUE(file.write_record(index, r));
}

void Cut(const std::string& path, long long bytes_less) {
    fs::resize_file(path, fs::file_size(path) - static_cast<std::uintmax_t>(bytes_less));
}

// Two cities of Joe's founded in the copy (in its directory, as the game does), in rooms 3 and 4.
void FoundTwoCities(const std::string& directory) {
    const std::string back = fs::current_path().string();
    fs::current_path(directory);
    int slot = 0;
    for (const char* name : {"Ashford", "Brightwater"}) {
        CityBuffers c{};
        c.city = NewCityRecord();
        c.city.name = name;
        c.city.founder_number = 1;
        c.city.room = 3 + slot;
        const CityFilesLock lock;
        const std::int32_t number = AppendCity(c, lock);
        Edit<RoomRecord>(kRoomsFile, 2 + slot, [number](auto& r) { r.city = number; });
        Edit<UserExtraRecord>(kUserExtraFile, 0, [&](auto& x) { x.cities[slot] = number; });
        ++slot;
    }
    fs::current_path(back);
}

// What a repair of Brightwater (city 2 of room 4) must have kept or done.
bool RoomNames(const ScratchCopy& c, std::uint64_t room, std::int32_t city) {
    RoomRecord r{};
    RecordFile f;
    return f.open(c.file(kRoomsFile), sizeof r, RecordFile::Access::kRead) &&
           f.read_record(room - 1, r) && r.city == city;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::string Lines(const CheckReport& report) {
    std::string out;
    for (const std::string& line : report.lines()) out += line + "\n";
    return out;
}

struct Damage {
    const char* name;
    std::function<void(const ScratchCopy&)> damage;
    const char* finding;  // a piece of the line the checker must print
    bool repairable;      // the repair leaves nothing to find
    std::function<bool(const ScratchCopy&)> kept = {};  // what the repair must leave
    bool bytes_kept = false;  // the repair changes no file's bytes, and so copies none
};

using C = const ScratchCopy&;

// Each row: one damage, and what the checker and the repair must make of it.
const Damage kDamages[] = {
    {"a player cut short by a crash", [](C c) { Cut(c.file(kUsersFile), 100); },
     "users.dat: 4169 bytes past its last whole record", true},
    {"an index entry that names somebody else",
     [](C c) { Edit<UserIndexEntry>(c.file(kUserIndexFile), 1, [](auto& e) { e.name = "Wilt"; }); },
     "users.idx: entry 2 names \"Wilt\", users.dat player 2 (Walt)", true},
    {"a player numbered for another place",
     [](C c) { Edit<UserRecord>(c.file(kUsersFile), 1, [](auto& u) { u.number = 1; }); },
     "player 2 (Walt) is numbered 1", true},
    {"two players of one name",
     [](C c) {
         Edit<UserRecord>(c.file(kUsersFile), 0, [](auto& u) { u.name = "WALT"; });
         Edit<UserIndexEntry>(c.file(kUserIndexFile), 0, [](auto& e) { e.name = "WALT"; });
     },
     "users.dat: player 2 (Walt) has the name of player 1", false},
    {"a weapon that does not exist",
     [](C c) { Edit<UserRecord>(c.file(kUsersFile), 1, [](auto& u) { u.weapon = 999; }); },
     "weapon 999 does not exist in weapons.dat", false},
    {"a city owned that was never founded",
     [](C c) {
         Edit<UserExtraRecord>(c.file(kUserExtraFile), 1, [](auto& x) { x.cities[3] = 9; });
     },
     "user2.dat: player 2 (Walt) owns city 9, but cities.dat holds 2 records", true},
    {"a city without its buildings",
     [](C c) { Cut(c.file(kCityBuildingsFile), sizeof(CityBuildingsRecord)); },
     "cities3.dat: holds 1 record, cities.dat 2: the last ones are missing", true},
    {"the last city cut short by a crash", [](C c) { Cut(c.file(kCitiesFile), 56); },
     "cities.dat: city 2 (Brightwater) is cut short by 56 bytes: the repair completes it", true,
     [](C c) {
         // Its 1,200 bytes, army and buildings, the founder's entry and the room's mark.
         return ReadFile(c.file(kCitiesFile)).size() == 2 * sizeof(CityRecord) &&
                ReadFile(c.file(kCityArmiesFile)).size() == 2 * sizeof(CityArmyRecord) &&
                RoomNames(c, 4, 2) &&
                ReadFile(c.file(kCitiesFile)).substr(1256, 1200) ==
                    ReadFile(c.file("backup/cities.dat")).substr(1256);
     }},
    {"bytes of no city past the last",
     [](C c) { WriteFile(c.file(kCitiesFile), ReadFile(c.file(kCitiesFile)) + "garbage"); },
     "cities.dat: 7 bytes past its last whole record hold no city: the repair cuts them off", true},
    {"a founding cut short before the founder paid",
     [](C c) {
         Edit<RoomRecord>(c.file(kRoomsFile), 3, [](auto& r) { r.city = 0; });
         Edit<UserExtraRecord>(c.file(kUserExtraFile), 0, [](auto& x) { x.cities[1] = 0; });
     },
     "cities.dat: city 2 (Brightwater) stands in no room (a founding cut short), and its "
     "founder never paid for it: the repair removes it",
     true,
     [](C c) {
         return ReadFile(c.file(kCityBuildingsFile)).size() == sizeof(CityBuildingsRecord);
     }},
    {"a founding cut short after the founder paid",
     [](C c) { Edit<RoomRecord>(c.file(kRoomsFile), 3, [](auto& r) { r.city = 0; }); },
     "cities.dat: city 2 (Brightwater) stands in no room (a founding cut short): the repair "
     "gives it back to room 4",
     true, [](C c) { return RoomNames(c, 4, 2); }},
    {"a room naming a city past the last",
     [](C c) { Edit<RoomRecord>(c.file(kRoomsFile), 4, [](auto& r) { r.city = 3; }); },
     "rooms.dat: room 5 names city 3", true},
    {"an event naming a monster past the last",
     [](C c) { Edit<EventRecord>(c.file("events.dat"), 0, [](auto& e) { e.monster = 60000; }); },
     "events.dat: event 1: monster names monster 60000", false},
    {"a node slot marked as another node",
     [](C c) {
         NodeInfoRecord r{};
         r.node = 7;
         WriteFile(c.file(kNodeInfoFileName), std::string(reinterpret_cast<char*>(&r), sizeof r));
     },
     "nodeinfo.dat: slot 1 is marked as node 7", true},
    {"a header pointing past the end of the text",
     [](C c) { Cut(c.file("EMAIL.jdt"), sizeof(MessageTextLine)); },
     "EMAIL.jhr: message 1 has 1 lines from line 1, but EMAIL.jdt holds 0 records", true},
    {"a message dated before the one ahead of it",
     [](C c) {
         WriteFile(c.file("GENERAL.jhr"),
                   ReadFile(c.file("GENERAL.jhr")) + ReadFile(c.file("GENERAL.jhr")));
         Edit<MessageHeader>(c.file("GENERAL.jhr"), 1, [](auto& h) { h.written = 1; });
     },
     "GENERAL.jhr: message 2 is dated before the message ahead of it", false},
    {"a pack cut short with its header file still to move, and a file of another",
     [](C c) {
         WriteFile(c.file("EMAIL.jhr.AAAAAA"), ReadFile(c.file("EMAIL.jhr")));
         WriteFile(c.file("EMAIL.jpk"), "EMAIL.jdt.BBBBBB\nEMAIL.jhr.AAAAAA\n");
         WriteFile(c.file("GENERAL.jdt.CCCCCC"), "left by a pack that died early");
     },
     "note: EMAIL.jpk: a pack of the area was cut short", true},
    {"a settings file cut short", [](C c) { Cut(c.file("setup.dat"), 6); },
     "setup.dat: 350 bytes where the record has 356", false},
    {"the player file and a folder left open to every account",
     [](C c) {
         ::chmod(c.file(kUsersFile).c_str(), 0644);
         ::chmod(c.path().c_str(), 0755);
     },
     "users.dat: mode 0644 lets every account of the machine read it", true,
     [](C c) { return ModeOf(c.file(kUsersFile)) == 0660 && ModeOf(c.path()) == 0770; }, true},
};

// Walt's first evening played through the real game, then two cities founded: a game the
// checker finds nothing wrong with.
void PlayAGameWithTwoCities(const GameDirectory& game) {
    LayOutWaltsGame(game);
    ASSERT_EQ(
        RunInChild({.directory = game.path()}, PlayGame({"1"}, WaltsFirstEvening())).exit_code, 0);
    FoundTwoCities(game.path());
    ASSERT_TRUE(CheckGameDirectory(game.path(), SampleTime()).findings.empty())
        << Lines(CheckGameDirectory(game.path(), SampleTime()));
}

// Damages a copy of the game as the row says; the checker must name it and the repair mend
// what it calls repairable, after copying the files it changes.
void CheckAndRepair(const GameDirectory& game, const Damage& d) {
    const ScratchCopy copy(game.path());
    d.damage(copy);
    const std::string lines = Lines(CheckGameDirectory(copy.path(), SampleTime()));
    EXPECT_NE(lines.find(d.finding), std::string::npos) << lines;

    const std::string backup = copy.file("backup");
    const RepairResult repair = RepairGameDirectory(copy.path(), backup, SampleTime());
    ASSERT_TRUE(repair.done) << repair.refusal;
    EXPECT_EQ(repair.after.findings.empty(), d.repairable) << Lines(repair.after);
    if (d.repairable) {
        EXPECT_EQ(fs::exists(backup) && !fs::is_empty(backup), !d.bytes_kept);
    }
    if (d.kept) {
        EXPECT_TRUE(d.kept(copy));
    }
}

TEST(GameCheck, FindsWhatIsDamagedAndRepairsWhatItCan) {
    GameDirectory game;
    ASSERT_NO_FATAL_FAILURE(PlayAGameWithTwoCities(game));
    for (const Damage& d : kDamages) {
        SCOPED_TRACE(d.name);
        ASSERT_NO_FATAL_FAILURE(CheckAndRepair(game, d));
    }
}

// The sysop's tool: plain lines and exit codes; a repair copies first, and is refused while a
// node plays or when the copies cannot be made.
TEST(CheckGameTool, LinesExitCodesAndRefusals) {
    GameDirectory game;
    LayOutWaltsGame(game);
    // Played as the user the tool runs as, who must be able to mend the files.
    ASSERT_EQ(RunInChild({.directory = game.path(), .unprivileged = true},
                         PlayGame({"1"}, WaltsFirstEvening()))
                  .exit_code,
              0);
    const auto run = [&](std::vector<std::string> args) {
        GameProcess tool("checkgame", game,
                         {.args = std::move(args), .connection = Connection::kPipes});
        const int code = tool.wait_exit();
        return std::make_pair(code, tool.output());
    };
    auto [code, out] = run({"-d", game.path()});
    EXPECT_EQ(code, 0) << out;
    EXPECT_NE(out.find("No problems found."), std::string::npos);

    Cut(game.file(kUserIndexFile), sizeof(UserIndexEntry));
    std::tie(code, out) = run({"-d", game.path()});
    EXPECT_EQ(code, 1);
    EXPECT_NE(out.find("users.idx: holds 1 record, users.dat 2: the last ones are missing "
                       "[repairable]"),
              std::string::npos)
        << out;

    // A node in play: nothing is touched.
    NodeInfoRecord live{};
    live.node = 1;
    live.user_name = "Walt";
    live.heartbeat = NodeSecondsStamp(SystemClock().now());
    WriteFile(game.file(kNodeInfoFileName),
              std::string(reinterpret_cast<char*>(&live), sizeof live));
    std::tie(code, out) = run({"-d", game.path(), "--repair"});
    EXPECT_EQ(code, 2);
    EXPECT_NE(out.find("Nothing repaired: node 1 is in play"), std::string::npos) << out;
    EXPECT_EQ(game.file_size(kUserIndexFile), static_cast<long long>(sizeof(UserIndexEntry)));

    // Games the node table does not name yet are in play too: a caller at the title pause holds
    // his node in lockfile.lck, and a player in play his session.
    ::unlink(game.file(kNodeInfoFileName).c_str());
    {
        GameProcess title("game", game, {.args = {"1"}});
        ASSERT_TRUE(title.wait_for_text("Whack The Damn Key!")) << title.screen_text();
        std::tie(code, out) = run({"-d", game.path(), "--repair"});
        EXPECT_EQ(code, 2);
        EXPECT_NE(out.find("Nothing repaired: node 1 is in use (a game holds it in lockfile.lck)"),
                  std::string::npos)
            << out;
    }
    {
        const int index = ::open(game.file(kUserIndexFile).c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_TRUE(TryLockRange(index, LockKind::kExclusive, kPlayerLockBase + 2, 1));
        std::tie(code, out) = run({"-d", game.path(), "--repair"});
        EXPECT_EQ(code, 2);
        EXPECT_NE(out.find("Nothing repaired: player 2 is in play (a game holds his session)"),
                  std::string::npos)
            << out;
        ::close(index);
    }
    // The game's start has mended the index meanwhile: it is cut again for the repairs below.
    Cut(game.file(kUserIndexFile), sizeof(UserIndexEntry));

    // A backup that cannot be made: nothing is touched either.
    std::tie(code, out) = run({"-d", game.path(), "--repair", "--backup", "/nonexistent/bak"});
    EXPECT_EQ(code, 2);
    EXPECT_NE(out.find("Nothing repaired: cannot make the backup directory"), std::string::npos);

    std::tie(code, out) = run({"-d", game.path(), "--repair", "--backup", game.file("bak")});
    EXPECT_EQ(code, 0) << out;
    EXPECT_NE(out.find("repaired: users.idx"), std::string::npos) << out;
    EXPECT_EQ(game.file_size("bak/users.idx"), static_cast<long long>(sizeof(UserIndexEntry)));
    EXPECT_EQ(game.file_size(kUserIndexFile), static_cast<long long>(2 * sizeof(UserIndexEntry)));
}

}  // namespace
}  // namespace vorn::test
