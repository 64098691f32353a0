// The caller's terminal as the tests see it: a real terminal emulator (libvterm, 80 x 25) fed
// with every byte the game sends. Tests read characters, colours and the cursor from it, and its
// answers to queries (the cursor-position report of the start-up probe) go back to the game.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct VTerm;
struct VTermScreen;

namespace vorn::test {

// How the emulated terminal handles the game's start-up probe and other queries.
enum class TerminalKind {
    kUtf8,    // decodes UTF-8 and answers queries: the probe's U+2591 takes one column
    kCp437,   // shows every byte as its code page 437 glyph, so the probe's three bytes take three
    kSilent,  // decodes UTF-8 but never answers anything, like a dumb terminal or a pipe
};

// One character cell. Colours are the PC text colours the game thinks in (0 black .. 15 white),
// converted back from the SGR sequences on the wire; -1 for a colour no PC colour gives.
struct ScreenCell {
    std::string text;  // the character in UTF-8, " " for an empty cell
    int foreground = 7;
    int background = 0;
    bool bold = false;
    bool blink = false;
};

class TerminalScreen {
  public:
    static constexpr int kColumns = 80;
    static constexpr int kRows = 25;

    explicit TerminalScreen(TerminalKind kind = TerminalKind::kUtf8);
    ~TerminalScreen();
    TerminalScreen(const TerminalScreen&) = delete;
    TerminalScreen& operator=(const TerminalScreen&) = delete;

    // Feeds bytes from the game. Returns what the terminal answers (empty for kSilent).
    std::string feed(std::string_view bytes);

    // Positions count from 1, as the game's do: column 1..80, row 1..25.
    ScreenCell cell(int column, int row) const;
    // The row as text, trailing blanks removed.
    std::string row_text(int row) const;
    // All rows joined with "\n", trailing blanks of each row removed.
    std::string text() const;
    bool contains(std::string_view needle) const;
    int cursor_column() const;
    int cursor_row() const;

    TerminalKind kind() const { return kind_; }

  private:
    static void collect_answer(const char* bytes, std::size_t length, void* self);

    TerminalKind kind_;
    VTerm* vt_;
    VTermScreen* screen_;
    std::string answer_;
};

// The code page 437 glyph of a byte, in UTF-8 (bytes below 128 stand for themselves).
std::string Cp437ToUtf8(unsigned char byte);

}  // namespace vorn::test
