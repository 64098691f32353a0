// The seven attribute checks that events and other rules roll against, and the hit-point and
// mana bars.
#pragma once

#include <cstdint>

namespace vorn {

struct Session;

enum class Attribute {
    kStrength,
    kDexterity,
    kConstitution,
    kIntelligence,
    kWisdom,
    kCharisma,
    kComeliness
};

// Rolls random(die) against the attribute (plus its trained addition when `use_bonus`); passes
// when the roll is not above the value. Verbose checks print their heading and result on row 12.
bool CheckAttribute(Session& session, Attribute attribute, std::uint8_t die, bool use_bonus,
                    bool verbose);

bool CheckStrength(Session& session, std::uint8_t die, bool use_bonus, bool verbose);
bool CheckDexterity(Session& session, std::uint8_t die, bool use_bonus, bool verbose);
bool CheckConstitution(Session& session, std::uint8_t die, bool use_bonus, bool verbose);
bool CheckIntelligence(Session& session, std::uint8_t die, bool use_bonus, bool verbose);
bool CheckWisdom(Session& session, std::uint8_t die, bool use_bonus, bool verbose);
bool CheckCharisma(Session& session, std::uint8_t die, bool use_bonus, bool verbose);
bool CheckComeliness(Session& session, std::uint8_t die, bool use_bonus, bool verbose);

// The bars, drawn at the cursor: ten cells for a full bar and the percentage over them. The hit
// point bar returns false (drawing nothing) when the player has no hit points left.
bool ShowHpBar(Session& session);
void ShowManaBar(Session& session);

}  // namespace vorn
