// The caller's screen read back from the writer's bytes. The reader knows only what the writer
// itself sends (characters, CR, LF, BS, bell, cursor moves, colours, erase to end of line, clear
// screen); anything else makes the cells it may have touched unknown and sends the bytes as
// written. A bell draws nothing and goes out as it is, after the cells. Sending a difference
// walks the rows that changed, moves with the shortest of the writer's cursor moves (or by
// sending again the few cells in between), and ends an emptied row with an erase when that is
// shorter.
#include "term/caller_screen.hpp"

#include <algorithm>
#include <array>
#include <charconv>

namespace vorn {

namespace {

// PC colour 0..7 as the digit of an ANSI colour, and back.
constexpr char kAnsiDigit[] = "04261537";
constexpr std::uint8_t kPcColour[8] = {0, 4, 2, 6, 1, 5, 3, 7};

constexpr std::uint8_t kEscape = 27;
constexpr std::uint32_t kAllRows = (1u << CallerScreen::kRows) - 1;

void AppendNumber(std::string& out, int n) {
    char digits[12];
    const auto r = std::to_chars(digits, digits + sizeof digits, n);
    out.append(digits, r.ptr);
}

void AppendCsi(std::string& out, int n, char final_byte) {
    out += "\x1b[";
    AppendNumber(out, n);
    out += final_byte;
}

bool SameCells(const std::array<CallerScreen::Cell, CallerScreen::kColumns>& a,
               const std::array<CallerScreen::Cell, CallerScreen::kColumns>& b) {
    for (int x = 0; x < CallerScreen::kColumns; ++x) {
        if (a[x].glyph != b[x].glyph || a[x].attribute != b[x].attribute) return false;
    }
    return true;
}

bool IsSpace(const CallerScreen::Cell& c) {
    return c.glyph == ' ';
}

// Two known cells look the same: a blank shows only its background.
bool LooksSame(const CallerScreen::Cell& shown, const CallerScreen::Cell& target) {
    if (shown.glyph != target.glyph) return false;
    return IsSpace(target) ? (shown.attribute >> 4) == (target.attribute >> 4)
                           : shown.attribute == target.attribute;
}

void AppendGlyph(std::string& out, std::uint32_t glyph) {
    if ((glyph & CallerScreen::kRawGlyph) != 0 || glyph < 0x80) {
        out += static_cast<char>(glyph & 0xFF);
    } else if (glyph < 0x800) {
        out += static_cast<char>(0xC0 | (glyph >> 6));
        out += static_cast<char>(0x80 | (glyph & 0x3F));
    } else if (glyph < 0x10000) {
        out += static_cast<char>(0xE0 | (glyph >> 12));
        out += static_cast<char>(0x80 | ((glyph >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (glyph & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (glyph >> 18));
        out += static_cast<char>(0x80 | ((glyph >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((glyph >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (glyph & 0x3F));
    }
}

// n cursor moves left: backspaces while they are shorter, which only a cursor not waiting to
// wrap may take.
void AppendLeft(std::string& out, int n, bool pending) {
    if (!pending && n <= 3) {
        out.append(static_cast<std::size_t>(n), '\b');
    } else {
        AppendCsi(out, n, 'D');
    }
}

}  // namespace

void AppendColourChange(std::string& out, int of, int ob, int f, int b) {
    if (f == of && b == ob) return;
    char parts[16];
    int n = 0;
    const auto add = [&](char a, char c) {
        if (n > 0) parts[n++] = ';';
        parts[n++] = a;
        if (c != 0) parts[n++] = c;
    };
    // Brightness is switched off only by a reset, after which both colours start again.
    if (of != 7 || f == 7 || (of > 7 && f < 8) || (ob > 7 && b < 8)) {
        add('0', 0);
        of = 7;
        ob = 0;
    }
    if (f > 7 && of < 8) {
        add('1', 0);
        of += 8;
    }
    if (f != of) add('3', kAnsiDigit[f % 8]);
    if (b != ob) add('4', kAnsiDigit[b % 8]);
    out += "\x1b[";
    if (!(n == 1 && parts[0] == '0')) out.append(parts, static_cast<std::size_t>(n));
    out += 'm';
}

// --- reading ------------------------------------------------------------------------------------

void CallerScreen::forget() {
    shown_ = State{};
    target_ = State{};
    blank_cells_ = true;
    input_ = Input::kText;
}

void CallerScreen::lost() {
    uncertain_ = true;
}

void CallerScreen::lose_everything() {
    uncertain_ = true;
    // Every byte of a text the model has lost track of comes here: the 2,000 cells are cleared
    // once, not again for each byte while nothing has been written to them since.
    if (!blank_cells_) {
        target_.cells = {};
        blank_cells_ = true;
    }
    target_.pen = Pen{};
    dirty_rows_ = kAllRows;
}

void CallerScreen::read(std::string_view written) {
    for (std::size_t i = 0; i < written.size();) {
        const std::size_t run = input_ == Input::kText ? plain_run(written.substr(i)) : 0;
        if (run > 0) {
            put_plain_run(written.substr(i, run));
            read_offset_ += run;
            i += run;
        } else {
            ++read_offset_;
            read_byte(static_cast<std::uint8_t>(written[i++]));
        }
    }
}

std::size_t CallerScreen::plain_run(std::string_view written) const {
    const Pen& p = target_.pen;
    if (input_ != Input::kText || !p.cursor_known || !p.colour_known || p.pending) return 0;
    // Up to the column before the last, where a glyph leaves the cursor waiting to wrap.
    const auto room = static_cast<std::size_t>(std::max(0, kColumns - 1 - p.column));
    std::size_t n = 0;
    while (n < room && n < written.size() && written[n] >= 0x20 && written[n] < 0x7F) ++n;
    return n;
}

// As put_glyph for each byte of a run that plain_run found.
void CallerScreen::put_plain_run(std::string_view run) {
    Pen& p = target_.pen;
    const auto attribute = static_cast<std::uint8_t>(p.background * 16 + p.foreground);
    auto& row = target_.cells[p.row - 1];
    for (std::size_t k = 0; k < run.size(); ++k) {
        row[p.column - 1 + k] = Cell{static_cast<std::uint8_t>(run[k]), attribute};
    }
    blank_cells_ = false;
    dirty_rows_ |= 1u << (p.row - 1);
    p.column += static_cast<int>(run.size());
}

void CallerScreen::read_byte(std::uint8_t c) {
    switch (input_) {
        case Input::kUtf8:
            if ((c & 0xC0) == 0x80) {
                utf8_glyph_ = (utf8_glyph_ << 6) | (c & 0x3Fu);
                if (--utf8_left_ == 0) {
                    input_ = Input::kText;
                    put_glyph(utf8_glyph_);
                }
                return;
            }
            // A broken sequence: what the terminal made of it is anyone's guess.
            input_ = Input::kText;
            lose_everything();
            read_byte(c);
            return;
        case Input::kEscape:
            if (c == '[') {
                input_ = Input::kSequence;
                params_.fill(0);
                param_count_ = 0;
                private_sequence_ = false;
                return;
            }
            input_ = Input::kText;
            lose_everything();
            return;
        case Input::kSequence:
            if (c >= '0' && c <= '9') {
                int& p = params_[static_cast<std::size_t>(param_count_)];
                p = std::min(p * 10 + (c - '0'), 9999);
            } else if (c == ';') {
                if (param_count_ + 1 >= static_cast<int>(params_.size())) {
                    private_sequence_ = true;
                } else {
                    ++param_count_;
                }
            } else if (c >= 0x40 && c <= 0x7E) {
                input_ = Input::kText;
                sequence(c);
            } else if (c >= 0x20 && c <= 0x3F) {
                private_sequence_ = true;
            } else {
                input_ = Input::kText;
                lose_everything();
            }
            return;
        case Input::kText:
            break;
    }

    Pen& p = target_.pen;
    if (c == kEscape) {
        input_ = Input::kEscape;
    } else if (c == '\r') {
        p.column = 1;
        p.pending = false;
    } else if (c == '\n') {
        line_feed();
    } else if (c == '\b') {
        if (p.pending) {
            // Terminals disagree about a backspace from a cursor waiting to wrap.
            p.cursor_known = false;
            lost();
        } else {
            p.column = std::max(1, p.column - 1);
        }
    } else if (c == 7) {
        // The bell leaves the screen alone, but the caller must still hear it.
        undrawn_ += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
        lose_everything();
    } else if (c < 0x80) {
        put_glyph(c);
    } else if (!utf8_) {
        put_glyph(kRawGlyph | c);
    } else if (c >= 0xC2 && c <= 0xDF) {
        input_ = Input::kUtf8;
        utf8_glyph_ = c & 0x1Fu;
        utf8_left_ = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
        input_ = Input::kUtf8;
        utf8_glyph_ = c & 0x0Fu;
        utf8_left_ = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
        input_ = Input::kUtf8;
        utf8_glyph_ = c & 0x07u;
        utf8_left_ = 3;
    } else {
        lose_everything();
    }
}

void CallerScreen::put_glyph(std::uint32_t glyph) {
    Pen& p = target_.pen;
    if (!p.cursor_known) {
        lose_everything();
        return;
    }
    if (p.pending) {
        p.pending = false;
        p.column = 1;
        if (++p.row > kRows) {
            p.row = kRows;
            lose_everything();
            return;
        }
    }
    Cell& cell = target_.cells[p.row - 1][p.column - 1];
    blank_cells_ = false;
    if (p.colour_known) {
        cell = Cell{glyph, static_cast<std::uint8_t>(p.background * 16 + p.foreground)};
    } else {
        cell = Cell{};
        lost();
    }
    dirty_rows_ |= 1u << (p.row - 1);
    if (p.column == kColumns) {
        p.pending = true;
    } else {
        ++p.column;
    }
}

// The writer ends lines with CR LF; a line feed elsewhere may or may not return the carriage,
// and one on the last row scrolls the screen, which the writer itself never lets happen.
void CallerScreen::line_feed() {
    Pen& p = target_.pen;
    if (p.column != 1 || p.pending) {
        p.cursor_known = false;
        lost();
        return;
    }
    if (++p.row > kRows) lose_everything();
}

void CallerScreen::sequence(std::uint8_t final_byte) {
    if (private_sequence_) {
        lose_everything();
        return;
    }
    Pen& p = target_.pen;
    const int first = params_[0];
    const int n = first == 0 ? 1 : first;
    switch (final_byte) {
        case 'm':
            graphics();
            return;
        case 'H':
        case 'f':
            p.row = std::clamp(n, 1, kRows);
            p.column = std::clamp(params_[1] == 0 ? 1 : params_[1], 1, kColumns);
            p.cursor_known = true;
            p.pending = false;
            return;
        case 'A':
            p.row = std::clamp(p.row - n, 1, kRows);
            break;
        case 'B':
            p.row = std::clamp(p.row + n, 1, kRows);
            break;
        case 'C':
            p.column = std::clamp(p.column + n, 1, kColumns);
            break;
        case 'D':
            p.column = std::clamp(p.column - n, 1, kColumns);
            break;
        case 'G':
            p.column = std::clamp(n, 1, kColumns);
            break;
        case 'K':
            if (first != 0 || !p.cursor_known || !p.colour_known || p.pending) {
                lose_everything();
                return;
            }
            blank_cells_ = false;
            std::fill(target_.cells[p.row - 1].begin() + (p.column - 1),
                      target_.cells[p.row - 1].end(),
                      Cell{' ', static_cast<std::uint8_t>(p.background * 16 + 7)});
            dirty_rows_ |= 1u << (p.row - 1);
            return;
        case 'J':
            if (first != 2 || !p.colour_known) {
                lose_everything();
                return;
            }
            blank_cells_ = false;
            for (Row& row : target_.cells) {
                row.fill(Cell{' ', static_cast<std::uint8_t>(p.background * 16 + 7)});
            }
            cleared_ = true;
            clear_end_ = read_offset_;
            undrawn_.clear();  // a bell before the clear goes out with the bytes up to it
            clear_pen_ = p;
            dirty_rows_ = kAllRows;
            return;
        case 'n':
            // A report request: the answer comes back as input.
            return;
        default:
            lose_everything();
            return;
    }
    p.pending = false;
}

void CallerScreen::graphics() {
    Pen& p = target_.pen;
    for (int i = 0; i <= param_count_; ++i) {
        const int q = params_[static_cast<std::size_t>(i)];
        if (q == 0) {
            p.foreground = 7;
            p.background = 0;
            p.colour_known = true;
        } else if (!p.colour_known) {
            continue;
        } else if (q == 1) {
            p.foreground |= 8;
        } else if (q >= 30 && q <= 37) {
            p.foreground = static_cast<std::uint8_t>((p.foreground & 8) | kPcColour[q - 30]);
        } else if (q >= 40 && q <= 47) {
            p.background = kPcColour[q - 40];
        } else {
            p.colour_known = false;
        }
    }
}

// --- sending ------------------------------------------------------------------------------------

void CallerScreen::convert(std::string_view written, bool diff_allowed, std::string& out) {
    out.clear();
    const Pen start = target_.pen;
    const bool mid_sequence = input_ != Input::kText;
    read(written);
    const bool known = start.cursor_known && start.colour_known && shown_.pen.cursor_known &&
                       shown_.pen.colour_known && !mid_sequence && input_ == Input::kText;
    // The writer's bytes start from the colour it believes was sent last.
    if (shown_.pen.colour_known && start.colour_known) {
        AppendColourChange(out, shown_.pen.foreground, shown_.pen.background, start.foreground,
                           start.background);
    }
    if (!diff_allowed || uncertain_ || !known) {
        out.append(written);
        shown_ = target_;
    } else {
        send_difference(written, out);
    }
    uncertain_ = false;
    cleared_ = false;
    dirty_rows_ = 0;
    read_offset_ = 0;
    undrawn_.clear();
}

namespace {

using Pen = CallerScreen::Pen;

// The shortest of the writer's cursor moves from the pen to (x, y): the full position, carriage
// return, CR LF, the relative moves and backspaces.
void AppendMove(std::string& out, Pen& p, int x, int y) {
    if (p.column == x && p.row == y && !p.pending) return;
    std::string best;
    if (x == 1 && y == 1) {
        best = "\x1b[H";
    } else {
        best = "\x1b[";
        AppendNumber(best, y);
        best += ';';
        AppendNumber(best, x);
        best += 'H';
    }
    const auto consider = [&best](const std::string& other) {
        if (!other.empty() && other.size() < best.size()) best = other;
    };
    std::string other;
    // Up or down first (after which the cursor no longer waits to wrap), then along the row.
    if (y != p.row) AppendCsi(other, y > p.row ? y - p.row : p.row - y, y > p.row ? 'B' : 'A');
    if (x < p.column) {
        AppendLeft(other, p.column - x, p.pending && y == p.row);
    } else if (x > p.column) {
        AppendCsi(other, x - p.column, 'C');
    }
    consider(other);
    // Or back to the start of the row first: CR, line feeds from there, and along the row.
    other = "\r";
    if (y > p.row && y - p.row <= 3) {
        other.append(static_cast<std::size_t>(y - p.row), '\n');
    } else if (y != p.row) {
        AppendCsi(other, y > p.row ? y - p.row : p.row - y, y > p.row ? 'B' : 'A');
    }
    if (x > 1) AppendCsi(other, x - 1, 'C');
    consider(other);
    out += best;
    p.column = x;
    p.row = y;
    p.pending = false;
}

void AppendCell(std::string& out, Pen& p, const CallerScreen::Cell& cell) {
    const std::uint8_t f = cell.attribute & 15;
    const std::uint8_t b = (cell.attribute >> 4) & 7;
    if (IsSpace(cell)) {
        // A blank keeps whatever foreground is set; only its background shows.
        if (b != p.background) {
            AppendColourChange(out, p.foreground, p.background, p.foreground, b);
            p.background = b;
        }
    } else if (f != p.foreground || b != p.background) {
        AppendColourChange(out, p.foreground, p.background, f, b);
        p.foreground = f;
        p.background = b;
    }
    AppendGlyph(out, cell.glyph);
    if (p.column == CallerScreen::kColumns) {
        p.pending = true;
    } else {
        ++p.column;
    }
}

}  // namespace

// The differing cells of columns 1..last of `row`. Between two of them on the same row, the
// cells in between are sent again when that comes out shorter than the cursor move over them.
void CallerScreen::send_cells(std::string& out, Pen& pen, int row, int last, const Row& shown,
                              const Row& target) {
    constexpr int kLongestResend = 16;
    for (int column = 1; column <= last; ++column) {
        const Cell& cell = target[column - 1];
        if (cell.glyph == 0 || LooksSame(shown[column - 1], cell)) continue;
        bool resend = pen.row == row && !pen.pending && pen.column < column &&
                      column - pen.column <= kLongestResend;
        for (int x = pen.column; x < column && resend; ++x) resend = target[x - 1].glyph != 0;
        if (resend) {
            moved_.clear();
            Pen by_move = pen;
            AppendMove(moved_, by_move, column, row);
            AppendCell(moved_, by_move, cell);
            resent_.clear();
            Pen by_resend = pen;
            for (int x = pen.column; x <= column; ++x)
                AppendCell(resent_, by_resend, target[x - 1]);
            const bool shorter = resent_.size() < moved_.size();
            out += shorter ? resent_ : moved_;
            pen = shorter ? by_resend : by_move;
            continue;
        }
        AppendMove(out, pen, column, row);
        AppendCell(out, pen, cell);
    }
}

// A row ending in blanks of one background may be cut short with an erase to the end of the
// line: both ways are written and the shorter one sent.
void CallerScreen::send_row(std::string& out, Pen& pen, int row, const Row& shown,
                            const Row& target) {
    int tail = kColumns + 1;
    if (target[kColumns - 1].glyph == ' ') {
        const int background = target[kColumns - 1].attribute >> 4;
        tail = kColumns;
        while (tail > 1 && target[tail - 2].glyph == ' ' &&
               (target[tail - 2].attribute >> 4) == background) {
            --tail;
        }
    }
    bool tail_differs = false;
    for (int x = tail; x <= kColumns && !tail_differs; ++x) {
        tail_differs = !LooksSame(shown[x - 1], target[x - 1]);
    }

    option_a_.clear();
    Pen a = pen;
    send_cells(option_a_, a, row, kColumns, shown, target);
    if (!tail_differs) {
        out += option_a_;
        pen = a;
        return;
    }
    option_b_.clear();
    Pen b = pen;
    send_cells(option_b_, b, row, tail - 1, shown, target);
    AppendMove(option_b_, b, tail, row);
    const std::uint8_t background = (target[tail - 1].attribute >> 4) & 7;
    if (background != b.background) {
        AppendColourChange(option_b_, b.foreground, b.background, b.foreground, background);
        b.background = background;
    }
    option_b_ += "\x1b[K";
    if (option_b_.size() < option_a_.size()) {
        out += option_b_;
        pen = b;
    } else {
        out += option_a_;
        pen = a;
    }
}

void CallerScreen::send_difference(std::string_view written, std::string& out) {
    Pen pen = shown_.pen;
    std::uint32_t rows = dirty_rows_;
    if (cleared_) {
        // Everything up to the last whole-screen clear goes out as written, the clear with it:
        // a message shown just before a new screen still reaches the caller, and the clear puts
        // right anything his own terminal did to the screen behind the model's back.
        out.append(written.substr(0, clear_end_));
        pen = clear_pen_;
        for (Row& r : shown_.cells) {
            r.fill(Cell{' ', static_cast<std::uint8_t>(clear_pen_.background * 16 + 7)});
        }
        rows = kAllRows;
    } else {
        // The colour the writer believed in was sent for nothing.
        out.clear();
    }
    for (int row = 1; row <= kRows; ++row) {
        if ((rows & (1u << (row - 1))) == 0) continue;
        Row& shown = shown_.cells[row - 1];
        const Row& target = target_.cells[row - 1];
        // A row written again as it was (a room's text over the same text) sends nothing.
        if (!SameCells(shown, target)) send_row(out, pen, row, shown, target);
        shown = target;
    }

    // The cursor ends where the writer left it, waiting to wrap if it was.
    const Pen& want = target_.pen;
    if (want.pending) {
        if (!pen.pending || pen.row != want.row) {
            AppendMove(out, pen, kColumns, want.row);
            AppendCell(out, pen, target_.cells[want.row - 1][kColumns - 1]);
        }
    } else {
        AppendMove(out, pen, want.column, want.row);
    }
    shown_.pen = pen;
    out += undrawn_;
}

}  // namespace vorn
