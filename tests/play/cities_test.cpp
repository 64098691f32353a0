// A player's own cities on a test session: the founding's gold thresholds and limits, who may
// enter a city, and the rules that spend its stocks: who pays for units and buildings, the
// building limit, the research shares and the gauges.
#include <gtest/gtest.h>

#include <cstring>

#include "common/city_files.hpp"
#include "common/news_files.hpp"
#include "common/record_file.hpp"
#include "play/city_army.hpp"
#include "play/city_buildings.hpp"
#include "play/city_founding.hpp"
#include "play/city_management.hpp"
#include "play/city_research.hpp"
#include "play/town_fixture.hpp"
#include "world/world_files.hpp"

namespace vorn {
namespace {

// A player standing in room 2, a clearing where no city stands yet.
struct Clearing : test::Town {
    Clearing() {
        RoomRecord city{}, clearing{};
        city.number = 1;
        clearing.number = 2;
        clearing.tag = "Clearing";
        test::WriteRecords("rooms.dat", std::vector<RoomRecord>{city, clearing});
        session.world.rooms.open("rooms.dat", sizeof(RoomRecord), RecordFile::Access::kReadWrite);
        user().room = 2;
        user().name = "Cora";
        LoadRoom(session, 2);
    }
    std::int32_t room_city() {
        LoadRoom(session, 2);
        return session.world.room.city;
    }
};

TEST(FoundCity, GoldThresholdsAndAnswers) {
    struct Case {
        std::int32_t gold;
        const char* typed;
        const char* offer;  // the default the question shows
        bool founded;
        const char* told;
    } cases[] = {
        {9'999, "y", "[y/N]", false, "Not enough money"},
        {10'000, "yAshford\r", "[y/N]", true, "Good Choice"},
        {14'999, "\r", "[y/N]", false, "No"},
        {15'000, "\rAshford\r", "[Y/n]", true, "Good Choice"},
        {20'000, "n", "[Y/n]", false, "No"},
        {20'000, "y\r", "[Y/n]", false, "Enter city name"},  // no name, no city
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Clearing t;
        t.user().gold = c.gold;
        t.terminal.type(c.typed);
        FoundCity(t.session);
        EXPECT_NE(t.screen().find(c.offer), std::string::npos);
        EXPECT_TRUE(t.sent(c.told));
        EXPECT_EQ(CountCities(), c.founded ? 1 : 0);
        EXPECT_EQ(t.user().gold, c.founded ? c.gold - 10'000 : c.gold);
        EXPECT_EQ(t.session.users.extra.cities[0], c.founded ? 1 : 0);
        EXPECT_EQ(t.room_city(), c.founded ? 1 : 0);
        if (!c.founded) continue;
        const CityRecord& city = t.session.city->city;
        EXPECT_EQ(city.name.view(), "Ashford");
        EXPECT_EQ(city.founder.view(), "Cora");
        EXPECT_NE(test::ReadFile(NewsFileName("global")).find("City of Ashford founded by Cora"),
                  std::string::npos);
    }
}

TEST(FoundCity, RefusalsBeforeAnythingIsPaid) {
    // All hundred entries in use: told so before any price is shown.
    Clearing full;
    full.user().gold = 50'000;
    for (I32& c : full.session.users.extra.cities) c = 9;
    FoundCity(full.session);
    EXPECT_TRUE(full.sent("You already got too much cities"));
    EXPECT_FALSE(full.sent("Building the city will cost"));

    // Another player founded a city in this room while the question was on screen.
    Clearing late;
    late.user().gold = 50'000;
    RoomRecord room = late.session.world.room;
    room.city = 7;
    ASSERT_TRUE(SaveRoom(late.session.world.rooms, 2, room));
    late.terminal.type("yLate\r");
    FoundCity(late.session);
    EXPECT_TRUE(late.sent("Another city was founded here"));
    EXPECT_EQ(late.user().gold, 50'000);
    EXPECT_EQ(late.session.users.extra.cities[0], 0);
    EXPECT_EQ(late.room_city(), 7);
}

TEST(EnterCity, OnlyTheFounderEntersOthersAreTurnedAway) {
    Clearing t;
    t.user().gold = 20'000;
    t.terminal.type("yAshford\r");
    FoundCity(t.session);
    for (const char* name : {"cORA", "Dara"}) {
        t.session.writer.flush();
        t.terminal.output.clear();
        t.user().name = name;
        t.terminal.type("Q");
        LoadRoom(t.session, 2);
        ShowCityHere(t.session);
        EnterCity(t.session);
        EXPECT_TRUE(t.sent("The city of Ashford is present here"));
        EXPECT_TRUE(t.session.world.room.flags & (1u << ('Y' - 64)));
        const bool founder = std::string_view(name) == "cORA";
        EXPECT_EQ(t.sent("Choose your move"), founder) << name;
        EXPECT_EQ(t.sent("You can't do that yet!"), !founder) << name;
    }
}

TEST(TrainUnits, BoundsAndWhoPays) {
    struct Case {
        std::int32_t gold, treasury, weapons;
        std::uint16_t weapons_cost, gold_cost;
        std::int64_t by_gold, by_weapons, most, count;
        std::int32_t gold_after, treasury_after;
    } cases[] = {
        // The player pays first; the treasury only what his purse lacks.
        {100, 500, 100, 1, 10, 60, 100, 60, 5, 50, 500},
        {30, 100, 100, 1, 10, 13, 100, 13, 8, 0, 50},
        {-40, 100, 100, 1, 10, 10, 100, 10, 10, -40, 0},  // a debt pays nothing
        {0, 0, 100, 2, 10, 0, 50, 0, 0, 0, 0},
        {1000, 0, 5, 2, 0, kNoBound, 2, 2, 2, 1000, 0},
        {1000, 0, 0, 0, 0, kNoBound, kNoBound, kMostUnitsAtOnce, 0, 1000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gold);
        UserRecord user{};
        user.gold = c.gold;
        auto city = std::make_unique<CityBuffers>();
        city->city.treasury = c.treasury;
        city->city.weapons = c.weapons;
        ArmyUnitRecord unit{};
        unit.weapons_cost = c.weapons_cost;
        unit.gold_cost = c.gold_cost;
        const TrainingBounds b = BoundsFor(user.gold, city->city, unit);
        EXPECT_EQ(b.by_gold, c.by_gold);
        EXPECT_EQ(b.by_weapons, c.by_weapons);
        EXPECT_EQ(MostUnits(b), c.most);
        TrainUnits(user, *city, 3, unit, c.count);
        EXPECT_EQ(user.gold, c.gold_after);
        EXPECT_EQ(city->city.treasury, c.treasury_after);
        EXPECT_EQ(city->city.weapons, c.weapons - c.count * c.weapons_cost);
        EXPECT_EQ(city->army.units[2], c.count);
    }
}

TEST(TrainUnits, OnTheTrainingGround) {
    Clearing t;
    t.user().gold = 10'050;
    t.terminal.type("yAshford\r");
    FoundCity(t.session);
    ArmyUnitRecord militia{}, knights{};
    militia.name = "Militia";
    militia.weapons_cost = 1;
    militia.gold_cost = 10;
    knights.name = "Knights";
    knights.tech_level = 3;
    test::WriteRecords("armys.dat", std::vector<ArmyUnitRecord>{militia, knights});
    // A number past the list and a type that does not exist are asked again; too many units
    // are asked again, then 3 are trained; the knights need more technology, which ends the
    // training.
    t.terminal.type("145\r9\r1\r999\r3\r2\r");
    ArmyMenu(t.session);
    EXPECT_TRUE(t.sent("How many units [5] ?"));
    EXPECT_TRUE(t.sent("Not enough technology!"));
    auto saved = std::make_unique<CityBuffers>();
    ASSERT_TRUE(LoadCity(*saved, 1));
    EXPECT_EQ(saved->army.units[0], 3);
    EXPECT_EQ(saved->city.weapons, 97);
    EXPECT_EQ(t.user().gold, 20);
}

TEST(Buildings, RefusalsShortagesAndWhoPays) {
    auto city = std::make_unique<CityBuffers>();
    city->city = NewCityRecord();
    BuildingTypeRecord mill{};
    mill.limit = 2;
    // The limit is the most a city may hold.
    for (const std::uint16_t standing : {1, 2, 3}) {
        city->buildings.buildings[4] = standing;
        EXPECT_EQ(BuildingRefusal(*city, 5, mill).empty(), standing < 2) << standing;
    }
    mill.limit = 0;
    EXPECT_TRUE(BuildingRefusal(*city, 5, mill).empty());
    mill.prerequisites[3] = 2;
    EXPECT_EQ(BuildingRefusal(*city, 5, mill), "You don't have the prerequisite to build it");
    city->buildings.buildings[1] = 1;
    mill.science_levels[8] = 2;
    EXPECT_EQ(BuildingRefusal(*city, 5, mill), "You don't have the prerequisite to build it");
    city->city.science_level[8] = 2;
    EXPECT_TRUE(BuildingRefusal(*city, 5, mill).empty());

    // Shortages in their order: metals, stones, lumber, territory, gold; each cost met in turn.
    const std::pair<U16 BuildingTypeRecord::*, const char*> costs[] = {
        {&BuildingTypeRecord::metals_cost, "Not enough metals"},
        {&BuildingTypeRecord::stones_cost, "Not enough stones"},
        {&BuildingTypeRecord::lumber_cost, "Not enough lumber"},
        {&BuildingTypeRecord::territory_cost, "Not enough territory"}};
    for (const auto& [cost, told] : costs) mill.*cost = 400;
    mill.gold_cost = 300;
    for (const auto& [cost, told] : costs) {
        EXPECT_EQ(BuildingShortage(city->city, 199, mill), told);
        mill.*cost = 0;
    }
    EXPECT_EQ(BuildingShortage(city->city, 199, mill), "Not enough gold");
    city->city.treasury = 101;
    EXPECT_EQ(BuildingShortage(city->city, 199, mill), "");
    // The treasury pays first, the player the rest; neither ends below 0.
    UserRecord user{};
    user.gold = 199;
    mill.name = "|06Mill";
    mill.build_time = 6;
    StartBuilding(user, city->city, 5, mill);
    EXPECT_EQ(city->city.treasury, 0);
    EXPECT_EQ(user.gold, 0);
    EXPECT_EQ(city->city.construction_name.view(), "|06Mill");
    EXPECT_EQ(city->city.construction_number, 5);
    EXPECT_EQ(city->city.construction_total, 6);
}

TEST(Research, ASlotMayTakeWhatTheOthersLeave) {
    CityRecord city = NewCityRecord();
    city.research_share[0] = 40;
    city.research_share[3] = 60;
    EXPECT_EQ(MostShareAllowed(city, 0), 40);
    EXPECT_EQ(MostShareAllowed(city, 3), 60);
    EXPECT_EQ(MostShareAllowed(city, 1), 0);
    city.research_share[5] = 90;  // a damaged record never allows less than nothing
    EXPECT_EQ(MostShareAllowed(city, 1), 0);

    city.science_level[9] = 4;
    AssignResearch(city, 2, 10, 25);
    EXPECT_EQ(city.research_name[2].view(), "Philosophy");
    EXPECT_EQ(city.research_goal[2], 12);
    EXPECT_EQ(city.research_science[2], 10);
}

TEST(Gauges, StayWithinTheirRow) {
    struct Case {
        std::int64_t current, full;
        int cells;
    } cases[] = {{0, 1, 0}, {1, 2, 12}, {1, 3, 8}, {3, 1, 24}, {70000, 0, 24}, {-5, 10, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(GaugeLength(c.current, c.full), c.cells) << c.current << "/" << c.full;
    }
}

}  // namespace
}  // namespace vorn
