// The game as the door of a board written elsewhere, with the door entries sysops write first:
// a board that writes DOOR.SYS in capitals and runs the door in a pseudo-terminal, one whose
// door32.sys names no socket, and one that listens on a port for the door to connect to; then
// a caller on a slow link whose terminal shows code page 437.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <string>

#include "common/config_files.hpp"
#include "support/caller_scripts.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace vorn::test {
namespace {

// Node 1 reads `door_type`'s drop file from the folder node1/.
void BoardNode(const GameDirectory& dir, int door_type) {
    NodeConfig node{};
    ASSERT_TRUE(ReadNodeConfig(dir.file("vorn1.dat"), node));
    node.door_type = static_cast<std::uint8_t>(door_type);
    node.door_file_path = dir.file("node1") + "/";
    ASSERT_TRUE(WriteNodeConfig(dir.file("vorn1.dat"), node));
}

TEST(RealBoards, TheDoorEntriesSysopsWriteFirst) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetUpDoorNode(dir, 1, "Hal Host", 38400);
    ASSERT_EQ(std::rename(dir.file("node1/door.sys").c_str(), dir.file("node1/DOOR.SYS").c_str()),
              0);
    dir.write_file("node1/DOOR32.SYS",
                   "2\r\n-1\r\n38400\r\nStand-in Host 1.0\r\n7\r\nHal Host\r\nHal\r\n100\r\n"
                   "60\r\n1\r\n1\r\n");

    {
        SCOPED_TRACE("DOOR.SYS in capitals, named on the command line");
        GameProcess game("game", dir, {.args = {"1", "-D", dir.file("node1/DOOR.SYS")}});
        EnterTheForest(game, "Hal");
        LeaveFromTheMap(game);
    }
    {
        SCOPED_TRACE("door32.sys with handle -1 in the node's folder");
        BoardNode(dir, 5);
        GameProcess game("game", dir, {.args = {"1"}});
        EnterTheForest(game);
        LeaveFromTheMap(game);
    }
    {
        SCOPED_TRACE("a board that listens on a port");
        GameProcess game("game", dir, {.args = {"1"}, .connection = Connection::kConnectBack});
        EnterTheForest(game);
        LeaveFromTheMap(game);
    }
    std::string log = AllLogs(dir);
    for (const char* line :
         {"Drop file DOOR.SYS\n", "Drop file DOOR32.SYS\n", "Logon: Hal Host plays Hal\n",
          "DOOR32.SYS socket handle -1 names no socket: playing on standard input and output",
          "Caller line: raw TCP from 127.0.0.1:", "Logon: Hal Host plays Hal from 127.0.0.1:",
          "End of call: quit"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    }
    EXPECT_EQ(log.find("telnet"), std::string::npos) << log;

    {
        SCOPED_TRACE("a code page 437 terminal 400 ms away each way");
        GameProcess game("game", dir,
                         {.args = {"1"},
                          .connection = Connection::kConnectBack,
                          .terminal = TerminalKind::kCp437,
                          .line_delay_ms = 400});
        ASSERT_TRUE(game.wait_for_text("Whack The Damn Key!"));
        // "Γûê" is how such a terminal shows the UTF-8 of a block.
        EXPECT_NE(game.screen_text().find("\u2588"), std::string::npos) << game.screen_text();
        EXPECT_EQ(game.screen_text().find("\u0393"), std::string::npos) << game.screen_text();
        // The board goes down: the game ends in order.
        ::kill(game.pid(), SIGTERM);
        EXPECT_EQ(game.wait_exit(), 0);
    }
    log = AllLogs(dir);
    EXPECT_NE(log.find("Character set: UTF-8 until the terminal answers\n"), std::string::npos);
    EXPECT_NE(log.find("Character set: code page 437 (the terminal's late answer)\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("End of call: signal (SIGTERM)"), std::string::npos);
}

TEST(RealBoards, APortNobodyListensOnEndsWithItsReason) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    const ProgramResult result =
        RunProgram("game", dir.path(), {.args = {"1", "--connect", "127.0.0.1:1"}});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.output.find("Cannot connect to 127.0.0.1 port 1: Connection refused"),
              std::string::npos)
        << result.output;
}

}  // namespace
}  // namespace vorn::test
