// The field tables of the nine world files. Ranges are those of the field's type unless the game
// gives a field a narrower meaning (a percentage, a monster class, the 19 encounter slots, ...);
// the compiler takes every value the field's bytes can hold and warns of the others, so whatever
// the decompiler writes compiles. Every range holds 0, the value of a key left out.
#include "worldc/world_kinds.hpp"

#include <algorithm>
#include <array>
#include <limits>

#include "common/world_records.hpp"

namespace vorn {

namespace {

constexpr std::int64_t kI32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kI32Min = std::numeric_limits<std::int32_t>::min();
constexpr int kNone = -1;
constexpr int kMonstersAtOnce = 19;  // the encounter list's slots
constexpr int kDeities = 13;         // deity codes of a place: 0 none, 1..13
constexpr int Ref(WorldKind k) {
    return static_cast<int>(k);
}

constexpr FieldLayout U8(const char* name, std::size_t offset, std::int64_t lo = 0,
                         std::int64_t hi = 255, std::size_t count = 1) {
    return {name, FieldType::kInteger, offset, 1, count, lo, hi, kNone, 1, 0};
}
constexpr FieldLayout I8(const char* name, std::size_t offset) {
    return {name, FieldType::kInteger, offset, 1, 1, -128, 127, kNone, 1, 0, true};
}
constexpr FieldLayout U16(const char* name, std::size_t offset, std::int64_t lo = 0,
                          std::int64_t hi = 65535) {
    return {name, FieldType::kInteger, offset, 2, 1, lo, hi, kNone, 1, 0};
}
constexpr FieldLayout I16(const char* name, std::size_t offset) {
    return {name, FieldType::kInteger, offset, 2, 1, -32768, 32767, kNone, 1, 0, true};
}
constexpr FieldLayout I32(const char* name, std::size_t offset, std::int64_t lo = kI32Min,
                          std::int64_t hi = kI32Max) {
    return {name, FieldType::kInteger, offset, 4, 1, lo, hi, kNone, 1, 0, true};
}
constexpr FieldLayout Beyond(FieldLayout f, const char* what_the_game_does) {
    f.beyond = what_the_game_does;
    return f;
}
constexpr FieldLayout RefTo(FieldLayout f, WorldKind kind) {
    f.refers_to = Ref(kind);
    return f;
}
constexpr FieldLayout Also(FieldLayout f, std::int64_t lo, std::int64_t hi) {
    f.also_min = lo;
    f.also_max = hi;
    return f;
}
constexpr FieldLayout Text(const char* name, std::size_t offset, std::size_t capacity,
                           std::size_t lines = 1) {
    return {name, FieldType::kText, offset, capacity, lines, 0, 0, kNone, 1, 0};
}
constexpr FieldLayout Bool(const char* name, std::size_t offset, std::size_t count = 1) {
    return {name, FieldType::kBool, offset, 1, count, 0, 255, kNone, 1, 0};
}

#define AT(Record, field) offsetof(Record, field)

const std::array kRoomFields = {
    Text("tag", AT(RoomRecord, tag), 15),
    RefTo(I32("event", AT(RoomRecord, event), 0, 255), WorldKind::kEvent),
    Beyond(U8("monster_draw1", AT(RoomRecord, monster_draw1), 0, kMonstersAtOnce),
           "the game meets at most 19 monsters at once"),
    U8("monster_draw2", AT(RoomRecord, monster_draw2)),
    FieldLayout{"flags", FieldType::kFlags, AT(RoomRecord, flags), 4, 1, 0, 0xFFFFFFFFLL, kNone, 1,
                0},
    RefTo(I32("north", AT(RoomRecord, north), 0), WorldKind::kRoom),
    RefTo(I32("south", AT(RoomRecord, south), 0), WorldKind::kRoom),
    RefTo(I32("west", AT(RoomRecord, west), 0), WorldKind::kRoom),
    RefTo(I32("east", AT(RoomRecord, east), 0), WorldKind::kRoom),
    RefTo(I32("up", AT(RoomRecord, up), 0), WorldKind::kRoom),
    RefTo(I32("down", AT(RoomRecord, down), 0), WorldKind::kRoom),
    Text("text", AT(RoomRecord, text), 78, kRoomTextLines),
    Beyond(U8("monster_chance", AT(RoomRecord, monster_chance), 0, 100),
           "the game counts it as 100"),
    U8("clear_area", AT(RoomRecord, clear_area)),
    U8("terrain", AT(RoomRecord, terrain)),
    Beyond(U8("god", AT(RoomRecord, god), 0, kDeities), "no deity has this code"),
    I32("city", AT(RoomRecord, city), 0),
};

const std::array kEventFields = {
    U8("done_at_start", AT(EventRecord, done_at_start)),
    Text("text", AT(EventRecord, text), 78, kRoomTextLines),
    I16("gold_change", AT(EventRecord, gold_change)),
    I32("xp_change", AT(EventRecord, xp_change)),
    RefTo(U16("weapon", AT(EventRecord, weapon)), WorldKind::kWeapon),
    RefTo(U16("armor", AT(EventRecord, armor)), WorldKind::kArmor),
    RefTo(I32("item", AT(EventRecord, item), 0, 255), WorldKind::kItem),
    Bool("keep_weapon", AT(EventRecord, keep_weapon)),
    Bool("keep_armor", AT(EventRecord, keep_armor)),
    Bool("item_offer", AT(EventRecord, item_offer)),
    U8("item_quantity", AT(EventRecord, item_quantity)),
    U8("check_die", AT(EventRecord, check_die), 0, 255, kEventChecks),
    RefTo(I32("next_event", AT(EventRecord, next_event), 0, 255), WorldKind::kEvent),
    RefTo(I32("monster", AT(EventRecord, monster), 0), WorldKind::kMonster),
    Beyond(U8("monster_number", AT(EventRecord, monster_number), 0, kMonstersAtOnce),
           "at most 19 monsters attack"),
    RefTo(I32("fail_event", AT(EventRecord, fail_event), 0, 255), WorldKind::kEvent),
    RefTo(U8("done_event", AT(EventRecord, done_event)), WorldKind::kEvent),
    I32("hp_change", AT(EventRecord, hp_change)),
    Text("killer", AT(EventRecord, killer), 40),
    Bool("deadly", AT(EventRecord, deadly)),
    Bool("clear_first", AT(EventRecord, clear_first)),
    Bool("check_bonus", AT(EventRecord, check_bonus), kEventChecks),
    Bool("blessing", AT(EventRecord, blessing)),
    U8("fight_mode", AT(EventRecord, fight_mode)),
};

const std::array kMonsterFields = {
    Text("name", AT(MonsterRecord, name), 255),
    I32("hp_max", AT(MonsterRecord, hp_max)),
    I32("hp_min", AT(MonsterRecord, hp_min)),
    U8("strike_flags", AT(MonsterRecord, strike_flags)),
    U8("strike_flags2", AT(MonsterRecord, strike_flags2)),
    U16("abilities", AT(MonsterRecord, abilities)),
    U8("attack_bonus", AT(MonsterRecord, attack_bonus)),
    U8("armor_class", AT(MonsterRecord, armor_class)),
    U16("reward", AT(MonsterRecord, reward)),
    U16("level", AT(MonsterRecord, level)),
    U8("attack_dice", AT(MonsterRecord, attack_dice)),
    U8("attack_sides", AT(MonsterRecord, attack_sides)),
    I32("large_bonus", AT(MonsterRecord, large_bonus)),
    Bool("random_encounter", AT(MonsterRecord, random_encounter)),
    U8("moves", AT(MonsterRecord, moves)),
    Beyond(Also(U8("category", AT(MonsterRecord, category), 0, 5), 150, 151),
           "the monster counts as one of no class"),
    U8("attack_type", AT(MonsterRecord, attack_type)),
    U8("reach", AT(MonsterRecord, reach)),
};

const std::array kWeaponFields = {
    Text("name", AT(WeaponRecord, name), 80),
    U16("dice", AT(WeaponRecord, dice)),
    U8("sides", AT(WeaponRecord, sides)),
    U16("magic", AT(WeaponRecord, magic)),
    I32("price", AT(WeaponRecord, price), 0),
    I32("damage_bonus", AT(WeaponRecord, damage_bonus)),
    Beyond(U8("type", AT(WeaponRecord, type), 0, 4), "the weapon counts as one of no class"),
};

const std::array kArmorFields = {
    Text("name", AT(ArmorRecord, name), 80),
    U8("base_class", AT(ArmorRecord, base_class)),
    U16("magic", AT(ArmorRecord, magic)),
    I32("price", AT(ArmorRecord, price), 0),
};

const std::array kItemFields = {
    Text("name", AT(ItemRecord, name), 255),
    U8("effect", AT(ItemRecord, effect)),
    I32("effect_value", AT(ItemRecord, effect_value)),
    Beyond(I32("effect_value2", AT(ItemRecord, effect_value2), kI32Min, kItemRollDice - 1),
           "the roll throws at most 10000 dice"),
    Text("description", AT(ItemRecord, description), 78),
    I32("price", AT(ItemRecord, price), 0),
    Bool("sold", AT(ItemRecord, sold)),
    Bool("bought", AT(ItemRecord, bought)),
    U16("kind", AT(ItemRecord, kind)),
    U8("charges", AT(ItemRecord, charges)),
    Text("use_text", AT(ItemRecord, use_text), 255),
};

const std::array kLevelFields = {
    I32("experience", AT(LevelRecord, experience)),
};

const std::array kUnitFields = {
    Text("name", AT(ArmyUnitRecord, name), 40),
    U16("weapons_cost", AT(ArmyUnitRecord, weapons_cost)),
    U16("gold_cost", AT(ArmyUnitRecord, gold_cost)),
    U8("tech_level", AT(ArmyUnitRecord, tech_level)),
};

const std::array kBuildingFields = {
    Text("name", AT(BuildingTypeRecord, name), 90),
    U16("stones_cost", AT(BuildingTypeRecord, stones_cost)),
    U16("metals_cost", AT(BuildingTypeRecord, metals_cost)),
    U16("gold_cost", AT(BuildingTypeRecord, gold_cost)),
    U16("lumber_cost", AT(BuildingTypeRecord, lumber_cost)),
    U16("territory_cost", AT(BuildingTypeRecord, territory_cost)),
    I8("science_bonus", AT(BuildingTypeRecord, science_bonus)),
    I8("gauge_bonus", AT(BuildingTypeRecord, gauge_bonus)),
    I8("construction_bonus", AT(BuildingTypeRecord, construction_bonus)),
    I8("figure_528_bonus", AT(BuildingTypeRecord, figure_528_bonus)),
    I16("gold_production", AT(BuildingTypeRecord, gold_production)),
    U8("gold_upkeep", AT(BuildingTypeRecord, gold_upkeep)),
    U8("metals_upkeep", AT(BuildingTypeRecord, metals_upkeep)),
    U8("stones_upkeep", AT(BuildingTypeRecord, stones_upkeep)),
    U8("growth_upkeep", AT(BuildingTypeRecord, growth_upkeep)),
    U8("lumber_upkeep", AT(BuildingTypeRecord, lumber_upkeep)),
    U8("column5_upkeep", AT(BuildingTypeRecord, column5_upkeep)),
    U8("column6_upkeep", AT(BuildingTypeRecord, column6_upkeep)),
    FieldLayout{"prerequisites", FieldType::kInteger, AT(BuildingTypeRecord, prerequisites), 2,
                kBuildingPrerequisites, 0, 65535, Ref(WorldKind::kBuilding), 1, 0},
    U8("science_levels", AT(BuildingTypeRecord, science_levels), 0, 255, kSciences),
    U16("limit", AT(BuildingTypeRecord, limit)),
    U16("sheet_figure", AT(BuildingTypeRecord, sheet_figure)),
    U16("build_time", AT(BuildingTypeRecord, build_time)),
    U16("metals_production", AT(BuildingTypeRecord, metals_production)),
    U16("lumber_production", AT(BuildingTypeRecord, lumber_production)),
    U16("stones_production", AT(BuildingTypeRecord, stones_production)),
    U16("growth", AT(BuildingTypeRecord, growth)),
    U16("column5_production", AT(BuildingTypeRecord, column5_production)),
    U16("column6_production", AT(BuildingTypeRecord, column6_production)),
    U16("weapons_production", AT(BuildingTypeRecord, weapons_production)),
    U8("weapons_upkeep", AT(BuildingTypeRecord, weapons_upkeep)),
};

#undef AT

// Events are flagged per player in 255 slots, items are numbered by a byte, the unit menu takes
// numbers below 38 and the construction menu numbers up to 32760.
const std::array<KindLayout, kWorldKindCount> kKinds = {{
    {WorldKind::kRoom, "room", "rooms", "rooms.dat", sizeof(RoomRecord), 4, true, kI32Max,
     kRoomFields},
    {WorldKind::kEvent, "event", "events", "events.dat", sizeof(EventRecord), 4, true, 255,
     kEventFields},
    {WorldKind::kMonster, "monster", "monsters", "monsters.dat", sizeof(MonsterRecord), 4, true,
     kI32Max, kMonsterFields},
    {WorldKind::kWeapon, "weapon", "weapons", "weapons.dat", sizeof(WeaponRecord), 2, false, 65535,
     kWeaponFields},
    {WorldKind::kArmor, "armor", "armors", "armors.dat", sizeof(ArmorRecord), 2, false, 65535,
     kArmorFields},
    {WorldKind::kItem, "item", "items", "items.dat", sizeof(ItemRecord), 1, false, 255,
     kItemFields},
    {WorldKind::kLevel, "level", "levels", "levels.dat", sizeof(LevelRecord), 2, false, 65535,
     kLevelFields},
    {WorldKind::kUnit, "unit", "units", "armys.dat", sizeof(ArmyUnitRecord), 2, false, 37,
     kUnitFields},
    {WorldKind::kBuilding, "building", "buildings", "buildg.dat", sizeof(BuildingTypeRecord), 2,
     false, 32760, kBuildingFields},
}};

}  // namespace

const KindLayout& KindOf(WorldKind kind) {
    return kKinds[static_cast<std::size_t>(kind)];
}
const KindLayout& KindAt(int index) {
    return kKinds[static_cast<std::size_t>(index)];
}

}  // namespace vorn

namespace vorn {

std::int64_t ReadInteger(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t width,
                         bool is_signed) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < width; ++i) v |= std::uint64_t{bytes[offset + i]} << (8 * i);
    if (is_signed && width < 8 && (v >> (8 * width - 1)) != 0) {
        v |= ~std::uint64_t{0} << (8 * width);
    }
    return static_cast<std::int64_t>(v);
}

void WriteInteger(std::span<std::uint8_t> bytes, std::size_t offset, std::size_t width,
                  std::int64_t value) {
    const auto v = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < width; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

std::vector<bool> ReadMask(const KindLayout& layout, std::span<const std::uint8_t> bytes) {
    std::vector<bool> mask(layout.record_size, false);
    const auto mark = [&](std::size_t from, std::size_t n) {
        for (std::size_t i = from; i < from + n && i < mask.size(); ++i) mask[i] = true;
    };
    mark(0, layout.number_width);
    for (const FieldLayout& f : layout.fields) {
        if (f.type != FieldType::kText) {
            mark(f.offset, f.width * f.count);
            continue;
        }
        for (std::size_t line = 0; line < f.count; ++line) {
            const std::size_t at = f.offset + line * (f.width + 1);
            const std::size_t length = std::min<std::size_t>(bytes[at], f.width);
            mark(at, 1 + length);
        }
    }
    return mask;
}

}  // namespace vorn
