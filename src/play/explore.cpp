#include "play/explore.hpp"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "core/session.hpp"
#include "mail/message_reader.hpp"
#include "mail/news.hpp"
#include "node/node_lines.hpp"
#include "node/node_list.hpp"
#include "node/node_table.hpp"
#include "play/city_founding.hpp"
#include "play/city_menu.hpp"
#include "play/combat.hpp"
#include "play/death.hpp"
#include "play/help_centre.hpp"
#include "play/items.hpp"
#include "play/main_sequence.hpp"
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

// Whether `key` is taken on `page` in this room.
bool KeyTaken(Session& session, int page, char key) {
    const RoomRecord& room = session.world.room;
    if (std::string_view("!#$*@").find(key) != std::string_view::npos) return true;
    if (page == 1) {
        if (key == 'C' || key == 'R' || key == 'T') return false;
        if (key == 'Y') return true;
        switch (key) {
            case '8':
                return room.north != 0;
            case '2':
                return room.south != 0;
            case '6':
                return room.east != 0;
            case '4':
                return room.west != 0;
            case '9':
                return room.up != 0;
            case '3':
                return room.down != 0;
            default:
                break;
        }
        return key >= 'A' && key <= 'Z' && HasFlag(room, key);
    }
    if (page == 2) return std::string_view("BHNQST").find(key) != std::string_view::npos;
    return std::string_view("CFHNPQRWY").find(key) != std::string_view::npos;
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

void ShowTextFile(Session& session, const char* name, bool pause) {
    session.writer.clear_screen();
    session.writer.show_display_file(name, 28);
    if (pause) session.keys.pause_key();
}

void NotYet(Session& session) {
    session.writer.clear_screen();
    session.writer.print_coded_line("|12You can't do that yet!");
    session.keys.pause_key();
}

// A hazard the player cannot stand: carried to a random room of the map.
void CarryAway(Session& session) {
    session.users.current.room = RandomRoom(session);
    session.play.redraw = true;
}

// What the pass does next.
enum class Next { kPass, kFullPass, kReturn };

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

// One command. Returns what the loop does next.
Next Command(Session& session, int& page) {
    Writer& out = session.writer;
    PlayState& play = session.play;
    UserRecord& user = session.users.current;
    const RoomRecord& room = session.world.room;
    for (;;) {
        DrawPage(session, page);
        out.go_to(61, 23);
        out.set_attribute(9, 0, false);
        out.print_text("Your command? ");
        play.exploring = true;
        const char key = ReadCommand(session, page);
        if (session.session_ended) return Next::kReturn;
        switch (key) {
            case '@':
                page = 2;
                continue;
            case '#':
                page = 3;
                continue;
            case '$':
                page = 1;
                continue;
            case '*':
                Terminate(session, false);
            case 'Q': {
                const int home = user.display_choice == 0 ? 1 : user.display_choice;
                if (!user.explore_option || page == home) {
                    play.exploring = false;
                    return Next::kReturn;
                }
                page = home;
                continue;
            }
            case 'H':
                play.exploring = false;
                HelpCentre(session);
                return Next::kFullPass;
            case '!':
                play.exploring = false;
                ReadMailCommand(session);
                return Next::kFullPass;
            default:
                break;
        }
        play.exploring = false;
        if (page == 1) {
            bool moved = false;
            switch (key) {
                case 'N':
                case '8':
                    moved = Move(session, room.north, "North");
                    break;
                case 'S':
                case '2':
                    moved = Move(session, room.south, "South");
                    break;
                case 'W':
                case '4':
                    moved = Move(session, room.west, "West");
                    break;
                case 'E':
                case '6':
                    moved = Move(session, room.east, "East");
                    break;
                case 'U':
                case '9':
                    moved = Move(session, room.up, "Up");
                    break;
                case 'D':
                case '3':
                    moved = Move(session, room.down, "Down");
                    break;
                case 'A':
                    play.redraw = true;
                    StartBattle(session, false, true);
                    return Next::kPass;
                case 'I':
                    UseAnItem(session);
                    DrawBars(session);
                    return Next::kFullPass;
                case 'Y':
                    EnterCity(session);
                    return Next::kFullPass;
                default:
                    continue;
            }
            // No exit that way: the key is logged and the prompt comes back.
            if (!moved) continue;
            return Next::kPass;
        }
        if (page == 2) {
            if (key == 'N') {
                out.clear_screen();
                ShowNodeList(session);
                session.keys.pause_key();
            } else if (key == 'T') {
                out.clear_screen();
                SendNodeLine(session);
            } else if (key == 'S') {
                SendMailCommand(session);
            } else if (key == 'B') {
                MessageBoards(session);
            } else {
                NotYet(session);
            }
            return Next::kFullPass;
        }
        switch (key) {
            case 'N':
                out.clear_screen();
                ShowNews(session, "global");
                break;
            case 'P':
                out.clear_screen();
                ShowPersonalNews(session);
                break;
            case 'C':
                EditUserOptions(session);
                break;
            case 'F':
                ShowTextFile(session, "future.txt", false);
                break;
            case 'W':
                ShowTextFile(session, "whats.new", true);
                break;
            case 'R':
                ShowRanking(session);
                session.keys.pause_key();
                break;
            case 'Y':
                out.clear_screen();
                ShowStatus(session, [&session] {
                    session.writer.clear_screen();
                    ItemMenu(session);
                });
                break;
            default:
                continue;
        }
        return Next::kFullPass;
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

void RunEvent(Session& session, std::int32_t number) {
    Writer& out = session.writer;
    PlayState& play = session.play;
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
        if (event.clear_first) BlankRows(out, 5, 14);
        const bool done = number >= 1 && number <= 255 && user.event_done[number - 1];
        out.set_attribute(7, 0, false);
        for (int line = 0; line < kRoomTextLines; ++line) {
            out.go_to(2, 5 + line);
            out.print_coded(done ? session.world.room.text[line].view() : event.text[line].view());
        }
        if (done) {
            number = event.done_event;
            continue;
        }
        if (number >= 1 && number <= 255) user.event_done[number - 1].raw = event.done_at_start;
        SaveUser(session, user);
        if (event.deadly) {
            user.hp = -2;
            play.cause_of_death = event.killer.str();
            return;
        }
        if (!EventChecksPass(session)) {
            number = event.fail_event;
            continue;
        }
        user.hp += event.hp_change;
        user.gold = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            static_cast<std::int64_t>(user.gold) + event.gold_change, INT32_MIN, INT32_MAX));
        user.experience = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            static_cast<std::int64_t>(user.experience) + event.xp_change, INT32_MIN, INT32_MAX));
        SaveUser(session, user);
        out.go_to(68, 16);
        ShowHpBar(session);

        const WeaponRecord old_weapon = session.world.weapon;
        const ArmorRecord old_armor = session.world.armor;
        WeaponRecord offered_weapon = old_weapon;
        ArmorRecord offered_armor = old_armor;
        if (event.weapon != 0 && LoadWeapon(session, event.weapon))
            offered_weapon = session.world.weapon;
        if (event.armor != 0 && LoadArmor(session, event.armor))
            offered_armor = session.world.armor;
        const int item_number = event.item & 0xFF;
        if (item_number != 0) LoadItem(session, item_number);
        const ItemRecord item = session.world.item;
        out.go_to(61, 23);
        out.set_attribute(9, 0, false);
        out.print_text("Your command? ");

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
            offer("Do you take the " + offered_weapon.name.str() + " instead of " +
                  old_weapon.name.str())) {
            user.weapon = event.weapon;
        }
        if (event.armor != 0 && event.keep_armor &&
            offer("Do you take the " + offered_armor.name.str() + " instead of " +
                  old_armor.name.str())) {
            user.armor = event.armor;
        }
        if (item_number > 0 && event.item_offer) {
            std::string what = item.name.str();
            if (item.kind & 32) {
                struct KindWord {
                    int bit;
                    const char* word;
                };
                static constexpr KindWord kWords[] = {
                    {1, "clothe"},  {2, "misc"},    {4, "rod"},     {8, "wand"},
                    {16, "amulet"}, {64, "potion"}, {256, "scroll"}};
                what = "unknown item";
                for (const KindWord& k : kWords) {
                    if (item.kind & k.bit) {
                        what = k.word;
                        break;
                    }
                }
            }
            if (offer("Do you take the " + std::to_string(event.item_quantity) + " " + what +
                      " ?")) {
                const int count = user.item_count[item_number - 1] + event.item_quantity;
                user.item_count[item_number - 1] =
                    static_cast<std::uint16_t>(std::min(count, 65535));
                user.item_charges[item_number - 1] = item.charges;
            }
        }
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
        if (!event.item_offer && item_number != 0) {
            user.item_count[item_number - 1] = 0;
            loss("You have lost all your " + item.name.str() + " !", 78);
        }
        if (event.blessing && user.religion_rank < 10) ++user.religion_rank;
        if (event.done_at_start == 0 && room_event >= 1 && room_event <= 255) {
            user.event_done[room_event - 1] = true;
        }
        LoadWeapon(session, user.weapon);
        LoadArmor(session, user.armor);
        SaveUser(session, user);

        play.clear_encounters();
        if (event.monster != 0) {
            // The encounter list has 19 places; an event asking for more fills them all.
            const int count = std::min<int>(event.monster_number, kEncounterSlots);
            for (int i = 1; i <= count; ++i)
                play.encounter[static_cast<std::size_t>(i)] = event.monster;
            StartBattle(session, false, event.fight_mode != 0);
            play.redraw = true;
            if (user.hp < 1) return;
        }
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
