// setup's non-interactive form, as an installer's script would use it: one session of commands
// against a fresh game directory, each with its exit code and what it prints; and the player
// editor's rules through it: each field takes its range (rooms as far as rooms.dat goes), a name
// stays one player's, deleted or not, a caller's name leads to one player, and a renamed founder
// keeps his city.
#include "setup/command_line.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <span>

#include "common/city_records.hpp"
#include "common/directories.hpp"
#include "common/record_file.hpp"
#include "common/system_log.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"
#include "setup/setup_state.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

struct SetupRun {
    int code;
    std::string out;
    std::string err;
};

std::string Drain(std::FILE* file) {
    std::rewind(file);
    std::string text;
    char buffer[512];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    std::fclose(file);
    return text;
}

SetupRun RunSetup(std::vector<std::string> args) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ManualClock clock;
    const int code = RunCommandLine(args, clock, out, err);
    return {code, Drain(out), Drain(err)};
}

// One command of a script, with its exit code and a part of what it prints: of standard output
// when the code is 0, else of standard error.
struct SetupStep {
    std::vector<std::string> args;
    int code;
    std::string out;
};

void RunSteps(std::span<const SetupStep> steps) {
    for (const SetupStep& step : steps) {
        SCOPED_TRACE(step.args[0] + " " + step.args.back());
        const SetupRun run = RunSetup(step.args);
        EXPECT_EQ(run.code, step.code);
        EXPECT_NE((step.code == 0 ? run.out : run.err).find(step.out), std::string::npos)
            << run.out << run.err;
    }
}

TEST(SetupCommandLine, ShowsAndSetsSettingsByName) {
    test::TempDir dir;
    const std::string drop = dir.path() + "/drop";
    const SetupStep steps[] = {
        {{"--show", "node", "4"},
         0,
         "# vorn4.dat (missing or short: the defaults setup writes)\n"
         "sysop_name=You\nbbs_name=Your BBS\ndoor_type=1\n"},
        {{"--set", "node", "4", "door_type", "4"}, 0, "door_type=4\n"},
        {{"--set", "node", "4", "bbs_name", "Harbour Lights"}, 0, "bbs_name=Harbour Lights\n"},
        {{"--show", "node", "4"}, 0, "# vorn4.dat\nsysop_name=You\nbbs_name=Harbour Lights\n"},
        {{"--set", "node", "4", "door_file_path", drop}, 0, "Created the directory " + drop},
        {{"--set", "game", "mana_recovery_secs", "300"}, 2, "from 0 to 255"},
        {{"--set", "game", "mana_recovery_secs", "12"}, 0, "mana_recovery_secs=12\n"},
        {{"--set", "maint", "heal_everything", "no"}, 0, "heal_everything=no\n"},
        {{"--show", "maint"}, 0, "# maint.dat\nheal_everything=no\n"},
        {{"--set", "game", "door_type", "1"}, 2, "no game setting is called \"door_type\""},
        {{"--set", "node", "10000", "door_type", "1"}, 2, "from 0 to 9999"},
        {{"--set", "node", "0", "daemon_mode", "yes"}, 0, "daemon_mode=yes\n"},
        {{"--set", "node", "4", "line_mode", "raw"}, 0, "line_mode=raw\n"},
        {{"--set", "node", "4", "encoding", "latin1"}, 2, "give auto, cp437 or utf8"},
        {{"--set", "node", "2-3", "encoding", "cp437"}, 0, "encoding=cp437 on nodes 2 to 3\n"},
        {{"--show", "node", "2-3"}, 0, "encoding=cp437\npause_delay_ms=0\n# vorn3.dat\n"},
        {{"--set", "node", "4", "door_type"}, 2, "a NAME and a VALUE"},
        {{"--show", "nodes"}, 2, "unknown settings"},
        {{"--redo-lockfile"}, 0, "lockfile.lck: nodes 0 2 3 4\n"},
        {{"--help"}, 0, "hp_recovery_secs"},
        {{"--frobnicate"}, 2, "unknown command"},
    };
    RunSteps(steps);
    // Showing wrote nothing; setting wrote whole records.
    EXPECT_FALSE(test::FileExists("vorn1.dat"));
    const std::string node = test::ReadFile("vorn4.dat");
    ASSERT_EQ(node.size(), 194u);
    EXPECT_EQ(node[21], 4);
    EXPECT_EQ(node[146], 1);
    EXPECT_EQ(node[192], kLineRaw);
    EXPECT_EQ(test::ReadFile("vorn3.dat")[193], kEncodingCp437);
    EXPECT_EQ(node.substr(22, 15), "\x0eHarbour Lights");
    EXPECT_EQ(test::ReadFile("setup.dat").size(), 356u);
    EXPECT_EQ(test::ReadFile("setup.dat")[257], 12);
    EXPECT_TRUE(DirectoryExists(drop));
}

// Joe the placeholder; Bob, founder of city 1; Cy, deleted.
void WritePlayers() {
    RecordFile users, index, cities;
    ASSERT_TRUE(users.create(kUsersFile, sizeof(UserRecord)));
    ASSERT_TRUE(index.create(kUserIndexFile, sizeof(UserIndexEntry)));
    const struct {
        const char* name;
        const char* caller;
        bool deleted;
    } players[] = {
        {"Joe", "Joe Board", false}, {"Bob", "Bob Beta", false}, {"Cy", "Cy Gamma", true}};
    for (std::uint16_t i = 0; i < 3; ++i) {
        UserRecord user = DefaultUserRecord();
        user.number = static_cast<std::uint16_t>(i + 1);
        user.name = players[i].name;
        user.real_name = players[i].caller;
        user.deleted = players[i].deleted;
        ASSERT_TRUE(users.write_record(i, user));
        ASSERT_TRUE(index.write_record(i, IndexEntryFor(user)));
    }
    CityRecord city = NewCityRecord();
    city.number = 1;
    city.founder = "Bob";
    city.founder_number = 2;
    ASSERT_TRUE(cities.create(kCitiesFile, sizeof(CityRecord)));
    ASSERT_TRUE(cities.write_record(0, city));
    test::WriteFile(kRoomsFile, std::string(5 * sizeof(RoomRecord), '\0'));
}

TEST(SetupCommandLine, EditsPlayersWithinRangesAndKeepsANameToOnePlayer) {
    test::TempDir dir;
    WritePlayers();
    const SetupStep steps[] = {
        {{"--show", "player", "2"}, 0, "# player 2 of users.dat\nname=Bob\n"},
        {{"--set", "player", "bob", "room", "6"}, 2, "room: give a whole number from 1 to 5"},
        {{"--set", "player", "bob", "room", "5"}, 0, "Bob (2): room 0 -> 5\n"},
        {{"--set", "player", "bob", "level", "0"}, 2, "from 1 to 20"},
        {{"--set", "player", "bob", "gold", "-1"}, 2, "from 0 to 2147483647"},
        {{"--set", "player", "bob", "name", "cy"}, 2, "Bob (2): the name cy is player 3's"},
        {{"--set", "player", "bob", "name", "|CSBob"}, 2, "no codes but colour codes"},
        {{"--set", "player", "bob", "name", "Robert"}, 0, "name Bob -> Robert, founder of 1 city"},
        {{"--set", "player", "robert", "real_name", "Cy Gamma"}, 0, "real_name Bob Beta -> Cy"},
        {{"--undelete", "player", "cy"}, 2, "Cy (3): the caller Cy Gamma has player 2 already"},
        {{"--set", "player", "2", "sex", "FEMALE"}, 0, "sex male -> female\n"},
        {{"--set", "player", "2", "password", "x"}, 0, "password (none) -> (set)\n"},
        {{"--set", "player", "2", "race_name", "Elf"}, 2, "the game keeps it in step"},
        {{"--set", "player", "2", "wings", "2"}, 2, "no player field is called \"wings\""},
        {{"--show", "player", "Bob"}, 2, "no player is called or numbered \"Bob\""},
        {{"--delete", "player", "2"}, 0, "Robert (2): deleted no -> yes\n"},
        {{"--delete", "player", "2"}, 0, "Robert (2): deleted is yes already\n"},
        {{"--delete", "player"}, 2, "--delete needs \"player\" and one player"},
    };
    RunSteps(steps);
    RecordFile users, index, cities;
    UserRecord robert;
    UserIndexEntry entry;
    CityRecord city;
    ASSERT_TRUE(users.open(kUsersFile, sizeof robert, RecordFile::Access::kRead));
    ASSERT_TRUE(index.open(kUserIndexFile, sizeof entry, RecordFile::Access::kRead));
    ASSERT_TRUE(cities.open(kCitiesFile, sizeof city, RecordFile::Access::kRead));
    ASSERT_TRUE(users.read_record(1, robert) && index.read_record(1, entry));
    ASSERT_TRUE(cities.read_record(0, city));
    EXPECT_EQ(robert.password.view(), "y");  // "x" in the stored form
    EXPECT_EQ(entry.name.view(), "Robert");
    EXPECT_EQ(entry.real_name.view(), "Cy Gamma");
    EXPECT_TRUE(entry.deleted);
    EXPECT_EQ(city.founder.view(), "Robert");
    EXPECT_NE(test::ReadFile(SystemLogFileName({"logs/", false, 0}, DateTime{}))
                  .find("Player editor: Bob (2): name Bob -> Robert, founder of 1 city"),
              std::string::npos);
}

TEST(SetupCommandLine, NodeRangesAreReadStrictly) {
    const struct {
        std::string_view text;
        int first;  // -1 when refused
        int last;
    } cases[] = {
        {"1-32", 1, 32},  {"5", 5, 5},         {"0-0", 0, 0},     {"9999", 9999, 9999},
        {"32-1", -1, -1}, {"1-10000", -1, -1}, {"junk", -1, -1},  {"1-", -1, -1},
        {"-5", -1, -1},   {"+5", -1, -1},      {"1-3-5", -1, -1}, {"", -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<NodeRange> range = ParseNodeRange(c.text, 0, kLastNode);
        EXPECT_EQ(range ? range->first : -1, c.first);
        EXPECT_EQ(range ? range->last : -1, c.last);
    }
}

TEST(SetupCommandLine, ARefusedValueForARangeTouchesNoFile) {
    test::TempDir dir;
    test::WriteFile("vorn2.dat", "short");
    EXPECT_EQ(RunSetup({"--set", "node", "1-32", "door_type", "6"}).code, 2);
    EXPECT_EQ(RunSetup({"--set", "node", "1-32", "encoding", "ebcdic"}).code, 2);
    // A drop-file folder that cannot be made fails the whole setting.
    const SetupRun folder = RunSetup({"--set", "node", "1-3", "door_file_path", "/proc/no/x"});
    EXPECT_EQ(folder.code, 1);
    EXPECT_NE(folder.err.find("/proc/no/x/ could not be created; nothing changed"),
              std::string::npos)
        << folder.err;
    const auto entries = std::distance(std::filesystem::directory_iterator(dir.path()),
                                       std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 1);
    EXPECT_EQ(test::ReadFile("vorn2.dat"), "short");
}

}  // namespace
}  // namespace vorn
