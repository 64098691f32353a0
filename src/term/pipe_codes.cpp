// The code printers of the writer: the basic pipe codes, the extended codes of prompts and the
// display-line interpreter of text files.
#include <algorithm>
#include <cctype>

#include "common/text_case.hpp"
#include "core/session.hpp"
#include "term/system_text.hpp"
#include "term/text_codes.hpp"
#include "term/writer.hpp"

namespace vorn {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = Upper(c);
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int TwoDigitValue(char a, char b) {
    return (a - '0') * 10 + (b - '0');
}

bool TwoDigitsAt(std::string_view text, std::size_t i) {
    return i + 2 < text.size() && IsDigit(text[i + 1]) && IsDigit(text[i + 2]);
}

}  // namespace

bool Writer::hex_colour(std::string_view text, std::size_t i) {
    if (i + 3 >= text.size() || Upper(text[i + 1]) != 'X') return false;
    const int background = HexValue(text[i + 2]);
    const int foreground = HexValue(text[i + 3]);
    if (background < 0 || foreground < 0) return false;
    // Backgrounds 8..15 would mean blink on a PC; on the wire they show as black.
    set_colours(foreground, background > 7 ? 0 : background);
    return true;
}

void Writer::print_coded(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (IsColourCode(text, i)) {
            const char a = Upper(text[i + 1]);
            const char b = text[i + 2];
            bool known = true;
            if (a == 'U') {
                set_foreground(b - '0');
            } else if (a == 'B') {
                known = b <= '7';
                if (known) set_background(b - '0');
            } else {
                const int n = TwoDigitValue(a, b);
                known = n <= 23;
                if (n <= 15)
                    set_foreground(n);
                else if (known)
                    set_background(n - 16);
            }
            if (!known) {
                put_character('|');
                put_character(static_cast<std::uint8_t>(a));
                put_character(static_cast<std::uint8_t>(b));
            }
            i += 3;
            continue;
        }
        if (c == '@') {
            i += hex_colour(text, i) ? 4 : 1;  // a lone "@" is dropped
            continue;
        }
        const std::size_t run = plain_run(text.substr(i), true);
        if (run > 0) {
            put_plain_run(text.substr(i, run));
            i += run;
            continue;
        }
        put_character(static_cast<std::uint8_t>(c));
        ++i;
    }
    maybe_flush();
}

void Writer::print_coded_within(std::string_view text, int width) {
    // Never column 80: a character there would take the cursor to the next row, or scroll the
    // screen from the last.
    cells_left_ = std::clamp(width, 0, kScreenColumns - cursor_.column);
    print_coded(text);
    cells_left_ = -1;
}

bool Writer::extended_code(char first, char second) {
    const char a = Upper(first);
    const char b = Upper(second);
    switch (a) {
        case '0':
        case '1':
        case '2':
            if (IsDigit(b)) {
                const int n = TwoDigitValue(a, b);
                if (n <= 15)
                    set_foreground(n);
                else if (n <= 23)
                    set_background(n - 16);
            }
            return true;
        case 'U':
            if (IsDigit(b)) set_foreground(b - '0');
            return true;
        case 'B':
            if (b >= '0' && b <= '7') set_background(b - '0');
            return true;
        case 'A':
            if (b == 'S') saved_colour = colour_;
            if (b == 'L') colour_ = saved_colour;
            return true;
        case 'C':
            switch (b) {
                case 'S':
                    clear_screen();
                    break;
                case 'Z':
                    clear_to_eol();
                    break;
                case 'U':
                    cursor_up(1);
                    break;
                case 'D':
                    cursor_down(1);
                    break;
                case 'L':
                    cursor_left(1);
                    break;
                case 'R':
                    cursor_right(1);
                    break;
                case 'T':
                    cursor_up(kScreenRows);
                    break;
                case 'B':
                    cursor_down(kScreenRows);
                    break;
                case 'E':
                    cursor_right(kScreenColumns);
                    break;
                default:
                    break;
            }
            return true;
        case 'D': {
            const int ms = b == 'M' ? 100 : b == 'H' ? 500 : b == 'E' ? 750 : b == 'S' ? 1000 : 0;
            if (ms > 0) session_.keys.delay(ms);
            return true;
        }
        case 'H':
            if (b == 'C') go_to(1, 1);
            return true;
        case 'L':
            if (b == 'C') go_to(saved_cursor.column, saved_cursor.row);
            if (b == 'F') print_text("\r\n");
            return true;
        case 'P':
            if (b == 'K') session_.keys.read_key();
            if (b == 'S') session_.keys.pause_key();
            if (b == 'A' && pause_depth_ == 0) {
                // The prompt is itself a system string: one that holds |PA must not recurse.
                ++pause_depth_;
                display_line(GetSystemString(session_, SystemText::kPressAnyKey));
                session_.keys.read_key();
                erase_back(cursor_.column);
                --pause_depth_;
            }
            return true;
        case 'S':
            if (b == 'C') saved_cursor = cursor_;
            return true;
        default:
            return false;
    }
}

void Writer::restore_star(const StarSlot& star) {
    if (!star.set) return;
    colour_ = star.colour;
    go_to(star.cursor.column, star.cursor.row);
}

void Writer::print_prompt_text(std::string_view text) {
    StarSlot star;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '|' && i + 2 < text.size()) {
            if (text[i + 1] == '*' && text[i + 2] == '*') {
                star = StarSlot{true, cursor_, colour_};
                i += 3;
                continue;
            }
            if (extended_code(text[i + 1], text[i + 2])) {
                i += 3;
                continue;
            }
        }
        if (c == '@') {
            i += hex_colour(text, i) ? 4 : 1;
            continue;
        }
        put_character(static_cast<std::uint8_t>(c));
        ++i;
    }
    restore_star(star);
    maybe_flush();
}

bool Writer::display_line(std::string_view text) {
    if (session_.time.ended) return false;
    std::size_t i = 0;
    if (text.size() >= 2 && text[0] == '%') {
        const std::string_view rest = text.substr(2);
        if (text[1] == '%') {
            show_display_file(rest, 28);
            return false;
        }
        if (text[1] == '|') {
            const int half = static_cast<int>(VisibleLength(rest) / 2);
            go_to_column(std::max(1, std::min(39, 39 - half)));
            i = 2;
        } else if (text[1] == '>') {
            go_to_column(std::max(1, 80 - static_cast<int>(VisibleLength(rest))));
            i = 2;
        }
    }

    int width = kNoWidth;
    bool pad = false;
    StarSlot star;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && ExpandValueCode(session_, text.substr(i, 3))) {
            i += 3;
            std::string param;
            i += ParameterAt(text, i, param);
            std::string value = ShapeToWidth(session_.codes.code_value, width, pad);
            if (!param.empty()) value = FormatValue(value, param);
            print_text(value);
            continue;
        }
        if (c == '|' && i + 2 < text.size()) {
            if (text[i + 1] == '*' && text[i + 2] == '*') {
                star = StarSlot{true, cursor_, colour_};
                i += 3;
                continue;
            }
            if (extended_code(text[i + 1], text[i + 2])) {
                i += 3;
                continue;
            }
        }
        if (c == '@' || c == '&' || c == '{' || c == '}') {
            if (hex_colour(text, i)) {
                i += 4;
                continue;
            }
            if (TwoDigitsAt(text, i)) {
                const int n = TwoDigitValue(text[i + 1], text[i + 2]);
                if (c == '&') go_to_row(n);
                if (c == '@') go_to_column(n);
                if (c == '{' || c == '}') {
                    width = n;
                    pad = c == '}';
                }
                i += 3;
                continue;
            }
        }
        put_character(static_cast<std::uint8_t>(c));
        ++i;
    }
    restore_star(star);
    maybe_flush();
    return true;
}

}  // namespace vorn
