// Levelling up at the trainer: the search for the master of the next level, the fight, the build
// points, the Dragon's last level and its sleep.
#include "play/level_up.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/player_file_names.hpp"
#include "common/world_records.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

constexpr int kDragon = 7;

template <class Record>
void WriteRecords(const std::string& file, const std::vector<Record>& records) {
    std::string bytes;
    for (const Record& r : records) bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    test::WriteFile(file, bytes);
}

MonsterRecord Master(std::int32_t number, std::uint16_t level, std::int32_t hp) {
    MonsterRecord m{};
    m.number = number;
    m.name = "Master " + std::to_string(level);
    m.level = level;
    m.hp_min = hp;
    m.hp_max = hp;
    m.moves = 80;
    m.reach = 1;
    m.attack_dice = 1;
    m.attack_sides = 2;
    return m;
}

class LevelUpTest : public ::testing::Test {
  protected:
    LevelUpTest() {
        s.node.pause_delay_ms = 1;
        user.name = "Ember Wing";
        user.level = 1;
        user.hp = 20;
        user.max_hp = 20;
        user.armor_class = 10;
        user.build_points = 3;
        s.settings.build_points_formula = "10l:2";
        s.world.weapon.dice = 1;
        s.world.weapon.sides = 2;
        LevelRecord one{};
        one.number = 1;
        LevelRecord two{};
        two.number = 2;
        WriteRecords("levels.dat", std::vector{one, two});
        // Every roll 1: the master misses armour 10, the player hits armour 0 for 1.
        t.random = ScriptedRandom({1});
    }

    bool shown(const std::string& text) const {
        return t.terminal.output.find(text) != std::string::npos;
    }

    test::TestSession t;
    Session& s = t.session;
    UserRecord& user = s.users.current;
};

TEST_F(LevelUpTest, WithoutAMasterNothingChanges) {
    WriteRecords("monsters.dat", std::vector{Master(1, 1, 5), Master(2, 3, 5)});
    s.play.encounter[7] = 4;
    TryLevelUp(s);
    s.writer.flush();
    EXPECT_TRUE(shown("No Monster to fight, yet, come back later!"));
    EXPECT_EQ(user.level, 1);
    EXPECT_EQ(user.build_points, 3);
    EXPECT_EQ(s.play.encounter[7], 0);
    EXPECT_FALSE(s.play.in_battle);
}

TEST_F(LevelUpTest, BeatingTheMasterGivesTheLevelAndBuildPoints) {
    WriteRecords("monsters.dat", std::vector{Master(1, 1, 5), Master(2, 2, 1)});
    // Step toward the master (it runs up and misses), strike it: the fight ends on its death.
    t.terminal.type("6A1\r");
    TryLevelUp(s);
    s.writer.flush();
    EXPECT_TRUE(shown("You are now at level 2!"));
    EXPECT_TRUE(shown("You gained 5 build points."));  // 10 x level 1 / 2
    EXPECT_EQ(user.level, 2);
    EXPECT_EQ(user.build_points, 8);
    EXPECT_EQ(user.kills, 1);
    EXPECT_EQ(s.settings.build_points_formula.str(), "10L:2");
    EXPECT_FALSE(s.play.in_battle);
}

TEST_F(LevelUpTest, LosingOrRunningLeavesTheLevel) {
    WriteRecords("monsters.dat", std::vector{Master(1, 2, 40)});
    t.random = ScriptedRandom({7});  // the run succeeds
    t.terminal.type("R");
    TryLevelUp(s);
    s.writer.flush();
    EXPECT_TRUE(shown("Ha! Ha!"));
    EXPECT_EQ(user.level, 1);
    EXPECT_EQ(user.build_points, 3);
}

TEST_F(LevelUpTest, DragonStopsAtLevelTwenty) {
    WriteRecords("monsters.dat", std::vector{Master(1, 21, 1)});
    user.race = kDragon;
    user.level = 20;
    TryLevelUp(s);
    s.writer.flush();
    EXPECT_TRUE(shown("You cannot level up anymore"));
    EXPECT_EQ(user.disadvantages & 0x0400, 0x0400);
    EXPECT_EQ(user.level, 20);

    // The mark alone keeps any race from levelling.
    t.terminal.output.clear();
    user.race = 1;
    user.level = 3;
    TryLevelUp(s);
    s.writer.flush();
    EXPECT_TRUE(shown("You cannot level up anymore"));
}

TEST_F(LevelUpTest, DragonSleepsAfterItsLevelAndTheCallEnds) {
    WriteRecords("monsters.dat", std::vector{Master(1, 2, 1)});
    user.race = kDragon;
    t.terminal.type("6A1\r");
    try {
        TryLevelUp(s);
        FAIL() << "the call should have ended";
    } catch (const test::ExitCalled& e) {
        EXPECT_EQ(e.code, 0);
    }
    EXPECT_EQ(user.level, 2);
    EXPECT_TRUE(shown("You must sleep for "));
    EXPECT_EQ(test::ReadFile(SleepFileName(user.name.view())), "2\n");
}

}  // namespace
}  // namespace vorn
