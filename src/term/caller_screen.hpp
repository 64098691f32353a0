// What the caller's terminal shows, kept by reading back every byte the writer sends: characters,
// colours and the cursor. A flush hands over the writer's own output; when the model knows the
// screen well enough, only the cells that end up different are sent, with the writer's cursor
// moves and colour changes. Whatever the model cannot follow goes out exactly as written, and
// the cells it touched stay unknown until something draws them again.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

// The colour change from foreground/background `from_*` to `to_*` (PC colours, foreground 0..15,
// background 0..7) as the writer sends it; nothing when they are the same.
void AppendColourChange(std::string& out, int from_foreground, int from_background,
                        int to_foreground, int to_background);

class CallerScreen {
  public:
    static constexpr int kColumns = 80;
    static constexpr int kRows = 25;

    // The bytes to send for `written`: the differing cells when `diff_allowed` and the model can
    // follow everything in it, otherwise `written` itself (perhaps after a colour change that
    // puts the terminal back where the writer believes it is).
    void convert(std::string_view written, bool diff_allowed, std::string& out);

    // The screen changed in a way the model did not see: everything is unknown again.
    void forget();
    // Bytes from 128 up as UTF-8 sequences (true) or as single code page 437 characters.
    void set_utf8(bool utf8) { utf8_ = utf8; }

    // The screen as the model sees it, for tests: glyph 0 is a cell it does not know.
    struct Cell {
        std::uint32_t glyph = 0;     // a code point, or kRawGlyph | byte on a code page 437 wire
        std::uint8_t attribute = 0;  // background * 16 + foreground (bold makes it 8..15)
    };
    static constexpr std::uint32_t kRawGlyph = 0x80000000u;
    const Cell& shown(int column, int row) const { return shown_.cells[row - 1][column - 1]; }

    // The terminal's cursor and colour.
    struct Pen {
        int column = 1;
        int row = 1;
        bool pending = false;  // a character went to column 80: the next one wraps first
        bool cursor_known = false;
        std::uint8_t foreground = 7;
        std::uint8_t background = 0;
        bool colour_known = false;
    };

  private:
    using Row = std::array<Cell, kColumns>;
    struct State {
        std::array<Row, kRows> cells{};
        Pen pen;
    };

    // Reading back the writer's bytes into target_.
    void read(std::string_view written);
    void read_byte(std::uint8_t c);
    // How many bytes from the start of `written` are printable ASCII that put_plain_run can put
    // on the pen's row in one go (0 where the bytes must be read one by one).
    std::size_t plain_run(std::string_view written) const;
    void put_plain_run(std::string_view run);
    void put_glyph(std::uint32_t glyph);
    void sequence(std::uint8_t final_byte);
    void graphics();
    void line_feed();
    void lost();
    void lose_everything();

    // Sending the difference between shown_ and target_.
    void send_difference(std::string_view written, std::string& out);
    void send_row(std::string& out, Pen& pen, int row, const Row& shown, const Row& target);
    void send_cells(std::string& out, Pen& pen, int row, int last, const Row& shown,
                    const Row& target);

    std::string option_a_;
    std::string option_b_;
    std::string moved_;
    std::string resent_;

    State shown_;              // what the caller's terminal shows now
    State target_;             // what it would show after the bytes the writer wrote
    bool blank_cells_ = true;  // target_'s cells are as a new State has them
    bool utf8_ = true;

    // Reading state, kept between flushes.
    enum class Input { kText, kEscape, kSequence, kUtf8 };
    Input input_ = Input::kText;
    std::array<int, 16> params_{};
    int param_count_ = 0;
    bool private_sequence_ = false;
    std::uint32_t utf8_glyph_ = 0;
    int utf8_left_ = 0;

    // Set while reading the bytes of one flush.
    bool uncertain_ = false;     // something the model cannot follow: send the bytes as written
    bool cleared_ = false;       // a whole-screen clear: the bytes up to it go out as written
    std::size_t clear_end_ = 0;  // where the last clear ends
    Pen clear_pen_;              // the cursor and colour just after it
    std::size_t read_offset_ = 0;
    std::uint32_t dirty_rows_ = 0;
    std::string undrawn_;  // control bytes that change no cell, sent as they are
};

}  // namespace vorn
