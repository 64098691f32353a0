// The Players screens of setup: the list of players, paged through and searched by name or
// number, and one player's record with every field by its name, changed through the player
// editor (player_editor.hpp) as the command line changes it.
#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

#include "common/player_locks.hpp"
#include "setup/screen_layout.hpp"
#include "setup/screens.hpp"

namespace vorn {

using namespace screen;

namespace {

constexpr int kListTop = 4;              // row of the list's first player
constexpr std::uint64_t kPageRows = 16;  // players on a page of the list
constexpr int kFieldTop = 3;             // row of the record's first field
constexpr int kCellWidth = 26;           // the record's fields go three to a line
constexpr int kCells = 3;
constexpr int kSaidRow = kProblemRow;
constexpr int kAskRow = kProblemRow + 1;

// A field's place on the record screen: the cells it spans on its line.
struct Cell {
    const PlayerField* field;
    int column;
    int row;
    int width;
};

int ValueWidth(const PlayerField& field) {
    switch (field.kind) {
        case PlayerFieldKind::kNumber:
            return 11;  // -2147483648
        case PlayerFieldKind::kText:
        case PlayerFieldKind::kName:
        case PlayerFieldKind::kCallerName:
        case PlayerFieldKind::kShown:
            return static_cast<int>(field.size);
        case PlayerFieldKind::kPassword:
        case PlayerFieldKind::kFlag:
        case PlayerFieldKind::kDeleted:
        case PlayerFieldKind::kSex:
            break;
    }
    return 6;  // "female", "(none)"
}

// The fields in the table's order, each taking as many cells as its name and widest value need
// (a long text at most a line, cut), a field that no longer fits starting the next line.
std::vector<Cell> LayOutFields() {
    std::vector<Cell> cells;
    int row = kFieldTop;
    int cell = 0;
    for (const PlayerField& field : PlayerFields()) {
        const int need = static_cast<int>(field.name.size()) + 1 + ValueWidth(field);
        const int span = std::min(kCells, (need + kCellWidth - 1) / kCellWidth);
        if (cell + span > kCells) {
            ++row;
            cell = 0;
        }
        cells.push_back({&field, 2 + cell * kCellWidth, row, span * kCellWidth - 1});
        cell += span;
    }
    return cells;
}

std::string Fit(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, width));
    out.resize(width, ' ');
    return out;
}

// Keys and their labels side by side on one line.
void KeyLine(Console& console, int row,
             std::initializer_list<std::pair<char, std::string_view>> keys) {
    console.move(kLeft, row);
    for (const auto& [key, label] : keys) {
        console.text(std::string(1, key), kKeyColour);
        console.text(label, kLabelColour);
    }
}

}  // namespace

void SetupScreens::say(const PlayerEdit& edit) {
    said_ = edit.message;
    said_done_ = edit.outcome == PlayerEdit::Outcome::kDone;
}

void SetupScreens::draw_players(std::uint64_t first) {
    console_.clear();
    console_.show_cursor(false);
    const std::uint64_t count = PlayerCount();
    console_.text(kLeft, 1, "Players", kValueColour);
    console_.text("  " + std::to_string(count) + " in " + kUsersFile, kNoteColour);
    console_.text(kLeft, kListTop - 1, "  Num " + Fit("Name", 30) + Fit("Caller", 30) + "Level",
                  kNoteColour);
    const PlayerLocks locks;
    for (std::uint64_t i = first; i < count && i < first + kPageRows; ++i) {
        const auto number = static_cast<std::uint16_t>(i + 1);
        UserRecord user;
        if (!ReadPlayer(number, user)) break;
        const int row = kListTop + static_cast<int>(i - first);
        console_.text(kLeft, row, Fit(std::to_string(number), 5) + " ", kNoteColour);
        console_.text(Fit(user.name.view(), 29) + " " + Fit(user.real_name.view(), 29) + " ",
                      kValueColour);
        console_.text(Fit(std::to_string(user.level), 6), kNoteColour);
        if (user.deleted) console_.text("deleted", kWarningColour);
        if (locks.held(number)) {
            const int node = locks.node_of(number);
            console_.text(node >= 0 ? "node " + std::to_string(node) : "playing", kWarningColour);
        }
    }
    if (!said_.empty()) console_.text(kLeft, kSaidRow, said_, kWarningColour);
    KeyLine(console_, kBottomRow,
            {{'F', " Find  "}, {'[', " Previous page  "}, {']', " Next page  "}, {'Q', " Quit"}});
}

void SetupScreens::players_screen() {
    std::uint64_t first = 0;
    for (;;) {
        draw_players(first);
        const int key = Upper(console_.read_key());
        if (key == kKeyLeave || key == kKeyEscape || key == 'Q') return;
        said_.clear();
        const std::uint64_t count = PlayerCount();
        if (key == '[') first -= std::min(first, kPageRows);
        if (key == ']' && first + kPageRows < count) first += kPageRows;
        if (key != 'F') continue;
        const std::string prompt = "Player's number or name: ";
        const Redraw ask = [&] {
            draw_players(first);
            console_.text(kLeft, kAskRow, prompt, kValueColour);
        };
        ask();
        const std::optional<std::string> typed =
            input_box(kLeft + static_cast<int>(prompt.size()), kAskRow, 36, ask);
        if (!typed || typed->empty()) continue;
        const std::uint16_t number = FindPlayer(*typed);
        if (number == 0) {
            said_ = "No player is called or numbered " + *typed;
            continue;
        }
        player_screen(number);
        first = (number - 1u) / kPageRows * kPageRows;
    }
}

void SetupScreens::draw_player(std::uint16_t number) {
    console_.clear();
    console_.show_cursor(false);
    console_.text(kLeft, 1,
                  "Player " + std::to_string(number) + " of " + std::to_string(PlayerCount()),
                  kValueColour);
    UserRecord user;
    if (!ReadPlayer(number, user)) {
        console_.text("  cannot be read", kWarningColour);
    } else {
        if (user.deleted) console_.text("  deleted", kWarningColour);
        if (const std::optional<int> node = PlayingNode(number)) {
            console_.text("  " + PlayingText(user.name.view(), *node), kWarningColour);
        }
        for (const Cell& cell : LayOutFields()) {
            const std::size_t name = cell.field->name.size();
            console_.text(cell.column, cell.row, cell.field->name, kLabelColour);
            console_.text(" " + Fit(PlayerFieldText(*cell.field, user),
                                    static_cast<std::size_t>(cell.width) - name - 1),
                          kValueColour);
        }
    }
    if (!said_.empty()) {
        console_.text(kLeft, kSaidRow, said_, said_done_ ? kNoteColour : kWarningColour);
    }
    KeyLine(console_, kBottomRow,
            {{'E', " Edit  "},
             {'R', " Rename  "},
             {'D', " Delete  "},
             {'U', " Undelete  "},
             {'[', " Previous  "},
             {']', " Next  "},
             {'Q', " Quit"}});
}

void SetupScreens::player_screen(std::uint16_t number) {
    for (;;) {
        draw_player(number);
        const int key = Upper(console_.read_key());
        if (key == kKeyLeave || key == kKeyEscape || key == 'Q') return;
        said_.clear();
        const Redraw redraw = [this, number] { draw_player(number); };
        UserRecord user;
        switch (key) {
            case '[':
                if (number > 1) --number;
                break;
            case ']':
                if (number < PlayerCount()) ++number;
                break;
            case 'E':
                edit_player_field(number, {}, redraw);
                break;
            case 'R':
                edit_player_field(number, "name", redraw);
                break;
            case 'D':
                if (ReadPlayer(number, user) &&
                    yes_no("Delete " + user.name.str(), false, kAskRow, redraw)) {
                    say(DeletePlayer(clock_, number));
                }
                break;
            case 'U':
                say(UndeletePlayer(clock_, number));
                break;
            default:
                break;
        }
    }
}

void SetupScreens::edit_player_field(std::uint16_t number, std::string_view field_name,
                                     const Redraw& redraw) {
    // Asks on the line below the record: `prompt`, then an input box.
    const auto ask = [&](const std::string& prompt, int width) {
        const Redraw draw = [&] {
            redraw();
            console_.text(kLeft, kAskRow, prompt, kValueColour);
        };
        draw();
        const int column = kLeft + static_cast<int>(prompt.size());
        return input_box(column, kAskRow, std::min(width, kCells * kCellWidth - column), draw);
    };
    std::string name(field_name);
    if (name.empty()) {
        const std::optional<std::string> typed = ask("Field: ", 16);
        if (!typed || typed->empty()) return;
        name = *typed;
    }
    const PlayerField* field = FindPlayerField(name);
    if (field == nullptr || field->kind == PlayerFieldKind::kShown) {
        said_ = field == nullptr ? "No field is called " + name : name + " is kept by the game";
        said_done_ = false;
        return;
    }
    const std::optional<std::string> typed =
        ask(std::string(field->name) + " (" + PlayerFieldRange(*field) + "): ", ValueWidth(*field));
    if (typed) say(SetPlayerField(clock_, number, *field, *typed));
}

}  // namespace vorn
