// The one key reader: every wait for the caller's keyboard goes through it. While it waits it
// runs the session's periodic work every 150 ms, enforces the inactivity and time limits, serves
// the sysop's keys and notices a caller who has gone. The prompts built on it live here too.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "common/clock.hpp"
#include "common/cp437_text.hpp"
#include "term/key_sequences.hpp"
#include "term/line_editor.hpp"
#include "term/tty_mode.hpp"

namespace vorn {

struct Session;

// The period of the key reader's work while it waits.
inline constexpr int kKeyTickMs = 150;
// Inactivity: the bell from this many seconds without a key, the hang-up after the second.
inline constexpr double kInactivityBellSeconds = 240;
inline constexpr double kInactivityHangupSeconds = 359;

// The call's time keeping, kept by the key reader.
struct KeyClock {
    double minutes_allowed = 0;  // the caller's time from the drop file or the node
    DateTime start;
    std::int64_t start_ms = 0;  // the same moment on the steady clock
    double extra_seconds = 0;   // sysop keys and chat time
    double adjust = 0;          // set at logon
    bool running = false;       // start-up done; sysop keys other than Alt-H need it
    bool ended = false;         // closing: every wait returns at once
    // How the call ended, for the log ("hang-up", "time-out"): the first reason given counts, and
    // a call that ends with none was quit.
    std::string end_reason;
    void note_end(std::string_view how) {
        if (end_reason.empty()) end_reason = how;
    }
};

// A chat between the sysop and the caller: the key reader lifts the inactivity limit while it
// runs and counts each one held as activity.
struct ChatState {
    bool running = false;
    std::uint32_t held = 0;  // chats held so far
    int sysop_fd = -1;       // the sysop tool, while it chats with the caller
    // Started by the sysop's chat key; while empty the key goes to the caller like any other.
    std::function<void()> start;
};

// Work the layers above hand to the waits. Each is empty until it is set.
struct CallHooks {
    // Called on every 150 ms round of a wait while the caller is not idle.
    std::function<void()> timed_effects;
    // Set by the main sequence: one round of the node table (the other nodes' messages, the
    // sysop's knock), run on every 150 ms round of a wait, and the orderly end of the call, which
    // Session::end_call runs.
    std::function<void()> node_round;
    std::function<void(bool show_credits)> closing;
};

class KeyReader {
  public:
    // Puts a real terminal into raw mode and takes over the hang-up signals; the destructor
    // gives both back.
    explicit KeyReader(Session& session);

    // Waits for one key; returns at once (with the last key) when the session is ending.
    std::uint8_t read_key();
    // The code of the last extended key, 0 when the last key was an ordinary character.
    std::uint8_t extended_key() const { return extended_key_; }
    // True when a key can be read without waiting. Ends the session instead when it is closing.
    bool key_waiting();
    // Waits up to `ms` milliseconds, returning early (true) as soon as a key is waiting.
    bool wait_for_key(int ms);
    // The game's fixed delays: waits `ms` milliseconds whatever is typed (the keys stay for the
    // next read), but ends at once when the caller is gone.
    void delay(int ms);

    // Reads keys until one of `choices` (letters in either case, no extended keys) arrives and
    // returns it upper-cased; 0 when the session ends first.
    char read_choice(std::string_view choices);
    // The standard key pause: the prompt, one key (or the node's fixed delay), prompt erased.
    void pause_key();
    // "[Y/n]" or "[y/N]", then "Yes" or "No". The default when the session ends first.
    bool ask_yes_no(bool default_yes);
    // The line editor (see line_editor.hpp).
    std::string input_line(std::string_view default_text, int case_mode,
                           const CharacterSet& allowed, std::string_view options, int max_length,
                           int width = 0);
    // An eight-character date "mm/dd/yy" typed over its mask.
    std::string input_date(std::string_view default_text);

    // The caller's time left in seconds (3600 before the caller has logged on).
    double seconds_left();
    // The time left truncated to whole hours ("H"), minutes ("M") or seconds ("S").
    long time_left(std::string_view unit);
    // Ends the session when the caller's time is used up.
    void check_time_limit();

    const TtyMode& tty_mode() const { return tty_; }

  private:
    bool take_key(Key& key);
    void take_typed(std::uint8_t byte);
    bool drain_input(bool all = false);
    bool poll_keys(int timeout_ms);
    void read_input(int timeout_ms);
    bool check_hangup();
    std::uint8_t return_after_hangup();
    // One round of the wait that began at `start_ms`; a chat held in it restarts that count.
    void idle_round(std::int64_t& start_ms);
    bool handle_sysop_key(std::uint8_t code);
    void show_information_page();
    void toggle_stat_bar();
    void line_noise();
    void ring();

    Session& session_;
    TtyMode tty_;
    KeySequenceParser parser_;
    Utf8Decoder utf8_;
    std::deque<Key> keys_;
    char input_[256] = {};
    std::size_t input_next_ = 0;
    std::size_t input_end_ = 0;
    std::int64_t last_byte_ms_ = 0;
    bool waited_since_key_ = false;  // a wait came since the last key was taken
    std::uint8_t last_key_ = 0;
    std::uint8_t extended_key_ = 0;
    int reads_after_hangup_ = 0;
    bool expiry_reported_ = false;
    bool showing_information_ = false;
};

}  // namespace vorn
