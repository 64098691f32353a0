#include "maint/console.hpp"

namespace vorn {

// Flushed at once: the next step may wait (for the tavern's lock, say) with the text on screen.
void MaintConsole::text(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
}

void MaintConsole::line(std::string_view text) {
    this->text(text);
    this->text(terminal_ ? "\r\n" : "\n");
}

void MaintConsole::escape(std::string_view sequence) {
    if (terminal_) text(sequence);
}

void MaintConsole::heading() {
    escape("\x1b[2J\x1b[H\x1b[0;1;30;40m");
    line("Vornhold Maintenance");
    escape("\x1b[0;31m");
    line(std::string(80, '-'));
}

void MaintConsole::normal_colour() {
    escape("\x1b[0;37m");
}

void MaintConsole::begin_users() {
    line();
    if (terminal_) {
        text("User maintenance ");
    } else {
        line("User maintenance");
    }
}

void MaintConsole::users_percent(int percent) {
    if (!terminal_ || percent == percent_) return;
    percent_ = percent;
    text("\x1b[5;18H" + std::to_string(percent) + " %");
}

void MaintConsole::end_users() {
    if (terminal_) {
        text("\r\n\r\n\x1b[5;18HDone!");
        normal_colour();
    }
    line(terminal_ ? "" : "Done!");
}

void MaintConsole::begin_cities() {
    if (terminal_) text("Working on city ");
}

void MaintConsole::city(std::string_view name) {
    if (terminal_) {
        text("\x1b[17G\x1b[K");
        text(name);
    } else {
        line("Working on city " + std::string(name));
    }
}

void MaintConsole::end_cities(int cities) {
    if (terminal_) {
        line();
    } else if (cities == 0) {
        line("Working on city: no cities");
    }
}

void MaintConsole::note(std::string_view text) {
    if (terminal_) {
        notes_.emplace_back(text);
    } else {
        line(text);
    }
}

void MaintConsole::show_notes() {
    for (const std::string& n : notes_) line(n);
    notes_.clear();
}

}  // namespace vorn
