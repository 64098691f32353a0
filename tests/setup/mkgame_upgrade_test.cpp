// mkgame --upgrade on a game in play: an older installation laid it out, the players and the
// sysop changed things, and a newer installation comes in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/world_records.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace vorn {
namespace {

std::string Room(int number, const std::string& text, int city = 0) {
    RoomRecord room{};
    room.number = number;
    room.text[0] = text;
    room.city = city;
    return {reinterpret_cast<const char*>(&room), sizeof room};
}

// An installation in `dir`: data/ (screens, help, texts) and world/ (rooms.dat).
void WriteInstallation(const test::GameDirectory& dir, const std::vector<std::string>& rooms,
                       const std::vector<std::pair<std::string, std::string>>& files) {
    for (const char* folder : {"data", "data/ansi", "data/help", "data/text", "world"}) {
        dir.make_directory(folder);
    }
    std::string world;
    for (const std::string& room : rooms) world += room;
    dir.write_file("world/rooms.dat", world);
    for (const auto& [name, bytes] : files) dir.write_file("data/" + name, bytes);
}

int Mkgame(const test::GameDirectory& game, const test::GameDirectory& installation, bool upgrade,
           std::string* output = nullptr) {
    std::vector<std::string> args = {"--data", installation.file("data"), "--world",
                                     installation.file("world"), game.path()};
    if (upgrade) args.push_back("--upgrade");
    const test::ProgramResult result = test::RunProgram("mkgame", game.path(), {.args = args});
    if (output != nullptr) *output = result.output + result.error_output;
    return result.exit_code;
}

TEST(MkgameUpgrade, ReplacesWhatItInstalledKeepsWhatTheGameAndTheSysopChanged) {
    test::GameDirectory old_version, new_version, game;
    WriteInstallation(old_version, {Room(1, "Old square"), Room(2, "Old gate"), Room(3, "Well")},
                      {{"ansi/title.ans", "old title"},
                       {"ansi/main.ans", "old main"},
                       {"text/talk.txt", "old talk"},
                       {"text/whats.new", "old news"}});
    WriteInstallation(
        new_version, {Room(1, "New square"), Room(2, "New gate"), Room(3, "Well"), Room(4, "Pier")},
        {{"ansi/title.ans", "new title"},
         {"ansi/main.ans", "new main"},
         {"help/harbour.hlp", "new help"},
         {"text/talk.txt", "new talk"},
         {"text/whats.new", "new news"}});
    // A file of the sysop's own before the game was laid out: no record says what was installed.
    game.write_file("whats.new", "sysop's news");
    ASSERT_EQ(Mkgame(game, old_version, false), 0);
    // Play: a player, a city founded in room 1, tavern talk; the sysop's own screen and room 2.
    game.write_file("users.dat", std::string(1200, 'u'));
    game.write_file("talk.txt", "played talk");
    game.write_file("ansi/main.ans", "sysop's main");
    game.write_file("rooms.dat",
                    Room(1, "Old square", 7) + Room(2, "Sysop's gate") + Room(3, "Well"));

    std::string report;
    ASSERT_EQ(Mkgame(game, new_version, true, &report), 0) << report;
    const struct {
        const char* file;
        std::string bytes;
        std::string report;  // the line that names it, "" for none
    } cases[] = {
        {"ansi/title.ans", "new title", "replaced ansi/title.ans"},
        {"ansi/main.ans", "sysop's main", "kept     ansi/main.ans: changed here"},
        {"help/harbour.hlp", "new help", "added    help/harbour.hlp"},
        {"whats.new", "sysop's news", "kept     whats.new: differs from the new one"},
        {"talk.txt", "played talk", ""},
        {"users.dat", std::string(1200, 'u'), ""},
        {"rooms.dat",
         Room(1, "New square", 7) + Room(2, "Sysop's gate") + Room(3, "Well") + Room(4, "Pier"),
         "replaced rooms.dat: 1 records replaced, 1 added"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(game.read_file(c.file), c.bytes) << c.file;
        if (!c.report.empty()) {
            EXPECT_NE(report.find(c.report), std::string::npos) << report;
        }
    }
    EXPECT_NE(report.find("kept     rooms.dat: records changed here: 2"), std::string::npos)
        << report;
    // The game's own changes stay through the next upgrade too.
    ASSERT_EQ(Mkgame(game, new_version, true, &report), 0) << report;
    EXPECT_EQ(game.read_file("ansi/main.ans"), "sysop's main");
    EXPECT_EQ(game.read_file("rooms.dat").substr(0, sizeof(RoomRecord)), Room(1, "New square", 7));
}

}  // namespace
}  // namespace vorn
