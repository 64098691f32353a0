#include "player/racial_skills.hpp"

#include <array>
#include <optional>
#include <vector>

#include "core/session.hpp"

namespace vorn {

namespace {

constexpr const char* kSkillNames[kSkillCount] = {
#include "player/skill_names.inc"
};

struct Disadvantage {
    std::uint16_t bit;
    const char* text;
};

constexpr Disadvantage kDisadvantages[] = {
    {0x0001, "Can not remain at the surface"},
    {0x0002, "Disavantaged in bright light"},
    {0x0004, "Must return Underground for some time"},
    {0x0008, "Claustrophobic"},
    {0x0010, "Hates everything except forest"},
    {0x0020, "Can only remain limited time at the surface"},
    {0x0040, "Partly resistant to magic"},
    {0x0080, "Will fall in sleep if too cold"},
    {0x0100, "-2 Malus against Gas attacks"},
    {0x0200, "Damage received as large"},
    {0x0400, "Can not level up"},
    {0x0800, "Can only live in Water"},
    {0x1000, "Can not choose a class"},
};

// What one race or sub-race grants. Skills are written as a list with ranges ("92-100").
struct Grant {
    const char* skills = "";
    std::uint16_t add = 0;
    std::uint16_t remove = 0;
    std::optional<int> hp;
    std::optional<int> percent;
    std::optional<int> modifier;
    // Sub-race traits: (position 1..9, value) pairs of skill_values.
    std::vector<std::pair<int, int>> values;
};

struct Race {
    const char* name;
    Grant all;
    std::vector<std::pair<const char*, Grant>> subraces;  // stored name, grant
};

const std::vector<Race>& Races() {
    static const std::vector<Race> races = {
        {"Human", {}, {{"Black", {}}, {"White", {}}, {"Native", {}}, {"Indian", {}}}},
        {"Elf",
         {.skills = "4-9"},
         {{"Sylvan", {.skills = "23", .add = 0x0010}},
          {"High", {}},
          {"Grey", {.skills = "22", .modifier = -2}},
          {"Aquatic", {.skills = "10", .add = 0x0020}},
          {"Drow", {.skills = "11-13", .add = 0x0006, .percent = 50}}}},
        {"Dwarf",
         {.skills = "0,24-29,31", .add = 0x0040},
         {{"Hill", {}}, {"Mountain", {}}, {"Duegar", {}}}},
        {"Half-Elf",
         {.skills = "0,4,32"},
         {{"Human", {}}, {"Dwarf", {}}, {"Gnome", {}}, {"Dragon", {}}}},
        {"Gnome", {.skills = "0,28,30,33,34", .remove = 0x0040}, {}},
        {"Saurial",
         {.add = 0x0180},
         {{"BladeBack", {.skills = "0,35,38,39", .add = 0x0200, .hp = 2}},
          {"FinHead", {.skills = "0,36,38,39"}},
          {"Flyer", {.skills = "0,37,38,39,40"}},
          {"HornHead", {.skills = "0,35,38,39", .add = 0x0200, .hp = 4}}}},
        {"Dragon",
         {.skills = "41-45,62,65", .add = 0x0200},
         {{"Black", {.skills = "50"}},
          {"Blue", {.skills = "49"}},
          {"Green", {.skills = "47"}},
          {"Red", {.skills = "46"}},
          {"White", {.skills = "48"}},
          {"Amethyst", {.skills = "51,60,61"}},
          {"Crystal", {.skills = "52,53"}},
          {"Emerald", {.skills = "54"}},
          {"Sapphire", {.skills = "55-59"}},
          {"Topaz", {.skills = "48"}},
          {"Brass", {.skills = "46"}},
          {"Bronze", {.skills = "49"}},
          {"Copper", {.skills = "50,64"}},
          {"Gold", {.skills = "46,47"}},
          {"Silver", {.skills = "48"}}}},
        {"Tanar'ri",
         {.skills = "0,13,39,41,49,66-68,71,75,118", .add = 0x1600},
         {{"Balor", {.skills = "19,20,39,72,76,77,86-91,113", .percent = 70}},
          {"Glabrezu", {.skills = "20,72,77,92-100,112", .percent = 50}},
          {"Hezrou", {.skills = "73,74,78-85,110,112", .percent = 70}},
          {"Marilith", {.skills = "16,90,101-110,112,115-117", .percent = 70}},
          {"Nalfeshnee", {.skills = "76,119-134", .percent = 70}},
          {"Vrock", {.skills = "0,16,90,107,110,112,135-139", .percent = 70}},
          {"Babau",
           {.skills = "14,20,70,86,108,111,140-144",
            .remove = 0x0200,
            .percent = 50,
            .values =
                {{1, 30}, {2, 30}, {3, 25}, {4, 95}, {5, 80}, {6, 35}, {7, 90}, {8, 30}, {9, 4}}}},
          {"Chasme", {.skills = "70,76,90,145-150", .remove = 0x0200, .percent = 50}},
          {"Nabassu",
           {.skills = "13,70,151-155,161",
            .remove = 0x0200,
            .percent = 50,
            .values = {{4, 40}, {5, 50}, {6, 55}, {9, 2}}}},
          {"Succubus", {.skills = "19,46,93,100,112,156-159,162", .remove = 0x0200, .percent = 30}},
          {"Cambion",
           {.skills = "16,108,110",
            .remove = 0x0200,
            .percent = 30,
            .values = {{4, 80}, {5, 80}, {7, 95}}}},
          {"Alu-Fiend", {.skills = "0,19,93,111,158-160", .remove = 0x0200}}}},
        {"Baatezu",
         {.skills = "0,19,39,40,46,51,67,68,75,93,101,111,130,152,178,179",
          .add = 0x1600,
          .percent = 30},
         {{"Pit Fiend", {.skills = "16,81,85-87,89,107,108,115,180-182,187", .percent = 50}},
          {"Black Abishai", {.skills = "81,87,118,183-186"}},
          {"Green Abishai", {.skills = "81,87,118,183-186"}},
          {"Red Abishai", {.skills = "81,87,118,183-186", .remove = 0x0200}}}},
        {"Beholder",
         {.skills = "39,40", .add = 0x1600},
         {{"Standard", {.skills = "86,90,93,102,133,188-193", .remove = 0x0200}},
          {"Death Kiss", {.skills = "0,152"}},
          {"Eye of the Deep", {.skills = "181,194,195", .add = 0x0800, .remove = 0x0200}},
          {"Gauth", {.skills = "102,152,155,196-199"}},
          {"Spectator", {.skills = "102,155,200,201", .remove = 0x0200, .percent = 5}},
          {"Undead", {.skills = "57,90,188,190-193,202,203"}},
          {"Hive Mother", {.skills = "188,204", .percent = 5}},
          {"Director", {.skills = "92,133,205-208,210", .percent = 20}},
          {"Examiner", {.skills = "95,211-215", .remove = 0x0200, .percent = 25}},
          {"Lensman", {.skills = "20,91,209,216,218,226", .remove = 0x0200}},
          {"Overseer", {.skills = "20,90,139,155,197,215,217-222,227", .percent = 35}},
          {"Watcher", {.skills = "19,90,91,158,179,223-225"}}}},
        {"Lycanthrope",
         {.skills = "39,111,163", .add = 0x1400},
         {{"Seawolf", {.skills = "164,166", .add = 0x0200}},
          {"Werebat", {.skills = "40,167"}},
          {"Werebear", {.skills = "168-170", .add = 0x0200}},
          {"Wereboar", {.skills = "171"}},
          {"Werefox", {.skills = "5,93,172"}},
          {"Wererat", {.skills = "9,173,174"}},
          {"Wereraven", {.skills = "40,112,175"}},
          {"Weretiger", {.skills = "176", .add = 0x0200}},
          {"Werewolf", {.skills = "9,177"}}}},
        {"Undead",
         {.add = 0x1400},
         {{"Skeleton", {}},
          {"Zombie", {}},
          {"Vampire", {}},
          {"Wraith", {}},
          {"Shadow", {}},
          {"Wight", {}},
          {"Lich", {}},
          {"Mummy", {}}}},
    };
    return races;
}

const Race* RaceOf(int race) {
    const auto& races = Races();
    return race >= 1 && race <= static_cast<int>(races.size()) ? &races[race - 1] : nullptr;
}

void ApplyGrant(UserRecord& user, const Grant& grant) {
    std::string_view list = grant.skills;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        const std::size_t dash = item.find('-');
        const int first = std::stoi(std::string(item.substr(0, dash)));
        const int last =
            dash == std::string_view::npos ? first : std::stoi(std::string(item.substr(dash + 1)));
        for (int k = first; k <= last; ++k) AddSkill(user, k);
    }
    user.disadvantages =
        static_cast<std::uint16_t>((user.disadvantages | grant.add) & ~grant.remove);
    if (grant.hp) user.hp = *grant.hp;
    if (grant.percent) user.racial_percent = static_cast<std::uint8_t>(*grant.percent);
    if (grant.modifier) user.racial_modifier = static_cast<std::int16_t>(*grant.modifier);
    for (const auto& [position, value] : grant.values) {
        user.skill_values[position - 1] = static_cast<std::uint8_t>(value);
    }
}

}  // namespace

std::string_view SkillName(int skill) {
    return skill >= 0 && skill < kSkillCount ? kSkillNames[skill] : std::string_view{};
}

std::string_view DisadvantageName(std::uint16_t bit) {
    for (const auto& d : kDisadvantages) {
        if (d.bit == bit) return d.text;
    }
    return {};
}

bool HasSkill(const UserRecord& user, int skill) {
    return skill >= 0 && skill < 232 && (user.racial_skills[skill / 8] >> (skill % 8)) & 1;
}

void AddSkill(UserRecord& user, int skill) {
    if (skill < 0 || skill >= 232) return;
    user.racial_skills[skill / 8] =
        static_cast<std::uint8_t>(user.racial_skills[skill / 8] | (1u << (skill % 8)));
}

std::string_view RaceName(int race) {
    const Race* r = RaceOf(race);
    return r != nullptr ? r->name : std::string_view{};
}

std::string_view SubraceName(int race, int subrace) {
    const Race* r = RaceOf(race);
    if (r == nullptr) return {};
    if (r->subraces.empty()) return "none";
    if (subrace < 1 || subrace > static_cast<int>(r->subraces.size())) return {};
    return r->subraces[subrace - 1].first;
}

void GrantRacialSkills(UserRecord& user) {
    const Race* r = RaceOf(user.race);
    if (r == nullptr) return;
    ApplyGrant(user, r->all);
    if (user.subrace >= 1 && user.subrace <= r->subraces.size()) {
        ApplyGrant(user, r->subraces[user.subrace - 1].second);
    }
    user.race_name = RaceName(user.race);
    user.subrace_name = SubraceName(user.race, user.subrace);
}

void DetermineRacialSkills(Session& session) {
    session.writer.print_coded_line("Determining your Racial skills...");
    GrantRacialSkills(session.users.current);
    ShowAdvantages(session);
}

void ShowAdvantages(Session& session) {
    Writer& out = session.writer;
    const UserRecord& user = session.users.current;
    out.set_foreground(11);
    out.print_line("Now for the advantages...");
    out.print_line("Note that some of them must be activated (or programmed in the game)");
    out.set_foreground(10);
    session.keys.pause_key();

    bool any = false;
    int lines = 0;
    for (int k = 0; k < kSkillCount; ++k) {
        if (!HasSkill(user, k)) continue;
        any = true;
        out.print_line(SkillName(k));
        if (++lines > 24) {
            session.keys.pause_key();
            lines = 0;
            out.set_foreground(10);
        }
    }
    if (!any) out.print_line("Err...No skills");

    session.keys.pause_key();
    out.set_foreground(4);
    out.print_line("Now for the disadvantages...");
    session.keys.pause_key();
    out.set_foreground(12);
    if (user.disadvantages == 0) {
        out.print_line("Err...No Disadvantages, for now!");
    } else {
        for (const auto& d : kDisadvantages) {
            if (user.disadvantages & d.bit) out.print_line(d.text);
        }
    }
    session.keys.pause_key();
}

}  // namespace vorn
