// The exploration loop on a test session: wandering monsters, event chains with their checks,
// offers and losses, the timed effects under the manual clock, and the random move away from a
// room the player cannot stay in.
#include "play/explore.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"
#include "play/play_state.hpp"
#include "support/session_fixture.hpp"
#include "support/test_session.hpp"
#include "world/world_files.hpp"

namespace vorn {
namespace {

std::uint32_t Flags(std::string_view letters) {
    std::uint32_t flags = 0;
    for (char c : letters) flags |= 1u << (c - 64);
    return flags;
}

template <class Record>
void WriteRecords(const std::string& file, const std::vector<Record>& records) {
    std::string bytes;
    for (const Record& r : records) bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    test::WriteFile(file, bytes);
}

RoomRecord Room(std::int32_t number, const std::string& tag, std::string_view flags = "HQ") {
    RoomRecord r{};
    r.number = number;
    r.tag = tag;
    r.flags = Flags(flags);
    r.text[0] = "Room " + tag + " lies quiet.";
    return r;
}

MonsterRecord Monster(std::int32_t number, const std::string& name, int level = 1) {
    MonsterRecord m{};
    m.number = number;
    m.name = name;
    m.level = static_cast<std::uint16_t>(level);
    m.random_encounter = true;
    m.hp_min = 1;
    m.hp_max = 1;
    m.reach = 1;
    return m;
}

EventRecord Event(std::int32_t number, const std::string& text) {
    EventRecord e{};
    e.number = number;
    e.text[0] = text;
    e.keep_weapon = true;
    e.keep_armor = true;
    return e;
}

class ExploreTest : public ::testing::Test {
  protected:
    ExploreTest() {
        // The mail notice of every pass shows a prompt text.
        s.strings.open(
            "", [] {}, 1);
        s.node.pause_delay_ms = 1;
        user.msg_delay = 0;
        user.hp = 10;
        user.max_hp = 10;
        user.str = 5;
        user.refresh_seconds = 10;
    }

    void rooms(const std::vector<RoomRecord>& list) {
        WriteRecords("rooms.dat", list);
        ASSERT_TRUE(
            s.world.rooms.open("rooms.dat", sizeof(RoomRecord), RecordFile::Access::kReadWrite));
    }
    void dice(std::vector<std::uint32_t> draws) { t.random = ScriptedRandom(std::move(draws)); }
    // Runs the exploration loop until the typed keys are used up and the caller hangs up.
    void explore(const std::string& keys = "") {
        t.terminal.type(keys);
        t.terminal.hang_up();
        try {
            Explore(s, true);
        } catch (const test::ExitCalled&) {
        }
        s.time.ended = false;
    }
    bool sent(const std::string& text) {
        s.writer.flush();
        return t.terminal.output.find(text) != std::string::npos;
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
    PlayState& play = s.play;
};

// --- wandering monsters ---------------------------------------------------------------------

class RollEncounterTest : public ExploreTest {
  protected:
    RollEncounterTest() {
        s.world.room = Room(2, "Glade", "NQ");
        s.world.room.monster_chance = 100;
        s.world.room.monster_draw1 = 1;
        s.world.room.monster_draw2 = 1;
    }
    bool attack_open() const { return (s.world.room.flags & Flags("A")) != 0; }
};

TEST_F(RollEncounterTest, ChanceOfOneNeverAndHundredAlwaysBringMonsters) {
    WriteRecords("monsters.dat", std::vector<MonsterRecord>{Monster(1, "Beetle")});
    // Chance 100: even the highest roll brings one; A is added to the room's letters.
    dice({99, 1, 1, 0});
    RollEncounter(s);
    EXPECT_EQ(play.encounter[1], 1);
    EXPECT_EQ(play.encounter_total, 1);
    EXPECT_TRUE(attack_open());
    EXPECT_NE(screen().find("1 Beetle/"), std::string::npos);

    // Chance 1: even a roll of 0 brings nothing, and the A added before goes again.
    s.world.room.monster_chance = 1;
    dice({0, 1, 1, 0});
    RollEncounter(s);
    EXPECT_EQ(play.encounter[1], 0);
    EXPECT_EQ(play.encounter_total, 0);
    EXPECT_FALSE(attack_open());
    EXPECT_EQ(t.random.used(), 1u);
}

TEST_F(RollEncounterTest, WaterMonstersOnlyInWaterAndLandMonstersOnlyOnLand) {
    MonsterRecord eel = Monster(1, "Eel");
    eel.category = 150;
    MonsterRecord crab = Monster(2, "Crab");
    crab.abilities = 2048;
    WriteRecords("monsters.dat", std::vector<MonsterRecord>{eel, crab, Monster(3, "Wolf")});

    // On land the eel qualifies first, does not suit, and leaves the slot empty.
    dice({0, 1, 1, 0});
    RollEncounter(s);
    EXPECT_EQ(play.encounter_total, 0);
    EXPECT_FALSE(attack_open());

    for (const int terrain : {8, 18, 24, 25, 27, 28}) {
        SCOPED_TRACE(terrain);
        s.world.room.terrain = static_cast<std::uint8_t>(terrain);
        dice({0, 1, 1, 1, 0});  // the eel is skipped, the crab taken
        RollEncounter(s);
        EXPECT_EQ(play.encounter[1], 2);
        dice({0, 1, 1, 1, 1, 0});  // only the wolf is left: it does not suit water
        RollEncounter(s);
        EXPECT_EQ(play.encounter_total, 0);
    }
    s.world.room.terrain = 3;
    dice({0, 1, 1, 1, 1, 0});
    RollEncounter(s);
    EXPECT_EQ(play.encounter[1], 3);
}

TEST_F(RollEncounterTest, LevelMustMatchAndTheListCountsNamesOverNineteenSlots) {
    WriteRecords("monsters.dat",
                 std::vector<MonsterRecord>{Monster(1, "Rat", 2), Monster(2, "Bat", 1)});
    s.world.room.monster_draw1 = 30;
    // 25 monsters asked: a level-1 draw and a take for each slot; only 19 slots are filled.
    std::vector<std::uint32_t> draws = {0, 25};
    for (int i = 0; i < 25; ++i) {
        draws.push_back(1);  // level 1
        draws.push_back(0);  // the rat: wrong level
        draws.push_back(0);  // the bat
    }
    dice(draws);
    RollEncounter(s);
    for (int slot = 1; slot <= kEncounterSlots; ++slot) EXPECT_EQ(play.encounter[slot], 2);
    EXPECT_EQ(play.encounter_total, 19);
    EXPECT_EQ(t.random.used(), 2u + 19u * 3u);
    EXPECT_NE(screen().find("19 Bat/"), std::string::npos);
}

TEST_F(RollEncounterTest, NoSuitableMonsterEndsTheSearchAfterTheWraps) {
    WriteRecords("monsters.dat", std::vector<MonsterRecord>{Monster(1, "Rat", 3)});
    dice({0, 1, 1, 0});
    RollEncounter(s);
    EXPECT_EQ(play.encounter_total, 0);
    EXPECT_FALSE(attack_open());
}

// --- events ---------------------------------------------------------------------------------

class RunEventTest : public ExploreTest {
  protected:
    RunEventTest() {
        s.world.room = Room(2, "Shrine");
        s.world.room.event = 1;
        play.exploring = true;
    }
    void events(const std::vector<EventRecord>& list) { WriteRecords("events.dat", list); }
};

TEST_F(RunEventTest, ChainFollowsNextFailAndDoneEvents) {
    EventRecord first = Event(1, "A voice calls.");
    first.gold_change = 10;
    first.next_event = 2;
    EventRecord test = Event(2, "A boulder blocks the way.");
    test.check_die[0] = 20;  // strength
    test.gold_change = 1000;
    test.next_event = 4;
    test.fail_event = 3;
    EventRecord fail = Event(3, "You strain in vain.");
    fail.xp_change = 5;
    EventRecord after = Event(4, "Never reached.");
    after.gold_change = 7;
    events({first, test, fail, after});

    dice({19});  // 19 on a strength of 5
    RunEvent(s, 1);
    EXPECT_EQ(user.gold, 10);
    EXPECT_EQ(user.experience, 5);
    EXPECT_TRUE(sent("You strain in vain."));
    EXPECT_TRUE(sent("Failed with 19 on 5 !"));

    // Event 1 done: the room text shows and its done event follows.
    user.event_done[0] = true;
    EventRecord done = first;
    done.done_event = 4;
    events({done, test, fail, after});
    RunEvent(s, 1);
    EXPECT_EQ(user.gold, 17);
    EXPECT_TRUE(sent("Room Shrine lies quiet."));
}

TEST_F(RunEventTest, ChainThatComesBackOnItselfEnds) {
    EventRecord a = Event(1, "Round");
    a.gold_change = 1;
    a.next_event = 2;
    EventRecord b = Event(2, "and round");
    b.gold_change = 1;
    b.next_event = 1;
    events({a, b});
    RunEvent(s, 1);
    EXPECT_EQ(user.gold, 2);
}

TEST_F(RunEventTest, ChainToAMissingEventEndsThere) {
    EventRecord gift = Event(1, "A purse lies on the path.");
    gift.gold_change = 25;
    gift.next_event = 9;
    events({gift});
    RunEvent(s, 1);
    EXPECT_EQ(user.gold, 25);
}

TEST_F(RunEventTest, FailedChecksLeaveTheEventForTheNextEntryUnlessDoneAtStart) {
    EventRecord trial = Event(1, "Lift the stone.");
    trial.check_die[0] = 20;
    trial.gold_change = 3;
    events({trial});
    dice({19});
    RunEvent(s, 1);
    EXPECT_FALSE(user.event_done[0]);
    EXPECT_EQ(user.gold, 0);
    dice({2});
    RunEvent(s, 1);
    EXPECT_TRUE(user.event_done[0]);
    EXPECT_EQ(user.gold, 3);
    // Done now: the room's own text, no second reward.
    RunEvent(s, 1);
    EXPECT_EQ(user.gold, 3);

    user.event_done[0] = false;
    trial.done_at_start = 1;
    events({trial});
    dice({19});
    RunEvent(s, 1);
    EXPECT_TRUE(user.event_done[0]);
    EXPECT_EQ(user.gold, 3);
}

TEST_F(RunEventTest, DeadlyEventKillsBeforeAnyCheck) {
    EventRecord fall = Event(1, "The floor gives way.");
    fall.deadly = true;
    fall.killer = "a bottomless shaft";
    fall.check_die[0] = 20;
    fall.gold_change = 50;
    events({fall});
    RunEvent(s, 1);
    EXPECT_LT(user.hp, 1);
    EXPECT_EQ(play.cause_of_death, "a bottomless shaft");
    EXPECT_EQ(user.gold, 0);
    EXPECT_EQ(t.random.used(), 0u);
}

TEST_F(RunEventTest, OffersOfWeaponArmourAndItems) {
    WeaponRecord stick{};
    stick.name = "Stick";
    WeaponRecord blade{};
    blade.name = "Blade";
    WriteRecords("weapons.dat", std::vector<WeaponRecord>{stick, blade});
    ArmorRecord mail{};
    mail.name = "Mail";
    WriteRecords("armors.dat", std::vector<ArmorRecord>{mail});
    ItemRecord wand{};
    wand.name = "Wand of Sparks";
    wand.kind = 32 | 8;
    wand.charges = 6;
    WriteRecords("items.dat", std::vector<ItemRecord>{ItemRecord{}, wand});
    user.weapon = 1;
    LoadWeapon(s, 1);
    LoadArmor(s, 0);

    EventRecord cache = Event(1, "A cache of gear.");
    cache.weapon = 2;
    cache.armor = 1;
    cache.item = 2;
    cache.item_offer = true;
    cache.item_quantity = 3;
    events({cache});
    t.terminal.type("yny");
    RunEvent(s, 1);
    EXPECT_TRUE(sent("Do you take the Blade instead of Stick"));
    EXPECT_TRUE(sent("Do you take the Mail instead of No Armor"));
    EXPECT_TRUE(sent("Do you take the 3 wand ?"));
    EXPECT_EQ(user.weapon, 2);
    EXPECT_EQ(user.armor, 0);
    EXPECT_EQ(user.item_count[1], 3);
    EXPECT_EQ(user.item_charges[1], 6);
    EXPECT_EQ(s.world.weapon.name.view(), "Blade");
    EXPECT_TRUE(play.exploring);
}

TEST_F(RunEventTest, LossesOfWeaponArmourAndItems) {
    ItemRecord herb{};
    herb.name = "Herb";
    WriteRecords("items.dat", std::vector<ItemRecord>{herb});
    user.weapon = 3;
    user.armor = 2;
    user.item_count[0] = 9;
    EventRecord thief = Event(1, "A thief!");
    thief.keep_weapon = false;
    thief.keep_armor = false;
    thief.item = 1;
    events({thief});
    t.terminal.type("\r\r\r");
    RunEvent(s, 1);
    EXPECT_EQ(user.weapon, 0);
    EXPECT_EQ(user.armor, 0);
    EXPECT_EQ(user.item_count[0], 0);
    EXPECT_TRUE(sent("You have lost your weapon!"));
    EXPECT_TRUE(sent("You have lost your armor!"));
    EXPECT_TRUE(sent("You have lost all your Herb !"));
}

TEST_F(RunEventTest, BlessingRaisesReligionRankUpToTen) {
    EventRecord altar = Event(1, "Light falls on you.");
    altar.blessing = true;
    events({altar});
    user.religion_rank = 9;
    RunEvent(s, 1);
    EXPECT_EQ(user.religion_rank, 10);
    user.event_done[0] = false;
    RunEvent(s, 1);
    EXPECT_EQ(user.religion_rank, 10);
}

TEST_F(RunEventTest, EventAskingForMoreThanNineteenMonstersFillsNineteen) {
    MonsterRecord shade = Monster(1, "Shade");
    shade.hp_min = 0;
    shade.hp_max = 0;
    WriteRecords("monsters.dat", std::vector<MonsterRecord>{shade});
    EventRecord swarm = Event(1, "Shades pour out.");
    swarm.monster = 1;
    swarm.monster_number = 40;
    events({swarm});
    t.terminal.hang_up();
    try {
        RunEvent(s, 1);
    } catch (const test::ExitCalled&) {
    }
    for (int slot = 1; slot <= kEncounterSlots; ++slot) {
        EXPECT_EQ(play.battle.monster[slot].name.view(), "Shade") << slot;
    }
}

// --- timed effects --------------------------------------------------------------------------

class TimedEffectsTest : public ExploreTest {
  protected:
    TimedEffectsTest() { play.exploring = true; }
    void at_second(int second) {
        t.clock.advance_ms(second * 1000LL - t.clock.monotonic_ms());
        TimedEffects(s);
    }
};

TEST_F(TimedEffectsTest, ManaFirstThenHitPointsEachInterval) {
    user.mana = 5;
    user.max_mana = 6;
    user.hp = 7;
    play.mana_interval = 10;
    play.hp_interval = 4;
    play.hp_tick = 2;
    // The warnings of the bars as they stood before: each redrawn bar takes its own back.
    play.status[kStatusHp] = "|12Very |04Low |12HP";
    play.status[kStatusMana] = "|04Low |01Mana";
    at_second(3);
    EXPECT_EQ(user.hp, 7);
    at_second(10);  // both due: mana only on this poll
    EXPECT_EQ(user.mana, 6);
    EXPECT_EQ(user.hp, 7);
    EXPECT_EQ(play.status[kStatusMana], "");
    TimedEffects(s);
    EXPECT_EQ(user.hp, 9);
    EXPECT_EQ(play.status[kStatusHp], "");
    at_second(20);  // mana full: no more
    EXPECT_EQ(user.mana, 6);
    EXPECT_EQ(user.hp, 11);  // no upper clamp on the tick
    at_second(30);
    EXPECT_EQ(user.hp, 11);
}

TEST_F(TimedEffectsTest, RecoveryWaitsWhileABattleRuns) {
    user.mana = 0;
    user.max_mana = 5;
    user.hp = 1;
    play.mana_interval = 5;
    play.hp_interval = 5;
    play.in_battle = true;
    play.exploring = false;
    at_second(30);
    EXPECT_EQ(user.mana, 0);
    EXPECT_EQ(user.hp, 1);
    play.in_battle = false;
    TimedEffects(s);
    EXPECT_EQ(user.mana, 1);
}

TEST_F(TimedEffectsTest, StatusTickerTurnsEveryRefreshPeriod) {
    play.status[kStatusHp] = "First line";
    play.status[kStatusGas] = "Second line";
    play.status_index = 0;
    at_second(9);
    EXPECT_EQ(play.status_index, 0);
    at_second(10);
    EXPECT_EQ(play.status_index, kStatusHp);
    EXPECT_NE(screen().find("First line"), std::string::npos);
    at_second(20);
    EXPECT_EQ(play.status_index, kStatusGas);
    at_second(30);
    EXPECT_EQ(play.status_index, kStatusHp);
    // Nobody watching the exploration screen or a battle: the line stands still.
    play.exploring = false;
    at_second(40);
    EXPECT_EQ(play.status_index, kStatusHp);
}

TEST_F(TimedEffectsTest, SylvanEffectCountsDownEachMinute) {
    user.sylvan_minutes = 2;
    at_second(59);
    EXPECT_EQ(user.sylvan_minutes, 2);
    at_second(60);
    EXPECT_EQ(user.sylvan_minutes, 1);
    EXPECT_EQ(play.status[kStatusSylvan], "|04Sylvan Effect for |121 |04mins");
    at_second(119);
    EXPECT_EQ(user.sylvan_minutes, 1);
    at_second(120);
    EXPECT_EQ(user.sylvan_minutes, 0);
    EXPECT_EQ(play.status[kStatusSylvan], "");
    at_second(180);
    EXPECT_EQ(user.sylvan_minutes, 0);
}

TEST_F(ExploreTest, GasRoomKillsAtTheExpectedTick) {
    RoomRecord city = Room(1, "Town");
    city.terrain = 255;
    RoomRecord bog = Room(2, "Gas Bog", "EHQ");
    bog.terrain = 26;
    bog.east = 3;
    rooms({city, bog, Room(3, "Firm Ground")});
    s.settings.hp_recovery_secs = 5;
    s.settings.mana_recovery_secs = 0;
    user.room = 2;
    // Full health does not stop the gas: 10, 6, 2, -2 at 5 s intervals.
    std::int64_t death_ms = -1;
    t.terminal.on_write = [&](std::string_view) {
        if (user.hp < 1 && death_ms < 0) {
            death_ms = t.clock.monotonic_ms();
            t.terminal.type("6\r");
            t.terminal.hang_up();
        }
    };
    try {
        Explore(s, true);
    } catch (const test::ExitCalled&) {
    }
    EXPECT_GE(death_ms, 15000);
    EXPECT_LT(death_ms, 15500);
    EXPECT_NE(test::ReadFile("global.nws").find("has been killed by gas"), std::string::npos);
    EXPECT_EQ(user.hp, 1);
}

// The room's event starts a fight, which takes the whole screen: the exploration screen comes
// back with all of its top row, the minutes left too.
TEST_F(ExploreTest, TheScreenAfterAnEventsFightShowsTheTimeLeft) {
    RoomRecord cave = Room(2, "Cave");
    cave.event = 1;
    rooms({Room(1, "Town"), cave});
    EventRecord ambush = Event(1, "Wings beat in the dark.");
    ambush.monster = 1;
    ambush.monster_number = 1;
    WriteRecords("events.dat", std::vector<EventRecord>{ambush});
    WriteRecords("monsters.dat", std::vector<MonsterRecord>{Monster(1, "Bat")});
    user.room = 2;
    user.mana = user.max_mana = 5;
    dice({1});
    explore("C1\rD");  // a bolt fells the bat; one more order ends the fight
    const std::string minutes = std::to_string(s.keys.time_left("M"));
    const std::string top_row = test::RowText(s.writer, 2) + std::string(80, ' ');
    EXPECT_EQ(top_row.substr(39, minutes.size()), minutes) << screen();
}

// A smaller map compiled over a game in play leaves players in rooms it no longer holds: those
// count as the city, which puts them back on the map (or, under the Sylvan effect, the forest).
TEST_F(ExploreTest, RoomsBeyondTheMapCountAsTheCity) {
    struct Case {
        std::int32_t room;
        int sylvan_minutes;
        const char* keys;
        std::int32_t expected;
    };
    for (const Case c : {Case{9, 0, "q", 1}, Case{-5, 0, "q", 1}, Case{9, 5, "", 2}}) {
        SCOPED_TRACE(c.room);
        RoomRecord city = Room(1, "Town");
        city.terrain = 255;
        rooms({city});
        user.room = c.room;
        user.sylvan_minutes = static_cast<std::uint8_t>(c.sylvan_minutes);
        explore(c.keys);
        EXPECT_EQ(user.room, c.expected);
    }
}

// The labels of the first menu page are bright only for the letters the room offers.
TEST_F(ExploreTest, MenuLabelsFollowTheRoomsLetters) {
    for (const char* letters : {"HQ", "HQY"}) {
        SCOPED_TRACE(letters);
        const bool city = letters == std::string_view("HQY");
        rooms({Room(1, "Town"), Room(2, "Glade", letters)});
        user.room = 2;
        explore();
        s.writer.flush();
        EXPECT_EQ(test::CellAttribute(s.writer, 21, 18), city ? 0x0F : 0x08);  // "citY"
        EXPECT_EQ(test::CellAttribute(s.writer, 24, 18), city ? 0x0E : 0x08);  // its hot letter
        EXPECT_EQ(test::CellAttribute(s.writer, 21, 21), 0x0E);                // "Quit"
        EXPECT_EQ(test::CellAttribute(s.writer, 3, 16), 0x08);                 // "North"
    }
}

// The longest names the world files hold stay in the places the exploration screen has for
// them: the monster list on row 14, the status line and the offers and losses of row 12.
TEST_F(ExploreTest, LongNamesStayInTheirPlaces) {
    const std::string longest(255, 'Z');
    s.world.room = Room(2, "Glade");
    s.world.room.monster_chance = 100;
    s.world.room.monster_draw1 = 1;
    s.world.room.monster_draw2 = 1;
    WriteRecords("monsters.dat", std::vector<MonsterRecord>{Monster(1, longest)});
    dice({0, 1, 1, 0});
    RollEncounter(s);
    s.writer.flush();
    EXPECT_EQ(test::CellsOutside(s.writer, 'Z', 2, 79, 14, 14), "");

    s.writer.clear_screen();
    play.exploring = true;
    play.status[kStatusSurprise + 1] = std::string(100, 'Z');
    play.status_index = kStatusSurprise + 1;
    StatusTickerShow(s);
    s.writer.flush();
    EXPECT_EQ(test::CellsOutside(s.writer, 'Z', 53, 78, 2, 2), "");

    s.writer.clear_screen();
    WeaponRecord fist{};
    fist.name = std::string(80, 'Z');
    WriteRecords("weapons.dat", std::vector<WeaponRecord>{fist, fist});
    ItemRecord gem{};
    gem.name = longest;
    WriteRecords("items.dat", std::vector<ItemRecord>{gem});
    user.weapon = 1;
    LoadWeapon(s, 1);
    user.item_count[0] = 1;
    EventRecord trade = Event(1, "A trader.");
    trade.weapon = 2;
    trade.item = 1;  // not offered: lost
    WriteRecords("events.dat", std::vector<EventRecord>{trade});
    t.terminal.type("y\r");
    RunEvent(s, 1);
    s.writer.flush();
    EXPECT_EQ(test::CellsOutside(s.writer, 'Z', 2, 78, 12, 12), "");
    EXPECT_TRUE(sent("You have lost all your ZZ"));
}

// --- the random move ------------------------------------------------------------------------

TEST_F(ExploreTest, RandomRoomDrawsFromTheRoomsThatExist) {
    EXPECT_EQ(RandomRoom(s), 0);  // no map at all
    rooms({Room(1, "Town"), Room(2, "Two"), Room(3, "Three")});
    dice({0, 1, 2, 3});
    EXPECT_EQ(RandomRoom(s), 1);
    EXPECT_EQ(RandomRoom(s), 2);
    EXPECT_EQ(RandomRoom(s), 3);
    EXPECT_EQ(RandomRoom(s), 1);
}

TEST_F(ExploreTest, FlightTerrainCarriesTheWalkerToAnotherRoom) {
    RoomRecord cliff = Room(2, "Cliff Edge");
    cliff.terrain = 12;
    rooms({Room(1, "Town"), cliff, Room(3, "Meadow")});
    user.room = 2;
    dice({2});
    explore();
    EXPECT_EQ(user.room, 3);
    EXPECT_TRUE(sent("Meadow"));
}

}  // namespace
}  // namespace vorn
