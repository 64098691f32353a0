#include "setup/screens.hpp"

#include <string>
#include <vector>

#include "common/directories.hpp"
#include "setup/lock_rebuild.hpp"
#include "setup/reset_game.hpp"
#include "setup/screen_layout.hpp"

namespace vorn {

using namespace screen;

namespace {

// Live nodes listed when a reset is refused; the rest are counted.
constexpr std::size_t kMaxNodeLines = 16;

constexpr std::string_view kFooter = "Vornhold a20 Setup program";
constexpr std::string_view kMainKeys = "ABGPLRDQ";
constexpr std::string_view kNodeKeys = "ABDEFJKLMNO";
constexpr std::string_view kGameKeys = "ABCDEFGH";

int RowOf(std::string_view keys, char key) {
    return kTop + static_cast<int>(keys.find(key));
}

// The reset's report drawn line by line, each dot sent as it is made.
class ScreenResetReport final : public ResetReport {
  public:
    explicit ScreenResetReport(Console& console) : console_(console) {}

    void begin(std::string_view heading, int blanks) override {
        ++row_;
        std::string line = std::string(heading) + "[";
        const int column = static_cast<int>(line.size()) + 1;
        if (blanks > 0) line += std::string(static_cast<std::size_t>(blanks), ' ') + "]";
        console_.text(1, row_, line, kNoteColour);
        console_.move(column, row_);
        console_.refresh();
    }
    void dot() override {
        console_.text(".", kNoteColour);
        console_.refresh();
    }
    void end(std::string_view ending) override {
        console_.text(ending, kNoteColour);
        console_.refresh();
    }
    int row() const { return row_; }

  private:
    Console& console_;
    int row_ = 0;
};

}  // namespace

void SetupScreens::menu_line(int row, char key, std::string_view label, std::string_view value) {
    console_.text(kLeft, row, std::string(1, key), kKeyColour);
    console_.text(label, kLabelColour);
    if (!value.empty()) console_.text(value, kValueColour);
}

void SetupScreens::field_line(int row, const SetupField& field) {
    menu_line(row, field.key, field.label, FieldDisplay(field, state_.records));
}

void SetupScreens::footer(int row) {
    console_.text(kLeft, row, kFooter, 8);
}

void SetupScreens::show_help(const SetupField& field) {
    int lines = 0;
    while (lines < static_cast<int>(field.help.size()) && !field.help[lines].empty()) ++lines;
    for (int i = 0; i < lines; ++i) {
        console_.text(1, kBottomRow - lines + 1 + i, field.help[i], kNoteColour);
    }
}

void SetupScreens::show_problem() {
    if (!state_.problem.empty()) console_.text(kLeft, kProblemRow, state_.problem, kWarningColour);
}

void SetupScreens::draw_main() {
    console_.clear();
    console_.show_cursor(false);
    menu_line(RowOf(kMainKeys, 'A'), 'A', " Node configuration  ");
    menu_line(RowOf(kMainKeys, 'B'), 'B', " Maintenance configuration   ");
    menu_line(RowOf(kMainKeys, 'G'), 'G', " Game configuration   ");
    menu_line(RowOf(kMainKeys, 'P'), 'P', " Players");
    menu_line(RowOf(kMainKeys, 'L'), 'L', " Redo lockfile ");
    menu_line(RowOf(kMainKeys, 'R'), 'R', " Reset Game");
    field_line(RowOf(kMainKeys, 'D'), *SetupFieldForKey(SetupScreen::kMainMenu, 'D'));
    menu_line(RowOf(kMainKeys, 'Q'), 'Q', " Quit                ");
    footer(RowOf(kMainKeys, 'Q') + 2);
    show_problem();
}

void SetupScreens::draw_node() {
    console_.clear();
    console_.show_cursor(false);
    for (const char key : kNodeKeys) {
        if (key == 'L') {
            menu_line(RowOf(kNodeKeys, key), 'L', " Local node ");
        } else {
            field_line(RowOf(kNodeKeys, key), *SetupFieldForKey(SetupScreen::kNode, key));
        }
    }
    int row = RowOf(kNodeKeys, 'O') + 2;
    menu_line(row++, '[', " Previous node");
    menu_line(row++, ']', " Next node");
    menu_line(++row, 'Q', " Quit");
    row += 2;
    console_.text(kLeft, row, "Editing node: ", kNoteColour);
    console_.text(std::to_string(state_.node_number), kValueColour);
    footer(row + 1);
    show_problem();
    if (chosen_ != nullptr) show_help(*chosen_);
}

void SetupScreens::draw_game() {
    console_.clear();
    console_.show_cursor(false);
    for (const char key : kGameKeys) {
        field_line(RowOf(kGameKeys, key), *SetupFieldForKey(SetupScreen::kGame, key));
    }
    menu_line(RowOf(kGameKeys, 'H') + 2, 'Q', " Quit   ");
    show_problem();
}

void SetupScreens::draw_maint() {
    console_.clear();
    console_.show_cursor(false);
    console_.text(kLeft, kTop, "Maintenance Stuff", 15);
    field_line(kTop + 2, *SetupFieldForKey(SetupScreen::kMaint, 'A'));
    menu_line(kTop + 3, 'Q', " Quit                ");
    show_problem();
}

void SetupScreens::draw_door_types() {
    console_.clear();
    console_.show_cursor(false);
    console_.text(kLeft, kTop, "Choose a door type...", 15);
    for (int i = 0; i < kDoorTypeCount; ++i) {
        menu_line(kTop + 2 + i, static_cast<char>('1' + i),
                  DoorTypes()[static_cast<std::size_t>(i)].choice);
    }
}

void SetupScreens::run() {
    for (;;) {
        draw_main();
        const int key = Upper(console_.read_key());
        if (key == kKeyLeave || key == 'Q') return;
        state_.problem.clear();
        switch (key) {
            case 'A':
                node_screen();
                break;
            case 'B':
                maint_screen();
                break;
            case 'G':
                game_screen();
                break;
            case 'P':
                players_screen();
                break;
            case 'L':
                redo_lockfile();
                break;
            case 'R':
                reset_game();
                break;
            default:
                act_on_field(SetupScreen::kMainMenu, key, RowOf(kMainKeys, 'D'),
                             [this] { draw_main(); });
                break;
        }
    }
}

void SetupScreens::node_screen() {
    for (;;) {
        draw_node();
        const int key = Upper(console_.read_key());
        if (key == kKeyLeave) return;
        state_.problem.clear();
        chosen_ = nullptr;
        switch (key) {
            case 'Q':
                SaveSettings(state_, SettingsFile::kNode);
                return;
            case '[':
                StepNode(state_, -1);
                break;
            case ']':
                StepNode(state_, +1);
                break;
            case 'L':
                MakeLocalNode(state_.records.node);
                SaveSettings(state_, SettingsFile::kNode);
                break;
            default:
                if (key < 128 && kNodeKeys.find(static_cast<char>(key)) != std::string_view::npos) {
                    act_on_field(SetupScreen::kNode, key, RowOf(kNodeKeys, static_cast<char>(key)),
                                 [this] { draw_node(); });
                }
                break;
        }
    }
}

void SetupScreens::game_screen() {
    for (;;) {
        draw_game();
        const int key = Upper(console_.read_key());
        if (key == kKeyLeave || key == 'Q' || key == kKeyEscape) return;
        state_.problem.clear();
        if (key < 128 && kGameKeys.find(static_cast<char>(key)) != std::string_view::npos) {
            act_on_field(SetupScreen::kGame, key, RowOf(kGameKeys, static_cast<char>(key)),
                         [this] { draw_game(); });
        }
    }
}

void SetupScreens::maint_screen() {
    for (;;) {
        draw_maint();
        const int key = Upper(console_.read_key());
        if (key == kKeyLeave || key == 'Q') return;
        state_.problem.clear();
        act_on_field(SetupScreen::kMaint, key, kTop + 2, [this] { draw_maint(); });
    }
}

bool SetupScreens::act_on_field(SetupScreen screen, int key, int row, const Redraw& redraw) {
    if (key >= 128) return false;
    const SetupField* field = SetupFieldForKey(screen, static_cast<char>(key));
    if (field == nullptr) return false;
    switch (field->kind) {
        case FieldKind::kFlag:
            ToggleFlag(*field, state_.records);
            SaveSettings(state_, field->file);
            break;
        case FieldKind::kChoice:
            CycleChoice(*field, state_.records);
            SaveSettings(state_, field->file);
            chosen_ = field;
            break;
        case FieldKind::kDoorType:
            choose_door_type();
            break;
        case FieldKind::kText:
        case FieldKind::kPath:
        case FieldKind::kNumber:
            edit_field(*field, row, redraw);
            break;
    }
    return true;
}

void SetupScreens::edit_field(const SetupField& field, int row, const Redraw& redraw) {
    const int column = kLeft + 1 + static_cast<int>(field.label.size());
    const Redraw with_help = [&] {
        redraw();
        show_help(field);
        // The box takes the place of the value; a unit follows it.
        console_.move(column, row);
        console_.clear_to_end_of_line();
        console_.text(column + field.box + 2, row, field.unit, kValueColour);
    };
    with_help();
    const std::optional<std::string> typed = input_box(column, row, field.box, with_help);
    if (!typed) return;
    StoreTyped(field, state_.records, *typed);
    if (!SaveSettings(state_, field.file) || field.kind != FieldKind::kPath) return;
    const std::string path = state_.records.node.door_file_path.str();
    redraw();
    if (!DirectoryExists(path) && yes_no("Create directory?", true, kPromptRow, redraw)) {
        CreateDirectoryPath(path, true);
        if (!DirectoryExists(path)) state_.problem = path + " could not be created";
    }
}

std::optional<std::string> SetupScreens::input_box(int column, int row, int width,
                                                   const Redraw& redraw) {
    std::string typed;
    const auto draw = [&] {
        console_.text(column, row, "[", 8);
        for (int i = 1; i <= width; ++i) {
            if (i <= static_cast<int>(typed.size())) {
                console_.text(std::string(1, typed[static_cast<std::size_t>(i - 1)]), 15);
            } else {
                console_.dot(i % 2 == 1 ? 15 : 7);
            }
        }
        console_.text("]", 8);
        console_.move(column + 1 + static_cast<int>(typed.size()), row);
    };
    draw();
    console_.show_cursor(true);
    for (;;) {
        const int key = console_.read_key();
        switch (key) {
            case kKeyLeave:
            case kKeyEscape:
                console_.show_cursor(false);
                return std::nullopt;
            case kKeyEnter:
                console_.show_cursor(false);
                return typed;
            case kKeyResize:
                redraw();
                break;
            case kKeyBackspace:
                if (!typed.empty()) typed.pop_back();
                break;
            default:
                if (key < 256 && static_cast<int>(typed.size()) < width) {
                    typed += static_cast<char>(key);
                }
                break;
        }
        draw();
    }
}

bool SetupScreens::yes_no(std::string_view question, bool default_yes, int row,
                          const Redraw& redraw) {
    const std::string prompt = std::string(question) + (default_yes ? " [Y/n]? " : " [y/N]? ");
    for (;;) {
        console_.text(kLeft, row, prompt, 15);
        console_.clear_to_end_of_line();
        console_.move(kLeft + static_cast<int>(prompt.size()), row);
        console_.show_cursor(true);
        const int key = Upper(console_.read_key());
        if (key == kKeyResize) {
            redraw();
            continue;
        }
        if (key == kKeyEnter || key == 'Y' || key == 'N' || key == kKeyEscape || key == kKeyLeave) {
            console_.show_cursor(false);
            return key == 'Y' || (key == kKeyEnter && default_yes);
        }
    }
}

void SetupScreens::wait_for_key(int row) {
    console_.text(1, row, "Done! Press any key to continue...", kNoteColour);
    while (console_.read_key() == kKeyResize) {
    }
}

void SetupScreens::choose_door_type() {
    for (;;) {
        draw_door_types();
        const int key = console_.read_key();
        if (key == kKeyLeave) return;
        if (key >= '1' && key < '1' + kDoorTypeCount) {
            SetDoorType(state_.records.node, key - '0');
            SaveSettings(state_, SettingsFile::kNode);
            return;
        }
    }
}

void SetupScreens::redo_lockfile() {
    console_.clear();
    const bool ok = RebuildNodeLockTable(state_.locks, [this](int n) {
        console_.text(1, 1, "Progress: " + std::to_string(n) + "/255", kNoteColour);
        console_.refresh();
    });
    if (!ok) {
        console_.text(1, 2, std::string(kNodeLockFile) + " could not be written!", kWarningColour);
    }
    wait_for_key(ok ? 2 : 3);
}

void SetupScreens::reset_game() {
    const std::vector<std::string> playing = NodesInPlay(clock_.now());
    const Redraw intro = [&] {
        console_.clear();
        console_.show_cursor(false);
        if (!playing.empty()) {
            console_.text(
                1, 1, "The game cannot be reset while these nodes are playing:", kWarningColour);
            for (std::size_t i = 0; i < playing.size() && i < kMaxNodeLines; ++i) {
                console_.text(kLeft, 3 + static_cast<int>(i), playing[i], kValueColour);
            }
            if (playing.size() > kMaxNodeLines) {
                console_.text(kLeft, 3 + static_cast<int>(kMaxNodeLines),
                              "and " + std::to_string(playing.size() - kMaxNodeLines) + " more",
                              kValueColour);
            }
            console_.text(1, kPromptRow, "Press any key to continue...", kNoteColour);
        } else {
            console_.text(1, 1,
                          "Reset Game deletes every player with his e-mail, news, sleep files "
                          "and cities.",
                          kWarningColour);
        }
    };
    intro();
    if (!playing.empty()) {
        while (console_.read_key() == kKeyResize) intro();
        return;
    }
    if (!yes_no("Reset the game", false, 3, intro)) return;

    console_.clear();
    ScreenResetReport report(console_);
    ResetGame(report);
    wait_for_key(report.row() + 2);
}

}  // namespace vorn
