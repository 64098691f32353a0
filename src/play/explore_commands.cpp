// The command loop of exploration: the three menu pages and the keys they take. One table
// decides both which keys the prompt takes and what they do.
#include "play/explore_commands.hpp"

#include <cctype>
#include <string>
#include <string_view>

#include "core/session.hpp"
#include "mail/message_reader.hpp"
#include "mail/news.hpp"
#include "node/node_lines.hpp"
#include "node/node_list.hpp"
#include "play/city_founding.hpp"
#include "play/combat.hpp"
#include "play/explore_room.hpp"
#include "play/help_centre.hpp"
#include "play/items.hpp"
#include "play/league_screen.hpp"
#include "play/main_sequence.hpp"
#include "player/attribute_checks.hpp"
#include "player/player_screens.hpp"
#include "term/line_editor.hpp"
#include "world/world_files.hpp"

namespace vorn {

namespace {

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
    // On a board in a league, its page.
    static constexpr Label kLeague[] = {{21, 17, "|14L|15eague"}};
    if (page == 2 && InLeague()) draw(kLeague);
    if (page == 3) draw(kPage3);
}

void ShowTextFile(Session& session, const char* name, bool pause) {
    session.writer.clear_screen();
    session.writer.show_display_file(name, 28);
    if (pause) session.keys.pause_key();
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
    kFlag,    // when the room's flag of the letter is set
    kExit,    // when the room has an exit that way
    kLeague,  // when the board plays in a league
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
    {kPage2, 'L', Gate::kLeague, true, Screen<ShowLeague>},
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
        case Gate::kLeague:
            return InLeague();
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
        if (session.time.ended) return static_cast<char>(k);
        if (session.keys.extended_key() != 0) continue;
        const char key = static_cast<char>(std::toupper(k));
        if (KeyTaken(session, page, key)) return key;
    }
}

}  // namespace

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
        if (session.time.ended) return Next::kReturn;
        const CommandKey* row = FindCommand(page, key);
        if (row == nullptr) continue;
        if (row->away) play.exploring = false;
        const Next next = row->run(session, page, key);
        if (next != Next::kPrompt) return next;
    }
}

}  // namespace vorn
