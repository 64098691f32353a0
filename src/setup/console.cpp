#include "setup/console.hpp"

// Functions, not macros, for curses' clear(), move() and refresh(): the class has its own.
#define NCURSES_NOMACROS
#include <curses.h>
#include <langinfo.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/cp437.hpp"
#include "common/cp437_text.hpp"

namespace vorn {

namespace {

// Set by the signals that end the program and read by the key wait: a signal handler can reach
// nothing but a flag of its own.
volatile sig_atomic_t g_leave_signal = 0;

void OnLeaveSignal(int) {
    g_leave_signal = 1;
}

// Caught before curses starts, so it keeps them: the key wait then leaves in order.
void CatchLeaveSignals() {
    struct sigaction action {};
    action.sa_handler = OnLeaveSignal;
    sigemptyset(&action.sa_mask);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &action, nullptr);
}

// The PC colours name blue first, curses names red first.
constexpr short kCursesColour[8] = {COLOR_BLACK, COLOR_BLUE,    COLOR_GREEN,  COLOR_CYAN,
                                    COLOR_RED,   COLOR_MAGENTA, COLOR_YELLOW, COLOR_WHITE};

constexpr int kCtrlC = 3;
constexpr int kPollMs = 500;
// Reads that find the terminal readable yet deliver nothing, in a row, before it counts as gone.
constexpr int kMaxEmptyReads = 100;

}  // namespace

Console::~Console() {
    close();
}

bool Console::open(std::string& error) {
    if (::isatty(STDIN_FILENO) == 0 || ::isatty(STDOUT_FILENO) == 0) {
        error = "the editor needs a terminal (see setup --help for the command-line form)";
        return false;
    }
    std::setlocale(LC_ALL, "");
    utf8_ = std::strcmp(::nl_langinfo(CODESET), "UTF-8") == 0;
    CatchLeaveSignals();
    if (::newterm(nullptr, stdout, stdin) == nullptr) {
        const char* term = std::getenv("TERM");
        error = std::string("cannot drive the terminal type \"") + (term ? term : "") + "\"";
        return false;
    }
    open_ = true;
    ::raw();
    ::noecho();
    ::keypad(stdscr, TRUE);
    ::nodelay(stdscr, TRUE);
    ::set_escdelay(25);
    if (::has_colors()) {
        ::start_color();
        sixteen_colours_ = COLORS >= 16 && COLOR_PAIRS > 16;
        for (int c = 0; c < (sixteen_colours_ ? 16 : 8); ++c) {
            const short fg = static_cast<short>(kCursesColour[c & 7] + (c >= 8 ? 8 : 0));
            ::init_pair(static_cast<short>(c + 1), fg, COLOR_BLACK);
        }
        ::bkgdset(' ' | COLOR_PAIR(8));  // colour 7 on 0
    }
    ::wclear(stdscr);
    return true;
}

void Console::close() {
    if (!open_) return;
    ::endwin();
    open_ = false;
}

namespace {

void SetColour(int colour, bool sixteen) {
    colour &= 15;
    const attr_t bright = colour >= 8 ? A_BOLD : A_NORMAL;
    if (!::has_colors()) {
        ::attrset(static_cast<int>(bright));
    } else if (sixteen) {
        ::attr_set(A_NORMAL, static_cast<short>(colour + 1), nullptr);
    } else {
        ::attr_set(bright, static_cast<short>((colour & 7) + 1), nullptr);
    }
}

}  // namespace

void Console::clear() {
    ::wclear(stdscr);
}

void Console::move(int column, int row) {
    // Off a terminal smaller than the screens, text would land wherever the cursor was: it is
    // dropped instead until the next move that lands on the screen.
    off_screen_ = row > LINES || column > COLS;
    if (!off_screen_) ::wmove(stdscr, row - 1, column - 1);
}

void Console::text(int column, int row, std::string_view cp437, int colour) {
    move(column, row);
    text(cp437, colour);
}

void Console::text(std::string_view cp437, int colour) {
    if (off_screen_) return;
    SetColour(colour, sixteen_colours_);
    // Cut at the right edge rather than wrapping onto the next line.
    const int room = COLS - getcurx(stdscr);
    if (room < static_cast<int>(cp437.size())) cp437 = cp437.substr(0, room < 0 ? 0 : room);
    for (const char ch : cp437) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 32 && byte < 127) {
            ::waddch(stdscr, byte);
        } else if (byte == 0) {
            ::waddch(stdscr, ' ');
        } else if (utf8_) {
            const wchar_t glyph[2] = {static_cast<wchar_t>(Cp437CodePoint(byte)), 0};
            ::waddnwstr(stdscr, glyph, 1);
        } else {
            // Without UTF-8 the terminal is taken to show ASCII only.
            ::waddch(stdscr, static_cast<unsigned char>(Cp437Ascii(byte)));
        }
    }
}

void Console::dot(int colour) {
    if (off_screen_ || getcurx(stdscr) >= COLS - 1) return;
    SetColour(colour, sixteen_colours_);
    if (utf8_) {
        const wchar_t middle_dot[2] = {static_cast<wchar_t>(Cp437CodePoint(250)), 0};
        ::waddnwstr(stdscr, middle_dot, 1);
    } else {
        // Not the alternate character set: a terminal that does not switch to it when told shows
        // its bullet as "~".
        ::waddch(stdscr, static_cast<unsigned char>(Cp437Ascii(250)));
    }
}

void Console::clear_to_end_of_line() {
    SetColour(7, sixteen_colours_);
    ::wclrtoeol(stdscr);
}

void Console::show_cursor(bool on) {
    ::curs_set(on ? 1 : 0);
}

void Console::refresh() {
    if (open_) ::wrefresh(stdscr);
}

int Console::read_key() {
    if (leaving_ || !open_) return kKeyLeave;
    ::wrefresh(stdscr);
    for (;;) {
        if (g_leave_signal != 0) break;
        wint_t ch = 0;
        const int got = ::wget_wch(stdscr, &ch);
        if (got == KEY_CODE_YES) {
            failed_reads_ = 0;
            if (ch == KEY_RESIZE) return kKeyResize;
            if (ch == KEY_ENTER) return kKeyEnter;
            if (ch == KEY_BACKSPACE || ch == KEY_DC) return kKeyBackspace;
            continue;
        }
        if (got == OK) {
            failed_reads_ = 0;
            if (ch == kCtrlC) break;
            if (ch == '\r' || ch == '\n') return kKeyEnter;
            if (ch == 27) return kKeyEscape;
            if (ch == 8 || ch == 127) return kKeyBackspace;
            if (ch < 32) continue;
            const int byte = Cp437ByteOf(static_cast<char32_t>(ch));
            if (byte >= 0) return byte;
            continue;
        }
        // Nothing waiting: sleep until the terminal has something, changes size or goes away.
        struct pollfd p {
            STDIN_FILENO, POLLIN, 0
        };
        const int ready = ::poll(&p, 1, kPollMs);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) break;
        if (ready > 0 && ++failed_reads_ > kMaxEmptyReads) break;
    }
    leaving_ = true;
    return kKeyLeave;
}

void ClearTerminal() {
    if (::isatty(STDOUT_FILENO) != 0) std::fputs("\x1b[H\x1b[2J", stdout);
}

}  // namespace vorn
