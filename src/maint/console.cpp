#include "maint/console.hpp"

#include "common/system_log.hpp"

namespace vorn {

namespace {

constexpr std::size_t kNoteWidth = 79;
constexpr std::string_view kNoteIndent = "  ";

// A name or note as the console shows it: no colour codes, no control bytes.
std::string Shown(std::string_view text) {
    std::string out = StripColourCodes(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
    }
    return out;
}

// Lines of at most kNoteWidth characters, broken at blanks where there is one; the lines after the
// first are indented.
std::vector<std::string> Wrapped(std::string_view text) {
    std::vector<std::string> lines;
    std::string line;
    while (!text.empty()) {
        const std::size_t room = kNoteWidth - line.size();
        if (text.size() <= room) {
            lines.push_back(line + std::string(text));
            break;
        }
        std::size_t cut = text.rfind(' ', room);
        const bool at_blank = cut != std::string_view::npos && cut > 0;
        if (!at_blank) cut = room;
        lines.push_back(line + std::string(text.substr(0, cut)));
        text.remove_prefix(at_blank ? cut + 1 : cut);
        line = kNoteIndent;
    }
    return lines;
}

}  // namespace

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
        text(Shown(name));
    } else {
        line("Working on city " + Shown(name));
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
    for (const std::string& part : Wrapped(Shown(text))) {
        if (terminal_) {
            notes_.push_back(part);
        } else {
            line(part);
        }
    }
}

void MaintConsole::show_notes() {
    for (const std::string& n : notes_) line(n);
    notes_.clear();
}

}  // namespace vorn
