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

bool HasSkill(const UserRecord& user, int skill);
void AddSkill(UserRecord& user, int skill);

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
