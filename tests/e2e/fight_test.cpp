// A newcomer's first fights through the real game, in a small world made for the test: a glade
// where a harmless beetle always waits, and a pit where something kills whoever enters. The
// player wins the first fight with a spell, dies in the second and wakes in Vornville.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/config_files.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"
#include "support/caller_scripts.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace vorn::test {
namespace {

std::uint32_t Flags(std::string_view letters) {
    std::uint32_t flags = 0;
    for (char c : letters) flags |= 1u << (c - 64);
    return flags;
}

template <class Record>
Record Zeroed() {
    Record r;
    std::memset(&r, 0, sizeof r);
    return r;
}

template <class Record>
void WriteRecords(const GameDirectory& dir, const char* name, const std::vector<Record>& records) {
    std::string bytes;
    for (const Record& r : records) bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    dir.write_file(name, bytes);
}

void WriteTestWorld(const GameDirectory& dir) {
    RoomRecord city = Zeroed<RoomRecord>();
    city.number = 1;
    city.tag = "Vornville";
    city.terrain = 255;
    RoomRecord glade = Zeroed<RoomRecord>();
    glade.number = 2;
    glade.tag = "Test Glade";
    glade.flags = Flags("NEIHQ");
    glade.north = 1;
    glade.east = 3;
    glade.monster_chance = 100;
    glade.monster_draw1 = 1;
    glade.monster_draw2 = 1;
    glade.text[0] = "A quiet glade. A beetle clicks in the grass.";
    RoomRecord pit = Zeroed<RoomRecord>();
    pit.number = 3;
    pit.tag = "Death Pit";
    pit.flags = Flags("WIHQ");
    pit.west = 2;
    pit.event = 1;
    WriteRecords(dir, "rooms.dat", std::vector<RoomRecord>{city, glade, pit});

    EventRecord fall = Zeroed<EventRecord>();
    fall.number = 1;
    fall.text[0] = "Something vast stirs at the bottom of the pit.";
    fall.keep_weapon = true;
    fall.keep_armor = true;
    fall.monster = 2;
    fall.monster_number = 1;
    WriteRecords(dir, "events.dat", std::vector<EventRecord>{fall});

    MonsterRecord beetle = Zeroed<MonsterRecord>();
    beetle.number = 1;
    beetle.name = "Grass Beetle";
    beetle.hp_min = 1;
    beetle.hp_max = 2;
    beetle.reward = 7;
    beetle.level = 1;
    beetle.random_encounter = true;
    beetle.reach = 1;
    MonsterRecord horror = Zeroed<MonsterRecord>();
    horror.number = 2;
    horror.name = "Pit Horror";
    horror.hp_min = 900;
    horror.hp_max = 1000;
    horror.attack_bonus = 200;
    horror.attack_dice = 40;
    horror.attack_sides = 50;
    horror.level = 9;
    horror.reach = 80;
    WriteRecords(dir, "monsters.dat", std::vector<MonsterRecord>{beetle, horror});
}

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
    // One more command ends the fight; the rewards are saved with it.
    ASSERT_TRUE(Answer(game, "Enter your command", "d"));
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
