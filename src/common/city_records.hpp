// The three files of the players' cities: cities.dat (the city itself, CityRecord), cities2.dat
// (its army, CityArmyRecord) and cities3.dat (its buildings, CityBuildingsRecord). Record k of
// each file belongs to city number k. The game founds and spends; maint advances every city by a
// day. Every byte neither program interprets has a reserved field, so it survives a load and a
// save.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "common/record_types.hpp"
#include "common/world_records.hpp"

namespace vorn {

inline constexpr const char* kCitiesFile = "cities.dat";
inline constexpr const char* kCityArmiesFile = "cities2.dat";
inline constexpr const char* kCityBuildingsFile = "cities3.dat";
// The files a game writes for its cities, in the order they are loaded and saved.
inline constexpr const char* kCityFiles[] = {kCitiesFile, kCityArmiesFile, kCityBuildingsFile};

inline constexpr int kResearchSlots = 8;
// Unit types 1..16380 and building types 1..32760 have a count in every city.
inline constexpr int kUnitTypes = 16380;
inline constexpr int kBuildingTypes = 32760;

#pragma pack(push, 1)

struct CityRecord {
    I32 number;  // equals the record number
    ShortString<40> name;
    ShortString<36> founder;
    U16 size_class;  // 1..10
    I32 folk;        // the figure taxes are levied on
    I16 folk_growth;
    U16 metals_production;
    I32 weapons_production;
    I32 science_figures[kSciences];  // raised by finished buildings
    I32 lumber_production;
    I32 grain_production;
    I32 horses_production;
    I32 metals;
    I32 weapons;
    I32 lumber;
    I32 grain;
    I32 horses;
    // Taken from the stocks each night.
    U16 grain_upkeep;
    U16 horses_upkeep;
    U16 lumber_upkeep;
    U16 weapons_upkeep;
    I32 harvest;       // first gauge: current value
    I32 harvest_full;  // first gauge: full value (below 1 counts as 1)
    I32 territory;     // free acres
    U16 expansion;     // second gauge: current value
    U16 expansion_full;
    U16 construction_progress;
    U16 construction_total;  // build time of the building under way
    std::uint8_t problem;
    std::uint8_t warning;
    std::uint8_t buildings_finished;
    I32 renown;
    I32 unrest;
    std::uint8_t reserved_227[2];
    std::uint8_t government;  // 1..6
    std::uint8_t tax_percent;
    std::uint8_t taxes_on;
    std::uint8_t reserved_232;
    I32 treasury;
    std::uint8_t tech_level;
    ShortString<15> research_name[kResearchSlots];  // empty while the slot is idle
    U16 research_progress[kResearchSlots];
    U16 research_goal[kResearchSlots];
    U16 research_share[kResearchSlots];  // percent of the city's research points
    std::uint8_t science_level[kSciences];
    std::uint8_t research_science[kResearchSlots];  // 1..15
    ShortString<90> construction_name;
    U16 figure_528;
    U16 figure_530;
    I32 stones_production;
    U16 stones;
    std::uint8_t reserved_538[4];
    I32 expansion_growth;   // added to the second gauge each night
    I32 construction_rate;  // construction points each night
    I32 research_points;    // each night, shared among the slots by their shares
    I32 research_bonus;     // each night, to every slot
    U16 construction_number;
    U16 founder_number;
    I32 gold_production;
    // The last night (nights.dat) whose day this city has had; a city passed over while its
    // founder played, or written back from an older copy, has its day on a later night.
    U32 night_paid;
    // The room the city stands in, as its founding marked it (0: founded before rooms were
    // recorded here). A city no room names is given back to this one.
    I32 room;
    // The building type the city's last day finished, and the count of that type it brought
    // cities3.dat to (0: none). The night writes cities.dat before cities3.dat, so a night cut
    // short between the two leaves the count here, and every load of the city puts it in.
    U16 last_built;
    U16 last_built_count;
    std::uint8_t reserved_578[678];
};

struct CityArmyRecord {
    I32 number;
    I32 units[kUnitTypes];  // unit type u at index u-1
};

struct CityBuildingsRecord {
    I32 number;
    U16 buildings[kBuildingTypes];  // building type b at index b-1
};

#pragma pack(pop)

static_assert(sizeof(CityRecord) == 1256);
static_assert(offsetof(CityRecord, number) == 0);
static_assert(offsetof(CityRecord, name) == 4);
static_assert(offsetof(CityRecord, founder) == 45);
static_assert(offsetof(CityRecord, size_class) == 82);
static_assert(offsetof(CityRecord, folk) == 84);
static_assert(offsetof(CityRecord, folk_growth) == 88);
static_assert(offsetof(CityRecord, metals_production) == 90);
static_assert(offsetof(CityRecord, weapons_production) == 92);
static_assert(offsetof(CityRecord, science_figures) == 96);
static_assert(offsetof(CityRecord, lumber_production) == 156);
static_assert(offsetof(CityRecord, grain_production) == 160);
static_assert(offsetof(CityRecord, horses_production) == 164);
static_assert(offsetof(CityRecord, metals) == 168);
static_assert(offsetof(CityRecord, weapons) == 172);
static_assert(offsetof(CityRecord, lumber) == 176);
static_assert(offsetof(CityRecord, grain) == 180);
static_assert(offsetof(CityRecord, horses) == 184);
static_assert(offsetof(CityRecord, grain_upkeep) == 188);
static_assert(offsetof(CityRecord, horses_upkeep) == 190);
static_assert(offsetof(CityRecord, lumber_upkeep) == 192);
static_assert(offsetof(CityRecord, weapons_upkeep) == 194);
static_assert(offsetof(CityRecord, harvest) == 196);
static_assert(offsetof(CityRecord, harvest_full) == 200);
static_assert(offsetof(CityRecord, territory) == 204);
static_assert(offsetof(CityRecord, expansion) == 208);
static_assert(offsetof(CityRecord, expansion_full) == 210);
static_assert(offsetof(CityRecord, construction_progress) == 212);
static_assert(offsetof(CityRecord, construction_total) == 214);
static_assert(offsetof(CityRecord, problem) == 216);
static_assert(offsetof(CityRecord, warning) == 217);
static_assert(offsetof(CityRecord, buildings_finished) == 218);
static_assert(offsetof(CityRecord, renown) == 219);
static_assert(offsetof(CityRecord, unrest) == 223);
static_assert(offsetof(CityRecord, reserved_227) == 227);
static_assert(offsetof(CityRecord, government) == 229);
static_assert(offsetof(CityRecord, tax_percent) == 230);
static_assert(offsetof(CityRecord, taxes_on) == 231);
static_assert(offsetof(CityRecord, reserved_232) == 232);
static_assert(offsetof(CityRecord, treasury) == 233);
static_assert(offsetof(CityRecord, tech_level) == 237);
static_assert(offsetof(CityRecord, research_name) == 238);
static_assert(offsetof(CityRecord, research_progress) == 366);
static_assert(offsetof(CityRecord, research_goal) == 382);
static_assert(offsetof(CityRecord, research_share) == 398);
static_assert(offsetof(CityRecord, science_level) == 414);
static_assert(offsetof(CityRecord, research_science) == 429);
static_assert(offsetof(CityRecord, construction_name) == 437);
static_assert(offsetof(CityRecord, figure_528) == 528);
static_assert(offsetof(CityRecord, figure_530) == 530);
static_assert(offsetof(CityRecord, stones_production) == 532);
static_assert(offsetof(CityRecord, stones) == 536);
static_assert(offsetof(CityRecord, reserved_538) == 538);
static_assert(offsetof(CityRecord, expansion_growth) == 542);
static_assert(offsetof(CityRecord, construction_rate) == 546);
static_assert(offsetof(CityRecord, research_points) == 550);
static_assert(offsetof(CityRecord, research_bonus) == 554);
static_assert(offsetof(CityRecord, construction_number) == 558);
static_assert(offsetof(CityRecord, founder_number) == 560);
static_assert(offsetof(CityRecord, gold_production) == 562);
static_assert(offsetof(CityRecord, night_paid) == 566);
static_assert(offsetof(CityRecord, room) == 570);
static_assert(offsetof(CityRecord, last_built) == 574);
static_assert(offsetof(CityRecord, last_built_count) == 576);
static_assert(offsetof(CityRecord, reserved_578) == 578);

static_assert(sizeof(CityArmyRecord) == 65524);
static_assert(offsetof(CityArmyRecord, units) == 4);  // type u at 4 * u
static_assert(sizeof(CityBuildingsRecord) == 65524);
static_assert(offsetof(CityBuildingsRecord, buildings) == 4);  // type b at 2 + 2 * b

// The three files with the size of their records, in the order of kCityFiles.
struct CityFileLayout {
    const char* name;
    std::size_t record_size;
};
inline constexpr CityFileLayout kCityFileLayouts[] = {
    {kCitiesFile, sizeof(CityRecord)},
    {kCityArmiesFile, sizeof(CityArmyRecord)},
    {kCityBuildingsFile, sizeof(CityBuildingsRecord)},
};

// A new city as its founder finds it: every figure at its starting value, name, founder and
// number still to be filled in.
CityRecord NewCityRecord();

// The names shown for a size class (1..10), a government (1..6) and a science (1..15); empty for
// any other number.
std::string_view SizeClassName(int size_class);
std::string_view GovernmentName(int government);
std::string_view ScienceName(int science);

// Adds `amount` to a record field, stopping at the edges of the field's range instead of turning
// round: a stock or counter that overflows would come back as a debt or an empty store.
template <class T>
void AddCapped(LeInt<T>& field, std::int64_t amount) {
    const std::int64_t sum = static_cast<std::int64_t>(field.get()) + amount;
    const std::int64_t low = std::numeric_limits<T>::min();
    const std::int64_t high = std::numeric_limits<T>::max();
    field = static_cast<T>(sum < low ? low : sum > high ? high : sum);
}

}  // namespace vorn
