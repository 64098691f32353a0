// The state of play shared by the exploration loop, combat, the city and the item use: the flags
// that tell who owns the screen, the encounter list, the status line and the battlefield.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/world_records.hpp"

namespace vorn {

inline constexpr int kEncounterSlots = 19;
inline constexpr int kStatusSlots = 255;

// Status slots with a fixed use.
inline constexpr int kStatusSylvan = 0;
inline constexpr int kStatusMana = 1;
inline constexpr int kStatusHp = 2;
inline constexpr int kStatusDrowning = 3;
inline constexpr int kStatusGas = 5;
inline constexpr int kStatusSurprise = 100;     // 100 + slot: a monster surprised the player
inline constexpr int kStatusFirstAttack = 200;  // 200 + slot: a monster struck first

// The battlefield while a fight runs. Slot i (1..19) of every array is monster i of the
// encounter list; index 0 is unused.
struct BattleState {
    std::array<int, kEncounterSlots + 1> column{};
    std::array<int, kEncounterSlots + 1> row{};
    std::array<int, kEncounterSlots + 1> step_column{};
    std::array<int, kEncounterSlots + 1> step_row{};
    std::array<std::int32_t, kEncounterSlots + 1> hp{};
    // Each slot's record, read once at the start so a strike needs no file access.
    std::array<MonsterRecord, kEncounterSlots + 1> monster{};
    int player_column = 5;
    int player_row = 15;
    int player_step_column = 0;
    int player_step_row = 0;
    int target = 0;
    bool casting = false;
    bool item_used = false;
    int bolt_damage = 0;
    // East, west, north, south, north-east, north-west, south-west, south-east.
    std::array<bool, 8> open{};
    bool first_attack = false;
    int panel_start = 1;
    int message_row = 21;
    bool over = false;
    bool fled = false;
};

struct PlayState {
    // Who owns the screen: the exploration loop waits for a command, or a battle runs.
    bool exploring = false;
    bool in_battle = false;
    // Show the exploration screen again on the next pass.
    bool redraw = false;
    // Set by the city's "Quit game": the exploration loop ends.
    bool quit = false;
    int wrong_passwords = 0;  // typed at the game's logon during this call

    // Monster record numbers met, slot 1..19 (0 = empty or dead).
    std::array<std::int32_t, kEncounterSlots + 1> encounter{};
    int encounter_total = 0;

    // Handed to the death of the player when hit points fall below 1.
    std::string cause_of_death;

    // Recovery: the amount added to hit points on each tick, and the intervals in seconds.
    int hp_tick = 1;
    int hp_interval = 0;
    int mana_interval = 0;
    std::int64_t last_hp_tick = 0;
    std::int64_t last_mana_tick = 0;
    std::int64_t last_status_change = 0;
    std::int64_t last_sylvan_tick = 0;

    // The rotating status line.
    std::array<std::string, kStatusSlots> status{};
    int status_index = 0;

    BattleState battle;

    void clear_encounters() {
        encounter.fill(0);
        encounter_total = 0;
    }
};

}  // namespace vorn
