// The one terminal writer: every byte for the caller goes through it. It keeps its own model of
// the 80 x 25 screen (cursor, colour and an image of every cell), sends only what changed, and
// buffers output so that it leaves with one write per flush.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "term/ansi_emulation.hpp"
#include "term/caller_screen.hpp"
#include "term/terminal_io.hpp"

namespace vorn {

struct Session;

inline constexpr int kScreenColumns = 80;
inline constexpr int kScreenRows = 25;

// A colour of the PC text palette: foreground 0..15, background 0..7, blink.
struct TextColour {
    std::uint8_t foreground = 7;
    std::uint8_t background = 0;
    bool blink = false;

    // ((blink ? 8 : 0) + background) * 16 + foreground
    std::uint8_t attribute() const {
        return static_cast<std::uint8_t>(((blink ? 8 : 0) + background) * 16 + foreground);
    }
    static TextColour FromAttribute(std::uint8_t a) {
        return TextColour{static_cast<std::uint8_t>(a & 15),
                          static_cast<std::uint8_t>((a >> 4) & 7), (a & 128) != 0};
    }
    bool operator==(const TextColour&) const = default;
};

struct ScreenCell {
    std::uint8_t character = ' ';
    std::uint8_t attribute = 7;
};

struct CursorPosition {
    int column = 1;
    int row = 1;
};

using ScreenImage = std::array<std::array<ScreenCell, kScreenColumns>, kScreenRows>;

class Writer {
  public:
    Writer(Session& session, TerminalIo& io);

    // Start of the session: colour 7 on 0, and the character set: the node's setting, or the
    // UTF-8 probe with the cursor row the terminal reports.
    void initialize();

    // Asks the terminal where its cursor is (ESC [ 6 n). Terminals answer in order.
    void ask_position();
    // A cursor-position report, wherever it was read. While the probe is unanswered the first
    // report is its answer: a late one that says code page 437 switches the writer over and
    // draws the caller's screen again.
    void position_report(int row, int column);
    // Position questions the terminal has not answered yet, the probe's included.
    int unanswered_positions() const { return unanswered_positions_; }
    // The character set chosen and how, for the log ("UTF-8 (the terminal's answer)"). The
    // writer starts before the log has its folder, so start-up logs it; a late answer is logged
    // when it comes.
    const std::string& character_set() const { return character_set_; }

    // Plain bytes, as the start-up steps print them: no codes, no screen model.
    void plain(std::string_view text) { buffer_.append(text); }
    void plain_line(std::string_view text) {
        plain(text);
        plain("\r\n");
    }

    // Text without codes, as put_character writes each character.
    void print_text(std::string_view text);
    void print_line(std::string_view text);
    // The basic pipe codes (|00..|23, |U0..|U9, |B0..|B7) and @X colours.
    void print_coded(std::string_view text);
    void print_coded_line(std::string_view text);
    // The same kept to `width` cells of the cursor's row and short of column 80, for a text placed
    // in a fixed area: what lies beyond is dropped, and characters that would move the cursor
    // elsewhere are left out.
    void print_coded_within(std::string_view text, int width);
    void new_lines(int n);
    // The extended codes: colours, cursor moves, pauses, |** and @X.
    void print_prompt_text(std::string_view text);
    // A line of a text file with its line modes, value codes and position codes. Returns whether
    // the caller should end the line.
    bool display_line(std::string_view text);
    void display_line_end(std::string_view text);

    void put_character(std::uint8_t c);

    // Cursor moves never leave the screen: every target is kept within 1..80 x 1..25.
    void go_to(int column, int row);
    void go_to_column(int column) { go_to(column, cursor_.row); }
    void go_to_row(int row) { go_to(cursor_.column, row); }
    void cursor_up(int n);
    void cursor_down(int n);
    void cursor_left(int n);
    void cursor_right(int n);
    void clear_screen();
    void clear_to_eol();
    // n times backspace, space, backspace.
    void erase_back(int n);

    void set_foreground(int colour);
    void set_background(int colour);
    void set_colours(int foreground, int background);
    void set_attribute(int foreground, int background, bool blink);
    void set_colour(const TextColour& colour) { colour_ = colour; }

    static std::string_view colour_name(int n);
    // "Yellow On Blue|16"
    static std::string colour_pair_name(std::uint8_t attribute);

    // The path of display file `name` (text path, .ans/.asc, random variants), or empty.
    std::string find_display_file(std::string_view name);
    // Streams a display file with its codes in template mode `mode`. False when it is missing.
    // `shown_path`, when given, receives the path of the file streamed (empty when none was).
    bool show_display_file(std::string_view name, int mode, std::string* shown_path = nullptr);
    // Streams the file at exactly `path`, found by no other spelling. False when it cannot be
    // opened.
    bool show_file_at(const std::string& path, int mode);
    // Loads up to 4096 bytes of a display file as the form text of the list screens.
    bool load_display_file(std::string_view name);
    // Prints a form text held in memory with the codes of display files and the value markers of
    // form mode `mode`.
    void show_form_text(std::string_view text, int mode);
    // Rows covered by the last display file shown (last row - first row + 1, at least 0).
    int last_file_rows() const { return last_file_rows_; }

    void save_screen(int slot);
    void restore_screen(int slot);

    // The direct writer of the closing screen: no wrap, "|nn" and "|B1" colour codes.
    void print_at(int column, int row, std::string_view text);

    // Paging of lists: 0 is off; a list switches it on by setting it to 1. A full page waits
    // with `pause`, which the session sets to its key reader's pause.
    void page_lines(int n);
    std::uint16_t page_counter = 0;
    std::function<void()> pause;

    // Sends what is buffered with one write. False when the caller is gone.
    bool flush();
    // Sends what is buffered as written, for a question to the caller's terminal or a screen the
    // model cannot see; the model then forgets the screen.
    bool flush_unseen();
    // Whether a flush sends only the cells the caller's screen does not show yet (on), or every
    // byte as written (off: the tests compare the two).
    bool send_changes_only = true;
    // A copy of everything sent also goes here (the sysop watching a chat); empty for none.
    void set_mirror(std::function<void(std::string_view)> mirror) { mirror_ = std::move(mirror); }

    // Forgets any half-read escape sequence of display files (key waits and clears call it).
    void reset_emulation() { emulation_.reset(); }

    // The screen model.
    int cursor_column() const { return cursor_.column; }
    int cursor_row() const { return cursor_.row; }
    CursorPosition cursor() const { return cursor_; }
    const TextColour& colour() const { return colour_; }
    TextColour saved_colour;
    CursorPosition saved_cursor;
    bool utf8_output = true;
    const ScreenImage& screen_image() const { return image_; }
    // Times the screen has scrolled up since the writer started: screens that are drawn to fit
    // never make it move.
    int scroll_count() const { return scroll_count_; }

  private:
    friend class AnsiEmulation;
    friend class DisplayInterpreter;

    // |** of prompt texts, display lines and files: cursor and colour put back at the end.
    struct StarSlot {
        bool set = false;
        CursorPosition cursor;
        TextColour colour;
    };

    void run_probe();
    // The probe's answer: a terminal that stood in column 4 or later took the glyph's three
    // bytes for three characters.
    void settle_character_set(int column, std::string_view how);
    // Everything on the caller's screen sent again, after the character set changed.
    void redraw_screen();
    void position();
    void move_terminal_to(int column, int row);
    void send_colour(std::uint8_t foreground, std::uint8_t background);
    void send_current_colour();
    void send_glyph(std::uint8_t c);
    void scroll_up();
    void redraw_row(int row);
    void fill_cells(int row, int from_column, std::uint8_t attribute);
    // How many characters from the start of `text` are plain (no control, no code page glyph,
    // with `codes` no "|" or "@" that may start a code) and fit on the row before its last
    // column; put_plain_run writes them.
    std::size_t plain_run(std::string_view text, bool codes) const;
    void put_plain_run(std::string_view run);
    void set_cell(int column, int row, ScreenCell cell) {
        image_[row - 1][column - 1] = cell;
        row_cache_[row - 1].valid = false;
    }
    std::uint8_t sent_attribute() const;
    void maybe_flush();

    // An extended code: colours, cursor moves, pauses. False when `first` starts none.
    bool extended_code(char first, char second);
    // "@X" + two hex digits at text[i]; true (colour set) when it is one.
    bool hex_colour(std::string_view text, std::size_t i);
    void restore_star(const StarSlot& star);
    std::string resolve_display_file(std::string_view name);

    Session& session_;
    TerminalIo& io_;
    std::function<void(std::string_view)> mirror_;
    std::string buffer_;
    CallerScreen caller_screen_;
    std::string sending_;
    CursorPosition cursor_;
    CursorPosition terminal_;  // where the caller's cursor is after what was sent
    TextColour colour_;
    std::uint8_t sent_foreground_ = 7;
    std::uint8_t sent_background_ = 0;
    ScreenImage image_;
    // The bytes a scroll last sent for each row, reused while the row is unchanged.
    struct RowBytes {
        bool valid = false;
        bool utf8 = false;
        std::uint8_t start_foreground = 0;
        std::uint8_t start_background = 0;
        std::uint8_t end_foreground = 0;
        std::uint8_t end_background = 0;
        int end_column = 1;
        std::string bytes;
    };
    std::array<RowBytes, kScreenRows> row_cache_;
    AnsiEmulation emulation_;
    int last_file_rows_ = 0;
    int scroll_count_ = 0;
    int unanswered_positions_ = 0;
    std::string character_set_;
    bool probe_unanswered_ = false;
    int pause_depth_ = 0;  // |PA shows a system string that might itself hold |PA
    int cells_left_ = -1;  // cells print_coded_within may still fill; -1 when not clipping

    struct SavedScreen {
        int slot = -1;
        CursorPosition cursor;
        TextColour colour;
    };
    std::array<SavedScreen, 8> saved_screens_{};
    int saved_screen_next_ = 0;
};

}  // namespace vorn
