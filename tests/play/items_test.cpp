// Items: the store's buying and selling rules, the 16-bit counts, and what a use does in and out
// of battle.
#include <gtest/gtest.h>

#include "play/items.hpp"
#include "play/town_fixture.hpp"

namespace vorn {
namespace {

constexpr int kPotion = 1;
constexpr int kWand = 2;
constexpr int kGate = 3;
constexpr int kJunk = 4;
constexpr int kCurse = 5;

void WriteItems() {
    ItemRecord potion = test::Item("Potion", 30);
    potion.effect = 1;
    potion.effect_value = 6;   // random(6)
    potion.effect_value2 = 2;  // three draws
    ItemRecord wand = test::Item("Wand", 100, 5);
    wand.kind = 8 | 32;
    wand.effect = 4;
    wand.effect_value = 10;
    ItemRecord gate = test::Item("Gate stone", 10, 1);
    gate.effect = 2;
    gate.effect_value = 77;
    ItemRecord junk = test::Item("Junk", 8);
    junk.bought = false;
    ItemRecord curse = test::Item("Curse", 1);
    curse.sold = false;
    curse.effect = 4;
    curse.effect_value = 100;
    test::WriteRecords<ItemRecord>("items.dat", {potion, wand, gate, junk, curse});
}

struct Shop : test::Town {
    Shop() { WriteItems(); }
    std::uint16_t count(int n) { return user().item_count[n - 1]; }
    std::uint16_t charges(int n) { return user().item_charges[n - 1]; }
};

TEST(ItemAmount, SumsTheDrawsAndStopsPastTwoBillion) {
    ScriptedRandom dice({5, 0, 3});
    EXPECT_EQ(ItemAmount(dice, 6, 2), 8);
    EXPECT_EQ(dice.used(), 3u);
    ScriptedRandom none({5});
    EXPECT_EQ(ItemAmount(none, 1, 1000), 0);  // random(1) is always 0
    EXPECT_EQ(ItemAmount(none, 6, -1), 0);    // no draws at all
    ScriptedRandom big({1'500'000'000});
    EXPECT_EQ(ItemAmount(big, 2'147'483'647, 1'000'000), 3'000'000'000);

    // Billions of two-sided dice: ten thousand are thrown and their sum scaled to the whole roll.
    struct Ones final : Random {
        std::int64_t calls = 0;
        std::uint32_t random(std::uint32_t) override { return ++calls, 1; }
    };
    Ones ones;
    EXPECT_EQ(ItemAmount(ones, 2, 2 * kItemRollDice - 1), 2 * kItemRollDice);
    EXPECT_EQ(ItemAmount(ones, 2, 2'147'483'647), 2'000'000'001);
    EXPECT_EQ(ones.calls, 2 * kItemRollDice);
}

TEST(BuyItems, PaysCountTimesPriceAndAddsCharges) {
    Shop t;
    t.user().gold = 1000;
    t.terminal.type(test::Field("2") + test::Field("3"));
    BuyItems(t.session);
    EXPECT_EQ(t.user().gold, 700);
    EXPECT_EQ(t.count(kWand), 3);
    EXPECT_EQ(t.charges(kWand), 15);
    EXPECT_TRUE(t.user().item_known[kWand]);
}

TEST(BuyItems, NoneBoughtCostsNothingButMakesTheItemKnown) {
    Shop t;
    t.user().gold = 1000;
    t.terminal.type(test::Field("2") + test::Field("0"));
    BuyItems(t.session);
    EXPECT_EQ(t.user().gold, 1000);
    EXPECT_EQ(t.count(kWand), 0);
    EXPECT_TRUE(t.user().item_known[kWand]);
}

TEST(BuyItems, RefusalsChangeNothing) {
    struct Case {
        std::string keys;
        std::int32_t gold;
        std::uint16_t owned;
        const char* message;
    } cases[] = {
        {test::Field("0"), 1000, 0, "Oh well!"},
        {test::Field("5"), 1000, 0, "Item non existant"},    // not sold
        {test::Field("9"), 1000, 0, "Item non existant"},    // not in the file
        {test::Field("300"), 1000, 0, "Item non existant"},  // past the 255 items
        {test::Field("1"), 29, 0, "Not enough gold!"},
        {test::Field("1") + test::Field("34"), 1000, 0, "Not enough gold!"},
        // Counts are 16-bit: a purchase past 65535 is refused, not wrapped.
        {test::Field("1") + test::Field("2"), 1000, 65534, "You can't carry that many!"},
        {test::Field("1") + test::Field("70000"), 2'100'000'000, 0, "You can't carry that many!"},
    };
    for (const Case& c : cases) {
        Shop t;
        t.user().gold = c.gold;
        t.user().item_count[kPotion - 1] = c.owned;
        t.terminal.type(c.keys);
        BuyItems(t.session);
        EXPECT_EQ(t.user().gold, c.gold) << c.message;
        EXPECT_EQ(t.count(kPotion), c.owned) << c.message;
        EXPECT_NE(t.screen().find(c.message), std::string::npos) << c.message << "\n" << t.screen();
    }
}

TEST(SellItems, HalfPriceAndNeverMoreThanOwned) {
    Shop t;
    t.user().item_count[kPotion - 1] = 3;
    t.terminal.type(test::Field("1") + test::Field("50"));
    SellItems(t.session);
    EXPECT_EQ(t.count(kPotion), 0);
    EXPECT_EQ(t.user().gold, 45);
    EXPECT_NE(t.screen().find("Here is your 45 gold!"), std::string::npos);
}

TEST(SellItems, ChargedItemsSellOnlyWithTheirCharges) {
    Shop t;
    t.user().item_count[kWand - 1] = 3;
    t.user().item_charges[kWand - 1] = 11;  // two full wands' worth
    t.terminal.type(test::Field("2") + "\r");
    SellItems(t.session);
    EXPECT_EQ(t.count(kWand), 1);
    EXPECT_EQ(t.charges(kWand), 1);
    EXPECT_EQ(t.user().gold, 100);
}

TEST(SellItems, RefusalsChangeNothing) {
    for (const auto& [keys, message] :
         {std::pair{test::Field("3"), "You don't have any of them!"},
          std::pair{test::Field("256"), "You don't have any of them!"},
          std::pair{test::Field("4"), "I don't want it!"}}) {
        Shop t;
        t.user().item_count[kJunk - 1] = 2;
        t.terminal.type(keys);
        SellItems(t.session);
        EXPECT_EQ(t.count(kJunk), 2);
        EXPECT_EQ(t.user().gold, 0);
        EXPECT_NE(t.screen().find(message), std::string::npos) << message;
    }
}

TEST(UseItem, HealsByTheDiceUpToTheMaximum) {
    Shop t;
    t.user().item_count[kPotion - 1] = 1;
    t.user().hp = 10;
    t.user().max_hp = 30;
    t.random = ScriptedRandom({5, 4, 3});
    UseItem(t.session, kPotion);
    EXPECT_EQ(t.user().hp, 22);
    t.random = ScriptedRandom({5});
    UseItem(t.session, kPotion);
    EXPECT_EQ(t.user().hp, 30);
    EXPECT_EQ(t.count(kPotion), 1);  // items without charges are not used up
}

TEST(UseItem, HarmOutsideBattleHitsThePlayer) {
    Shop t;
    t.user().item_count[kCurse - 1] = 1;
    t.user().hp = 50;
    t.random = ScriptedRandom({20});
    UseItem(t.session, kCurse);
    EXPECT_EQ(t.user().hp, 30);
    t.random = ScriptedRandom({99});
    UseItem(t.session, kCurse);
    EXPECT_EQ(t.user().hp, -1);
    EXPECT_EQ(t.session.play.cause_of_death, "Curse");
}

TEST(UseItem, ChargesAreSpentAndAnEmptyItemDoesNothing) {
    Shop t;
    t.user().item_count[kWand - 1] = 1;
    t.user().item_charges[kWand - 1] = 1;
    t.user().hp = 50;
    t.random = ScriptedRandom({4});
    UseItem(t.session, kWand);
    EXPECT_EQ(t.user().hp, 46);
    EXPECT_EQ(t.charges(kWand), 0);
    UseItem(t.session, kWand);
    EXPECT_EQ(t.user().hp, 46);
    EXPECT_EQ(t.count(kWand), 1);
    EXPECT_NE(t.screen().find("Nothing Happens!"), std::string::npos);
}

TEST(UseItem, RefusesWhatIsNotCarried) {
    Shop t;
    t.user().hp = 5;
    UseItem(t.session, kCurse);
    UseItem(t.session, 400);
    EXPECT_EQ(t.user().hp, 5);
    EXPECT_NE(t.screen().find("You don't have one!"), std::string::npos);
    UseItem(t.session, 0);
    EXPECT_NE(t.screen().find("Aborted!"), std::string::npos);
}

TEST(UseItem, TeleportMovesThePlayer) {
    Shop t;
    t.user().item_count[kGate - 1] = 1;
    t.user().item_charges[kGate - 1] = 1;
    t.user().room = 12;
    UseItem(t.session, kGate);
    EXPECT_EQ(t.user().room, 77);
    EXPECT_FALSE(t.session.play.battle.over);
}

TEST(UseItem, TeleportInBattleEndsTheBattleAsAFlight) {
    Shop t;
    t.user().item_count[kGate - 1] = 1;
    t.user().item_charges[kGate - 1] = 1;
    t.session.play.in_battle = true;
    t.session.play.encounter[1] = 4;
    t.session.play.battle.hp[1] = 9;
    UseItem(t.session, kGate);
    EXPECT_EQ(t.user().room, 77);
    EXPECT_TRUE(t.session.play.battle.over);
    EXPECT_TRUE(t.session.play.battle.fled);
}

TEST(UseItem, HarmInBattleWithoutTargetHitsThePlayer) {
    Shop t;
    t.user().item_count[kCurse - 1] = 1;
    t.user().hp = 40;
    t.session.play.in_battle = true;
    t.session.play.encounter[1] = 4;
    t.session.play.battle.hp[1] = 9;
    t.random = ScriptedRandom({15});
    UseItem(t.session, kCurse);  // no target is chosen: the player holds the curse
    EXPECT_EQ(t.user().hp, 25);
    EXPECT_EQ(t.session.play.battle.hp[1], 9);
}

TEST(ListOwnedItems, UnidentifiedItemsHideNameAndCharges) {
    Shop t;
    t.user().item_count[kPotion - 1] = 2;
    t.user().item_count[kWand - 1] = 1;
    t.user().item_charges[kWand - 1] = 4;
    ListOwnedItems(t.session);
    const std::string potion = test::RowText(t.session.writer, 3);
    const std::string wand = test::RowText(t.session.writer, 4);
    EXPECT_EQ(potion.substr(0, 16), "1        Potion ");
    EXPECT_EQ(potion.substr(63), "\xEC");  // one character, infinity: no charges to count
    EXPECT_EQ(wand.substr(9, 4), "Wand");
    EXPECT_EQ(wand.substr(63, 5), "?????");
    t.user().item_known[kWand] = true;
    ListOwnedItems(t.session);
    EXPECT_EQ(test::RowText(t.session.writer, 4).substr(63), "4");
}

TEST(ListItemsForSale, PagesOfTwentyListOnlyWhatIsSold) {
    test::Town t;
    std::vector<ItemRecord> records;
    for (int i = 1; i <= 25; ++i) records.push_back(test::Item("Thing " + std::to_string(i), i));
    records[2].sold = false;
    test::WriteRecords("items.dat", records);
    ListItemsForSale(t.session);
    // The second page: items 22 to 25 (item 3 is not for sale).
    EXPECT_EQ(test::RowText(t.session.writer, 4).substr(1, 2), "22");
    EXPECT_EQ(test::RowText(t.session.writer, 7).substr(1, 2), "25");
    EXPECT_EQ(test::RowText(t.session.writer, 8).find("Thing"), std::string::npos);
}

}  // namespace
}  // namespace vorn
