// Combat on a test session: strikes with fixed dice, the grid, targeting, running, and whole
// battles from the first key to the reward or the player's death.
#include "play/combat.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "common/user_records.hpp"
#include "play/play_state.hpp"
#include "player/racial_skills.hpp"
#include "support/session_fixture.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

// Skill numbers of the skill table.
constexpr int kHateGoblins = 28;
constexpr int kImmuneFire = 46;
constexpr int kImmunePoison = 51;
constexpr int kHalfCold = 67;
constexpr int kFirstAttack = 137;
constexpr int kBackstab = 142;
constexpr int kRegenerate = 152;
constexpr int kVampiric = 154;

MonsterRecord Monster(const std::string& name, std::int32_t number = 1) {
    MonsterRecord m{};
    m.number = number;
    m.name = name;
    m.hp_min = 1;
    m.hp_max = 1;
    m.moves = 1;
    m.reach = 1;
    m.attack_dice = 1;
    m.attack_sides = 2;
    return m;
}

void WriteMonsters(const std::vector<MonsterRecord>& monsters) {
    std::string bytes;
    for (const MonsterRecord& m : monsters) {
        bytes.append(reinterpret_cast<const char*>(&m), sizeof m);
    }
    test::WriteFile("monsters.dat", bytes);
}

class CombatTest : public ::testing::Test {
  protected:
    CombatTest() {
        s.node.pause_delay_ms = 1;
        user.hp = 20;
        user.max_hp = 20;
        user.armor_class = 10;
        user.battle_delay = 0;
        s.world.weapon = WeaponRecord{};
        s.world.weapon.dice = 1;
        s.world.weapon.sides = 2;  // always 1
    }

    void dice(std::vector<std::uint32_t> draws) { t.random = ScriptedRandom(std::move(draws)); }

    // The one monster of the battle, of 50 hit points, moving `moves` places a turn.
    void Meet(const std::string& name, int moves) {
        MonsterRecord m = Monster(name);
        m.moves = moves;
        m.hp_min = 50;
        m.hp_max = 50;
        WriteMonsters({m});
        s.play.encounter[1] = 1;
    }

    // Puts monster `m` in `slot` at (column, row) with `hp` hit points, as a started battle has.
    void place(int slot, const MonsterRecord& m, int column, int row, std::int32_t hp = 10) {
        s.play.encounter[slot] = m.number;
        s.play.battle.monster[slot] = m;
        s.play.battle.column[slot] = column;
        s.play.battle.row[slot] = row;
        s.play.battle.hp[slot] = hp;
    }

    std::string screen() {
        s.writer.flush();
        std::string all;
        for (int row = 1; row <= 25; ++row) all += test::RowText(s.writer, row) + "\n";
        return all;
    }

    test::TestSession t;
    Session& s = t.session;
    UserRecord& user = s.users.current;
    BattleState& b = s.play.battle;
};

TEST(RollDamageDice, DiceShowOneToSidesLessOneAndSmallDiceShowOne) {
    ScriptedRandom draws({0, 0, 5, 0, 3});
    EXPECT_EQ(RollDamageDice(draws, 2, 6), 8);  // zeros are thrown again
    ScriptedRandom twos({1});
    EXPECT_EQ(RollDamageDice(twos, 4, 2), 4);
    // A die of one or no side would be thrown again for ever.
    ScriptedRandom none({0});
    EXPECT_EQ(RollDamageDice(none, 3, 1), 3);
    EXPECT_EQ(RollDamageDice(none, 3, 0), 3);
    EXPECT_EQ(RollDamageDice(none, 0, 6), 0);
}

TEST_F(CombatTest, WeaponStrikeAddsMagicToHitAndDamage) {
    MonsterRecord m = Monster("Troll");
    m.armor_class = 14;
    place(1, m, 6, 15, 30);
    s.world.weapon.magic = 0x01 | 0x04;  // +1 and +3
    s.world.weapon.dice = 2;
    s.world.weapon.sides = 6;
    dice({10, 3, 4});  // to-hit 10 + 4 reaches 14; dice 3 and 4
    PlayerStrike(s, 1);
    EXPECT_EQ(b.hp[1], 30 - (3 + 4 + 2 * 4));

    m.armor_class = 15;
    place(1, m, 6, 15);
    dice({10});
    PlayerStrike(s, 1);
    EXPECT_EQ(b.hp[1], 10);
    EXPECT_NE(screen().find("You missed!"), std::string::npos);
}

TEST_F(CombatTest, RollOfZeroDoesNothingEvenWhenCasting) {
    MonsterRecord m = Monster("Troll");
    place(1, m, 6, 15);
    b.casting = true;
    b.bolt_damage = 1;
    dice({0, 1});
    PlayerStrike(s, 1);
    EXPECT_EQ(b.hp[1], 10);
    EXPECT_EQ(t.random.used(), 1u);
}

TEST_F(CombatTest, HateSkillAndLargeCreatureBonus) {
    MonsterRecord goblin = Monster("Goblin");
    goblin.category = 3;
    goblin.armor_class = 6;
    place(1, goblin, 6, 15);
    AddSkill(user, kHateGoblins);
    s.world.weapon.dice = 3;
    dice({5, 1});  // 5 + 1 hate reaches 6; each die 1 + 1 hate
    PlayerStrike(s, 1);
    EXPECT_EQ(b.hp[1], 10 - 6);

    MonsterRecord giant = Monster("Giant");
    giant.abilities = 512;
    place(2, giant, 6, 16, 30);
    s.world.weapon.dice = 1;
    s.world.weapon.damage_bonus = 7;
    dice({5, 1});
    PlayerStrike(s, 2);
    EXPECT_EQ(b.hp[2], 30 - 8);
}

TEST_F(CombatTest, BackstabDoublesAndVampiricTouchHeals) {
    MonsterRecord m = Monster("Orc");
    place(1, m, 6, 15, 50);
    AddSkill(user, kBackstab);
    AddSkill(user, kVampiric);
    user.hp = 10;
    s.world.weapon.dice = 3;
    s.world.weapon.sides = 4;
    dice({9, 3, 3, 3, 1});  // 9 damage, backstab 1 doubles it
    PlayerStrike(s, 1);
    EXPECT_EQ(b.hp[1], 50 - 18);
    EXPECT_EQ(user.hp, 10 + 9);
    EXPECT_NE(screen().find("You heal 9 hitpoints"), std::string::npos);

    dice({9, 3, 3, 3, 2});  // no backstab; the heal stops at the maximum
    PlayerStrike(s, 1);
    EXPECT_EQ(b.hp[1], 50 - 27);
    EXPECT_EQ(user.hp, 20);
}

TEST_F(CombatTest, BoltHitsAnyArmourForItsDamageWithoutVampiricHeal) {
    MonsterRecord m = Monster("Wraith");
    m.armor_class = 200;
    place(1, m, 60, 12);
    AddSkill(user, kVampiric);
    user.hp = 5;
    b.casting = true;
    b.bolt_damage = 1;
    dice({1});
    PlayerStrike(s, 1);
    EXPECT_EQ(b.hp[1], 9);
    EXPECT_EQ(user.hp, 5);
}

TEST_F(CombatTest, HugeBonusesNeitherWrapNorOverflow) {
    MonsterRecord m = Monster("Titan");
    m.armor_class = 200;
    m.abilities = 512;
    place(1, m, 6, 15, std::numeric_limits<std::int32_t>::max());
    user.hit_bonus = 250;  // 250 + 10 must not wrap to 4
    s.world.weapon.damage_bonus = std::numeric_limits<std::int32_t>::max();
    dice({10, 1});
    PlayerStrike(s, 1);
    EXPECT_EQ(s.play.encounter[1], 0);
    EXPECT_EQ(b.hp[1], 0);
}

TEST_F(CombatTest, KillingAMonsterPaysItsReward) {
    MonsterRecord m = Monster("Rat");
    m.reward = 7;
    place(1, m, 6, 15, 1);
    user.gold = 100;
    user.experience = 40;
    dice({5, 1});
    PlayerStrike(s, 1);
    EXPECT_EQ(s.play.encounter[1], 0);
    EXPECT_EQ(user.kills, 1);
    EXPECT_EQ(user.gold, 107);
    EXPECT_EQ(user.experience, 47);
    const std::string text = screen();
    EXPECT_NE(text.find("Dead!"), std::string::npos);
    EXPECT_NE(text.find("You gained 7 gold/xp!"), std::string::npos);
}

TEST_F(CombatTest, MonsterStrikesWithImmunitiesAndWeaknesses) {
    MonsterRecord m = Monster("Salamander");
    m.attack_sides = 10;
    m.attack_dice = 2;
    m.attack_type = 112;  // magical fire, like 12
    place(1, m, 6, 15);
    dice({20, 4, 4});
    MonsterStrike(s, 1);
    EXPECT_EQ(user.hp, 12);
    EXPECT_EQ(s.play.cause_of_death, "Salamander");

    AddSkill(user, kImmuneFire);
    user.hp = 20;
    dice({20, 4, 4});
    MonsterStrike(s, 1);
    EXPECT_EQ(user.hp, 20);

    m.attack_type = 6;  // natural cold: halved for the half-immune
    place(1, m, 6, 15);
    AddSkill(user, kHalfCold);
    dice({20, 4, 3});
    MonsterStrike(s, 1);
    EXPECT_EQ(user.hp, 20 - 3);

    m.attack_type = 5;
    place(1, m, 6, 15);
    AddSkill(user, kImmunePoison);
    dice({20, 4, 3});
    MonsterStrike(s, 1);
    EXPECT_EQ(user.hp, 17);
}

TEST_F(CombatTest, GasAndLargeWeaknessesAddToMonsterStrikes) {
    MonsterRecord m = Monster("Stinker");
    m.attack_type = 101;
    m.large_bonus = 3;
    m.attack_dice = 2;
    place(1, m, 6, 15);
    user.disadvantages = 0x0100 | 0x0200;
    dice({8, 1});  // 8 + 2 reaches armour 10; 2 dice of 1 + 3 each, + 2 gas
    MonsterStrike(s, 1);
    EXPECT_EQ(user.hp, 20 - 10);

    user.disadvantages = 0;
    user.hp = 20;
    dice({8});
    MonsterStrike(s, 1);
    EXPECT_EQ(user.hp, 20);
    EXPECT_NE(screen().find("Stinker missed!"), std::string::npos);
}

TEST_F(CombatTest, ReachDecidesWhoStrikesAndReachZeroStillFights) {
    MonsterRecord archer = Monster("Archer");
    archer.reach = 3;
    place(1, archer, 8, 12);
    MonsterRecord slug = Monster("Slug");
    slug.reach = 0;
    place(2, slug, 6, 16);
    MonsterRecord far = Monster("Far");
    place(3, far, 9, 15);
    dice({30, 1});
    MonsterStrike(s, 3);
    EXPECT_EQ(t.random.used(), 0u);
    MonsterStrike(s, 1);
    EXPECT_EQ(user.hp, 19);
    dice({30, 1});
    MonsterStrike(s, 2);
    EXPECT_EQ(user.hp, 18);
}

TEST_F(CombatTest, FirstAttackStrikesFirstAndTheSlainStrikeNoMore) {
    MonsterRecord m = Monster("Imp");
    place(1, m, 6, 15, 1);
    b.first_attack = true;
    dice({30, 5, 1});  // the imp's roll, then the player's roll and die
    MonsterStrike(s, 1);
    EXPECT_EQ(s.play.encounter[1], 0);
    EXPECT_EQ(user.hp, 20);
    EXPECT_FALSE(b.first_attack);
}

// A turn gives back a hit point only to a regenerating player, and never above the maximum.
TEST_F(CombatTest, OnlyRegenerationRestoresAHitPointEachTurn) {
    struct Case {
        bool regenerates;
        std::int32_t hp;
        std::int32_t expected;
    };
    for (const Case c : {Case{false, 12, 12}, Case{true, 12, 13}, Case{true, 20, 20}}) {
        SCOPED_TRACE(std::to_string(c.hp) + (c.regenerates ? " regenerating" : ""));
        std::fill(std::begin(user.racial_skills), std::end(user.racial_skills), 0);
        if (c.regenerates) AddSkill(user, kRegenerate);
        user.hp = c.hp;
        ResolveTurn(s);
        EXPECT_EQ(user.hp, c.expected);
    }
}

// The longest name a monster can have stays in the message rows, off the frame at column 80,
// and gives way to the words of the message.
TEST_F(CombatTest, LongNamesStayInTheMessageRows) {
    place(1, Monster(std::string(255, 'Z')), 6, 15, 1);
    dice({30, 1, 5, 5, 1});  // it hits, misses, and dies to the player's strike
    MonsterStrike(s, 1);
    EXPECT_NE(screen().find("ZZ hits you for 1 damage!"), std::string::npos);
    MonsterStrike(s, 1);
    EXPECT_NE(screen().find("ZZ missed!"), std::string::npos);
    PlayerStrike(s, 1);
    EXPECT_NE(screen().find("ZZ for 1 damage! Dead!"), std::string::npos);
    EXPECT_EQ(test::CellsOutside(s.writer, 'Z', 27, 79, 21, 23), "");
}

TEST_F(CombatTest, OpenDirectionsAtTheEdgesOfTheField) {
    b.player_column = 77;
    b.player_row = 15;
    OpenDirections(s);
    EXPECT_FALSE(b.open[0]);  // east
    EXPECT_FALSE(b.open[4]);  // north-east
    EXPECT_FALSE(b.open[7]);  // south-east
    EXPECT_TRUE(b.open[1] && b.open[2] && b.open[3] && b.open[5] && b.open[6]);

    b.player_column = 4;
    b.player_row = 11;
    OpenDirections(s);
    EXPECT_FALSE(b.open[1] || b.open[2] || b.open[4] || b.open[5] || b.open[6]);
    EXPECT_TRUE(b.open[0] && b.open[3] && b.open[7]);

    b.player_row = 19;
    OpenDirections(s);
    EXPECT_FALSE(b.open[3] || b.open[6] || b.open[7]);
}

TEST_F(CombatTest, ChooseDirectionTakesOnlyOpenDirections) {
    b.player_column = 77;
    b.player_row = 15;
    OpenDirections(s);
    t.terminal.type("E6N");
    EXPECT_TRUE(ChooseDirection(s));
    EXPECT_EQ(b.player_step_column, 0);
    EXPECT_EQ(b.player_step_row, -1);
    EXPECT_NE(screen().find("Choose a Direction..."), std::string::npos);
}

TEST_F(CombatTest, MonstersApproachAndStopDiagonallyAdjacent) {
    MonsterRecord runner = Monster("Runner");
    runner.moves = 3;
    place(1, runner, 65, 15);
    MonsterRecord lurker = Monster("Lurker");
    lurker.moves = 10;
    place(2, lurker, 9, 18);
    MonsterRecord stone = Monster("Stone");
    stone.moves = 0;
    place(3, stone, 40, 12);
    b.player_column = 5;
    b.player_row = 15;
    b.player_step_column = 1;
    MoveAll(s);
    EXPECT_EQ(b.player_column, 6);
    EXPECT_EQ(b.column[1], 62);
    EXPECT_EQ(b.row[1], 15);
    EXPECT_EQ(b.column[2], 7);  // two columns left, one row up, then diagonal
    EXPECT_EQ(b.row[2], 16);
    EXPECT_EQ(b.column[3], 40);
    s.writer.flush();
    EXPECT_EQ(test::RowText(s.writer, 15).substr(5, 1), "Y");
    EXPECT_EQ(test::RowText(s.writer, 15).substr(61, 1), "R");
    EXPECT_EQ(test::CellAttribute(s.writer, 65, 15), 0x22);  // the old cell is field again
}

TEST_F(CombatTest, MonstersStayOnTheField) {
    for (int slot = 1; slot <= kEncounterSlots; ++slot) {
        MonsterRecord m = Monster("M" + std::to_string(slot), slot);
        m.moves = 255;
        place(slot, m, 1 + (slot * 7) % 79, 10 + slot % 10);
    }
    b.player_column = 4;
    b.player_row = 11;
    for (int turn = 0; turn < 3; ++turn) {
        MoveAll(s);
        for (int slot = 1; slot <= kEncounterSlots; ++slot) {
            EXPECT_GE(b.column[slot], 1);
            EXPECT_LE(b.column[slot], 79);
            EXPECT_GE(b.row[slot], 10);
            EXPECT_LE(b.row[slot], 19);
        }
    }
}

TEST_F(CombatTest, TargetByLineRefusesWhatCannotBeStruck) {
    place(1, Monster("Near"), 6, 15);
    place(3, Monster("Far", 3), 40, 15);
    b.player_column = 5;
    b.player_row = 15;
    t.terminal.type("25\r");
    EXPECT_EQ(ChooseTarget(s, false), 0);
    EXPECT_NE(screen().find("Invalid Target"), std::string::npos);

    t.terminal.type("3\r1\r");
    EXPECT_EQ(ChooseTarget(s, false), 1);
    t.terminal.type("3\r");
    EXPECT_EQ(ChooseTarget(s, true), 3);  // a spell reaches any monster
    t.terminal.type("\r");
    EXPECT_EQ(ChooseTarget(s, true), 0);
    t.terminal.type("2\r0\r");
    EXPECT_EQ(ChooseTarget(s, true), 0);
}

TEST_F(CombatTest, TargetByHighlightMovesBetweenTargets) {
    user.battle_option = true;
    place(2, Monster("A", 2), 30, 12);
    place(5, Monster("B", 5), 40, 12);
    place(9, Monster("C", 9), 50, 12);
    t.terminal.type("66X84\r");
    EXPECT_EQ(ChooseTarget(s, true), 5);
    t.terminal.type("4444\r");
    EXPECT_EQ(ChooseTarget(s, true), 2);
    s.play.clear_encounters();
    t.terminal.type("6\r");
    EXPECT_EQ(ChooseTarget(s, true), 0);
}

TEST_F(CombatTest, OpponentPanelScrollsAndShowsUnavailable) {
    place(1, Monster("A"), 30, 12, 12);
    ShowOpponents(s);
    EXPECT_EQ(test::RowText(s.writer, 21).substr(26), "1th   opponent hit points:12");
    EXPECT_EQ(test::RowText(s.writer, 22).substr(26), "2th   opponent hit points:Unavailable");
    b.panel_start = 19;
    ShowOpponents(s);
    EXPECT_EQ(test::RowText(s.writer, 21).substr(26), "19th  opponent hit points:Unavailable");
    EXPECT_EQ(test::RowText(s.writer, 22), "");
}

// A whole fight: the rat runs up to the player, misses, and dies to his strike.
TEST_F(CombatTest, BattleWonPaysAndCleansUp) {
    MonsterRecord rat = Monster("Rat");
    rat.moves = 80;
    rat.reward = 7;
    WriteMonsters({rat});
    s.play.encounter[1] = 1;
    s.play.status[kStatusSurprise + 1] = "left over";
    dice({1});  // every roll 1: the rat misses armour 10, the player hits armour 0
    t.terminal.type("6A1\rI0\r");  // the last turn looks at the items and uses none
    EXPECT_EQ(StartBattle(s, false, true), BattleResult::kWon);
    EXPECT_EQ(user.kills, 1);
    EXPECT_EQ(user.gold, 7);
    EXPECT_FALSE(s.play.in_battle);
    EXPECT_TRUE(s.play.exploring);
    EXPECT_TRUE(s.play.status[kStatusSurprise + 1].empty());
    s.writer.flush();
    EXPECT_NE(t.terminal.output.find("Rat missed!"), std::string::npos);
    EXPECT_NE(t.terminal.output.find("Use which item? "), std::string::npos);
}

TEST_F(CombatTest, StartingHitPointsStayBetweenMinimumAndMaximum) {
    MonsterRecord narrow = Monster("Narrow", 1);
    narrow.hp_min = 3;
    narrow.hp_max = 4;
    MonsterRecord stuck = Monster("Stuck", 2);
    stuck.hp_min = 9;
    stuck.hp_max = 9;
    MonsterRecord upside = Monster("Upside", 3);
    upside.hp_min = 12;
    upside.hp_max = 2;
    WriteMonsters({narrow, stuck, upside});
    for (int i = 1; i <= 3; ++i) s.play.encounter[i] = i;
    user.hp = 0;  // no turn is played
    dice({0, 1, 2, 3});
    EXPECT_EQ(StartBattle(s, false, true), BattleResult::kLost);
    EXPECT_EQ(b.hp[1], 3);
    EXPECT_EQ(b.hp[2], 9);
    EXPECT_EQ(b.hp[3], 12);
}

TEST_F(CombatTest, OpeningMessagesGoToTheStatusSlots) {
    MonsterRecord sneak = Monster("Sneak");
    sneak.strike_flags = 2;
    sneak.strike_flags2 = 2;
    WriteMonsters({sneak});
    s.play.encounter[4] = 1;
    AddSkill(user, kFirstAttack);
    user.hp = 0;
    dice({1});
    StartBattle(s, false, true);
    // The end of the battle empties them again.
    EXPECT_TRUE(s.play.status[kStatusFirstAttack + 4].empty());

    // While the battle waits for a command they are there.
    user.hp = 20;
    t.terminal.hang_up();
    EXPECT_THROW(StartBattle(s, false, true), test::ExitCalled);
    EXPECT_EQ(s.play.status[kStatusFirstAttack], "You get first strike!");
    EXPECT_EQ(s.play.status[kStatusSurprise + 4], "Sneak surprised you!");
    EXPECT_EQ(s.play.status[kStatusFirstAttack + 4], "Sneak got a first attack!");
    EXPECT_TRUE(s.play.status[kStatusSurprise].empty());  // no surprise skill
}

TEST_F(CombatTest, DeathEndsTheBattleWithTheKillerNamed) {
    Meet("Ogre", 80);  // reaches the player at once
    user.hp = 1;
    user.max_hp = 1;
    user.armor_class = 0;
    dice({1});
    t.terminal.type("6");  // no further key is asked for
    EXPECT_EQ(StartBattle(s, false, true), BattleResult::kLost);
    EXPECT_EQ(user.hp, 0);
    EXPECT_EQ(s.play.cause_of_death, "Ogre");
    EXPECT_FALSE(s.play.in_battle);
}

// A caller who hangs up in a fight frees his node at once, however long his combat delay.
TEST_F(CombatTest, HangUpInAFightSkipsTheRemainingDelays) {
    Meet("Ogre", 80);  // reaches the player at once
    user.battle_delay = 65'000;
    user.hp = user.max_hp = 30'000;
    dice({1});
    t.terminal.type("6");  // one turn, then the line is gone
    t.terminal.hang_up();
    const std::int64_t start = t.clock.monotonic_ms();
    EXPECT_THROW(StartBattle(s, false, true), test::ExitCalled);
    EXPECT_LT(t.clock.monotonic_ms() - start, 1000);
}

TEST_F(CombatTest, RunningAwayWhenAllowedAndRefusedWithoutATurn) {
    Meet("Wolf", 2);
    dice({7});
    t.terminal.type("R");
    EXPECT_EQ(StartBattle(s, false, true), BattleResult::kFled);
    EXPECT_EQ(s.play.encounter[1], 1);
    EXPECT_EQ(b.column[1], 63);  // the run still took its turn

    dice({2, 7});  // blocked first, away the second time
    t.terminal.type("RR");
    EXPECT_EQ(StartBattle(s, false, true), BattleResult::kFled);
    EXPECT_EQ(b.column[1], 61);
    EXPECT_NE(t.terminal.output.find("Monsters are blocking your path"), std::string::npos);

    t.terminal.type("R");
    t.terminal.hang_up();
    EXPECT_THROW(StartBattle(s, false, false), test::ExitCalled);
    EXPECT_EQ(b.column[1], 65);
    EXPECT_NE(t.terminal.output.find("You can't run away from this!"), std::string::npos);
}

// The bolt reaches a monster across the field; with the mana spent, C is refused at the key.
TEST_F(CombatTest, CastingSpendsManaAndIsRefusedWithoutIt) {
    MonsterRecord wisp = Monster("Wisp");
    wisp.moves = 0;
    wisp.armor_class = 200;
    WriteMonsters({wisp});
    s.play.encounter[1] = 1;
    user.mana = 1;
    dice({1});
    t.terminal.type("C1\rCD");
    EXPECT_EQ(StartBattle(s, false, true), BattleResult::kWon);
    s.writer.flush();
    EXPECT_EQ(user.mana, 0);
    EXPECT_EQ(user.kills, 1);
    EXPECT_NE(t.terminal.output.find("Not enough mana to cast!"), std::string::npos);

    user.mana = -3;  // the bolt itself refuses too, and mends the count
    EXPECT_EQ(CastBolt(s, 10, 12, 5, 15), 0);
    EXPECT_EQ(user.mana, 0);
}

}  // namespace
}  // namespace vorn
