#include "player/attribute_checks.hpp"

#include <cmath>
#include <string>

#include "core/session.hpp"

namespace vorn {

namespace {

struct AttributeRow {
    const char* heading;
    std::uint8_t UserRecord::*value;
    U16 UserRecord::*bonus;
};

const AttributeRow& RowOf(Attribute a) {
    static const AttributeRow rows[] = {
        {"Checking Strenght...", &UserRecord::str, &UserRecord::bonus_str},
        {"Checking Dexterity...", &UserRecord::dex, &UserRecord::bonus_dex},
        {"Checking Constitution...", &UserRecord::con, &UserRecord::bonus_con},
        {"Checking Intelligence...", &UserRecord::int_, &UserRecord::bonus_int},
        {"Checking Wisdom...", &UserRecord::wis, &UserRecord::bonus_wis},
        {"Checking Charisma...", &UserRecord::cha, &UserRecord::bonus_cha},
        {"Checking Comelliness...", &UserRecord::com, &UserRecord::bonus_com},
    };
    return rows[static_cast<int>(a)];
}

// Draws one bar; `states` are the texts for below a third and below two thirds.
bool DrawBar(Session& session, std::int32_t value, std::int32_t maximum, const char* very_low,
             const char* low, std::string& state) {
    Writer& out = session.writer;
    const int column = out.cursor_column();
    const int row = out.cursor_row();
    if (value < 1) return false;
    out.set_attribute(0, 0, false);
    out.print_text(std::string(10, ' '));
    out.go_to(column, row);

    // An unset maximum counts as a full bar rather than a division by zero.
    const double ratio = maximum > 0 ? static_cast<double>(value) / maximum : 1.0;
    const long pct = std::lrint(std::nearbyint(ratio * 100));
    int background = 4;
    state = very_low;
    if (pct > 33) {
        background = 6;
        state = low;
    }
    if (pct > 66) {
        background = 2;
        state.clear();
    }
    out.set_attribute(background, background, false);
    // More than ten cells when the value exceeds its maximum, but never past the screen's edge.
    long cells = std::lrint(std::nearbyint(ratio * 10));
    cells = std::min<long>(cells, 81 - column);
    out.print_text(std::string(static_cast<std::size_t>(std::max<long>(cells, 0)), '\xDB'));
    out.go_to(column, row);
    out.set_attribute(0, background, false);
    out.print_text(std::to_string(pct) + "%");
    out.set_attribute(0, 0, false);
    return true;
}

}  // namespace

bool CheckAttribute(Session& session, Attribute attribute, std::uint8_t die, bool use_bonus,
                    bool verbose) {
    const AttributeRow& row = RowOf(attribute);
    const UserRecord& user = session.users.current;
    Writer& out = session.writer;
    if (verbose) {
        out.go_to(2, 12);
        out.print_text(std::string(77, ' '));
        out.go_to(2, 12);
        out.set_attribute(12, 0, false);
        out.print_text(row.heading);
    }
    const std::uint32_t roll = session.rng.random(die);
    std::uint32_t value = user.*row.value;
    if (use_bonus) value += (user.*row.bonus).get();
    const bool passed = value >= roll;
    if (verbose) {
        out.print_text((passed ? "Passed with " : "Failed with ") + std::to_string(roll) + " on " +
                       std::to_string(value) + " !");
    }
    return passed;
}

bool CheckStrength(Session& s, std::uint8_t die, bool bonus, bool verbose) {
    return CheckAttribute(s, Attribute::kStrength, die, bonus, verbose);
}
bool CheckDexterity(Session& s, std::uint8_t die, bool bonus, bool verbose) {
    return CheckAttribute(s, Attribute::kDexterity, die, bonus, verbose);
}
bool CheckConstitution(Session& s, std::uint8_t die, bool bonus, bool verbose) {
    return CheckAttribute(s, Attribute::kConstitution, die, bonus, verbose);
}
bool CheckIntelligence(Session& s, std::uint8_t die, bool bonus, bool verbose) {
    return CheckAttribute(s, Attribute::kIntelligence, die, bonus, verbose);
}
bool CheckWisdom(Session& s, std::uint8_t die, bool bonus, bool verbose) {
    return CheckAttribute(s, Attribute::kWisdom, die, bonus, verbose);
}
bool CheckCharisma(Session& s, std::uint8_t die, bool bonus, bool verbose) {
    return CheckAttribute(s, Attribute::kCharisma, die, bonus, verbose);
}
bool CheckComeliness(Session& s, std::uint8_t die, bool bonus, bool verbose) {
    return CheckAttribute(s, Attribute::kComeliness, die, bonus, verbose);
}

// Every drawing of a bar leaves its warning on the status line of the exploration and battle
// screens, so the line never warns of a state the bar has left.
bool ShowHpBar(Session& session) {
    const UserRecord& u = session.users.current;
    const bool drawn = DrawBar(session, u.hp, u.max_hp, "|12Very |04Low |12HP", "|04Low |12HP",
                               session.codes.hp_state);
    session.play.status[kStatusHp] = session.codes.hp_state;
    return drawn;
}

void ShowManaBar(Session& session) {
    const UserRecord& u = session.users.current;
    DrawBar(session, u.mana, u.max_mana, "|12Very |04Low |01Mana", "|04Low |01Mana",
            session.codes.mana_state);
    session.play.status[kStatusMana] = session.codes.mana_state;
}

}  // namespace vorn
