// libvterm behind a small interface: bytes in, cells and answers out.
#include "support/terminal_screen.hpp"

#include <vterm.h>

#include <array>

namespace vorn::test {

namespace {

// The IBM PC glyphs of bytes 128..255.
constexpr std::array<std::uint16_t, 128> kCp437High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// SGR colour digits 0..7 name red before blue; the PC order names blue first.
constexpr std::array<int, 8> kAnsiToPc = {0, 4, 2, 6, 1, 5, 3, 7};

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The PC colour of a cell colour: SGR 30..37 with bold are the bright colours 8..15.
int PcColour(const VTermColor& colour, bool bold, bool is_foreground) {
    int index;
    if (is_foreground && VTERM_COLOR_IS_DEFAULT_FG(&colour)) {
        index = 7;
    } else if (!is_foreground && VTERM_COLOR_IS_DEFAULT_BG(&colour)) {
        index = 0;
    } else if (VTERM_COLOR_IS_INDEXED(&colour) && colour.indexed.idx < 16) {
        index = colour.indexed.idx;
    } else {
        return -1;
    }
    const int pc = kAnsiToPc[static_cast<std::size_t>(index & 7)];
    return pc + ((index >= 8 || (is_foreground && bold)) ? 8 : 0);
}

}  // namespace

std::string Cp437ToUtf8(unsigned char byte) {
    std::string out;
    AppendUtf8(out, byte < 0x80 ? byte : kCp437High[byte - 0x80]);
    return out;
}

TerminalScreen::TerminalScreen(TerminalKind kind) : kind_(kind), vt_(vterm_new(kRows, kColumns)) {
    vterm_set_utf8(vt_, 1);
    vterm_output_set_callback(vt_, &TerminalScreen::collect_answer, this);
    screen_ = vterm_obtain_screen(vt_);
    vterm_screen_reset(screen_, 1);
}

TerminalScreen::~TerminalScreen() {
    vterm_free(vt_);
}

void TerminalScreen::collect_answer(const char* bytes, std::size_t length, void* self) {
    static_cast<TerminalScreen*>(self)->answer_.append(bytes, length);
}

std::string TerminalScreen::feed(std::string_view bytes) {
    answer_.clear();
    if (kind_ == TerminalKind::kCp437) {
        std::string translated;
        translated.reserve(bytes.size() * 2);
        for (const char c : bytes) translated += Cp437ToUtf8(static_cast<unsigned char>(c));
        vterm_input_write(vt_, translated.data(), translated.size());
    } else {
        vterm_input_write(vt_, bytes.data(), bytes.size());
    }
    if (kind_ == TerminalKind::kSilent) answer_.clear();
    return answer_;
}

ScreenCell TerminalScreen::cell(int column, int row) const {
    ScreenCell result;
    VTermScreenCell raw{};
    VTermPos pos{row - 1, column - 1};
    if (row < 1 || row > kRows || column < 1 || column > kColumns ||
        vterm_screen_get_cell(screen_, pos, &raw) == 0) {
        result.text = " ";
        return result;
    }
    if (raw.chars[0] == 0) {
        result.text = " ";
    } else {
        for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && raw.chars[i] != 0; ++i) {
            AppendUtf8(result.text, raw.chars[i]);
        }
    }
    result.bold = raw.attrs.bold != 0;
    result.blink = raw.attrs.blink != 0;
    result.foreground = PcColour(raw.fg, result.bold, true);
    result.background = PcColour(raw.bg, false, false);
    return result;
}

std::string TerminalScreen::row_text(int row) const {
    std::string line;
    for (int column = 1; column <= kColumns; ++column) line += cell(column, row).text;
    const std::size_t end = line.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : line.substr(0, end + 1);
}

std::string TerminalScreen::text() const {
    std::string all;
    for (int row = 1; row <= kRows; ++row) {
        if (row > 1) all += '\n';
        all += row_text(row);
    }
    return all;
}

bool TerminalScreen::contains(std::string_view needle) const {
    for (int row = 1; row <= kRows; ++row) {
        if (row_text(row).find(needle) != std::string::npos) return true;
    }
    return false;
}

int TerminalScreen::cursor_column() const {
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return pos.col + 1;
}

int TerminalScreen::cursor_row() const {
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return pos.row + 1;
}

}  // namespace vorn::test
