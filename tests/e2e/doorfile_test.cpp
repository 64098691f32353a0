// A caller sent by a board that writes doorfile.sr and leaves the terminal check to the game: a
// terminal that answers the cursor query goes on to the title, one that stays silent is shown
// the door after a key and the farewell screen.
#include <gtest/gtest.h>

#include <string>

#include "support/caller_scripts.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace vorn::test {
namespace {

void WriteDoorfileSr(const GameDirectory& dir) {
    // Name, ANSI status -1 (let the game find out), two unused lines, minutes left.
    dir.write_file("doorfile.sr", "Dee Caller\r\n-1\r\nx\r\ny\r\n60\r\n");
}

TEST(Doorfile, AnsweringTerminalIsDetectedAndReachesTheTitle) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetDoorType(dir, 2);
    WriteDoorfileSr(dir);
    GameProcess game("game", dir, {.args = {"1"}});
    // The title may clear the line before the screen is looked at: the output holds it.
    ASSERT_EQ(game.wait_for_any({"Detecting ANSI...Succeded"}, kDefaultTimeoutMs, 0), 0)
        << game.screen_text();
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    ASSERT_TRUE(game.wait_for_text("Step into the snows"));
    EXPECT_EQ(game.output().find("You MUST be in ANSI"), std::string::npos);
}

TEST(Doorfile, SilentTerminalIsTurnedAwayAfterAKey) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetDoorType(dir, 2);
    WriteDoorfileSr(dir);
    GameProcess game("game", dir, {.args = {"1"}, .terminal = TerminalKind::kSilent});
    ASSERT_TRUE(game.wait_for_text("Detecting ANSI...Failed"));
    ASSERT_TRUE(game.wait_for_text("You MUST be in ANSI, exiting..."));
    // The game waits for the key before it leaves.
    EXPECT_EQ(game.wait_exit(300), kStillRunning);
    game.type("\r");
    // The farewell screen has its own pause; the title never showed.
    ASSERT_TRUE(Answer(game, "Thank you for warming yourself", "\r"));
    EXPECT_EQ(game.wait_exit(), 0) << game.screen_text();
    EXPECT_EQ(game.output().find("Step into the snows"), std::string::npos);
}

}  // namespace
}  // namespace vorn::test
