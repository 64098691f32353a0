// ANSI (ECMA-48 subset used by BBS art) and AVATAR level 0, interpreted byte by byte.
#include "term/ansi_emulation.hpp"

#include <algorithm>

#include "term/writer.hpp"

namespace vorn {

namespace {

// ANSI colour order (black, red, green, brown, blue, magenta, cyan, grey) as PC colours.
constexpr std::uint8_t kPcColour[8] = {0, 4, 2, 6, 1, 5, 3, 7};

constexpr std::uint8_t kEscape = 27;
constexpr std::uint8_t kRepeat = 25;  // Ctrl-Y
constexpr std::uint8_t kAvatar = 22;  // Ctrl-V
constexpr std::uint8_t kFormFeed = 12;

}  // namespace

int AnsiEmulation::parameter(int index, int fallback) const {
    if (index > param_count_) return fallback;
    return params_[index] == 0 ? fallback : params_[index];
}

void AnsiEmulation::feed(Writer& w, std::uint8_t c) {
    switch (state_) {
        case State::kText:
            plain(w, c);
            return;
        case State::kEscape:
            state_ = State::kText;
            if (c == '[') {
                state_ = State::kCsi;
                params_.fill(0);
                param_count_ = 0;
                return;
            }
            // Only ESC [ means anything here; a stray ESC is dropped.
            plain(w, c);
            return;
        case State::kCsi:
            if (c >= '0' && c <= '9') {
                int& p = params_[param_count_];
                p = std::min(p * 10 + (c - '0'), 9999);
            } else if (c == ';') {
                if (param_count_ < kMaxParameters - 1) ++param_count_;
            } else if (c != '?') {
                state_ = State::kText;
                csi_final(w, c);
            }
            return;
        case State::kRepeatChar:
            repeat_char_ = c;
            state_ = State::kRepeatCount;
            return;
        case State::kRepeatCount:
            state_ = State::kText;
            for (int i = 0; i < c; ++i) w.put_character(repeat_char_);
            return;
        case State::kAvatar:
            state_ = State::kText;
            switch (c) {
                case 1:
                    state_ = State::kAvatarColour;
                    break;
                case 2: {
                    TextColour colour = w.colour();
                    colour.blink = true;
                    w.set_colour(colour);
                    break;
                }
                case 3:
                    w.cursor_up(1);
                    break;
                case 4:
                    w.cursor_down(1);
                    break;
                case 5:
                    w.cursor_left(1);
                    break;
                case 6:
                    w.cursor_right(1);
                    break;
                case 7:
                    w.clear_to_eol();
                    break;
                case 8:
                    state_ = State::kAvatarRow;
                    break;
                default:
                    break;
            }
            return;
        case State::kAvatarColour:
            state_ = State::kText;
            w.set_colour(TextColour::FromAttribute(c));
            return;
        case State::kAvatarRow:
            avatar_row_ = c;
            state_ = State::kAvatarColumn;
            return;
        case State::kAvatarColumn:
            state_ = State::kText;
            w.go_to(c, avatar_row_);
            return;
    }
}

void AnsiEmulation::plain(Writer& w, std::uint8_t c) {
    switch (c) {
        case kEscape:
            state_ = State::kEscape;
            return;
        case kRepeat:
            state_ = State::kRepeatChar;
            return;
        case kAvatar:
            state_ = State::kAvatar;
            return;
        case kFormFeed:
            w.clear_screen();
            return;
        default:
            w.put_character(c);
            return;
    }
}

void AnsiEmulation::csi_final(Writer& w, std::uint8_t final_byte) {
    const int n = parameter(0, 1);
    switch (final_byte) {
        case 'A':
            w.cursor_up(n);
            break;
        case 'B':
            w.cursor_down(n);
            break;
        case 'C': {
            const int column = w.cursor_column() + n;
            w.go_to_column(column > kScreenColumns ? 1 : column);
            break;
        }
        case 'D':
            w.cursor_left(n);
            break;
        case 'H':
        case 'f':
            w.go_to(parameter(1, 1), parameter(0, 1));
            break;
        case 'J':
            w.clear_screen();
            break;
        case 'K':
            w.clear_to_eol();
            break;
        case 's':
            saved_column_ = w.cursor_column();
            saved_row_ = w.cursor_row();
            break;
        case 'u':
            w.go_to(saved_column_, saved_row_);
            break;
        case 'm':
            set_graphics(w);
            break;
        default:
            break;
    }
}

void AnsiEmulation::set_graphics(Writer& w) {
    TextColour colour = w.colour();
    for (int i = 0; i <= param_count_; ++i) {
        const int p = params_[i];
        if (p == 0) {
            colour = TextColour{};
        } else if (p == 1) {
            if (colour.foreground < 8) colour.foreground += 8;
        } else if (p == 5) {
            colour.blink = true;
        } else if (p >= 30 && p <= 37) {
            const bool bright = colour.foreground > 7;
            colour.foreground = static_cast<std::uint8_t>(kPcColour[p - 30] + (bright ? 8 : 0));
        } else if (p >= 40 && p <= 47) {
            colour.background = kPcColour[p - 40];
        }
    }
    w.set_colour(colour);
}

}  // namespace vorn
