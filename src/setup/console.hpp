// setup's terminal: ncurses behind a small surface of PC colours, code page 437 text and single
// keys. It gives the terminal back in order however the program leaves: by its own quit, by
// Ctrl-C, by a signal or when the terminal goes away.
#pragma once

#include <string>
#include <string_view>

namespace vorn {

// What read_key returns besides a character (a code page 437 byte, 0..255).
enum ConsoleKey : int {
    kKeyEnter = 0x100,
    kKeyEscape,
    kKeyBackspace,
    kKeyResize,  // the terminal changed size: redraw
    kKeyLeave,   // Ctrl-C, a signal or a lost terminal: leave the program
};

class Console {
  public:
    Console() = default;
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // Takes over the terminal (colours 7 on 0, keys unechoed and one at a time). False, with the
    // reason in `error`, when standard input and output are no terminal ncurses can drive.
    bool open(std::string& error);
    // Gives the terminal back as it was found; also done by the destructor.
    void close();

    void clear();
    // Positions count from 1: column 1..80, row 1..25. Colours are the 16 PC text colours.
    void move(int column, int row);
    void text(int column, int row, std::string_view cp437, int colour);
    void text(std::string_view cp437, int colour);  // at the cursor
    // The middle dot that marks a free position of an input box.
    void dot(int colour);
    void clear_to_end_of_line();
    void show_cursor(bool on);
    // Sends what was drawn.
    void refresh();

    // Sends what was drawn, then waits for a key. Keys that mean nothing here are skipped. Once
    // kKeyLeave has come, every later call returns it at once.
    int read_key();
    bool leaving() const { return leaving_; }

  private:
    bool open_ = false;
    bool leaving_ = false;
    bool utf8_ = false;
    bool sixteen_colours_ = false;
    bool off_screen_ = false;
    int failed_reads_ = 0;
};

// Clears a terminal on standard output (for the usage lines, printed without taking it over).
void ClearTerminal();

}  // namespace vorn
