// The sysop's player editor on a game in play: while Ann plays on node 1, Bob (who has left) gets
// gold from the command line, a new name on the Players screen and is deleted and brought back;
// Ann herself is refused until she leaves. Bob's next call finds the changes.
#include <gtest/gtest.h>

#include <cstddef>

#include "support/caller_scripts.hpp"
#include "support/game_process.hpp"

namespace vorn::test {
namespace {

ProgramResult RunSetup(const GameDirectory& dir, std::vector<std::string> args) {
    return RunProgram("setup", dir.path(), {.args = std::move(args)});
}

TEST(PlayerEditor, ChangesPlayersWhileAnotherPlaysAndRefusesOneInPlay) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetUpDoorNode(dir, 1, "Ann Alpha");
    GameProcess ann("game", dir, {.args = {"1"}});
    SetUpDoorNode(dir, 2, "Bob Beta");
    EnterGame(ann, "Ann", true);
    {
        GameProcess bob("game", dir, {.args = {"2"}});
        EnterGame(bob, "Bob", true);
        LeaveFromTheMap(bob);
    }

    const ProgramResult gold = RunSetup(dir, {"--set", "player", "bob", "gold", "5000"});
    EXPECT_EQ(gold.exit_code, 0) << gold.error_output;
    EXPECT_EQ(gold.output, "Bob (3): gold 100 -> 5000\n");
    const ProgramResult refused = RunSetup(dir, {"--set", "player", "Ann", "gold", "1"});
    EXPECT_EQ(refused.exit_code, 3);
    EXPECT_EQ(refused.error_output, "setup: Ann is playing on node 1; nothing changed\n");
    EXPECT_EQ(RunSetup(dir, {"--set", "player", "Bob", "level", "21"}).exit_code, 2);

    // The Players screen: find Bob, rename him; a name another player has is refused.
    {
        GameProcess setup("setup", dir, {.environment = {"TERM=xterm-256color", "LC_ALL=C.UTF-8"}});
        ASSERT_TRUE(Answer(setup, "Players", "p"));
        ASSERT_TRUE(Answer(setup, "node 1", "f"));
        ASSERT_TRUE(Answer(setup, "Player's number or name:", "BOB\r"));
        ASSERT_TRUE(Answer(setup, "gold 5000", "r"));
        ASSERT_TRUE(Answer(setup, "name (1 to 36 characters):", "ann\r"));
        ASSERT_TRUE(Answer(setup, "Bob (3): the name ann is player 2's", "r"));
        ASSERT_TRUE(Answer(setup, "name (1 to 36 characters):", "Robert\r"));
        ASSERT_TRUE(Answer(setup, "Bob (3): name Bob -> Robert", "d"));
        ASSERT_TRUE(Answer(setup, "Delete Robert [y/N]?", "y"));
        ASSERT_TRUE(Answer(setup, "deleted yes", "qqq"));
        EXPECT_EQ(setup.wait_exit(), 0);
    }
    EXPECT_TRUE(UserNamed(dir, "Robert").deleted);
    const std::string index = dir.read_file("users.idx");
    EXPECT_EQ(index.substr(2 * sizeof(UserIndexEntry), 7), "\x06Robert");
    EXPECT_EQ(index[2 * sizeof(UserIndexEntry) + offsetof(UserIndexEntry, deleted)], 1);
    const ProgramResult back = RunSetup(dir, {"--undelete", "player", "robert"});
    EXPECT_EQ(back.output, "Robert (3): deleted yes -> no\n") << back.error_output;
    EXPECT_EQ(UserNamed(dir, "Ann").gold, 100);
    const std::string logs = AllLogs(dir);
    for (const char* line : {"* Player editor: Bob (3): gold 100 -> 5000",
                             "* Player editor: Bob (3): name Bob -> Robert",
                             "* Player editor: Robert (3): deleted no -> yes"}) {
        EXPECT_NE(logs.find(line), std::string::npos) << line << "\n" << logs;
    }

    // Bob Beta calls again and plays Robert, with the gold; once Ann has left she may be changed.
    {
        GameProcess bob("game", dir, {.args = {"2"}});
        EnterGame(bob, "", false);
        ASSERT_TRUE(Answer(bob, "Go in the forest", "v"));
        EXPECT_TRUE(bob.wait_for_text("Robert")) << bob.screen_text();
        EXPECT_TRUE(bob.wait_for_text("5000")) << bob.screen_text();
        ASSERT_TRUE(Answer(bob, "5000", "\r"));
        ASSERT_TRUE(bob.wait_for_text("Go in the forest"));
        LeaveFromTheMap(bob);
    }
    LeaveFromTheMap(ann);
    EXPECT_EQ(RunSetup(dir, {"--set", "player", "Ann", "gold", "1"}).exit_code, 0);
    EXPECT_EQ(UserNamed(dir, "Ann").gold, 1);
}

}  // namespace
}  // namespace vorn::test
