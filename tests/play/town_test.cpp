// The city square and its houses: the menu's ways out, the Sylvan expulsion, the healer's
// prices, the gymnasium's rising costs, the trainer's offer and the inn.
#include <gtest/gtest.h>

#include "play/city_menu.hpp"
#include "play/death.hpp"
#include "play/equipment_shops.hpp"
#include "play/healer.hpp"
#include "play/items.hpp"
#include "play/tavern.hpp"
#include "play/town_fixture.hpp"
#include "play/training.hpp"
#include "player/player_screens.hpp"

namespace vorn {
namespace {

TEST(CityMenu, QuitEndsThePlayForestDoesNot) {
    test::Town quits;
    quits.user().room = 0;
    quits.user().hp = 5;
    quits.terminal.type("KUq");
    CityMenu(quits.session);
    EXPECT_TRUE(quits.session.play.quit);
    EXPECT_EQ(quits.user().room, 1);

    test::Town walks;
    walks.user().hp = 5;
    walks.session.play.quit = true;  // left over from an earlier visit
    walks.terminal.type("F");
    CityMenu(walks.session);
    EXPECT_FALSE(walks.session.play.quit);
    EXPECT_EQ(walks.user().room, 2);
    EXPECT_FALSE(walks.session.play.exploring);
}

TEST(CityMenu, OptionsFollowTheAlignment) {
    test::Town t;
    t.user().hp = 5;
    t.user().law = 3;
    t.terminal.type("F");
    CityMenu(t.session);
    EXPECT_EQ(test::RowText(t.session.writer, 9).substr(4),
              "[U] Help a Bum out of his misery   [B] Vornville's Bank");
    EXPECT_EQ(test::RowText(t.session.writer, 21).substr(4), "[Q] Quit game");
}

TEST(CityMenu, TheSylvanEffectBarsTheCity) {
    test::Town t;
    t.user().hp = 5;
    t.user().room = 1;
    t.user().sylvan_minutes = 3;
    CityMenu(t.session);
    EXPECT_EQ(t.user().room, 2);
    EXPECT_FALSE(t.session.play.quit);
}

TEST(CityMenu, AForestElfWhoFailsHisWisdomIsDrivenOut) {
    test::Town t;
    t.user().hp = 5;
    t.user().disadvantages = kHatesCity;
    t.user().wis = 10;
    t.random = ScriptedRandom({15, 42});  // the check rolls 15 of 20: failed
    t.clock.advance_ms(5000);
    CityMenu(t.session);
    EXPECT_EQ(t.user().room, 2);
    EXPECT_EQ(t.user().sylvan_minutes, 42);
    EXPECT_EQ(t.session.play.last_sylvan_tick, 5000);

    test::Town stays;
    stays.user().hp = 5;
    stays.user().disadvantages = kHatesCity;
    stays.user().wis = 10;
    stays.random = ScriptedRandom({3});
    stays.terminal.type("Q");
    CityMenu(stays.session);
    EXPECT_EQ(stays.user().sylvan_minutes, 0);
    EXPECT_TRUE(stays.session.play.quit);
}

TEST(Healer, PriceIsLevelTimesMissingHitPoints) {
    UserRecord u{};
    u.level = 7;
    u.max_hp = 2'000'000'000;
    u.hp = -1'000'000'000;
    EXPECT_EQ(HealingPrice(u), 21'000'000'000);  // beyond 32 bits, never wrapped
    u.hp = u.max_hp;
    EXPECT_EQ(HealingPrice(u), 0);
}

TEST(Healer, HealsForGoldAndRefusesWhatCannotBePaid) {
    test::Town t;
    t.user().level = 3;
    t.user().max_hp = 20;
    t.user().hp = 10;
    t.user().gold = 30;
    t.terminal.type("H");
    Healer(t.session);
    EXPECT_EQ(t.user().hp, 20);
    EXPECT_EQ(t.user().gold, 0);

    test::Town poor;
    poor.user().level = 3;
    poor.user().max_hp = 20;
    poor.user().hp = 10;
    poor.user().gold = 29;
    poor.terminal.type("H");
    Healer(poor.session);
    EXPECT_EQ(poor.user().hp, 10);
    EXPECT_EQ(poor.user().gold, 29);
    EXPECT_EQ(test::RowText(poor.session.writer, 15).substr(54), "Not Enough money");

    test::Town whole;
    whole.user().max_hp = 20;
    whole.user().hp = 20;
    whole.user().gold = 29;
    whole.terminal.type("H");
    Healer(whole.session);
    EXPECT_EQ(whole.user().gold, 29);
    EXPECT_EQ(test::RowText(whole.session.writer, 16).substr(54), "Just get out!");
}

TEST(Gymnasium, EachStepCostsOneMoreThanTheLast) {
    UserRecord u{};
    u.build_points = 7;
    EXPECT_TRUE(BuyTrainingStep(u, 'S'));
    EXPECT_TRUE(BuyTrainingStep(u, 'S'));
    EXPECT_TRUE(BuyTrainingStep(u, 'S'));
    EXPECT_EQ(u.bonus_str, 3);
    EXPECT_EQ(u.build_points, 1);  // 1 + 2 + 3
    EXPECT_FALSE(BuyTrainingStep(u, 'S'));
    EXPECT_EQ(u.bonus_str, 3);
    EXPECT_EQ(u.build_points, 1);
    EXPECT_TRUE(BuyTrainingStep(u, 'C'));
    EXPECT_EQ(u.max_hp, 3);
    EXPECT_FALSE(BuyTrainingStep(u, 'X'));
}

TEST(Gymnasium, LeavingSetsTheManaFromWisdomAndIntelligence) {
    test::Town t;
    t.user().build_points = 3;
    t.user().wis = 15;
    t.user().int_ = 12;
    t.terminal.type("WIWQ");  // W 1, I 1, then W would cost 2 of the 1 left
    Gymnasium(t.session);
    EXPECT_EQ(t.user().bonus_wis, 1);
    EXPECT_EQ(t.user().bonus_int, 1);
    EXPECT_EQ(t.user().build_points, 1);
    EXPECT_EQ(t.user().max_mana, 16 / 4 + (13 * 3) / 4 + 4);
    EXPECT_EQ(test::RowText(t.session.writer, 12).substr(60), "2");  // wisdom's next step
}

TEST(Trainer, OffersTheFightWithExactlyEnoughExperience) {
    test::Town t;
    LevelRecord next{};
    next.experience = 500;
    test::WriteRecords<LevelRecord>("levels.dat", {LevelRecord{}, next});
    t.user().experience = 499;
    Trainer(t.session);
    EXPECT_NE(t.screen().find("You need: 1 more experience"), std::string::npos);

    test::Town top;  // no record for level 3: no fight, whatever the buffer held before
    test::WriteRecords<LevelRecord>("levels.dat", {LevelRecord{}, next});
    top.user().level = 2;
    top.user().experience = 90'000;
    top.session.world.level.experience = 1;
    top.terminal.type("Y");
    Trainer(top.session);
    EXPECT_EQ(top.screen().find("level up"), std::string::npos);

    test::Town ready;
    test::WriteRecords<LevelRecord>("levels.dat", {LevelRecord{}, next});
    ready.user().experience = 500;
    ready.terminal.type("N");
    Trainer(ready.session);
    EXPECT_NE(ready.screen().find("Do you want to try to level up? [Y/n] No"), std::string::npos)
        << ready.screen();
}

TEST(RentRoom, PaysAndEndsTheProgramOrRefuses) {
    test::Town poor;
    poor.user().level = 2;
    poor.user().gold = 79;
    poor.terminal.type("Y");
    RentRoom(poor.session);
    EXPECT_EQ(poor.user().gold, 79);
    EXPECT_FALSE(poor.user().in_inn);
    EXPECT_NE(poor.screen().find("Get some money for God's sake!"), std::string::npos);

    test::Town rich;
    rich.user().level = 2;
    rich.user().gold = 100;
    rich.terminal.type("\r");
    EXPECT_THROW(RentRoom(rich.session), test::ExitCalled);
    EXPECT_EQ(rich.user().gold, 20);
    EXPECT_TRUE(rich.user().in_inn);
}

TEST(DrunkTalk, EveryDrawShowsARealLine) {
    test::Town t;
    std::string lines;
    for (int i = 1; i <= 16; ++i) lines += "line " + std::to_string(i) + "\n";
    test::WriteFile("drunktlk.txt", lines);
    t.random = ScriptedRandom({0, 13});
    DrunkTalk(t.session);
    EXPECT_NE(t.screen().find("line 1\n"), std::string::npos) << t.screen();
    DrunkTalk(t.session);
    EXPECT_NE(t.screen().find("line 14\n"), std::string::npos) << t.screen();
}

TEST(TavernTalk, AddsTheRemarkAfterTheName) {
    test::Town t;
    t.user().name = "Brann";
    test::WriteFile("talk.txt", "Old line\n");
    t.terminal.type("Yhello all\r");
    TavernTalk(t.session);
    EXPECT_EQ(test::ReadFile("talk.txt"), "Old line\nBrann says hello all\n");
}

TEST(Overhear, DrawsNothingTheNameOrThePower) {
    for (const auto& [draw, heard] :
         {std::pair{5u, " Nothing of interest"}, std::pair{18u, " Brann"},
          std::pair{19u, " Brann ....power"}, std::pair{0u, ""}}) {
        test::Town t;
        t.user().name = "Brann";
        t.random = ScriptedRandom({draw});
        Overhear(t.session);
        EXPECT_EQ(test::RowText(t.session.writer, 22),
                  std::string("      As you wander in the tavern, you hear...") + heard)
            << draw;
    }
}

// The longest names the files hold stay in the places the screens have for them: in a list
// column, up to the next one; elsewhere up to the art's edge at column 79.
TEST(Screens, LongNamesStayInTheirPlaces) {
    const std::string longest(255, 'Z');
    struct Case {
        const char* screen;
        std::function<void(test::Town&)> show;
        int c1, c2, row;
    };
    const Case cases[] = {
        {"weapon shop", [](test::Town& t) { t.terminal.type("Q"), WeaponShop(t.session); }, 46, 79,
         21},
        {"weapons for sale", [](test::Town& t) { t.user().weapon = 0, BuyWeapon(t.session); }, 6,
         22, 7},
        {"weapon sold", [](test::Town& t) { t.terminal.type("N"), SellWeapon(t.session); }, 32, 79,
         5},
        {"items carried", [](test::Town& t) { ListOwnedItems(t.session); }, 10, 29, 3},
        {"items for sale", [](test::Town& t) { ListItemsForSale(t.session); }, 12, 36, 4},
        {"status", [](test::Town& t) { t.terminal.type("q"), ShowStatus(t.session); }, 64, 79, 14},
        {"death", [&](test::Town& t) { KillPlayer(t.session, longest); }, 44, 79, 11},
        {"tavern",
         [](test::Town& t) {
             t.user().name = std::string(36, 'Z');
             t.random = ScriptedRandom({19});
             Overhear(t.session);
         },
         48, 79, 22},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screen);
        test::Town t;
        test::WriteRecords("weapons.dat", std::vector<WeaponRecord>{test::Weapon(longest, 10)});
        test::WriteRecords("items.dat", std::vector<ItemRecord>{test::Item(longest, 10)});
        t.user().weapon = 1;
        t.user().item_count[0] = 1;
        LoadWeapon(t.session, 1);
        c.show(t);
        t.session.writer.flush();
        EXPECT_EQ(test::CellsOutside(t.session.writer, 'Z', c.c1, c.c2, c.row, c.row), "");
        EXPECT_NE(test::RowText(t.session.writer, c.row).find("ZZ"), std::string::npos);
    }
}

}  // namespace
}  // namespace vorn
