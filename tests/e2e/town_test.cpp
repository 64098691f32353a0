// An evening in Vornville through the real game: the weapon shop, the bank (deposit, withdrawal,
// a loan taken and partly repaid, a repayment beyond the loan refused), the item store and a
// potion drunk from the status screen, the gymnasium, a help topic, and a room at the inn that
// ends the call.
#include <gtest/gtest.h>

#include "support/caller_scripts.hpp"
#include "support/game_process.hpp"

namespace vorn::test {
namespace {

// Ctrl-Y clears the amount the bank offers before a new one is typed.
std::string Amount(const std::string& digits) {
    return "\x19" + digits + "\r";
}

TEST(Town, AnEveningInVornville) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetDoorType(dir, 1);
    WriteDoorSys(dir, "Tess Trader");
    GameProcess game("game", dir, {.args = {"1"}});
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
    ASSERT_TRUE(Answer(game, "A Newcomer's Guide to Vornhold", "\r"));
    CreateHuman(game, "Tess");

    // The weapon shop: the hatchet for 40 of the 100 gold.
    game.type("w");
    ASSERT_TRUE(Answer(game, "Fist", "b")) << game.screen_text();
    ASSERT_TRUE(Answer(game, "Woodman's Hatchet", "1")) << game.screen_text();
    ASSERT_TRUE(game.wait_for_text("60 gold")) << game.screen_text();
    game.type("qq");
    ASSERT_TRUE(game.wait_for_text("Go in the forest"));
    UserRecord u = UserNamed(dir, "Tess");
    EXPECT_EQ(u.weapon, 1);
    EXPECT_EQ(u.gold, 60);

    // The bank.
    game.type("b");
    ASSERT_TRUE(Answer(game, "uit", "d"));
    ASSERT_TRUE(game.wait_for_text("60"));
    game.type(Amount("50"));
    ASSERT_TRUE(Answer(game, "Thanks!", "w"));
    game.type(Amount("50"));
    ASSERT_TRUE(game.wait_for_text("Thanks!"));
    game.type("l");
    ASSERT_TRUE(game.wait_for_text("15"));  // a quarter of what he has
    game.type("t" + Amount("15"));
    ASSERT_TRUE(game.wait_for_text("Thanks!"));
    game.type("lr" + Amount("10"));
    ASSERT_TRUE(game.wait_for_text("Thanks!"));
    game.type("q");
    ASSERT_TRUE(game.wait_for_text("Go in the forest"));
    u = UserNamed(dir, "Tess");
    EXPECT_EQ(u.gold, 65);
    EXPECT_EQ(u.bank, 0);
    EXPECT_EQ(u.loan, 5);

    // The store: one healing draught, drunk from the statistics screen.
    game.type("sb");
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r")) << game.screen_text();
    ASSERT_TRUE(Answer(game, "Which one want to buy?", Amount("1"))) << game.screen_text();
    ASSERT_TRUE(Answer(game, "Buy how many", Amount("1"))) << game.screen_text();
    game.type("q");
    ASSERT_TRUE(game.wait_for_text("Go in the forest")) << game.screen_text();
    u = UserNamed(dir, "Tess");
    EXPECT_EQ(u.gold, 40);
    EXPECT_EQ(u.item_count[0], 1);
    game.type("v");
    ASSERT_TRUE(Answer(game, "Tess", "i")) << game.screen_text();
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r")) << game.screen_text();
    ASSERT_TRUE(Answer(game, "Use which item?", "1\r")) << game.screen_text();
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    ASSERT_TRUE(Answer(game, "Tess", "q")) << game.screen_text();
    ASSERT_TRUE(game.wait_for_text("Go in the forest"));
    // One draught, one charge: drunk.
    EXPECT_EQ(UserNamed(dir, "Tess").item_charges[0], 0);

    // The gymnasium: no build points yet, so nothing is bought.
    game.type("g");
    game.type("sq");
    ASSERT_TRUE(game.wait_for_text("Go in the forest"));
    EXPECT_EQ(UserNamed(dir, "Tess").bonus_str, 0);

    // Out into the forest for the help hall's first topic, and back.
    game.type("f");
    ASSERT_TRUE(Answer(game, "Do you take the", "y")) << game.screen_text();
    ASSERT_TRUE(Answer(game, "Cast spell", "h")) << game.screen_text();
    ASSERT_TRUE(game.wait_for_text("Walking the realm")) << game.screen_text();
    game.type("b");
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\rq"));
    ASSERT_TRUE(Answer(game, "Cast spell", "n"));

    // A room at the inn for 40 gold ends the call with the credits.
    ASSERT_TRUE(Answer(game, "Go in the forest", "i"));
    ASSERT_TRUE(Answer(game, "Get a room for the night", "g")) << game.screen_text();
    ASSERT_TRUE(Answer(game, "for a room, pay?", "y")) << game.screen_text();
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    EXPECT_EQ(game.wait_exit(), 0);
    u = UserNamed(dir, "Tess");
    EXPECT_TRUE(u.in_inn);
    EXPECT_EQ(u.gold, 0);
}

}  // namespace
}  // namespace vorn::test
