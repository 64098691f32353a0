#include "play/explore.hpp"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/session.hpp"
#include "core/startup.hpp"
#include "mail/message_reader.hpp"
#include "mail/news.hpp"
#include "node/node_lines.hpp"
#include "node/node_list.hpp"
#include "node/node_table.hpp"
#include "play/city_founding.hpp"
#include "play/city_menu.hpp"
#include "play/combat.hpp"
#include "play/help_centre.hpp"
#include "play/items.hpp"
#include "player/attribute_checks.hpp"
#include "player/player_screens.hpp"
#include "player/racial_skills.hpp"
#include "player/user_files.hpp"
#include "term/line_editor.hpp"
#include "world/world_files.hpp"

namespace vorn {

namespace {

// Where the Sylvan effect puts a player barred from the city.
constexpr std::int32_t kForest = 2;

// Skills and disadvantages the map tests.
constexpr int kSkillBreatheWater = 10;
constexpr int kSkillFlying = 40;
constexpr int kSkillGasImmunity = 47;
constexpr int kSkillGasHalfImmunity = 68;
constexpr int kSkillRegenerate = 152;
constexpr std::uint16_t kNoSurface = 0x0001;
constexpr std::uint16_t kClaustrophobic = 0x0008;
constexpr std::uint16_t kGasMalus = 0x0100;
constexpr std::uint16_t kWaterOnly = 0x0800;

bool DeepWater(int terrain) {
    return terrain == 8 || terrain == 24 || terrain == 25 || terrain == 27 || terrain == 28;
}
bool WaterForMonsters(int terrain) {
    return DeepWater(terrain) || terrain == 18;
}

std::uint32_t Bit(char letter) {
    return 1u << (letter - 64);
}
bool HasFlag(const RoomRecord& room, char letter) {
    return (room.flags & Bit(letter)) != 0;
}

std::int64_t NowSeconds(Session& session) {
    return session.clock.monotonic_ms() / 1000;
}

void Blank(Writer& out, int column, int row, int width) {
    out.go_to(column, row);
    out.print_text(std::string(static_cast<std::size_t>(width), ' '));
    out.go_to(column, row);
}

void BlankRows(Writer& out, int first, int last) {
    for (int row = first; row <= last; ++row) Blank(out, 2, row, 78);
}

void SetStatus(Session& session, int slot, std::string text) {
    session.play.status[static_cast<std::size_t>(slot)] = std::move(text);
}

std::string SylvanText(int minutes) {
    return minutes > 0 ? "|04Sylvan Effect for |12" + std::to_string(minutes) + " |04mins" : "";
}

void DrawBars(Session& session) {
    Writer& out = session.writer;
    out.go_to(68, 16);
    ShowHpBar(session);
    out.go_to(68, 17);
    ShowManaBar(session);
}

// The top row of the exploration screen: the room's name and the minutes left.
void DrawRoomHeader(Session& session) {
    Writer& out = session.writer;
    Blank(out, 12, 2, 16);
    out.set_attribute(9, 0, false);
    out.print_coded(session.world.room.tag.view());
    Blank(out, 40, 2, 3);
    out.set_attribute(14, 0, false);
    out.print_text(std::to_string(session.keys.time_left("M")));
}

void PrintRoomText(Session& session) {
    Writer& out = session.writer;
    out.set_attribute(7, 0, false);
    for (int line = 0; line < kRoomTextLines; ++line) {
        out.go_to(2, 5 + line);
        out.print_coded(session.world.room.text[line].view());
    }
}

// --- menu pages -----------------------------------------------------------------------------

struct Label {
    int column;
    int row;
    const char* text;
};

void DrawPage(Session& session, int page) {
    Writer& out = session.writer;
    for (int row = 16; row <= 21; ++row) Blank(out, 2, row, 34);
    const RoomRecord& room = session.world.room;
    if (page == 1) {
        struct Command {
            char letter;
            int column;
            int row;
            const char* label;
            int hot;  // position of the hot letter in the label
        };
        static constexpr Command kCommands[] = {
            {'N', 3, 16, "North", 0},  {'S', 3, 17, "South", 0}, {'W', 3, 18, "West", 0},
            {'E', 3, 19, "East", 0},   {'U', 3, 20, "Up/", 0},   {'D', 6, 20, "Down", 0},
            {'I', 21, 19, "Items", 0}, {'H', 21, 20, "Help", 0}, {'Q', 21, 21, "Quit", 0},
            {'A', 3, 21, "Attack", 0}, {'Y', 21, 18, "citY", 3},
        };
        out.go_to(21, 16);
        out.set_attribute(8, 0, false);
        out.print_text("Cast spell");
        out.go_to(21, 17);
        out.print_text("eat/dRink");
        for (const Command& c : kCommands) {
            const bool on = HasFlag(room, c.letter);
            out.go_to(c.column, c.row);
            out.set_attribute(on ? 15 : 8, 0, false);
            out.print_text(c.label);
            if (on) {
                out.go_to(c.column + c.hot, c.row);
                out.set_attribute(14, 0, false);
                out.print_text(std::string(1, c.label[c.hot]));
            }
        }
        return;
    }
    static constexpr Label kPage2[] = {
        {21, 16, "|14S|15end email"}, {3, 16, "|14!|15 read email"},
        {3, 18, "|14N|15ode list"},   {21, 18, "|15n|14O|15de to node msg"},
        {3, 21, "|14H|15elp"},        {21, 21, "|14Q|15uit"},
    };
    // The boards, and a line to another node or to all of them; O, the old node message key,
    // stays refused.
    static constexpr Label kPage2More[] = {{3, 17, "|15message |14B|15oards"},
                                           {3, 19, "|14T|15alk to a node"}};
    static constexpr Label kPage3[] = {
        {3, 16, "|15world |14N|15ews"},
        {3, 20, "|14P|15ersonnal news"},
        {21, 19, "|14C|15onfiguration"},
        {21, 18, "|14W|15hat's new"},
        {3, 21, "|14H|15elp"},
        {21, 21, "|14Q|15uit"},
        {21, 16, "|14F|15uture"},
        {3, 18, "|15player |14R|15ank"},
        {21, 20, "|14Y|15our statistics"},
    };
    const auto draw = [&](const auto& labels) {
        for (const Label& l : labels) {
            out.go_to(l.column, l.row);
            out.print_coded(l.text);
        }
    };
    if (page == 2) draw(kPage2);
    if (page == 2) draw(kPage2More);
    if (page == 3) draw(kPage3);
}

void ShowTextFile(Session& session, const char* name, bool pause) {
    session.writer.clear_screen();
    session.writer.show_display_file(name, 28);
    if (pause) session.keys.pause_key();
}

// A hazard the player cannot stand: carried to a random room of the map.
void CarryAway(Session& session) {
    session.users.current.room = RandomRoom(session);
    session.play.redraw = true;
}

// What the pass does next.
enum class Next { kPass, kFullPass, kReturn, kPrompt };

// The hazards of the room; true when the player was carried away and the pass starts again.
bool ApplyHazards(Session& session) {
    PlayState& play = session.play;
    UserRecord& user = session.users.current;
    const RoomRecord& room = session.world.room;
    const int terrain = room.terrain;
    play.hp_tick = 1;
    if (terrain == 26 && !HasSkill(user, kSkillGasImmunity)) {
        SetStatus(session, kStatusGas, "|12Incommodated by gas!");
        play.hp_tick = -4;
        play.cause_of_death = "gas";
        if (user.disadvantages & kGasMalus) {
            SetStatus(session, kStatusGas, "|12Incommodated by gas (heavy)!");
            play.hp_tick -= 3;
        }
        // Half immunity softens the gas.
        if (HasSkill(user, kSkillGasHalfImmunity)) play.hp_tick += 2;
    } else {
        SetStatus(session, kStatusGas, "");
    }
    if (terrain >= 20 && terrain <= 22 && (user.disadvantages & kClaustrophobic)) {
        CarryAway(session);
        return true;
    }
    if (DeepWater(terrain) && !(user.disadvantages & (kNoSurface | kWaterOnly)) &&
        !HasSkill(user, kSkillBreatheWater)) {
        SetStatus(session, kStatusDrowning, "|12You are drowning!");
        play.hp_tick = -6;
        play.cause_of_death = "drowning";
    } else {
        SetStatus(session, kStatusDrowning, "");
    }
    if (HasSkill(user, kSkillRegenerate)) ++play.hp_tick;
    if (terrain >= 10 && terrain <= 19 && !HasSkill(user, kSkillFlying) && user.hazard_guard == 0) {
        CarryAway(session);
        return true;
    }
    return false;
}

int ManaInterval(Session& session) {
    const GameSettings& s = session.settings;
    const UserRecord& user = session.users.current;
    const int god = session.world.room.god;
    if (god == 0) return s.mana_recovery_secs;
    if (god == user.real_deity) return s.mana_recovery_real_god_secs;
    if (god == user.deity) return s.mana_recovery_temple_secs;
    const bool same = (user.morals == 1 && god >= 1 && god <= 4) ||
                      (user.morals == 2 && god >= 5 && god <= 8) ||
                      (user.morals == 3 && god >= 9 && god <= 12);
    return same ? s.mana_recovery_same_align_secs : s.mana_recovery_opposite_align_secs;
}

// False (with the error line in the log) when there is no exit that way.
bool Move(Session& session, std::int32_t exit, const char* direction) {
    UserRecord& user = session.users.current;
    if (exit != 0) {
        user.room = exit;
        return true;
    }
    session.log(std::string("Error: ") + direction + ", room#" + std::to_string(user.room));
    return false;
}

// The I command: the list, the item number, and its use on the message row.
void UseAnItem(Session& session) {
    Writer& out = session.writer;
    out.clear_screen();
    ListOwnedItems(session);
    out.print_text("Use which item? ");
    const std::string text = session.keys.input_line("", 0, CharacterRange('0', '9'), "", 3);
    const int item = text.empty() ? 0 : std::stoi(text);
    out.go_to(2, 12);
    UseItem(session, item);
}

// The ways out of a room: a letter and a key of the number pad each.
struct Way {
    char letter;
    char digit;
    I32 RoomRecord::*exit;
    const char* name;
};
constexpr Way kWays[] = {
    {'N', '8', &RoomRecord::north, "North"}, {'S', '2', &RoomRecord::south, "South"},
    {'W', '4', &RoomRecord::west, "West"},   {'E', '6', &RoomRecord::east, "East"},
    {'U', '9', &RoomRecord::up, "Up"},       {'D', '3', &RoomRecord::down, "Down"},
};

const Way& WayOf(char key) {
    for (const Way& way : kWays) {
        if (way.letter == key || way.digit == key) return way;
    }
    return kWays[0];
}

// A move; with no exit that way the key is logged and the prompt comes back.
Next Go(Session& session, int&, char key) {
    const Way& way = WayOf(key);
    return Move(session, session.world.room.*way.exit, way.name) ? Next::kPass : Next::kPrompt;
}

Next Attack(Session& session, int&, char) {
    session.play.redraw = true;
    StartBattle(session, false, true);
    return Next::kPass;
}

// @, # and $ turn to pages 2, 3 and 1.
Next TurnPage(Session&, int& page, char key) {
    page = key == '@' ? 2 : key == '#' ? 3 : 1;
    return Next::kPrompt;
}

Next Hangup(Session& session, int&, char) {
    Terminate(session, false);
}

// Q goes back to the caller's home page, and from there (or with paging off) leaves the map.
Next Quit(Session& session, int& page, char) {
    const UserRecord& user = session.users.current;
    const int home = user.display_choice == 0 ? 1 : user.display_choice;
    if (!user.explore_option || page == home) {
        session.play.exploring = false;
        return Next::kReturn;
    }
    page = home;
    return Next::kPrompt;
}

// A command that takes the screen: the pass after it draws everything again.
template <auto kShow>
Next Screen(Session& session, int&, char) {
    kShow(session);
    return Next::kFullPass;
}

void Items(Session& session) {
    UseAnItem(session);
    DrawBars(session);
}

void NodeList(Session& session) {
    session.writer.clear_screen();
    ShowNodeList(session);
    session.keys.pause_key();
}

void NodeLine(Session& session) {
    session.writer.clear_screen();
    SendNodeLine(session);
}

void GlobalNews(Session& session) {
    session.writer.clear_screen();
    ShowNews(session, "global");
}

void PersonalNews(Session& session) {
    session.writer.clear_screen();
    ShowPersonalNews(session);
}

void Future(Session& session) {
    ShowTextFile(session, "future.txt", false);
}

void WhatsNew(Session& session) {
    ShowTextFile(session, "whats.new", true);
}

void Ranking(Session& session) {
    ShowRanking(session);
    session.keys.pause_key();
}

void Statistics(Session& session) {
    session.writer.clear_screen();
    ShowStatus(session, [&session] {
        session.writer.clear_screen();
        ItemMenu(session);
    });
}

// When a key is taken, given the room.
enum class Gate {
    kAlways,
    kFlag,  // when the room's flag of the letter is set
    kExit,  // when the room has an exit that way
};

// The pages a key works on.
constexpr int kPage1 = 1;
constexpr int kPage2 = 2;
constexpr int kPage3 = 4;
constexpr int kEveryPage = kPage1 | kPage2 | kPage3;

// The page's bit; a display choice past the three pages works as the last one.
int PageBit(int page) {
    return page == 1 ? kPage1 : page == 2 ? kPage2 : kPage3;
}

struct CommandKey {
    int pages;
    char key;
    Gate gate;
    bool away;  // the prompt is left while the command runs
    Next (*run)(Session& session, int& page, char key);
};

// The commands of the three pages, one row per key: these decide both which keys the prompt
// takes and what they do.
constexpr CommandKey kCommandKeys[] = {
    {kEveryPage, '@', Gate::kAlways, false, TurnPage},
    {kEveryPage, '#', Gate::kAlways, false, TurnPage},
    {kEveryPage, '$', Gate::kAlways, false, TurnPage},
    {kEveryPage, '*', Gate::kAlways, false, Hangup},
    {kEveryPage, '!', Gate::kAlways, true, Screen<ReadMailCommand>},
    {kPage1, 'Q', Gate::kFlag, false, Quit},
    {kPage2 | kPage3, 'Q', Gate::kAlways, false, Quit},
    {kPage1, 'H', Gate::kFlag, true, Screen<HelpCentre>},
    {kPage2 | kPage3, 'H', Gate::kAlways, true, Screen<HelpCentre>},
    // The map: moves, the fight, items and the city.
    {kPage1, 'N', Gate::kFlag, true, Go},
    {kPage1, '8', Gate::kExit, true, Go},
    {kPage1, 'S', Gate::kFlag, true, Go},
    {kPage1, '2', Gate::kExit, true, Go},
    {kPage1, 'W', Gate::kFlag, true, Go},
    {kPage1, '4', Gate::kExit, true, Go},
    {kPage1, 'E', Gate::kFlag, true, Go},
    {kPage1, '6', Gate::kExit, true, Go},
    {kPage1, 'U', Gate::kFlag, true, Go},
    {kPage1, '9', Gate::kExit, true, Go},
    {kPage1, 'D', Gate::kFlag, true, Go},
    {kPage1, '3', Gate::kExit, true, Go},
    {kPage1, 'A', Gate::kFlag, true, Attack},
    {kPage1, 'I', Gate::kFlag, true, Screen<Items>},
    {kPage1, 'Y', Gate::kAlways, true, Screen<EnterCity>},
    // Other nodes and mail.
    {kPage2, 'N', Gate::kAlways, true, Screen<NodeList>},
    {kPage2, 'T', Gate::kAlways, true, Screen<NodeLine>},
    {kPage2, 'S', Gate::kAlways, true, Screen<SendMailCommand>},
    {kPage2, 'B', Gate::kAlways, true, Screen<MessageBoards>},
    // News, settings and the player's own screens.
    {kPage3, 'N', Gate::kAlways, true, Screen<GlobalNews>},
    {kPage3, 'P', Gate::kAlways, true, Screen<PersonalNews>},
    {kPage3, 'C', Gate::kAlways, true, Screen<EditUserOptions>},
    {kPage3, 'F', Gate::kAlways, true, Screen<Future>},
    {kPage3, 'W', Gate::kAlways, true, Screen<WhatsNew>},
    {kPage3, 'R', Gate::kAlways, true, Screen<Ranking>},
    {kPage3, 'Y', Gate::kAlways, true, Screen<Statistics>},
};

bool Open(Gate gate, const RoomRecord& room, char key) {
    switch (gate) {
        case Gate::kAlways:
            return true;
        case Gate::kFlag:
            return HasFlag(room, key);
        case Gate::kExit:
            return room.*WayOf(key).exit != 0;
    }
    return false;
}

const CommandKey* FindCommand(int page, char key) {
    for (const CommandKey& row : kCommandKeys) {
        if ((row.pages & PageBit(page)) != 0 && row.key == key) return &row;
    }
    return nullptr;
}

// Cast spell and eat/dRink are drawn on the map page but refused, as is T, whatever the room's
// flags say.
constexpr std::string_view kRefusedOnMap = "CRT";

// Whether `key` is taken on `page` in this room. A room flag the table has no command for takes
// its letter on the map page, and the prompt just comes back.
bool KeyTaken(Session& session, int page, char key) {
    const RoomRecord& room = session.world.room;
    if (const CommandKey* row = FindCommand(page, key)) return Open(row->gate, room, key);
    return PageBit(page) == kPage1 && key >= 'A' && key <= 'Z' &&
           kRefusedOnMap.find(key) == std::string_view::npos && HasFlag(room, key);
}

char ReadCommand(Session& session, int page) {
    // Lines from the other nodes show on the message row while the command is awaited.
    const NodeMessageRow message_row(session, 12);
    for (;;) {
        const std::uint8_t k = session.keys.read_key();
        if (session.session_ended) return static_cast<char>(k);
        if (session.keys.extended_key() != 0) continue;
        const char key = static_cast<char>(std::toupper(k));
        if (KeyTaken(session, page, key)) return key;
    }
}

// One command. Returns what the loop does next.
Next Command(Session& session, int& page) {
    Writer& out = session.writer;
    PlayState& play = session.play;
    for (;;) {
        DrawPage(session, page);
        out.go_to(61, 23);
        out.set_attribute(9, 0, false);
        out.print_text("Your command? ");
        play.exploring = true;
        const char key = ReadCommand(session, page);
        if (session.session_ended) return Next::kReturn;
        const CommandKey* row = FindCommand(page, key);
        if (row == nullptr) continue;
        if (row->away) play.exploring = false;
        const Next next = row->run(session, page, key);
        if (next != Next::kPrompt) return next;
    }
}

}  // namespace

std::int32_t RandomRoom(Session& session) {
    const std::uint64_t count = session.users.rooms.record_count();
    if (count == 0) return 0;
    return static_cast<std::int32_t>(session.rng.random(static_cast<std::uint32_t>(count)) + 1);
}

void StatusTickerNext(Session& session) {
    PlayState& play = session.play;
    for (int step = 1; step <= kStatusSlots; ++step) {
        const int slot = (play.status_index + step) % kStatusSlots;
        if (!play.status[static_cast<std::size_t>(slot)].empty()) {
            play.status_index = slot;
            return;
        }
    }
}

void StatusTickerShow(Session& session) {
    PlayState& play = session.play;
    if (!play.exploring && !play.in_battle) return;
    Writer& out = session.writer;
    const int column = out.cursor_column();
    const int row = out.cursor_row();
    const TextColour colour = out.colour();
    const int line = play.in_battle ? 4 : 2;
    Blank(out, 53, line, 26);
    out.set_attribute(14, 0, false);
    out.print_coded_within(play.status[static_cast<std::size_t>(play.status_index)], 26);
    out.go_to(column, row);
    out.set_colour(colour);
}

void TimedEffects(Session& session) {
    PlayState& play = session.play;
    UserRecord& user = session.users.current;
    const std::int64_t now = NowSeconds(session);
    Writer& out = session.writer;
    const auto redraw_bar = [&](int row, bool hp) {
        const int column = out.cursor_column();
        const int r = out.cursor_row();
        const TextColour colour = out.colour();
        out.go_to(68, row);
        if (hp) {
            ShowHpBar(session);
        } else {
            ShowManaBar(session);
        }
        out.go_to(column, r);
        out.set_colour(colour);
    };
    if (play.mana_interval != 0 && now - play.last_mana_tick >= play.mana_interval &&
        user.mana < user.max_mana) {
        if (!play.in_battle) {
            ++user.mana;
            SaveUser(session, user);
            if (play.exploring) redraw_bar(17, false);
            play.last_mana_tick = now;
        }
    } else if (play.hp_interval != 0 && now - play.last_hp_tick >= play.hp_interval &&
               (user.hp < user.max_hp || play.hp_tick < 0)) {
        if (!play.in_battle) {
            user.hp += play.hp_tick;
            SaveUser(session, user);
            if (play.exploring) redraw_bar(16, true);
            play.last_hp_tick = now;
        }
    } else if ((play.exploring || play.in_battle) &&
               now - play.last_status_change >= user.refresh_seconds) {
        play.last_status_change = now;
        StatusTickerNext(session);
        StatusTickerShow(session);
        UpdateNodeInfo(session, session.world.room.tag.view());
    }
    if ((play.exploring || play.in_battle) && user.sylvan_minutes > 0 &&
        now - play.last_sylvan_tick >= 60) {
        play.last_sylvan_tick = now;
        --user.sylvan_minutes;
        SaveUser(session, user);
        SetStatus(session, kStatusSylvan, SylvanText(user.sylvan_minutes));
    }
}

bool EventChecksPass(Session& session) {
    const EventRecord& event = session.world.event;
    // The event's dice are stored in the order Strength, Intelligence, Constitution, Dexterity,
    // Charisma, Wisdom, Comeliness; the checks run in the order below.
    struct Check {
        int index;
        Attribute attribute;
    };
    static constexpr Check kOrder[] = {
        {0, Attribute::kStrength},   {3, Attribute::kDexterity},    {1, Attribute::kIntelligence},
        {5, Attribute::kWisdom},     {2, Attribute::kConstitution}, {4, Attribute::kCharisma},
        {6, Attribute::kComeliness},
    };
    bool any = false;
    bool passed = false;
    for (const Check& c : kOrder) {
        const std::uint8_t die = event.check_die[c.index];
        if (die == 0) continue;
        any = true;
        if (CheckAttribute(session, c.attribute, die, event.check_bonus[c.index], true)) {
            passed = true;
        }
    }
    return !any || passed;
}

namespace {

// The event's text over the room's, or the room's again when the event is done.
void ShowEventText(Session& session, const EventRecord& event, bool done) {
    Writer& out = session.writer;
    if (event.clear_first) BlankRows(out, 5, 14);
    out.set_attribute(7, 0, false);
    for (int line = 0; line < kRoomTextLines; ++line) {
        out.go_to(2, 5 + line);
        out.print_coded(done ? session.world.room.text[line].view() : event.text[line].view());
    }
}

// Hit points, gold and experience; gold and experience stop at the ends of their range.
void ApplyEventChanges(Session& session, const EventRecord& event) {
    UserRecord& user = session.users.current;
    user.hp += event.hp_change;
    user.gold = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        static_cast<std::int64_t>(user.gold) + event.gold_change, INT32_MIN, INT32_MAX));
    user.experience = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        static_cast<std::int64_t>(user.experience) + event.xp_change, INT32_MIN, INT32_MAX));
    SaveUser(session, user);
    session.writer.go_to(68, 16);
    ShowHpBar(session);
}

// What an event offers or takes: the player's weapon and armor beside the event's.
struct EventGoods {
    WeaponRecord old_weapon;
    ArmorRecord old_armor;
    WeaponRecord offered_weapon;
    ArmorRecord offered_armor;
    int item_number;
    ItemRecord item;
};

EventGoods LoadEventGoods(Session& session, const EventRecord& event) {
    EventGoods goods{session.world.weapon, session.world.armor, session.world.weapon,
                     session.world.armor,  event.item & 0xFF,   {}};
    if (event.weapon != 0 && LoadWeapon(session, event.weapon)) {
        goods.offered_weapon = session.world.weapon;
    }
    if (event.armor != 0 && LoadArmor(session, event.armor)) {
        goods.offered_armor = session.world.armor;
    }
    if (goods.item_number != 0) LoadItem(session, goods.item_number);
    goods.item = session.world.item;
    return goods;
}

// What an unidentified item is called in an offer.
std::string OfferedItemName(const ItemRecord& item) {
    if ((item.kind & 32) == 0) return item.name.str();
    struct KindWord {
        int bit;
        const char* word;
    };
    static constexpr KindWord kWords[] = {{1, "clothe"},  {2, "misc"},    {4, "rod"},
                                          {8, "wand"},    {16, "amulet"}, {64, "potion"},
                                          {256, "scroll"}};
    for (const KindWord& k : kWords) {
        if (item.kind & k.bit) return k.word;
    }
    return "unknown item";
}

// The event's weapon, armor and items, each offered on the message row.
void OfferEventGoods(Session& session, const EventRecord& event, const EventGoods& goods) {
    Writer& out = session.writer;
    PlayState& play = session.play;
    UserRecord& user = session.users.current;
    const auto offer = [&](const std::string& question) {
        Blank(out, 2, 12, 77);
        // Room on the row for the answer: "[Y/n] " and "Yes".
        out.print_coded_within(question, 77 - 9);
        play.exploring = false;
        const bool yes = session.keys.ask_yes_no(true);
        play.exploring = true;
        return yes;
    };
    if (event.weapon != 0 && event.keep_weapon &&
        offer("Do you take the " + goods.offered_weapon.name.str() + " instead of " +
              goods.old_weapon.name.str())) {
        user.weapon = event.weapon;
    }
    if (event.armor != 0 && event.keep_armor &&
        offer("Do you take the " + goods.offered_armor.name.str() + " instead of " +
              goods.old_armor.name.str())) {
        user.armor = event.armor;
    }
    const int item_number = goods.item_number;
    if (item_number > 0 && event.item_offer &&
        offer("Do you take the " + std::to_string(event.item_quantity) + " " +
              OfferedItemName(goods.item) + " ?")) {
        const int count = user.item_count[item_number - 1] + event.item_quantity;
        user.item_count[item_number - 1] = static_cast<std::uint16_t>(std::min(count, 65535));
        user.item_charges[item_number - 1] = goods.item.charges;
    }
}

// What the event takes away, its blessing, and the room's event marked done.
void TakeEventLosses(Session& session, const EventRecord& event, const EventGoods& goods,
                     std::int32_t room_event) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    const auto loss = [&](const std::string& text, int width) {
        out.go_to(2, 12);
        out.print_coded_within(text, 78);
        out.go_to(61, 23);
        session.keys.pause_key();
        Blank(out, 2, 12, width);
    };
    if (!event.keep_weapon) {
        user.weapon = 0;
        loss("You have lost your weapon!", 26);
    }
    if (!event.keep_armor) {
        user.armor = 0;
        loss("You have lost your armor!", 25);
    }
    if (!event.item_offer && goods.item_number != 0) {
        user.item_count[goods.item_number - 1] = 0;
        loss("You have lost all your " + goods.item.name.str() + " !", 78);
    }
    if (event.blessing && user.religion_rank < 10) ++user.religion_rank;
    if (event.done_at_start == 0 && room_event >= 1 && room_event <= 255) {
        user.event_done[room_event - 1] = true;
    }
    LoadWeapon(session, user.weapon);
    LoadArmor(session, user.armor);
    SaveUser(session, user);
}

// The event's monsters; false when the player did not live through the fight.
bool EventFight(Session& session, const EventRecord& event) {
    PlayState& play = session.play;
    play.clear_encounters();
    if (event.monster == 0) return true;
    // The encounter list has 19 places; an event asking for more fills them all.
    const int count = std::min<int>(event.monster_number, kEncounterSlots);
    for (int i = 1; i <= count; ++i) play.encounter[static_cast<std::size_t>(i)] = event.monster;
    StartBattle(session, false, event.fight_mode != 0);
    play.redraw = true;
    return session.users.current.hp >= 1;
}

}  // namespace

void RunEvent(Session& session, std::int32_t number) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    const std::int32_t room_event = session.world.room.event;
    // A chain that comes back to an event it has already run this time ends there.
    std::vector<std::int32_t> seen;
    while (number != 0 && !session.session_ended) {
        if (std::find(seen.begin(), seen.end(), number) != seen.end()) return;
        seen.push_back(number);
        // A missing event would leave the last one in the buffer, to be applied a second time.
        if (!LoadEvent(session, number)) return;
        const EventRecord event = session.world.event;
        const bool numbered = number >= 1 && number <= 255;
        const bool done = numbered && user.event_done[number - 1];
        ShowEventText(session, event, done);
        if (done) {
            number = event.done_event;
            continue;
        }
        if (numbered) user.event_done[number - 1].raw = event.done_at_start;
        SaveUser(session, user);
        if (event.deadly) {
            user.hp = -2;
            session.play.cause_of_death = event.killer.str();
            return;
        }
        if (!EventChecksPass(session)) {
            number = event.fail_event;
            continue;
        }
        ApplyEventChanges(session, event);
        const EventGoods goods = LoadEventGoods(session, event);
        out.go_to(61, 23);
        out.set_attribute(9, 0, false);
        out.print_text("Your command? ");
        OfferEventGoods(session, event, goods);
        TakeEventLosses(session, event, goods, room_event);
        if (!EventFight(session, event)) return;
        number = event.next_event;
    }
}

void RollEncounter(Session& session) {
    Writer& out = session.writer;
    PlayState& play = session.play;
    RoomRecord& room = session.world.room;
    play.clear_encounters();
    const std::uint32_t r = session.rng.random(100);
    const bool appear = r <= room.monster_chance && room.monster_chance >= 2;
    std::vector<std::pair<std::string, int>> names;
    if (appear) {
        out.go_to(3, 21);
        out.print_coded("|14A|15ttack");
        room.flags = room.flags | Bit('A');
        out.set_attribute(12, 0, false);
        std::uint32_t n = 0;
        while (n == 0 && room.monster_draw1 != 0) n = session.rng.random(room.monster_draw1 + 1u);
        for (std::uint32_t slot = 1; slot <= n && slot <= kEncounterSlots; ++slot) {
            std::uint32_t level = 0;
            while (level == 0 && room.monster_draw2 != 0) {
                level = session.rng.random(room.monster_draw2 + 1u);
            }
            LoadMonster(session, 1);
            const std::int32_t count = session.world.monster_count;
            if (count < 1) break;
            int wraps = 0;
            for (std::int32_t k = 1; wraps <= 200;) {
                if (session.rng.random(2) != 1 && LoadMonster(session, k)) {
                    const MonsterRecord& m = session.world.monster;
                    if (m.level == level && m.random_encounter) {
                        const bool water =
                            m.category == 150 || m.category == 151 || (m.abilities & 2048) != 0;
                        if (water == WaterForMonsters(room.terrain)) {
                            play.encounter[slot] = k;
                            const std::string name = m.name.str();
                            auto it = std::find_if(names.begin(), names.end(),
                                                   [&](const auto& e) { return e.first == name; });
                            if (it != names.end()) {
                                ++it->second;
                            } else if (names.size() < kEncounterSlots) {
                                names.emplace_back(name, 1);
                            }
                        }
                        break;
                    }
                }
                if (++k > count) {
                    k = 1;
                    ++wraps;
                }
            }
        }
        std::string list;
        for (const auto& [name, count] : names) {
            list += std::to_string(count) + " " + name + "/";
            play.encounter_total += count;
        }
        if (play.encounter_total > 0) {
            out.go_to(2, 14);
            out.print_coded_within(list + " ", 78);
            return;
        }
    }
    room.flags = room.flags & ~Bit('A');
    out.go_to(3, 21);
    out.print_coded("|08Attack");
}

void Explore(Session& session, bool first_entry) {
    Writer& out = session.writer;
    PlayState& play = session.play;
    UserRecord& user = session.users.current;
    play.redraw = first_entry;
    const std::int64_t start = NowSeconds(session);
    play.last_hp_tick = play.last_mana_tick = play.last_status_change = start;
    play.last_sylvan_tick = start;
    session.timed_effects = [&session] { TimedEffects(session); };
    bool first = first_entry;

    while (!session.session_ended) {
        if (user.hp < 1) KillPlayer(session, play.cause_of_death);
        play.cause_of_death = session.world.monster.name.str();
        play.hp_tick = 1;
        play.hp_interval = session.settings.hp_recovery_secs;
        const std::int64_t now = NowSeconds(session);
        play.last_hp_tick = play.last_mana_tick = play.last_status_change = now;
        play.exploring = true;
        play.in_battle = false;
        user.location = "Vorn Ville";
        user.in_inn = false;
        // A room the map does not hold (a smaller map compiled over a game in play) is the city,
        // which puts the player back on the map.
        const bool on_map = LoadRoom(session, user.room);
        if (ApplyHazards(session)) continue;

        const RoomRecord& room = session.world.room;
        const bool city = !on_map || room.terrain == 255 || user.room == 0 || user.room == 1;
        // Barred from the city while the forest itself is no room he can stand in: he waits
        // where he is until the effect wears off, rather than going round for ever.
        if (city && (user.sylvan_minutes == 0 || user.room != kForest)) {
            if (user.sylvan_minutes == 0) {
                play.exploring = false;
                UpdateNodeInfo(session, user.location.view());
                CityMenu(session);
                if (play.quit || session.session_ended) {
                    play.exploring = false;
                    session.timed_effects = nullptr;
                    return;
                }
            } else {
                user.room = kForest;
            }
            play.redraw = true;
            continue;
        }
        SetStatus(session, kStatusSylvan, SylvanText(user.sylvan_minutes));
        user.location = room.tag.view();
        SaveUser(session, user);
        if (room.event != 0) LoadEvent(session, room.event);

        if (play.redraw || first) {
            out.show_display_file("explore.ans", 16);
            out.go_to(61, 23);
            out.set_attribute(12, 0, false);
            out.print_text("Please wait...");
            StatusTickerNext(session);
            StatusTickerShow(session);
            play.redraw = false;
            first = false;
        }
        DrawRoomHeader(session);
        UpdateNodeInfo(session, room.tag.view());
        int page = user.display_choice == 0 ? 1 : user.display_choice;
        play.mana_interval = ManaInterval(session);

        // A new room is drawn over the old one without redrawing the screen: what the old
        // room left in the view (longer text lines, an offer, the monster list) goes first.
        BlankRows(out, 5, 14);
        DrawBars(session);
        if (user.hp < 1) continue;
        if (room.event == 0) {
            PrintRoomText(session);
        } else {
            RunEvent(session, room.event);
            if (user.hp < 1) continue;
            if (play.redraw) {
                // The event's fight took the screen: all of it is drawn again.
                out.show_display_file("explore.ans", 16);
                play.redraw = false;
                DrawRoomHeader(session);
                StatusTickerShow(session);
                DrawBars(session);
                PrintRoomText(session);
            }
        }
        ShowPlayersHere(session);
        ShowCityHere(session);
        if (room.monster_chance != 0 && room.monster_draw1 != 0 && room.monster_draw2 != 0) {
            RollEncounter(session);
        } else {
            session.world.room.flags = room.flags & ~Bit('A');
        }
        read_email(session, false, false, false);  // the new-mail notice
        const Next next = Command(session, page);
        if (next == Next::kReturn) break;
        if (next == Next::kFullPass) play.redraw = true;
    }
    play.exploring = false;
    session.timed_effects = nullptr;
}

}  // namespace vorn
