// The terminal emulation of display files: the ANSI and AVATAR level-0 commands in sysop-drawn
// screens are carried out on the writer, so the caller only ever receives the writer's own
// normalised output and never an escape sequence taken from a file.
#pragma once

#include <array>
#include <cstdint>

namespace vorn {

class Writer;

class AnsiEmulation {
  public:
    // One byte of a display file that is not a program code.
    void feed(Writer& writer, std::uint8_t c);
    // Back to plain text: any half-read sequence is forgotten.
    void reset() { state_ = State::kText; }

  private:
    enum class State {
        kText,
        kEscape,        // after ESC
        kCsi,           // after ESC [
        kRepeatChar,    // after Ctrl-Y
        kRepeatCount,   // after Ctrl-Y c
        kAvatar,        // after Ctrl-V
        kAvatarColour,  // after Ctrl-V Ctrl-A
        kAvatarRow,     // after Ctrl-V Ctrl-H
        kAvatarColumn,  // after Ctrl-V Ctrl-H row
    };

    void plain(Writer& writer, std::uint8_t c);
    void csi_final(Writer& writer, std::uint8_t final_byte);
    void set_graphics(Writer& writer);
    int parameter(int index, int fallback) const;

    State state_ = State::kText;
    static constexpr int kMaxParameters = 16;
    std::array<int, kMaxParameters> params_{};
    int param_count_ = 0;
    std::uint8_t repeat_char_ = 0;
    std::uint8_t avatar_row_ = 0;
    int saved_column_ = 1;
    int saved_row_ = 1;
};

}  // namespace vorn
