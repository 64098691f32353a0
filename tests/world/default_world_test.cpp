// The world a new installation starts with: it compiles, its map hangs together, every level has
// its monsters and its master, the shops' wares rise in price and power, and a new character can
// make a living at the forest edge and level up.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <queue>
#include <set>
#include <sstream>
#include <vector>

#include "common/city_files.hpp"
#include "common/random.hpp"
#include "common/world_records.hpp"
#include "maint/city_day.hpp"
#include "play/city_buildings.hpp"
#include "play/city_research.hpp"
#include "support/game_directory.hpp"
#include "support/test_session.hpp"
#include "worldc/world_source.hpp"

namespace vorn {
namespace {

namespace fs = std::filesystem;

template <class Record>
std::vector<Record> ReadRecords(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    const std::string bytes = s.str();
    std::vector<Record> out(bytes.size() / sizeof(Record));
    if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * sizeof(Record));
    return out;
}

// Record n of a kind is element n - 1.
struct World {
    std::vector<SourceError> errors;
    std::vector<RoomRecord> rooms;
    std::vector<EventRecord> events;
    std::vector<MonsterRecord> monsters;
    std::vector<WeaponRecord> weapons;
    std::vector<ArmorRecord> armors;
    std::vector<ItemRecord> items;
    std::vector<LevelRecord> levels;
    std::vector<ArmyUnitRecord> units;
    std::vector<BuildingTypeRecord> buildings;

    const RoomRecord& room(int n) const { return rooms.at(static_cast<std::size_t>(n - 1)); }
    const EventRecord& event(int n) const { return events.at(static_cast<std::size_t>(n - 1)); }
    const MonsterRecord& monster(int n) const {
        return monsters.at(static_cast<std::size_t>(n - 1));
    }
};

const World& DefaultWorld() {
    static const World world = [] {
        World w;
        char pattern[] = "/tmp/vorn-default-world-XXXXXX";
        const fs::path out = ::mkdtemp(pattern);
        CompileWorldDirectory((fs::path(test::SourceDir()) / "data/world").string(), out.string(),
                              w.errors);
        w.rooms = ReadRecords<RoomRecord>(out / "rooms.dat");
        w.events = ReadRecords<EventRecord>(out / "events.dat");
        w.monsters = ReadRecords<MonsterRecord>(out / "monsters.dat");
        w.weapons = ReadRecords<WeaponRecord>(out / "weapons.dat");
        w.armors = ReadRecords<ArmorRecord>(out / "armors.dat");
        w.items = ReadRecords<ItemRecord>(out / "items.dat");
        w.levels = ReadRecords<LevelRecord>(out / "levels.dat");
        w.units = ReadRecords<ArmyUnitRecord>(out / "armys.dat");
        w.buildings = ReadRecords<BuildingTypeRecord>(out / "buildg.dat");
        fs::remove_all(out);
        return w;
    }();
    return world;
}

constexpr std::uint16_t kWaterMonster = 0x800;

bool IsDeepWater(int terrain) {
    return terrain == 8 || terrain == 24 || terrain == 25 || terrain == 27 || terrain == 28;
}

bool IsWaterTerrain(int terrain) {
    return IsDeepWater(terrain) || terrain == 18;
}

int MagicBonus(std::uint16_t magic) {
    int sum = 0;
    for (int bit = 0; bit < 5; ++bit)
        if (magic & (1u << bit)) sum += bit + 1;
    return sum;
}

std::array<int, 6> Exits(const RoomRecord& r) {
    return {r.north, r.south, r.west, r.east, r.up, r.down};
}

// Breadth first from the forest edge: for each room the highest monster level met on the way to
// it (-1 for rooms that cannot be reached). Steps of more than three levels are noted in `jumps`.
std::vector<int> LevelCaps(const World& w, std::vector<std::string>* jumps) {
    std::vector<int> cap(w.rooms.size() + 1, -1);
    std::queue<int> todo;
    cap[2] = w.room(2).monster_draw2;
    todo.push(2);
    while (!todo.empty()) {
        const int n = todo.front();
        todo.pop();
        for (int next : Exits(w.room(n))) {
            if (next < 2 || cap[static_cast<std::size_t>(next)] >= 0) continue;
            const RoomRecord& r = w.room(next);
            const int level = r.monster_chance ? r.monster_draw2 : 0;
            if (jumps && level > cap[static_cast<std::size_t>(n)] + 3)
                jumps->push_back("room " + std::to_string(next) + " reached from room " +
                                 std::to_string(n));
            cap[static_cast<std::size_t>(next)] = std::max(cap[static_cast<std::size_t>(n)], level);
            todo.push(next);
        }
    }
    return cap;
}

TEST(DefaultWorld, CompilesWithoutARefusal) {
    const World& w = DefaultWorld();
    for (const auto& e : w.errors) ADD_FAILURE() << e.text();
    EXPECT_GE(w.rooms.size(), 82u);
    EXPECT_GE(w.events.size(), 40u);
    EXPECT_EQ(w.weapons.size(), 9u);
    EXPECT_EQ(w.armors.size(), 9u);
    EXPECT_EQ(w.levels.size(), 21u);
    EXPECT_FALSE(w.items.empty());
    EXPECT_LE(w.units.size(), 37u);
    EXPECT_FALSE(w.units.empty());
    EXPECT_FALSE(w.buildings.empty());
}

TEST(DefaultWorld, TownAndForestEdge) {
    const World& w = DefaultWorld();
    ASSERT_GE(w.rooms.size(), 2u);
    EXPECT_EQ(w.room(1).tag.view(), "Vornville");
    const RoomRecord& edge = w.room(2);
    EXPECT_EQ(edge.north, 1) << "the forest edge leads back through the town gate";
    EXPECT_EQ(w.room(1).south, 2);
    // The first room a new character sees: a few of the weakest monsters, no hazard.
    EXPECT_EQ(edge.monster_draw2, 1);
    EXPECT_GE(edge.monster_chance, 2);
    EXPECT_GE(edge.monster_draw1, 1);
    EXPECT_FALSE(IsDeepWater(edge.terrain) || edge.terrain == 26 ||
                 (edge.terrain >= 10 && edge.terrain <= 22) || edge.terrain == 255);
}

// Exits go both ways, the command letters offer exactly the exits there are, every room is
// described and can be reached, and the monsters grow stronger step by step away from the town.
TEST(DefaultWorld, MapHangsTogether) {
    const World& w = DefaultWorld();
    const int count = static_cast<int>(w.rooms.size());
    const std::array<char, 6> letters{'N', 'S', 'W', 'E', 'U', 'D'};
    const std::array<int, 6> opposite{1, 0, 3, 2, 5, 4};
    for (int n = 2; n <= count; ++n) {
        const RoomRecord& r = w.room(n);
        SCOPED_TRACE("room " + std::to_string(n));
        EXPECT_FALSE(r.tag.view().empty());
        for (const auto& line : r.text) EXPECT_FALSE(line.view().empty());
        const auto out = Exits(r);
        for (std::size_t d = 0; d < 6; ++d) {
            const bool offered = (r.flags >> (letters[d] - 64)) & 1u;
            EXPECT_EQ(offered, out[d] != 0) << "letter " << letters[d];
            if (out[d] == 0 || out[d] == 1) continue;
            ASSERT_LE(out[d], count);
            EXPECT_EQ(Exits(w.room(out[d]))[static_cast<std::size_t>(opposite[d])], n)
                << "exit " << letters[d] << " to " << out[d] << " has no way back";
        }
    }

    // No room meets monsters more than three levels above the strongest met on the way to it.
    std::vector<std::string> jumps;
    const std::vector<int> cap = LevelCaps(w, &jumps);
    for (const auto& j : jumps) ADD_FAILURE() << j;
    for (int n = 2; n <= count; ++n)
        EXPECT_GE(cap[static_cast<std::size_t>(n)], 0) << "room " << n << " cannot be reached";
    EXPECT_EQ(*std::max_element(cap.begin(), cap.end()), 21);
}

// The trainer fights the first monster of the next level, so that one must be a master who never
// wanders; every level has monsters to meet, and dice the combat can roll.
TEST(DefaultWorld, MonstersOfEveryLevelWithTheirMasterFirst) {
    const World& w = DefaultWorld();
    for (int level = 1; level <= 21; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        int wandering = 0;
        const MonsterRecord* first = nullptr;
        for (const auto& m : w.monsters) {
            if (m.level != level) continue;
            if (!first) first = &m;
            if (m.random_encounter && !(m.abilities & kWaterMonster)) ++wandering;
        }
        EXPECT_GE(wandering, 3);
        if (level >= 2) {
            ASSERT_NE(first, nullptr);
            EXPECT_FALSE(first->random_encounter) << first->name.view();
        }
    }
    for (const auto& m : w.monsters) {
        SCOPED_TRACE(std::string(m.name.view()));
        // A die of fewer than two sides is redrawn for ever.
        if (m.attack_dice > 0) {
            EXPECT_GE(m.attack_sides, 2);
        }
        EXPECT_GE(m.hp_min, 1);
        EXPECT_GE(m.reach, 1);
        EXPECT_GE(m.moves, 1);
    }
    for (const auto& weapon : w.weapons) {
        EXPECT_GE(weapon.sides, 2);
    }
}

// Water monsters appear only on water terrain, and land monsters never there: every deep-water
// room must have water monsters of its levels, or its monsters would never show.
TEST(DefaultWorld, DeepWaterHasItsOwnMonsters) {
    const World& w = DefaultWorld();
    int water_rooms = 0;
    for (const auto& r : w.rooms) {
        if (!IsWaterTerrain(r.terrain) || r.monster_chance == 0) continue;
        ++water_rooms;
        const bool any = std::any_of(w.monsters.begin(), w.monsters.end(), [&](const auto& m) {
            return m.random_encounter && (m.abilities & kWaterMonster) &&
                   m.level <= r.monster_draw2;
        });
        EXPECT_TRUE(any) << "room " << r.number;
    }
    EXPECT_GE(water_rooms, 3);
}

TEST(DefaultWorld, ShopWaresAndLevelsRise) {
    const World& w = DefaultWorld();
    auto damage = [](const WeaponRecord& x) {
        return x.dice * (x.sides / 2.0 + MagicBonus(x.magic));
    };
    for (std::size_t i = 1; i < w.weapons.size(); ++i) {
        SCOPED_TRACE("weapon " + std::to_string(i + 1));
        EXPECT_GT(w.weapons[i].price, w.weapons[i - 1].price);
        EXPECT_GT(damage(w.weapons[i]), damage(w.weapons[i - 1]));
    }
    auto armor_class = [](const ArmorRecord& x) { return x.base_class + MagicBonus(x.magic); };
    for (std::size_t i = 1; i < w.armors.size(); ++i) {
        SCOPED_TRACE("armour " + std::to_string(i + 1));
        EXPECT_GT(w.armors[i].price, w.armors[i - 1].price);
        EXPECT_GT(armor_class(w.armors[i]), armor_class(w.armors[i - 1]));
    }
    EXPECT_EQ(w.levels.at(0).experience, 0);
    for (std::size_t i = 1; i < w.levels.size(); ++i)
        EXPECT_GT(w.levels[i].experience, w.levels[i - 1].experience) << "level " << i + 1;

    // The names fit the columns of the shops' lists, which cut what is longer.
    for (const auto& x : w.weapons) EXPECT_LE(x.name.view().size(), 17u) << x.name.view();
    for (const auto& x : w.armors) EXPECT_LE(x.name.view().size(), 17u) << x.name.view();
    for (const auto& x : w.items) EXPECT_LE(x.name.view().size(), 20u) << x.name.view();

    // The kinds of wares the town must have on its shelves, and some to be found.
    auto has = [&](auto pred) { return std::any_of(w.items.begin(), w.items.end(), pred); };
    EXPECT_TRUE(has([](const auto& x) { return x.sold && (x.effect & 0x01) && (x.kind & 64); }));
    EXPECT_TRUE(has([](const auto& x) {
        return x.sold && (x.effect & 0x02) && x.effect_value == 1 && (x.kind & 256);
    }));
    EXPECT_TRUE(has([](const auto& x) { return x.sold && (x.effect & 0x04) && (x.kind & 8); }));
    EXPECT_TRUE(has([](const auto& x) { return x.kind & 512; }));
    EXPECT_TRUE(has([](const auto& x) { return x.kind & 1; }));
    EXPECT_TRUE(has([](const auto& x) { return x.kind & 16; }));
    EXPECT_TRUE(has([](const auto& x) { return (x.kind & 32) && x.bought && !x.sold; }));
}

// Death and the loss of weapon, armour or items come only from a failed check, never from
// simply walking in: a forgotten keep flag would otherwise strip every visitor.
TEST(DefaultWorld, LossesAndDeathFollowOnlyAFailedCheck) {
    const World& w = DefaultWorld();
    std::set<int> failures;
    for (const auto& e : w.events) {
        const bool checked = std::any_of(std::begin(e.check_die), std::end(e.check_die),
                                         [](std::uint8_t d) { return d != 0; });
        if (checked && e.fail_event) failures.insert(e.fail_event);
    }
    std::set<int> room_events;
    for (const auto& r : w.rooms)
        if (r.event) room_events.insert(r.event);
    int deadly = 0;
    for (const auto& e : w.events) {
        const bool harmful =
            e.deadly || !e.keep_weapon || !e.keep_armor || (!e.item_offer && (e.item & 0xFF) != 0);
        if (!harmful) continue;
        SCOPED_TRACE("event " + std::to_string(e.number));
        EXPECT_TRUE(failures.count(e.number));
        EXPECT_FALSE(room_events.count(e.number));
        if (e.deadly) {
            ++deadly;
            EXPECT_FALSE(e.killer.view().empty());
        }
    }
    EXPECT_GE(deadly, 2);
}

TEST(DefaultWorld, BuildingsFormATreeThatCanBeBuiltInOrder) {
    const World& w = DefaultWorld();
    for (const auto& b : w.buildings) {
        SCOPED_TRACE(std::string(b.name.view()));
        for (std::uint16_t p : b.prerequisites) EXPECT_LT(p, b.number);
        EXPECT_GT(b.build_time, 0);
        EXPECT_GT(b.gold_cost, 0);
    }
    EXPECT_EQ(w.units.front().tech_level, 0) << "a new city can train its first unit";
    for (std::size_t i = 1; i < w.units.size(); ++i)
        EXPECT_GE(w.units[i].tech_level, w.units[i - 1].tech_level);
}

// ---- Balance ------------------------------------------------------------------------------
//
// A model of the battle grid close enough to count blows: monsters start in their formation,
// the player at (5,15) walks east until one is beside him, then strikes the first one beside
// him. Monsters step toward him, up to their moves a turn, and strike from within their reach.
// To-hit and damage follow the combat rules: a roll of 0 does nothing, a strike lands when the
// roll (plus bonuses) reaches the defender's armour class, each die gives 1 .. sides - 1.

struct Fighter {
    int hp = 0;
    int max_hp = 0;
    int armor_class = 0;
    WeaponRecord weapon{};
};

struct FightResult {
    bool won = false;
    int turns = 0;  // turns with blows exchanged
    int walks = 0;  // turns spent closing in
    int reward = 0;
};

int Roll(Random& rnd, int dice, int sides) {
    int sum = 0;
    for (int i = 0; i < dice; ++i) {
        std::uint32_t v = 0;
        while (v == 0) v = rnd.random(static_cast<std::uint32_t>(sides));
        sum += static_cast<int>(v);
    }
    return sum;
}

FightResult Fight(Random& rnd, Fighter& player, const std::vector<MonsterRecord>& foes) {
    static constexpr std::array<std::array<int, 2>, 10> kFormation{{{65, 15},
                                                                    {67, 14},
                                                                    {67, 16},
                                                                    {69, 13},
                                                                    {69, 17},
                                                                    {73, 13},
                                                                    {73, 17},
                                                                    {75, 14},
                                                                    {75, 16},
                                                                    {77, 15}}};
    struct Foe {
        const MonsterRecord* m;
        int hp, x, y;
    };
    std::vector<Foe> alive;
    for (std::size_t i = 0; i < foes.size(); ++i) {
        int hp = 0;
        while (hp < foes[i].hp_min)
            hp = static_cast<int>(rnd.random(static_cast<std::uint32_t>(foes[i].hp_max)));
        alive.push_back({&foes[i], hp, kFormation[i][0], kFormation[i][1]});
    }
    FightResult result;
    int px = 5, py = 15;
    const int magic = MagicBonus(player.weapon.magic);
    while (!alive.empty() && player.hp > 0 && result.turns + result.walks < 500) {
        auto beside = [&](const Foe& f, int reach) {
            return std::abs(f.x - px) <= reach && std::abs(f.y - py) <= reach;
        };
        auto target =
            std::find_if(alive.begin(), alive.end(), [&](const Foe& f) { return beside(f, 1); });
        const bool striking = target != alive.end();
        const std::size_t target_index = static_cast<std::size_t>(target - alive.begin());
        int step = (!striking && px < 76) ? 1 : 0;
        striking ? ++result.turns : ++result.walks;
        for (auto& f : alive) {
            for (int s = 0; s < f.m->moves; ++s) {
                const int dx = f.x - (px + step), dy = f.y - py;
                if (std::abs(dx) == 1 && std::abs(dy) == 1) break;
                if (dx > 1 && f.x > 1)
                    --f.x;
                else if (dx < -1 && f.x < 79)
                    ++f.x;
                else if (dy < -1 && f.y < 19)
                    ++f.y;
                else if (dy > 1 && f.y > 10)
                    --f.y;
                else
                    break;
            }
        }
        px += step;
        if (striking) {
            Foe& f = alive[target_index];
            const std::uint32_t roll = rnd.random(40);
            if (roll != 0 && f.m->armor_class <= static_cast<int>(roll) + magic) {
                int damage =
                    Roll(rnd, player.weapon.dice, player.weapon.sides) + magic * player.weapon.dice;
                if (f.m->abilities & 0x200) damage += player.weapon.damage_bonus;
                f.hp -= damage;
                if (f.hp <= 0) {
                    result.reward += f.m->reward;
                    alive.erase(alive.begin() + static_cast<std::ptrdiff_t>(target_index));
                }
            }
        }
        for (const auto& f : alive) {
            if (!beside(f, f.m->reach)) continue;
            const std::uint32_t roll = rnd.random(40);
            if (roll == 0 || static_cast<int>(roll) + f.m->attack_bonus < player.armor_class)
                continue;
            player.hp -= Roll(rnd, f.m->attack_dice, f.m->attack_sides);
        }
    }
    result.won = alive.empty() && player.hp > 0;
    return result;
}

// The wandering-monster roll of a room: up to draw1 monsters, each of a level drawn up to draw2,
// found by walking the monster file and skipping each record with even odds.
std::vector<MonsterRecord> RollEncounter(Random& rnd, const World& w, const RoomRecord& room) {
    std::vector<MonsterRecord> found;
    if (static_cast<int>(rnd.random(100)) > room.monster_chance) return found;
    std::uint32_t n = 0;
    while (n == 0) n = rnd.random(room.monster_draw1 + 1u);
    for (std::uint32_t i = 0; i < n; ++i) {
        std::uint32_t level = 0;
        while (level == 0) level = rnd.random(room.monster_draw2 + 1u);
        for (int wraps = 0, k = 0; wraps <= 200;
             k = (k + 1) % static_cast<int>(w.monsters.size())) {
            if (k == static_cast<int>(w.monsters.size()) - 1) ++wraps;
            const MonsterRecord& m = w.monsters[static_cast<std::size_t>(k)];
            if (rnd.random(2) == 1) continue;
            if (m.level != level || !m.random_encounter) continue;
            if (!(m.abilities & kWaterMonster) != !IsWaterTerrain(room.terrain)) break;
            found.push_back(m);
            break;
        }
    }
    return found;
}

// Time at the keyboard, in seconds. Assumptions: a move to the next room and a look at it
// takes 6 s; a turn spent closing in 1 s; a turn of blows 4 s (the key, the messages and the
// battle delay); a hit point comes back every 9 s of rest (the default recovery). The player
// walks back and forth at the forest edge, rests to full health before every fight and fights
// everything he meets there, bare-handed. At 30% monsters per move that is roughly one fight a
// minute.
constexpr int kMoveSeconds = 6;
constexpr int kWalkTurnSeconds = 1;
constexpr int kBlowTurnSeconds = 4;
constexpr int kSecondsPerHitPoint = 9;

struct Evening {
    bool died = false;
    int seconds = 0;  // until the goal was reached, or the hour was up
    int gold = 100;
    int experience = 0;
};

Evening EarnAtTheForestEdge(Random& rnd, const World& w, Fighter player, int goal) {
    Evening e;
    while (e.seconds < 3600 && e.gold < goal) {
        e.seconds += kMoveSeconds;
        const auto foes = RollEncounter(rnd, w, w.room(2));
        if (foes.empty()) continue;
        e.seconds += (player.max_hp - player.hp) * kSecondsPerHitPoint;
        player.hp = player.max_hp;
        const FightResult r = Fight(rnd, player, foes);
        e.seconds += r.walks * kWalkTurnSeconds + r.turns * kBlowTurnSeconds;
        if (!r.won) {
            e.died = true;
            break;
        }
        e.gold += r.reward;
        e.experience += r.reward;
    }
    return e;
}

Fighter NewCharacter(int constitution) {
    Fighter f;
    f.max_hp = f.hp = constitution + 4;
    f.weapon.name = "Fist";
    f.weapon.dice = 1;
    f.weapon.sides = 2;
    return f;
}

// A new character of middling to poor constitution, bare-handed and unarmoured, lives through an
// hour at the forest edge and earns the price of the second weapon well within it, along with
// the experience for level 2.
TEST(DefaultWorldBalance, ANewCharacterAffordsTheSecondWeaponWithinAnHour) {
    const World& w = DefaultWorld();
    ASSERT_GE(w.weapons.size(), 2u);
    const int price = w.weapons[1].price;
    for (int constitution : {6, 10, 15}) {
        int total_seconds = 0;
        for (std::uint64_t seed = 1; seed <= 20; ++seed) {
            SeededRandom rnd(seed * 7919 + static_cast<std::uint64_t>(constitution));
            const Evening e = EarnAtTheForestEdge(rnd, w, NewCharacter(constitution), price);
            SCOPED_TRACE("constitution " + std::to_string(constitution) + ", seed " +
                         std::to_string(seed));
            EXPECT_FALSE(e.died);
            EXPECT_GE(e.gold, price);
            EXPECT_GE(e.experience, w.levels.at(1).experience);
            total_seconds += e.seconds;
        }
        EXPECT_LE(total_seconds / 20, 45 * 60) << "constitution " << constitution;
    }
}

// A character of constitution 12 at `level`, carrying what the earnings of that level buy and
// with the constitution bought at the gymnasium with the build points of the levels gained (the
// default formula: level div 7).
Fighter Equipped(const World& w, int level) {
    //                                level: 1  2  3  4  5  6  7  8  9 10 11 12 13 14 15 16 17 18 19
    //                                20 21
    static constexpr std::array<int, 21> weapon{2, 2, 3, 3, 4, 5, 5, 5, 6, 6, 6,
                                                7, 7, 7, 8, 8, 8, 9, 9, 9, 9};
    static constexpr std::array<int, 21> armor{0, 2, 2, 3, 3, 4, 5, 5, 6, 6, 7,
                                               7, 7, 8, 8, 8, 9, 9, 9, 9, 9};
    int build_points = 0, steps = 0;
    for (int l = 1; l < level; ++l) {
        build_points += l / 7;
        while (build_points >= steps + 1) build_points -= ++steps;
    }
    const auto i = static_cast<std::size_t>(std::clamp(level, 1, 21) - 1);
    Fighter f = NewCharacter(12);
    f.max_hp = f.hp = f.max_hp + 3 * steps;
    f.weapon = w.weapons.at(static_cast<std::size_t>(weapon[i] - 1));
    if (armor[i]) {
        const ArmorRecord& a = w.armors.at(static_cast<std::size_t>(armor[i] - 1));
        f.armor_class = a.base_class + MagicBonus(a.magic);
    }
    return f;
}

int Wins(Random& rnd, const Fighter& base, const std::vector<MonsterRecord>& foes, int fights) {
    int won = 0;
    for (int n = 0; n < fights; ++n) {
        Fighter player = base;
        won += Fight(rnd, player, foes).won;
    }
    return won;
}

// The trainer's masters fall far more often than not to a character at full health who carries
// what the level before paid for: for level 2 the second weapon and no armour.
TEST(DefaultWorldBalance, TheTrainersMastersCanBeBeaten) {
    const World& w = DefaultWorld();
    SeededRandom rnd(2024);
    for (int level = 2; level <= 21; ++level) {
        const MonsterRecord* master = nullptr;
        for (const auto& m : w.monsters)
            if (m.level == level && !master) master = &m;
        ASSERT_NE(master, nullptr);
        EXPECT_GE(Wins(rnd, Equipped(w, level - 1), {*master}, 200), 170)
            << "master of level " << level;
    }
}

// The fights that events start are won by a character of the highest level met on the way to the
// event's room, at full health, nine times in ten.
TEST(DefaultWorldBalance, EventFightsSuitTheirPlace) {
    const World& w = DefaultWorld();
    const std::vector<int> cap = LevelCaps(w, nullptr);
    SeededRandom rnd(77);
    int fights = 0;
    for (const auto& room : w.rooms) {
        std::set<int> seen;
        std::vector<int> chain{room.event};
        while (!chain.empty()) {
            const int n = chain.back();
            chain.pop_back();
            if (n <= 0 || !seen.insert(n).second) continue;
            const EventRecord& e = w.event(n);
            chain.insert(chain.end(), {e.next_event, e.fail_event, e.done_event});
            if (e.monster == 0) continue;
            ++fights;
            const int level = std::max(1, cap[static_cast<std::size_t>(room.number)]);
            const std::vector<MonsterRecord> foes(e.monster_number, w.monster(e.monster));
            EXPECT_GE(Wins(rnd, Equipped(w, level), foes, 100), 90)
                << "event " << n << " in room " << room.number << " at level " << level;
        }
    }
    EXPECT_GE(fights, 10);
}

// ---- Cities -------------------------------------------------------------------------------
//
// A city's nights as the nightly run advances them (production, upkeep, construction, research),
// run by the night's own code, and a founder who comes by every evening: he keeps his scholars on
// the science the next plan lacks, and while nothing is being raised starts the next building of
// the plans, or a quarry, a sawmill or a mine when stones, lumber or metals are what it lacks. His
// purse pays what the treasury cannot. The city's own rules (refusals, shortages, payment) are the
// game's.

void Night(CityBuffers& c, const World& w) {
    ManualClock clock;
    PassCityDay(
        c,
        [&w](int number, BuildingTypeRecord& type) {
            if (number < 1 || number > static_cast<int>(w.buildings.size())) return false;
            type = w.buildings[static_cast<std::size_t>(number - 1)];
            return true;
        },
        clock);
}

// The first building of the plans not yet standing that needs a science the city lacks, and
// that science; 0 when none does.
int ScienceWanted(const CityBuffers& c, const World& w) {
    for (const auto& t : w.buildings) {
        if (c.buildings.buildings[t.number - 1] != 0) continue;
        for (int j = 0; j < kSciences; ++j) {
            if (c.city.science_level[j] < t.science_levels[j]) return j + 1;
        }
    }
    return 0;
}

void FoundersEvening(CityBuffers& c, const World& w, UserRecord& founder) {
    const int science = ScienceWanted(c, w);
    if (science != 0 && c.city.research_science[0] != science) {
        AssignResearch(c.city, 0, science, 100);
    }
    if (c.city.construction_number != 0) return;
    const auto next = std::find_if(w.buildings.begin(), w.buildings.end(), [&](const auto& t) {
        return c.buildings.buildings[t.number - 1] == 0;
    });
    if (next == w.buildings.end() || !BuildingRefusal(c, next->number, *next).empty()) return;
    const std::string_view shortage = BuildingShortage(c.city, founder.gold, *next);
    int type = next->number;
    if (shortage == "Not enough stones") type = 3;
    if (shortage == "Not enough lumber") type = 2;
    if (shortage == "Not enough metals") type = 4;
    const BuildingTypeRecord& t = w.buildings.at(static_cast<std::size_t>(type - 1));
    if (BuildingRefusal(c, type, t).empty() && BuildingShortage(c.city, founder.gold, t).empty()) {
        StartBuilding(founder, c.city, type, t);
    }
}

// The first buildings rise within the first evenings; the whole of the plans is the work of some
// months of evenings, never out of reach, and costs the founder less than an evening's earnings
// a night; the city's technology reaches every unit on the way.
TEST(DefaultWorldBalance, ACityGrowsOverManyEvenings) {
    const World& w = DefaultWorld();
    test::TempDir dir;  // the founder's news of finished buildings goes here
    auto c = std::make_unique<CityBuffers>();
    c->city = NewCityRecord();
    UserRecord founder{};
    constexpr std::int32_t kPurse = 1'000'000'000;
    founder.gold = kPurse;
    std::map<int, int> standing_after;  // night -> buildings standing
    int all_built = 0;
    int all_units = 0;
    const int top_unit = w.units.back().tech_level;
    for (int night = 1; night <= 400 && (all_built == 0 || all_units == 0); ++night) {
        FoundersEvening(*c, w, founder);
        if (night == 1) {
            EXPECT_NE(c->city.construction_number, 0) << "nothing to start with";
        }
        Night(*c, w);
        int kinds = 0;
        for (const auto& t : w.buildings) kinds += c->buildings.buildings[t.number - 1] != 0;
        standing_after[night] = kinds;
        if (kinds == static_cast<int>(w.buildings.size()) && all_built == 0) all_built = night;
        if (c->city.tech_level >= top_unit && all_units == 0) all_units = night;
    }
    SCOPED_TRACE("kinds standing after a week " + std::to_string(standing_after[7]) + ", a month " +
                 std::to_string(standing_after[30]) + "; all kinds on night " +
                 std::to_string(all_built) + "; every unit on night " + std::to_string(all_units) +
                 "; the founder paid " + std::to_string(kPurse - founder.gold));
    EXPECT_GE(standing_after[7], 3);
    EXPECT_GE(standing_after[30], 8);
    EXPECT_GE(all_built, 60) << "the plans are too quickly done";
    EXPECT_LE(all_built, 150) << "the plans are out of reach";
    EXPECT_GT(all_units, 0) << "some units are never within reach";
    EXPECT_LE(all_units, all_built);
    EXPECT_LE(kPurse - founder.gold, 400LL * all_built);
}

}  // namespace
}  // namespace vorn
