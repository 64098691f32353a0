// The screen model of the writer and what it sends for it: characters, cursor moves in their
// shortest form, colour changes as the difference from the colour last sent, and the scroll,
// which redraws the screen from the image instead of trusting the terminal's own scrolling.
#include "term/writer.hpp"

#include <algorithm>
#include <charconv>

#include "common/config_records.hpp"
#include "common/cp437.hpp"
#include "core/session.hpp"

namespace vorn {

namespace {

constexpr std::string_view kColourNames[16] = {
    "Black",     "Blue",          "Green",     "Cyan",       "Red",         "Magenta",
    "Brown",     "Light Gray",    "Dark Gray", "Light Blue", "Light Green", "Light Cyan",
    "Light Red", "Light Magenta", "Yellow",    "White"};

// Output that piles up this far is sent early, so a huge file never holds it all in memory.
constexpr std::size_t kEarlyFlushBytes = 64 * 1024;

void AppendNumber(std::string& out, int n) {
    char digits[12];
    const auto r = std::to_chars(digits, digits + sizeof digits, n);
    out.append(digits, r.ptr);
}

std::uint8_t ValidForeground(int n) {
    return n >= 0 && n <= 15 ? static_cast<std::uint8_t>(n) : 0;
}
std::uint8_t ValidBackground(int n) {
    return n >= 0 && n <= 7 ? static_cast<std::uint8_t>(n) : 0;
}

}  // namespace

Writer::Writer(Session& session, TerminalIo& io) : session_(session), io_(io) {}

void Writer::initialize() {
    colour_ = TextColour{};
    sent_foreground_ = 7;
    sent_background_ = 0;
    for (int row = 1; row <= kScreenRows; ++row) fill_cells(row, 1, ScreenCell{}.attribute);
    cursor_ = terminal_ = CursorPosition{};
    emulation_.reset();
    unanswered_positions_ = 0;
    probe_unanswered_ = false;
    switch (session_.node.encoding) {
        case kEncodingCp437:
            utf8_output = false;
            character_set_ = "code page 437 (the node's setting)";
            break;
        case kEncodingUtf8:
            utf8_output = true;
            character_set_ = "UTF-8 (the node's setting)";
            break;
        default:
            run_probe();
    }
}

// The terminal is asked to print U+2591 as UTF-8 at column 1 and to report where its cursor
// ended. A terminal that took the three bytes for three characters stands in column 4. An answer
// that takes longer than the wait (a slow link) is taken whenever it comes: see position_report.
void Writer::run_probe() {
    flush();
    io_.write_all(
        "\x1b"
        "7\x1b[1G\xE2\x96\x91\x1b[6n");
    std::string reply;
    while (reply.size() < 31 && io_.wait_readable(500)) {
        char c = 0;
        if (io_.read_some(&c, 1) != 1) break;
        reply += c;
        if (c == 'R') break;
    }
    io_.write_all(
        "\x1b"
        "8\x1b[K");
    // The probe's glyph and the erase behind it went straight to the terminal.
    caller_screen_.forget();

    const std::size_t semicolon = reply.find(';');
    if (reply.empty() || reply.back() != 'R' || semicolon == std::string::npos) {
        utf8_output = true;
        probe_unanswered_ = true;
        unanswered_positions_ = 1;
        character_set_ = "UTF-8 until the terminal answers";
        return;
    }
    int column = 0;
    std::from_chars(reply.data() + semicolon + 1, reply.data() + reply.size(), column);
    settle_character_set(column, "the terminal's answer");
    // The row comes with it; the column is the one start-up left, after its line end.
    std::size_t start = reply.rfind('[', semicolon);
    start = start == std::string::npos ? 0 : start + 1;
    int row = 0;
    std::from_chars(reply.data() + start, reply.data() + semicolon, row);
    if (row >= 1) cursor_.row = terminal_.row = std::min(row, kScreenRows);
}

void Writer::settle_character_set(int column, std::string_view how) {
    utf8_output = column < 4;
    character_set_ =
        std::string(utf8_output ? "UTF-8" : "code page 437") + " (" + std::string(how) + ")";
}

void Writer::ask_position() {
    buffer_ += "\x1b[6n";
    ++unanswered_positions_;
}

void Writer::position_report([[maybe_unused]] int row, int column) {
    if (unanswered_positions_ > 0) --unanswered_positions_;
    if (!probe_unanswered_) return;
    probe_unanswered_ = false;
    settle_character_set(column, "the terminal's late answer");
    session_.log(">Character set: " + character_set_);
    if (!utf8_output) redraw_screen();
}

void Writer::redraw_screen() {
    flush();
    caller_screen_.forget();
    for (RowBytes& cache : row_cache_) cache.valid = false;
    buffer_ += "\x1b[0m\x1b[H\x1b[2J";
    sent_foreground_ = 7;
    sent_background_ = 0;
    terminal_ = CursorPosition{};
    for (int row = 1; row <= kScreenRows; ++row) redraw_row(row);
    move_terminal_to(cursor_.column, cursor_.row);
    send_current_colour();
    flush();
}

void Writer::send_colour(std::uint8_t f, std::uint8_t b) {
    if (f > 15) f = 0;
    if (b > 7) b = 0;
    AppendColourChange(buffer_, sent_foreground_, sent_background_, f, b);
    sent_foreground_ = f;
    sent_background_ = b;
}

void Writer::send_current_colour() {
    send_colour(colour_.foreground, colour_.background);
}

std::uint8_t Writer::sent_attribute() const {
    return static_cast<std::uint8_t>(sent_background_ * 16 + sent_foreground_);
}

void Writer::send_glyph(std::uint8_t c) {
    if (c == 0) c = ' ';
    if (utf8_output && Cp437NeedsGlyph(c)) {
        buffer_ += Cp437Utf8(c);
    } else {
        buffer_ += static_cast<char>(c);
    }
}

void Writer::move_terminal_to(int x, int y) {
    const int ox = terminal_.column;
    const int oy = terminal_.row;
    terminal_ = CursorPosition{x, y};
    if (y == oy) {
        if (x == ox) {
            // A cursor left in the last column may be waiting to wrap; only the full form is
            // sure to take it back.
            if (x != kScreenColumns) return;
        } else if (x == 1) {
            buffer_ += '\r';
            return;
        } else {
            buffer_ += "\x1b[";
            AppendNumber(buffer_, x > ox ? x - ox : ox - x);
            buffer_ += x > ox ? 'C' : 'D';
            return;
        }
    } else if (x == ox) {
        buffer_ += "\x1b[";
        AppendNumber(buffer_, y < oy ? oy - y : y - oy);
        buffer_ += y < oy ? 'A' : 'B';
        return;
    } else if (x == 1 && y == oy + 1) {
        buffer_ += "\r\n";
        return;
    }
    buffer_ += "\x1b[";
    AppendNumber(buffer_, y);
    buffer_ += ';';
    AppendNumber(buffer_, x);
    buffer_ += 'H';
}

void Writer::position() {
    move_terminal_to(cursor_.column, cursor_.row);
}

void Writer::put_character(std::uint8_t c) {
    if (cells_left_ >= 0) {
        if (cells_left_ == 0 || c == 8 || c == 9 || c == 10 || c == 13) return;
        --cells_left_;
    }
    switch (c) {
        case 8:
            if (cursor_.column > 1) --cursor_.column;
            position();
            return;
        case 9: {
            // A raw tab would move the caller's cursor behind the model's back.
            int stop = 9;
            while (stop <= cursor_.column && stop < kScreenColumns) stop = std::min(stop + 8, 80);
            cursor_.column = std::max(stop, cursor_.column);
            position();
            return;
        }
        case 10:
            cursor_.column = 1;
            if (++cursor_.row > kScreenRows) {
                cursor_.row = kScreenRows;
                scroll_up();
            }
            position();
            return;
        case 13:
            cursor_.column = 1;
            position();
            return;
        default:
            break;
    }
    if (colour_.foreground != sent_foreground_ || colour_.background != sent_background_) {
        send_current_colour();
    }
    if (c >= 32 && c < 127) {
        buffer_ += static_cast<char>(c);
    } else {
        send_glyph(c);
    }
    set_cell(cursor_.column, cursor_.row,
             ScreenCell{c == 0 ? std::uint8_t{' '} : c, colour_.attribute()});
    terminal_ = CursorPosition{std::min(cursor_.column + 1, kScreenColumns), cursor_.row};
    if (++cursor_.column > kScreenColumns) {
        cursor_.column = 1;
        if (++cursor_.row > kScreenRows) {
            cursor_.row = kScreenRows;
            scroll_up();
        }
    }
    position();
}

void Writer::scroll_up() {
    ++scroll_count_;
    std::copy(image_.begin() + 1, image_.end(), image_.begin());
    std::rotate(row_cache_.begin(), row_cache_.begin() + 1, row_cache_.end());
    fill_cells(kScreenRows, 1, colour_.attribute());
    for (int row = 1; row < kScreenRows; ++row) redraw_row(row);
    move_terminal_to(1, kScreenRows);
    send_current_colour();
    buffer_ += "\x1b[K";
}

// A scroll redraws every row, but a row that has not changed since the last scroll sends the
// same bytes again when it starts from the same colour: those are kept and reused.
void Writer::redraw_row(int row) {
    move_terminal_to(1, row);
    RowBytes& cache = row_cache_[row - 1];
    if (cache.valid && cache.utf8 == utf8_output && cache.start_foreground == sent_foreground_ &&
        cache.start_background == sent_background_) {
        buffer_ += cache.bytes;
        sent_foreground_ = cache.end_foreground;
        sent_background_ = cache.end_background;
        terminal_.column = cache.end_column;
        return;
    }
    cache.start_foreground = sent_foreground_;
    cache.start_background = sent_background_;
    const std::size_t from = buffer_.size();

    const auto& cells = image_[row - 1];
    int last = kScreenColumns;
    while (last > 0 && cells[last - 1].character == ' ' &&
           (cells[last - 1].attribute & 0x70) == 0) {
        --last;
    }
    for (int x = 1; x <= last; ++x) {
        const ScreenCell cell = cells[x - 1];
        send_colour(cell.attribute & 15, (cell.attribute >> 4) & 7);
        send_glyph(cell.character);
    }
    terminal_.column = std::min(last + 1, kScreenColumns);
    if (last < kScreenColumns) {
        if (sent_background_ != 0) send_colour(7, 0);
        buffer_ += "\x1b[K";
    }

    cache.bytes.assign(buffer_, from);
    cache.end_foreground = sent_foreground_;
    cache.end_background = sent_background_;
    cache.end_column = terminal_.column;
    cache.utf8 = utf8_output;
    cache.valid = true;
}

void Writer::fill_cells(int row, int from_column, std::uint8_t attribute) {
    row_cache_[row - 1].valid = false;
    auto& cells = image_[row - 1];
    std::fill(cells.begin() + (from_column - 1), cells.end(), ScreenCell{' ', attribute});
}

void Writer::print_text(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t run = plain_run(text.substr(i), false);
        if (run > 0) {
            put_plain_run(text.substr(i, run));
            i += run;
        } else {
            put_character(static_cast<std::uint8_t>(text[i++]));
        }
    }
    maybe_flush();
}

std::size_t Writer::plain_run(std::string_view text, bool codes) const {
    if (cells_left_ >= 0) return 0;
    // The run ends before the last column, where a character leaves the cursor waiting to wrap.
    const auto room = static_cast<std::size_t>(std::max(0, kScreenColumns - 1 - cursor_.column));
    std::size_t n = 0;
    while (n < room && n < text.size() && text[n] >= 32 && text[n] < 127 &&
           !(codes && (text[n] == '|' || text[n] == '@'))) {
        ++n;
    }
    return n;
}

// As put_character for each, with the cursor staying on its row: one colour check, one append.
void Writer::put_plain_run(std::string_view run) {
    if (colour_.foreground != sent_foreground_ || colour_.background != sent_background_) {
        send_current_colour();
    }
    buffer_.append(run);
    const std::uint8_t attribute = colour_.attribute();
    auto& cells = image_[cursor_.row - 1];
    for (std::size_t k = 0; k < run.size(); ++k) {
        cells[cursor_.column - 1 + k] = ScreenCell{static_cast<std::uint8_t>(run[k]), attribute};
    }
    row_cache_[cursor_.row - 1].valid = false;
    cursor_.column += static_cast<int>(run.size());
    terminal_ = cursor_;
}

void Writer::print_line(std::string_view text) {
    print_text(text);
    print_text("\r\n");
}

void Writer::print_coded_line(std::string_view text) {
    print_coded(text);
    print_text("\r\n");
}

void Writer::new_lines(int n) {
    for (int i = 0; i < n; ++i) print_text("\r\n");
}

void Writer::display_line_end(std::string_view text) {
    if (display_line(text)) print_text("\r\n");
}

void Writer::go_to(int column, int row) {
    cursor_ =
        CursorPosition{std::clamp(column, 1, kScreenColumns), std::clamp(row, 1, kScreenRows)};
    position();
}

void Writer::cursor_up(int n) {
    go_to_row(cursor_.row - std::clamp(n, 0, kScreenRows));
}
void Writer::cursor_down(int n) {
    go_to_row(cursor_.row + std::clamp(n, 0, kScreenRows));
}
void Writer::cursor_left(int n) {
    go_to_column(cursor_.column - std::clamp(n, 0, kScreenColumns));
}
void Writer::cursor_right(int n) {
    go_to_column(cursor_.column + std::clamp(n, 0, kScreenColumns));
}

// A terminal clears in the colour it was last sent, which may still be a bar's background while
// the next screen's own colours wait for its first character: the clear resets the colour first,
// even when the writer believes it is light grey on black already.
void Writer::clear_screen() {
    buffer_ += "\x1b[m\x1b[H\x1b[2J";
    sent_foreground_ = 7;
    sent_background_ = 0;
    cursor_ = terminal_ = CursorPosition{};
    for (int row = 1; row <= kScreenRows; ++row) fill_cells(row, 1, sent_attribute());
    emulation_.reset();
}

void Writer::clear_to_eol() {
    buffer_ += "\x1b[K";
    fill_cells(cursor_.row, cursor_.column, sent_attribute());
}

void Writer::erase_back(int n) {
    n = std::clamp(n, 0, kScreenColumns);
    for (int i = 0; i < n; ++i) {
        buffer_ += '\b';
        if (cursor_.column > 1) --cursor_.column;
        send_current_colour();
        buffer_ += ' ';
        set_cell(cursor_.column, cursor_.row, ScreenCell{' ', colour_.attribute()});
        buffer_ += '\b';
    }
    terminal_ = cursor_;
}

void Writer::set_foreground(int colour) {
    colour_.foreground = ValidForeground(colour);
}
void Writer::set_background(int colour) {
    colour_.background = ValidBackground(colour);
}

void Writer::set_colours(int foreground, int background) {
    set_foreground(foreground);
    set_background(background);
}

void Writer::set_attribute(int foreground, int background, bool blink) {
    set_colours(foreground, background);
    colour_.blink = blink;
}

std::string_view Writer::colour_name(int n) {
    return n >= 0 && n <= 15 ? kColourNames[n] : std::string_view{};
}

std::string Writer::colour_pair_name(std::uint8_t attribute) {
    std::string name(colour_name(attribute & 15));
    name += " On ";
    name += colour_name((attribute >> 4) & 7);
    name += "|16";
    return name;
}

void Writer::print_at(int column, int row, std::string_view text) {
    go_to(column, row);
    int x = cursor_.column;
    std::uint8_t attribute = 7;
    const auto write = [&](std::uint8_t c) {
        // No wrap: what does not fit on the row is not written.
        if (x > kScreenColumns) return;
        send_colour(attribute & 15, (attribute >> 4) & 7);
        send_glyph(c);
        set_cell(x, cursor_.row, ScreenCell{c == 0 ? std::uint8_t{' '} : c, attribute});
        terminal_.column = std::min(x + 1, kScreenColumns);
        ++x;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<std::uint8_t>(text[i]);
        if (c == '|' && i + 2 < text.size()) {
            const char a = text[i + 1];
            const char b = text[i + 2];
            i += 2;
            if (a >= '0' && a <= '9' && b >= '0' && b <= '9' && (a - '0') * 10 + (b - '0') <= 15) {
                attribute = static_cast<std::uint8_t>((a - '0') * 10 + (b - '0'));
            } else if (a == 'B' && b == '1') {
                attribute = 16;
            } else {
                write('|');
                write(static_cast<std::uint8_t>(a));
                write(static_cast<std::uint8_t>(b));
            }
            continue;
        }
        write(c);
    }
    cursor_.column = std::min(x, kScreenColumns);
    position();
}

void Writer::page_lines(int n) {
    if (page_counter == 0) return;
    page_counter = static_cast<std::uint16_t>(page_counter + std::clamp(n, 0, 1000));
    if (page_counter >= 24) {
        page_counter = 1;
        if (pause) pause();
    }
}

void Writer::maybe_flush() {
    if (buffer_.size() >= kEarlyFlushBytes) flush();
}

bool Writer::flush() {
    if (buffer_.empty()) return true;
    std::string_view bytes = buffer_;
    if (send_changes_only) {
        // The sysop watching a chat has a screen of his own the model knows nothing about.
        caller_screen_.set_utf8(utf8_output);
        caller_screen_.convert(buffer_, !mirror_, sending_);
        bytes = sending_;
    }
    bool ok = true;
    if (!bytes.empty()) {
        ok = io_.write_all(bytes);
        if (mirror_) mirror_(bytes);
    }
    buffer_.clear();
    return ok;
}

bool Writer::flush_unseen() {
    const bool ok = buffer_.empty() || io_.write_all(buffer_);
    if (mirror_ && !buffer_.empty()) mirror_(buffer_);
    buffer_.clear();
    caller_screen_.forget();
    return ok;
}

}  // namespace vorn
