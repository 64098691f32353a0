// Racial skills and disadvantages: what each race and sub-race grants a new character, the names
// of races and sub-races, and the list screen of advantages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/user_records.hpp"

namespace vorn {

struct Session;

inline constexpr int kSkillCount = 228;

// The text of skill k (0..227); empty for any other number.
std::string_view SkillName(int skill);
// The text of one disadvantage bit; empty for an unknown bit.
std::string_view DisadvantageName(std::uint16_t bit);

// The skills the rules of play test, by their number in the list of skills.
enum class Skill : int {
    kBowToHit = 6,
    kSwordToHit = 7,
    kSurprise = 9,
    kBreatheWater = 10,
    kHateOrc = 26,  // .. 30: Half-Orcs, Goblins, HobGoblins, Kobolds: monster categories 1..5
    kNaturalArmour4 = 35,
    kNaturalArmour5 = 36,
    kNaturalArmour6 = 37,
    kFlying = 40,
    kImmuneFire = 46,
    kImmuneGas = 47,
    kImmuneCold = 48,
    kImmuneElectricity = 49,
    kImmuneAcid = 50,
    kImmunePoison = 51,
    kImmuneNaturalCold = 52,
    kImmuneLight = 53,
    kImmuneSound = 54,
    kImmuneFear = 55,
    kImmuneWeb = 56,
    kHalfMagicalFire = 66,
    kHalfCold = 67,
    kHalfGas = 68,
    kImmuneNormalFire = 71,
    kNotSurprised = 110,
    kWeaponToHit1 = 111,  // .. 114: +1 .. +4 weapon to hit
    kFirstAttack = 137,
    kBackstab = 142,
    kRegenerate = 152,
    kVampiric = 154,
    kAttackRoll2 = 186,
};

// The skill `n` places after `first`: the hates by monster category, the weapon bonuses.
constexpr Skill SkillAfter(Skill first, int n) {
    return static_cast<Skill>(static_cast<int>(first) + n);
}

// Skills by number, as the race tables and the list screens count them.
bool HasSkill(const UserRecord& user, int skill);
void AddSkill(UserRecord& user, int skill);
inline bool HasSkill(const UserRecord& user, Skill skill) {
    return HasSkill(user, static_cast<int>(skill));
}

// "Human" .. "Undead" for race codes 1..12; empty otherwise.
std::string_view RaceName(int race);
// The stored name of a sub-race ("Indian" for Human 4, "none" for the Gnome); empty when unknown.
std::string_view SubraceName(int race, int subrace);

// Grants the race's and then the sub-race's skills and traits and sets the two names (no screen).
void GrantRacialSkills(UserRecord& user);

// Prints the heading, grants the skills and shows the list of advantages.
void DetermineRacialSkills(Session& session);
// The list of the player's skills and disadvantages, with pauses.
void ShowAdvantages(Session& session);

}  // namespace vorn
