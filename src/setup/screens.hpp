// The screens of setup: the main menu, the node, maintenance and game configuration, the
// door-type chooser, Redo lockfile, Reset Game and the Players (player_screens.cpp). A screen is
// drawn whole, and drawn again after every key and whenever the terminal changes size; every change
// is written to its file before the screen comes back.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/clock.hpp"
#include "setup/console.hpp"
#include "setup/field_table.hpp"
#include "setup/player_editor.hpp"
#include "setup/setup_state.hpp"

namespace vorn {

class SetupScreens {
  public:
    SetupScreens(Console& console, SetupState& state, Clock& clock)
        : console_(console), state_(state), clock_(clock) {}

    // The main menu, until Q or until the program must leave.
    void run();

  private:
    using Redraw = std::function<void()>;

    void draw_main();
    void draw_node();
    void draw_game();
    void draw_maint();
    void draw_door_types();

    void node_screen();
    void game_screen();
    void maint_screen();
    void choose_door_type();
    void redo_lockfile();
    void reset_game();

    // The Players: a list paged through, and one player's record with his fields by name.
    void players_screen();
    void draw_players(std::uint64_t first);
    void player_screen(std::uint16_t number);
    void draw_player(std::uint16_t number);
    // A field of the player chosen by its name (or `field` when given), typed and written.
    void edit_player_field(std::uint16_t number, std::string_view field, const Redraw& redraw);
    // What the last change of a player said, and whether it was done.
    void say(const PlayerEdit& edit);

    // The field of `key` on `screen`, when there is one: toggled, chosen or typed on `row`.
    bool act_on_field(SetupScreen screen, int key, int row, const Redraw& redraw);
    void edit_field(const SetupField& field, int row, const Redraw& redraw);
    // The line typed into an input box of `width` positions; nullopt for Esc or leaving.
    std::optional<std::string> input_box(int column, int row, int width, const Redraw& redraw);
    bool yes_no(std::string_view question, bool default_yes, int row, const Redraw& redraw);
    void wait_for_key(int row);

    void menu_line(int row, char key, std::string_view label, std::string_view value = {});
    void field_line(int row, const SetupField& field);
    void footer(int row);
    // The field's help lines, at the bottom of the screen.
    void show_help(const SetupField& field);
    void show_problem();

    Console& console_;
    SetupState& state_;
    Clock& clock_;
    // The choice just cycled on the node screen, whose help shows until the next key.
    const SetupField* chosen_ = nullptr;
    // The player editor's word on the last change, shown until the next key.
    std::string said_;
    bool said_done_ = false;
};

}  // namespace vorn
