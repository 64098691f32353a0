// libvterm behind a small interface: bytes in, cells and answers out.
#include "support/terminal_screen.hpp"

#include "common/cp437.hpp"

#include <vterm.h>

#include <array>

namespace vorn::test {

namespace {

// The IBM PC glyphs of bytes 128..255.

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
    AppendUtf8(out, byte < 0x80 ? byte : static_cast<std::uint32_t>(Cp437CodePoint(byte)));
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
