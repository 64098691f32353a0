// The terminal's key sequences (cursor keys, Home, End, Alt + letter, ...) turned into the game's
// extended key codes, a byte at a time. The parser never waits on its own: the reader tells it how
// long the input has been quiet, so a lone ESC is decided by the caller's clock.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace vorn {

// Extended key codes: the scan codes of the PC keyboard.
namespace key {
inline constexpr std::uint8_t kShiftTab = 0x0F;
inline constexpr std::uint8_t kAltI = 0x17;
inline constexpr std::uint8_t kAltO = 0x18;
inline constexpr std::uint8_t kAltS = 0x1F;
inline constexpr std::uint8_t kAltF = 0x21;
inline constexpr std::uint8_t kAltH = 0x23;
inline constexpr std::uint8_t kAltZ = 0x2C;
inline constexpr std::uint8_t kAltC = 0x2E;
inline constexpr std::uint8_t kF1 = 0x3B;
inline constexpr std::uint8_t kHome = 0x47;
inline constexpr std::uint8_t kUp = 0x48;
inline constexpr std::uint8_t kPageUp = 0x49;
inline constexpr std::uint8_t kKeypadMinus = 0x4A;
inline constexpr std::uint8_t kLeft = 0x4B;
inline constexpr std::uint8_t kRight = 0x4D;
inline constexpr std::uint8_t kKeypadPlus = 0x4E;
inline constexpr std::uint8_t kEnd = 0x4F;
inline constexpr std::uint8_t kDown = 0x50;
inline constexpr std::uint8_t kPageDown = 0x51;
inline constexpr std::uint8_t kInsert = 0x52;
inline constexpr std::uint8_t kDelete = 0x53;
inline constexpr std::uint8_t kCtrlLeft = 0x73;
inline constexpr std::uint8_t kCtrlRight = 0x74;
inline constexpr std::uint8_t kCtrlEnd = 0x75;
inline constexpr std::uint8_t kCtrlHome = 0x77;
inline constexpr std::uint8_t kAltMinus = 0x82;
inline constexpr std::uint8_t kAltEquals = 0x83;
}  // namespace key

// One key as the game sees it: an ordinary byte, or an extended code.
struct Key {
    std::uint8_t code = 0;
    bool extended = false;
    bool operator==(const Key&) const = default;
};

struct KeySequence {
    std::string_view bytes;
    std::uint8_t code;
};

// Every sequence the parser knows, one row each.
std::span<const KeySequence> KeySequenceTable();

// A cursor-position report (ESC [ row ; column R) at the start of `bytes`: its length with the
// row and column filled in, 0 when the bytes start no report, -1 when they could still become one.
int PositionReportAt(std::string_view bytes, int& row, int& column);

// How long a started sequence may stay unfinished before it is decided (a lone ESC becomes ESC).
inline constexpr int kEscapeTimeoutMs = 250;

class KeySequenceParser {
  public:
    enum class Result {
        kComplete,  // one or more keys are ready: take them with next()
        kNeedMore,  // the byte was taken (part of a sequence, or a dropped unknown one)
        kNotMine,   // an ordinary key, not part of any sequence: the caller uses the byte itself
    };

    explicit KeySequenceParser(int escape_timeout_ms = kEscapeTimeoutMs)
        : timeout_ms_(escape_timeout_ms) {}

    Result feed(std::uint8_t byte);
    // The input has been quiet for `quiet_ms` since the last byte: decides a pending sequence
    // once the escape timeout has passed (kComplete for a lone ESC, kNeedMore otherwise).
    Result quiet(int quiet_ms);
    // Takes the next ready key; false when there is none.
    bool next(Key& key);
    // Takes the cursor-position report the terminal sent among the keys, if one came: reports
    // are answers, never keys.
    bool take_position_report(int& row, int& column);

    // The input paused between two reads: a NUL that follows cannot be the tail of telnet's
    // CR NUL, which always travels in one piece.
    void input_paused() { after_cr_ = false; }

    bool pending() const { return state_ != State::kIdle; }
    void reset();

  private:
    enum class State { kIdle, kEscape, kCsi, kCsiBracket, kSs3, kSkip, kNul };

    // One step of feed() for each state; `ready_before` is the number of keys that were waiting
    // when the byte came.
    Result feed_idle(std::uint8_t byte);
    Result feed_escape(std::uint8_t byte, std::size_t ready_before);
    Result feed_csi(std::uint8_t byte, std::size_t ready_before);
    Result feed_parameters(std::uint8_t byte, std::size_t ready_before);
    Result feed_csi_bracket(std::uint8_t byte, std::size_t ready_before);
    Result feed_skip(std::uint8_t byte, std::size_t ready_before);
    // kComplete when a key was queued since `ready_before`, kNeedMore otherwise.
    Result outcome(std::size_t ready_before) const;
    Result again(std::uint8_t byte, std::size_t ready_before);
    std::size_t ready_waiting() const { return ready_count_ - ready_next_; }

    void emit(Key key);
    void emit_sequence();
    void start(State state, std::uint8_t byte);
    void append(std::uint8_t byte) { buffer_[length_++] = byte; }

    int timeout_ms_;
    State state_ = State::kIdle;
    std::array<std::uint8_t, 16> buffer_{};
    std::size_t length_ = 0;
    bool after_cr_ = false;
    bool report_ready_ = false;
    int report_row_ = 0;
    int report_column_ = 0;
    std::array<Key, 4> ready_{};
    std::size_t ready_count_ = 0;
    std::size_t ready_next_ = 0;
};

}  // namespace vorn
