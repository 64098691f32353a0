// The world's fixed-record files: rooms.dat, events.dat, monsters.dat, weapons.dat, armors.dat,
// items.dat, levels.dat and the city type files armys.dat and buildg.dat. Record k (from 1) holds
// number k. Every byte the game does not read has a reserved field, so a record survives a load
// and a save unchanged.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/record_types.hpp"

namespace vorn {

inline constexpr const char* kRoomsFile = "rooms.dat";
// Read by the game and by setup's player editor, which keeps a player's numbers inside them.
inline constexpr const char* kWeaponsFile = "weapons.dat";
inline constexpr const char* kArmorsFile = "armors.dat";
// Read by the game and by the night, which finishes buildings.
inline constexpr const char* kBuildingTypesFile = "buildg.dat";

inline constexpr int kRoomTextLines = 7;
inline constexpr int kEventChecks = 7;  // Strength, Intelligence, Constitution, Dexterity,
                                        // Charisma, Wisdom, Comeliness
inline constexpr int kBuildingPrerequisites = 15;
inline constexpr int kSciences = 15;
// The most dice an item's heal or harm roll throws one by one (`effect_value2` + 1); the world
// compiler refuses more, and the game scales a larger roll from this many.
inline constexpr std::int32_t kItemRollDice = 10000;

#pragma pack(push, 1)

struct RoomRecord {
    I32 number;
    ShortString<15> tag;
    I32 event;
    std::uint8_t monster_draw1;  // most monsters met at once
    std::uint8_t monster_draw2;  // highest monster level met
    U32 flags;                   // command letter c is bit (c - 64)
    std::uint8_t reserved_30;
    I32 north;
    I32 south;
    I32 west;
    I32 east;
    I32 up;
    I32 down;
    ShortString<78> text[kRoomTextLines];
    std::uint8_t monster_chance;  // percent
    std::uint8_t reserved_609;
    std::uint8_t clear_area;
    std::uint8_t terrain;
    std::uint8_t reserved_612[9];
    std::uint8_t god;
    I32 city;
    std::uint8_t reserved_626[287];
};

struct EventRecord {
    I32 number;
    std::uint8_t done_at_start;
    ShortString<78> text[kRoomTextLines];
    I16 gold_change;
    I32 xp_change;
    U16 weapon;
    U16 armor;
    I32 item;  // the low byte is the item number
    Bool8 keep_weapon;
    Bool8 keep_armor;
    Bool8 item_offer;
    std::uint8_t item_quantity;
    std::uint8_t check_die[kEventChecks];
    I32 next_event;
    I32 monster;
    std::uint8_t monster_number;
    I32 fail_event;
    std::uint8_t done_event;
    I32 hp_change;
    ShortString<40> killer;
    Bool8 deadly;
    Bool8 clear_first;
    Bool8 check_bonus[kEventChecks];
    Bool8 blessing;
    std::uint8_t fight_mode;
    std::uint8_t reserved_653[176];
};

struct MonsterRecord {
    I32 number;
    ShortString<255> name;
    I32 hp_max;
    I32 hp_min;
    std::uint8_t reserved_268;
    std::uint8_t strike_flags;
    std::uint8_t reserved_270[15];
    std::uint8_t strike_flags2;
    std::uint8_t reserved_286[11];
    U16 abilities;
    std::uint8_t attack_bonus;
    std::uint8_t armor_class;
    U16 reward;
    U16 level;
    std::uint8_t attack_dice;
    std::uint8_t attack_sides;
    I32 large_bonus;
    Bool8 random_encounter;
    std::uint8_t moves;
    std::uint8_t category;
    std::uint8_t attack_type;
    std::uint8_t reach;
    std::uint8_t reserved_316[90];
};

struct WeaponRecord {
    U16 number;
    ShortString<80> name;
    U16 dice;
    std::uint8_t sides;
    U16 magic;  // bits 0x01..0x10 add 1..5 to the attack roll
    I32 price;
    std::uint8_t reserved_92;
    I32 damage_bonus;
    std::uint8_t type;  // weapon class 1..4
    std::uint8_t reserved_98[302];
};

struct ArmorRecord {
    U16 number;
    ShortString<80> name;
    std::uint8_t base_class;
    U16 magic;  // bits 0x01..0x10 add 1..5 to the armour class
    I32 price;
    std::uint8_t reserved_90[303];
};

struct ItemRecord {
    std::uint8_t number;
    ShortString<255> name;
    std::uint8_t effect;
    I32 effect_value;
    I32 effect_value2;
    ShortString<78> description;
    I32 price;
    Bool8 sold;
    Bool8 bought;
    U16 kind;
    std::uint8_t charges;
    ShortString<255> use_text;  // display file shown on use
    std::uint8_t reserved_610[47];
};

struct LevelRecord {
    U16 number;
    I32 experience;
    I32 reserved_6;
    std::uint8_t reserved_10[100];
};

// armys.dat: one army unit type.
struct ArmyUnitRecord {
    U16 number;
    ShortString<40> name;
    U16 weapons_cost;
    U16 gold_cost;
    std::uint8_t tech_level;
    std::uint8_t reserved_48[1150];
};

// buildg.dat: one building type. The production figures and their upkeep bytes are what a
// finished building adds to (and takes from) the city's nightly figures.
struct BuildingTypeRecord {
    U16 number;
    ShortString<90> name;  // may hold pipe colour codes
    U16 stones_cost;
    U16 metals_cost;
    U16 gold_cost;
    U16 lumber_cost;
    U16 territory_cost;
    std::int8_t science_bonus;       // added to each of the city's fifteen science figures
    std::int8_t gauge_bonus;         // added to the nightly growth of the second gauge
    std::int8_t construction_bonus;  // added to the nightly construction points
    std::int8_t figure_528_bonus;    // added to the city figure at 528
    std::uint8_t reserved_107[3];
    I16 gold_production;
    std::uint8_t gold_upkeep;
    std::uint8_t metals_upkeep;
    std::uint8_t stones_upkeep;
    std::uint8_t growth_upkeep;
    std::uint8_t lumber_upkeep;
    std::uint8_t column5_upkeep;
    std::uint8_t column6_upkeep;
    U16 prerequisites[kBuildingPrerequisites];  // building types, 0 = none
    std::uint8_t science_levels[kSciences];     // required level, 0 = none
    std::uint8_t reserved_164[2];
    U16 limit;  // most per city, 0 = no limit
    U16 sheet_figure;
    U16 build_time;
    U16 metals_production;
    U16 lumber_production;
    U16 stones_production;
    U16 growth;  // added to the city's nightly growth of its tax figure
    U16 column5_production;
    U16 column6_production;
    U16 weapons_production;
    std::uint8_t weapons_upkeep;
    std::uint8_t reserved_187[1019];
};

#pragma pack(pop)

static_assert(sizeof(RoomRecord) == 913);
static_assert(offsetof(RoomRecord, number) == 0);
static_assert(offsetof(RoomRecord, tag) == 4);
static_assert(offsetof(RoomRecord, event) == 20);
static_assert(offsetof(RoomRecord, monster_draw1) == 24);
static_assert(offsetof(RoomRecord, monster_draw2) == 25);
static_assert(offsetof(RoomRecord, flags) == 26);
static_assert(offsetof(RoomRecord, reserved_30) == 30);
static_assert(offsetof(RoomRecord, north) == 31);
static_assert(offsetof(RoomRecord, south) == 35);
static_assert(offsetof(RoomRecord, west) == 39);
static_assert(offsetof(RoomRecord, east) == 43);
static_assert(offsetof(RoomRecord, up) == 47);
static_assert(offsetof(RoomRecord, down) == 51);
static_assert(offsetof(RoomRecord, text) == 55);
static_assert(sizeof(RoomRecord::text) == 553);
static_assert(offsetof(RoomRecord, monster_chance) == 608);
static_assert(offsetof(RoomRecord, reserved_609) == 609);
static_assert(offsetof(RoomRecord, clear_area) == 610);
static_assert(offsetof(RoomRecord, terrain) == 611);
static_assert(offsetof(RoomRecord, reserved_612) == 612);
static_assert(offsetof(RoomRecord, god) == 621);
static_assert(offsetof(RoomRecord, city) == 622);
static_assert(offsetof(RoomRecord, reserved_626) == 626);

static_assert(sizeof(EventRecord) == 829);
static_assert(offsetof(EventRecord, number) == 0);
static_assert(offsetof(EventRecord, done_at_start) == 4);
static_assert(offsetof(EventRecord, text) == 5);
static_assert(offsetof(EventRecord, gold_change) == 558);
static_assert(offsetof(EventRecord, xp_change) == 560);
static_assert(offsetof(EventRecord, weapon) == 564);
static_assert(offsetof(EventRecord, armor) == 566);
static_assert(offsetof(EventRecord, item) == 568);
static_assert(offsetof(EventRecord, keep_weapon) == 572);
static_assert(offsetof(EventRecord, keep_armor) == 573);
static_assert(offsetof(EventRecord, item_offer) == 574);
static_assert(offsetof(EventRecord, item_quantity) == 575);
static_assert(offsetof(EventRecord, check_die) == 576);
static_assert(offsetof(EventRecord, next_event) == 583);
static_assert(offsetof(EventRecord, monster) == 587);
static_assert(offsetof(EventRecord, monster_number) == 591);
static_assert(offsetof(EventRecord, fail_event) == 592);
static_assert(offsetof(EventRecord, done_event) == 596);
static_assert(offsetof(EventRecord, hp_change) == 597);
static_assert(offsetof(EventRecord, killer) == 601);
static_assert(offsetof(EventRecord, deadly) == 642);
static_assert(offsetof(EventRecord, clear_first) == 643);
static_assert(offsetof(EventRecord, check_bonus) == 644);
static_assert(offsetof(EventRecord, blessing) == 651);
static_assert(offsetof(EventRecord, fight_mode) == 652);
static_assert(offsetof(EventRecord, reserved_653) == 653);

static_assert(sizeof(MonsterRecord) == 406);
static_assert(offsetof(MonsterRecord, number) == 0);
static_assert(offsetof(MonsterRecord, name) == 4);
static_assert(offsetof(MonsterRecord, hp_max) == 260);
static_assert(offsetof(MonsterRecord, hp_min) == 264);
static_assert(offsetof(MonsterRecord, reserved_268) == 268);
static_assert(offsetof(MonsterRecord, strike_flags) == 269);
static_assert(offsetof(MonsterRecord, reserved_270) == 270);
static_assert(offsetof(MonsterRecord, strike_flags2) == 285);
static_assert(offsetof(MonsterRecord, reserved_286) == 286);
static_assert(offsetof(MonsterRecord, abilities) == 297);
static_assert(offsetof(MonsterRecord, attack_bonus) == 299);
static_assert(offsetof(MonsterRecord, armor_class) == 300);
static_assert(offsetof(MonsterRecord, reward) == 301);
static_assert(offsetof(MonsterRecord, level) == 303);
static_assert(offsetof(MonsterRecord, attack_dice) == 305);
static_assert(offsetof(MonsterRecord, attack_sides) == 306);
static_assert(offsetof(MonsterRecord, large_bonus) == 307);
static_assert(offsetof(MonsterRecord, random_encounter) == 311);
static_assert(offsetof(MonsterRecord, moves) == 312);
static_assert(offsetof(MonsterRecord, category) == 313);
static_assert(offsetof(MonsterRecord, attack_type) == 314);
static_assert(offsetof(MonsterRecord, reach) == 315);
static_assert(offsetof(MonsterRecord, reserved_316) == 316);

static_assert(sizeof(WeaponRecord) == 400);
static_assert(offsetof(WeaponRecord, number) == 0);
static_assert(offsetof(WeaponRecord, name) == 2);
static_assert(offsetof(WeaponRecord, dice) == 83);
static_assert(offsetof(WeaponRecord, sides) == 85);
static_assert(offsetof(WeaponRecord, magic) == 86);
static_assert(offsetof(WeaponRecord, price) == 88);
static_assert(offsetof(WeaponRecord, reserved_92) == 92);
static_assert(offsetof(WeaponRecord, damage_bonus) == 93);
static_assert(offsetof(WeaponRecord, type) == 97);
static_assert(offsetof(WeaponRecord, reserved_98) == 98);

static_assert(sizeof(ArmorRecord) == 393);
static_assert(offsetof(ArmorRecord, number) == 0);
static_assert(offsetof(ArmorRecord, name) == 2);
static_assert(offsetof(ArmorRecord, base_class) == 83);
static_assert(offsetof(ArmorRecord, magic) == 84);
static_assert(offsetof(ArmorRecord, price) == 86);
static_assert(offsetof(ArmorRecord, reserved_90) == 90);

static_assert(sizeof(ItemRecord) == 657);
static_assert(offsetof(ItemRecord, number) == 0);
static_assert(offsetof(ItemRecord, name) == 1);
static_assert(offsetof(ItemRecord, effect) == 257);
static_assert(offsetof(ItemRecord, effect_value) == 258);
static_assert(offsetof(ItemRecord, effect_value2) == 262);
static_assert(offsetof(ItemRecord, description) == 266);
static_assert(offsetof(ItemRecord, price) == 345);
static_assert(offsetof(ItemRecord, sold) == 349);
static_assert(offsetof(ItemRecord, bought) == 350);
static_assert(offsetof(ItemRecord, kind) == 351);
static_assert(offsetof(ItemRecord, charges) == 353);
static_assert(offsetof(ItemRecord, use_text) == 354);
static_assert(offsetof(ItemRecord, reserved_610) == 610);

static_assert(sizeof(LevelRecord) == 110);
static_assert(offsetof(LevelRecord, number) == 0);
static_assert(offsetof(LevelRecord, experience) == 2);
static_assert(offsetof(LevelRecord, reserved_6) == 6);
static_assert(offsetof(LevelRecord, reserved_10) == 10);

static_assert(sizeof(ArmyUnitRecord) == 1198);
static_assert(offsetof(ArmyUnitRecord, number) == 0);
static_assert(offsetof(ArmyUnitRecord, name) == 2);
static_assert(offsetof(ArmyUnitRecord, weapons_cost) == 43);
static_assert(offsetof(ArmyUnitRecord, gold_cost) == 45);
static_assert(offsetof(ArmyUnitRecord, tech_level) == 47);
static_assert(offsetof(ArmyUnitRecord, reserved_48) == 48);

static_assert(sizeof(BuildingTypeRecord) == 1206);
static_assert(offsetof(BuildingTypeRecord, number) == 0);
static_assert(offsetof(BuildingTypeRecord, name) == 2);
static_assert(offsetof(BuildingTypeRecord, stones_cost) == 93);
static_assert(offsetof(BuildingTypeRecord, metals_cost) == 95);
static_assert(offsetof(BuildingTypeRecord, gold_cost) == 97);
static_assert(offsetof(BuildingTypeRecord, lumber_cost) == 99);
static_assert(offsetof(BuildingTypeRecord, territory_cost) == 101);
static_assert(offsetof(BuildingTypeRecord, science_bonus) == 103);
static_assert(offsetof(BuildingTypeRecord, gauge_bonus) == 104);
static_assert(offsetof(BuildingTypeRecord, construction_bonus) == 105);
static_assert(offsetof(BuildingTypeRecord, figure_528_bonus) == 106);
static_assert(offsetof(BuildingTypeRecord, reserved_107) == 107);
static_assert(offsetof(BuildingTypeRecord, gold_production) == 110);
static_assert(offsetof(BuildingTypeRecord, gold_upkeep) == 112);
static_assert(offsetof(BuildingTypeRecord, metals_upkeep) == 113);
static_assert(offsetof(BuildingTypeRecord, stones_upkeep) == 114);
static_assert(offsetof(BuildingTypeRecord, growth_upkeep) == 115);
static_assert(offsetof(BuildingTypeRecord, lumber_upkeep) == 116);
static_assert(offsetof(BuildingTypeRecord, column5_upkeep) == 117);
static_assert(offsetof(BuildingTypeRecord, column6_upkeep) == 118);
static_assert(offsetof(BuildingTypeRecord, prerequisites) == 119);
static_assert(offsetof(BuildingTypeRecord, science_levels) == 149);
static_assert(offsetof(BuildingTypeRecord, reserved_164) == 164);
static_assert(offsetof(BuildingTypeRecord, limit) == 166);
static_assert(offsetof(BuildingTypeRecord, sheet_figure) == 168);
static_assert(offsetof(BuildingTypeRecord, build_time) == 170);
static_assert(offsetof(BuildingTypeRecord, metals_production) == 172);
static_assert(offsetof(BuildingTypeRecord, lumber_production) == 174);
static_assert(offsetof(BuildingTypeRecord, stones_production) == 176);
static_assert(offsetof(BuildingTypeRecord, growth) == 178);
static_assert(offsetof(BuildingTypeRecord, column5_production) == 180);
static_assert(offsetof(BuildingTypeRecord, column6_production) == 182);
static_assert(offsetof(BuildingTypeRecord, weapons_production) == 184);
static_assert(offsetof(BuildingTypeRecord, weapons_upkeep) == 186);
static_assert(offsetof(BuildingTypeRecord, reserved_187) == 187);

}  // namespace vorn
