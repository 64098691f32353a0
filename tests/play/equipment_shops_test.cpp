// The weapon and armour shops: half-price sales, buying over what is carried, and refusals.
#include <gtest/gtest.h>

#include "play/equipment_shops.hpp"
#include "play/town_fixture.hpp"

namespace vorn {
namespace {

void WriteShops() {
    test::WriteRecords<WeaponRecord>(
        "weapons.dat",
        {test::Weapon("Club", 100), test::Weapon("Spear", 101), test::Weapon("Sword", 5000)});
    test::WriteRecords<ArmorRecord>("armors.dat",
                                    {test::Armor("Padding", 80), test::Armor("Mail", 900)});
}

TEST(SellWeapon, PaysHalfThePriceRoundedDown) {
    for (const auto& [weapon, paid] : {std::pair{1, 50}, std::pair{2, 50}}) {
        test::Town t;
        WriteShops();
        t.user().weapon = static_cast<std::uint16_t>(weapon);
        t.terminal.type("Y");
        EXPECT_TRUE(SellWeapon(t.session));
        EXPECT_EQ(t.user().gold, paid);
        EXPECT_EQ(t.user().weapon, 0);
        EXPECT_EQ(t.session.world.weapon.name.str(), "Fist");
    }
}

TEST(SellWeapon, ACallerWhoHangsUpAtTheQuestionKeepsHisWeapon) {
    test::Town t;
    WriteShops();
    t.user().weapon = 3;
    SellWeapon(t.session);
    EXPECT_EQ(t.user().weapon, 3);
    EXPECT_EQ(t.user().gold, 0);
}

TEST(SellArmor, DecliningKeepsTheArmour) {
    test::Town t;
    WriteShops();
    t.user().armor = 2;
    t.terminal.type("N");
    EXPECT_FALSE(SellArmor(t.session));
    EXPECT_EQ(t.user().armor, 2);
    EXPECT_EQ(t.user().gold, 0);
    EXPECT_TRUE(t.sent("Guess you want to keep it"));
}

TEST(BuyWeapon, SellsTheOldOneFirstThenPays) {
    test::Town t;
    WriteShops();
    t.user().weapon = 1;
    t.user().gold = 60;
    t.terminal.type("2YQ");  // Spear for 101: 60 + 50 from the club
    BuyWeapon(t.session);
    EXPECT_EQ(t.user().weapon, 2);
    EXPECT_EQ(t.user().gold, 9);
    EXPECT_EQ(t.session.world.weapon.name.str(), "Spear");
}

TEST(BuyWeapon, RefusalsLeaveMoneyAndWeaponAlone) {
    test::Town poor;
    WriteShops();
    poor.user().gold = 4999;
    poor.terminal.type("3Q");
    BuyWeapon(poor.session);
    EXPECT_EQ(poor.user().gold, 4999);
    EXPECT_EQ(poor.user().weapon, 0);
    EXPECT_TRUE(poor.sent("Not enough money"));
    // The buffer holds what the player carries, not the sword he could not pay for.
    EXPECT_EQ(poor.session.world.weapon.name.str(), "Fist");

    test::Town keeps;

    WriteShops();
    keeps.user().weapon = 1;
    keeps.user().gold = 9000;
    keeps.terminal.type("3N");
    BuyWeapon(keeps.session);
    EXPECT_EQ(keeps.user().weapon, 1);
    EXPECT_EQ(keeps.user().gold, 9000);
    EXPECT_EQ(test::RowText(keeps.session.writer, 12), "Aborted");

    test::Town unlisted;

    WriteShops();
    unlisted.user().gold = 9000;
    unlisted.terminal.type("7Q");  // only three weapons: the key is ignored
    BuyWeapon(unlisted.session);
    EXPECT_EQ(unlisted.user().weapon, 0);
    EXPECT_EQ(unlisted.user().gold, 9000);
}

TEST(BuyArmor, MustSellFirstAndLeavesAfterOneTry) {
    test::Town t;
    WriteShops();
    t.user().armor = 1;
    t.user().gold = 1000;
    t.terminal.type("2N");
    BuyArmor(t.session);
    EXPECT_EQ(t.user().armor, 1);
    EXPECT_EQ(test::RowText(t.session.writer, 12), "You must sell your armor first");

    test::Town buys;

    WriteShops();
    buys.user().gold = 1000;
    buys.terminal.type("2");
    BuyArmor(buys.session);
    EXPECT_EQ(buys.user().armor, 2);
    EXPECT_EQ(buys.user().gold, 100);
}

TEST(WeaponShop, ShowsWhatIsCarriedAndTheGold) {
    test::Town t;
    WriteShops();
    t.user().weapon = 3;
    t.user().gold = 1234;
    t.terminal.type("Q");
    WeaponShop(t.session);
    EXPECT_EQ(test::RowText(t.session.writer, 21).substr(45), "Sword");
    EXPECT_EQ(test::RowText(t.session.writer, 22).substr(45), "1234");
}

}  // namespace
}  // namespace vorn
