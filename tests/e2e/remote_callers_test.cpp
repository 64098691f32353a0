// Callers from anywhere: the stand-alone telnet game, where a listener hands each connection to
// `game DAEMON` as inetd does and every caller takes a node of his own, and a door32 board that
// hands the game its socket.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <string>
#include <thread>

#include "common/node_lock_table.hpp"
#include "support/caller_scripts.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"
#include "support/telnet_listener.hpp"

namespace vorn::test {
namespace {

using namespace std::chrono_literals;

int NodesInUse(const GameDirectory& dir) {
    const std::string table = dir.read_file(kNodeLockFile);
    return static_cast<int>(std::count(table.begin() + 1, table.end(), '\x01'));
}

TEST(TelnetGame, ThreeCallersAtOnceAndOneHangsUpMidBattle) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    WriteTestWorld(dir);
    // No node is reserved: the three callers get nodes 1, 2 and 3.
    dir.write_file(kNodeLockFile, std::string(256, '\0'));
    TelnetListener listener(dir, "game", {"DAEMON"});

    GameProcess ann(listener);
    GameProcess bob(listener);
    GameProcess cy(listener, TerminalKind::kCp437);
    // The art reaches a code-page-437 client as its own bytes.
    ASSERT_TRUE(cy.wait_for_text("Whack The Damn Key!")) << cy.output();
    EXPECT_NE(cy.screen_text().find("\u2591\u2591\u2591"), std::string::npos);
    EnterAsNewCaller(ann, "Ann Wire", "Ann");
    EnterAsNewCaller(bob, "Bob Wire", "Bob");
    EnterAsNewCaller(cy, "Cy Wire", "Cy");
    EXPECT_EQ(dir.read_file(kNodeLockFile).substr(0, 5), std::string("\0\x01\x01\x01\0", 5));
    // Each node's log names its caller and where he calls from; the sysop's view has the
    // address too.
    const auto log_of = [&dir](const std::string& name) {
        for (const std::string& file : dir.list("logs")) {
            const std::string log = dir.read_file("logs/" + file);
            if (log.find("Logon: " + name + " Wire plays " + name + " from 127.0.0.1:") !=
                std::string::npos) {
                return log;
            }
        }
        return std::string();
    };
    ASSERT_EQ(dir.list("logs").size(), 3u);
    const std::regex line(R"(Caller line: telnet from 127\.0\.0\.1:\d+, window 80x25\n)");
    for (const char* name : {"Ann", "Bob", "Cy"}) {
        EXPECT_TRUE(std::regex_search(log_of(name), line)) << name;
    }
    for (const char* node : {"1", "2", "3"}) {
        EXPECT_EQ(
            dir.read_file(std::string("temp/NODE.00") + node + "/address").rfind("127.0.0.1:", 0),
            0u);
    }

    // Bob, on the road, finds all three in the node list.
    ASSERT_TRUE(Answer(bob, "Go in the forest", "f"));
    ASSERT_TRUE(Answer(bob, "Your command?", "@n"));
    ASSERT_TRUE(bob.wait_for_text("Whack The Damn Key!"));
    for (const char* name : {" Ann ", " Bob ", " Cy "}) {
        EXPECT_NE(bob.screen_text().find(name), std::string::npos) << name << bob.screen_text();
    }
    bob.type("\r");
    ASSERT_TRUE(bob.wait_for_text("Your command?"));

    // Ann meets the beetle and hangs up in the middle of the fight: her game ends and her node
    // is free within a second.
    ASSERT_TRUE(Answer(ann, "Go in the forest", "f"));
    ASSERT_TRUE(ann.wait_for_text("Grass Beetle"));
    ASSERT_TRUE(Answer(ann, "Your command?", "a"));
    ASSERT_TRUE(ann.wait_for_text("Enter your command"));
    const auto start = std::chrono::steady_clock::now();
    ann.hang_up();
    EXPECT_EQ(ann.wait_exit(1000), 0);
    while (NodesInUse(dir) != 2 && std::chrono::steady_clock::now() - start < 1s) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(NodesInUse(dir), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    // She has left the node list too.
    bob.type("@n");
    ASSERT_TRUE(bob.wait_for_text("Whack The Damn Key!"));
    EXPECT_EQ(bob.screen_text().find(" Ann "), std::string::npos) << bob.screen_text();
    EXPECT_NE(bob.screen_text().find(" Cy "), std::string::npos);
    bob.type("\r");
    ASSERT_TRUE(bob.wait_for_text("Your command?"));

    // Cy leaves by the title menu: the closing banner's separators are character 255, which only
    // reaches a code-page-437 client when it is doubled on the wire.
    cy.type("q");
    ASSERT_TRUE(Answer(cy, "Step into the snows", "q"));
    ASSERT_TRUE(Answer(cy, "Whack The Damn Key!", "\r"));
    EXPECT_EQ(cy.wait_exit(), 0);
    EXPECT_NE(cy.row_text(1).find("\u00a0Vornhold\u00a0version"), std::string::npos)
        << cy.row_text(1);
    bob.type("q");
    ASSERT_TRUE(Answer(bob, "Step into the snows", "q")) << bob.screen_text();
    ASSERT_TRUE(Answer(bob, "Whack The Damn Key!", "\r"));
    EXPECT_EQ(bob.wait_exit(), 0);
    EXPECT_EQ(NodesInUse(dir), 0);
    // How each call ended.
    EXPECT_NE(log_of("Ann").find("End of call: hang-up\n"), std::string::npos);
    EXPECT_NE(log_of("Cy").find("End of call: quit\n"), std::string::npos);
    EXPECT_TRUE(dir.list("temp/NODE.001").size() + dir.list("temp/NODE.002").size() +
                    dir.list("temp/NODE.003").size() ==
                0)
        << "an address left behind";
}

TEST(Door32Board, PlaysOnTheBoardsSocketToTheExplorationPrompt) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    WriteTestWorld(dir);
    SetDoorType(dir, 5);
    dir.write_file("door32.sys",
                   "2\r\n" + std::to_string(kDoor32Handle) +
                       "\r\n38400\r\nTest Board 1.0\r\n7\r\nDee Door\r\nDee\r\n100\r\n"
                       "60\r\n1\r\n1\r\n");
    GameProcess game("game", dir, {.args = {"1"}, .connection = Connection::kSocketPair});
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
    // The board vouches for the caller: no logon, straight to a new character.
    ASSERT_TRUE(Answer(game, "A Newcomer's Guide to Vornhold", "\r"));
    CreateHuman(game, "Dee");
    ASSERT_TRUE(Answer(game, "Go in the forest", "f"));
    ASSERT_TRUE(game.wait_for_text("Your command?"));
    EXPECT_EQ(UserNamed(dir, "Dee").real_name.view(), "Dee Door");
    // The caller saw the start-up lines too, as on any other door type.
    EXPECT_NE(game.output().find("Loading config..."), std::string::npos);
    game.type("*");
    EXPECT_EQ(game.wait_exit(), 0);
}

}  // namespace
}  // namespace vorn::test
