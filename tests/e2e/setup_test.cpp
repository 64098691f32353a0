// The real setup program on a terminal: a sysop names the board, picks a node's door type and
// leaves with Ctrl-C; a reset is refused while a node plays, answered No, then Yes, and the
// connection drops.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <map>

#include "common/clock.hpp"
#include "common/node_records.hpp"
#include "common/world_records.hpp"
#include "support/caller_scripts.hpp"
#include "support/game_process.hpp"

namespace vorn::test {
namespace {

const LaunchOptions kConsole = {.args = {},
                                .environment = {"TERM=xterm-256color", "LC_ALL=C.UTF-8"}};

LaunchOptions OnNode(const std::string& node) {
    LaunchOptions options = kConsole;
    options.args = {node};
    return options;
}

std::map<std::string, std::string> Contents(const GameDirectory& dir) {
    std::map<std::string, std::string> files;
    for (const std::string& name : dir.list()) files[name] = dir.read_file(name);
    return files;
}

TEST(SetupProgram, SysopNamesTheBoardAndChoosesADoorType) {
    GameDirectory dir;
    RunOptions usage;
    usage.args = {"?"};
    const ProgramResult help = RunProgram("setup", dir.path(), usage);
    EXPECT_EQ(help.exit_code, 255);
    EXPECT_EQ(help.output, "Usage:\n      Setup <cfgname>\n");
    EXPECT_TRUE(dir.list().empty());

    // A sysop whose mask keeps his group from writing still gets files the board's user can write.
    const mode_t mask = ::umask(022);
    GameProcess setup("setup", dir, OnNode("2"));
    ::umask(mask);
    ASSERT_TRUE(Answer(setup, "Vornhold a20 Setup program", "a"));
    ASSERT_TRUE(Answer(setup, "Editing node: 2", "b"));
    ASSERT_TRUE(setup.wait_for_text("[\u00b7\u00b7\u00b7"));
    // Key, label and value colours; the box's dots alternate white and grey.
    EXPECT_EQ(setup.cell(3, 2).foreground, 2);
    EXPECT_EQ(setup.cell(5, 2).foreground, 4);
    EXPECT_EQ(setup.cell(30, 2).foreground, 15);
    EXPECT_EQ(setup.cell(30, 3).foreground, 8);  // "["
    EXPECT_EQ(setup.cell(31, 3).foreground, 15);
    EXPECT_EQ(setup.cell(32, 3).foreground, 7);
    setup.type("Harbour Lights\r");
    ASSERT_TRUE(Answer(setup, "BBS Name                 Harbour Lights", "d"));
    ASSERT_TRUE(Answer(setup, "5 Door32.sys", "5"));
    // Ctrl-C leaves at once, the changes already written.
    ASSERT_TRUE(Answer(setup, "Doortype                 Door32.sys", "\x03"));
    EXPECT_EQ(setup.wait_exit(), 0);
    const struct termios mode = setup.terminal_mode();
    EXPECT_NE(mode.c_lflag & ECHO, 0u);
    EXPECT_NE(mode.c_lflag & ICANON, 0u);

    const std::string node = dir.read_file("vorn2.dat");
    ASSERT_EQ(node.size(), 194u);
    EXPECT_EQ(node[21], 5);                                // door type
    EXPECT_EQ(node.substr(22, 15), "\x0eHarbour Lights");  // bbs_name
    EXPECT_EQ(node[146], 0);                               // not waiting for calls
    EXPECT_EQ(dir.file_size("setup.dat"), 356);
    EXPECT_EQ(dir.file_size("maint.dat"), 512);
    EXPECT_EQ(dir.read_file("lockfile.lck"), std::string(256, '\0'));
    for (const char* name : {"vorn2.dat", "setup.dat", "maint.dat", "lockfile.lck"}) {
        struct stat st {};
        ASSERT_EQ(::stat(dir.file(name).c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 0777, 0660u) << name;
    }
}

// On a terminal that is not UTF-8 the screens are plain ASCII: letters without their accents,
// input boxes of dots.
TEST(SetupProgram, ATerminalWithoutUtf8GetsPlainAscii) {
    GameDirectory dir;
    RunOptions set;
    set.args = {"--set", "node", "1", "bbs_name", "Caf\u00e9 \u00c5sgard"};
    ASSERT_EQ(RunProgram("setup", dir.path(), set).exit_code, 0);
    GameProcess setup("setup", dir,
                      {.args = {}, .environment = {"TERM=vt100", "LANG=C", "LC_ALL=C"}});
    ASSERT_TRUE(Answer(setup, "Vornhold a20 Setup program", "a"));
    ASSERT_TRUE(Answer(setup, "BBS Name                 Cafe Asgard", "b")) << setup.screen_text();
    EXPECT_TRUE(setup.wait_for_text("[....")) << setup.screen_text();
    setup.type("\x03");
    EXPECT_EQ(setup.wait_exit(), 0);
}

TEST(SetupProgram, ResetWaitsForTheNodesAsksFirstAndClearsTheRoomsCities) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    for (const char* name :
         {"users.dat", "users.idx", "user2.dat", "EMAIL.jhr", "Ann.nws", "ANN.npl", "cities.dat",
          "cities2.dat", "cities3.dat", "ranking.ans"}) {
        dir.write_file(name, "played");
    }
    std::string rooms = dir.read_file("rooms.dat");
    ASSERT_GE(rooms.size(), 2 * sizeof(RoomRecord));
    const std::int32_t city = 1;
    std::memcpy(&rooms[sizeof(RoomRecord) + offsetof(RoomRecord, city)], &city, sizeof city);
    dir.write_file("rooms.dat", rooms);
    NodeInfoRecord playing{};
    playing.node = 1;
    playing.user_name = "Ann";
    playing.heartbeat = NodeSecondsStamp(SystemClock().now());
    dir.write_file(kNodeInfoFileName,
                   std::string(reinterpret_cast<const char*>(&playing), sizeof playing));

    GameProcess setup("setup", dir, kConsole);
    ASSERT_TRUE(Answer(setup, "Vornhold a20 Setup program", "r"));
    ASSERT_TRUE(setup.wait_for_text("cannot be reset while these nodes are playing"));
    ASSERT_TRUE(Answer(setup, "Node 1: Ann", " "));
    ASSERT_TRUE(setup.wait_for_text("Redo lockfile"));
    playing.heartbeat = 0;  // Ann has left
    dir.write_file(kNodeInfoFileName,
                   std::string(reinterpret_cast<const char*>(&playing), sizeof playing));
    const std::map<std::string, std::string> before = Contents(dir);

    setup.type("r");
    ASSERT_TRUE(Answer(setup, "Reset the game [y/N]?", "\r"));
    ASSERT_TRUE(setup.wait_for_text("Redo lockfile"));
    EXPECT_EQ(Contents(dir), before);

    setup.type("r");
    ASSERT_TRUE(Answer(setup, "Reset the game [y/N]?", "y"));
    ASSERT_TRUE(setup.wait_for_text("Done! Press any key to continue..."));
    EXPECT_EQ(setup.row_text(1), "Removing User files [...] Done");
    EXPECT_EQ(setup.row_text(2), "Removing E-Mails [...] Done!");
    EXPECT_EQ(setup.row_text(3), "Removing News Files [.] Done!");
    EXPECT_EQ(setup.row_text(4), "Removing No Play Files [.] Done!");
    EXPECT_EQ(setup.row_text(5), "Removing Cities files [...] Done!");
    EXPECT_EQ(setup.row_text(6), "Removing Score Bulletins [.] Done!");
    EXPECT_EQ(setup.row_text(7), "Clearing Cities from rooms [1] Done!");
    ASSERT_TRUE(Answer(setup, "Done! Press any key", " "));
    ASSERT_TRUE(setup.wait_for_text("Redo lockfile"));
    setup.hang_up();  // the sysop's connection drops
    EXPECT_EQ(setup.wait_exit(1000), 0);

    std::map<std::string, std::string> after = before;
    for (const char* name :
         {"users.dat", "users.idx", "user2.dat", "EMAIL.jhr", "Ann.nws", "ANN.npl", "cities.dat",
          "cities2.dat", "cities3.dat", "ranking.ans"}) {
        after.erase(name);
    }
    std::memset(&rooms[sizeof(RoomRecord) + offsetof(RoomRecord, city)], 0, sizeof city);
    after["rooms.dat"] = rooms;
    EXPECT_EQ(Contents(dir), after);
}

}  // namespace
}  // namespace vorn::test
