// A newcomer's first fights through the real game, in a small world made for the test: a glade
// where a harmless beetle always waits, and a pit where something kills whoever enters. The
// player wins the first fight with a spell, dies in the second and wakes in Vornville.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/user_records.hpp"
#include "support/caller_scripts.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace vorn::test {
namespace {

TEST(FirstFights, WinOneDieInTheNextAndWakeInTown) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    WriteTestWorld(dir);
    SetDoorType(dir, 1);
    WriteDoorSys(dir, "Cal Fighter");

    GameProcess game("game", dir, {.args = {"1"}});
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
    ASSERT_TRUE(Answer(game, "A Newcomer's Guide to Vornhold", "\r"));
    ASSERT_TRUE(Answer(game, "What is your character name?", "Cal\r"));
    ASSERT_TRUE(Answer(game, "The race of your character?", "1\r"));
    ASSERT_TRUE(Answer(game, "Choose a Sub-Race:", "2\r"));
    ASSERT_TRUE(Answer(game, "Note that some of them must be activated", "\r"));
    ASSERT_TRUE(Answer(game, "Err...No skills", "\r"));
    ASSERT_TRUE(Answer(game, "Now for the disadvantages...", "\r"));
    ASSERT_TRUE(Answer(game, "Err...No Disadvantages, for now!", "\r"));
    ASSERT_TRUE(Answer(game, "The sex of your character? [M/F]", "f"));
    ASSERT_TRUE(Answer(game, "Are they ok?", "y"));
    ASSERT_TRUE(Answer(game, "Choose your alignement", "2bq"));
    ASSERT_TRUE(Answer(game, "Before whom do you kneel?", "m"));
    ASSERT_TRUE(Answer(game, "Do you want to read the news?", "n"));
    ASSERT_TRUE(Answer(game, "Go in the forest", "f"));

    // The beetle always waits in the glade: a bolt of the player's mana kills it.
    ASSERT_TRUE(game.wait_for_text("Test Glade"));
    ASSERT_TRUE(game.wait_for_text("Grass Beetle"));
    ASSERT_TRUE(Answer(game, "Your command?", "a"));
    // A bolt always hits, but a strike roll of 0 does nothing at all: cast until it lands. The
    // bolt crosses the field a cell each 50 ms.
    bool won = false;
    for (int cast = 0; cast < 8 && !won; ++cast) {
        ASSERT_TRUE(Answer(game, "Enter your command", "c")) << game.screen_text();
        ASSERT_TRUE(Answer(game, "Choose a Target", "\r"));
        won = game.wait_for_text("You gained 7 gold/xp!", 10000);
    }
    ASSERT_TRUE(won);
    // The order line tells that the fight is over, and the foes' panel covers the messages
    // whole; any key ends the fight, and the rewards are saved with it.
    ASSERT_TRUE(game.wait_for_text("All foes are down: strike a key"));
    for (int row = 21; row <= 23; ++row) {
        EXPECT_NE(game.row_text(row).find("th   opponent hit points:Unavailable" +
                                          std::string(16, ' ') + "\u2551"),
                  std::string::npos)
            << game.screen_text();
    }
    game.type("\r");
    ASSERT_TRUE(game.wait_for_text("Your command?"));
    const UserRecord winner = UserNamed(dir, "Cal");
    EXPECT_EQ(winner.kills, 1);
    EXPECT_EQ(winner.experience, 7);
    EXPECT_EQ(winner.gold, 107);

    // East into the pit, where the horror strikes at once.
    game.type("e");
    ASSERT_TRUE(game.wait_for_text("Enter your command"));
    game.type("6");
    ASSERT_TRUE(game.wait_for_text("Pit Horror"));
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    // Back in Vornville with one hit point, gold and experience kept.
    ASSERT_TRUE(game.wait_for_text("Go in the forest"));
    const UserRecord dead = UserNamed(dir, "Cal");
    EXPECT_EQ(dead.hp, 1);
    EXPECT_EQ(dead.room, 1);
    EXPECT_EQ(dead.gold, 107);
    EXPECT_EQ(dead.experience, 7);
    EXPECT_NE(dir.read_file("global.nws").find("Cal has been killed by Pit Horror"),
              std::string::npos);
}

}  // namespace
}  // namespace vorn::test
