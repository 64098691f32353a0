// The wait is a poll on the caller's input with the 150 ms tick as timeout: a key wakes it at
// once, and the periodic work (inactivity, time limit, timed effects) runs between wake-ups.
// All time comes from the session's clock, so tests run six minutes of waiting in milliseconds.
#include "term/key_reader.hpp"

#include <signal.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>

#include "common/cp437_text.hpp"
#include "core/session.hpp"
#include "core/startup.hpp"
#include "term/system_text.hpp"

namespace vorn {

namespace {

// A caller that goes on asking for keys after the caller has gone is ended here, so that no
// loop can spin on a closed input.
constexpr int kMaxReadsAfterHangup = 50;
// The screen slot the information page keeps the game screen in.
constexpr int kInformationScreenSlot = 9;
// Keys typed ahead during a delay that are kept for the reads after it.
constexpr std::size_t kTypeAheadKeys = 256;

}  // namespace

KeyReader::KeyReader(Session& session) : session_(session) {
    tty_.enter(session.platform.terminal.input_descriptor());
}

bool KeyReader::check_hangup() {
    Session& s = session_;
    if (tty_.hangup_signal() == SIGTERM) {
        s.time.note_end("signal (SIGTERM)");
        s.time.ended = true;
    } else if (tty_.hangup_signalled() || s.platform.terminal.hung_up()) {
        s.time.note_end("hang-up");
        s.time.ended = true;
    }
    return s.time.ended;
}

// Feeds buffered bytes to the parser until a key comes out (with `all`, until every buffered
// byte is taken); decides a sequence left unfinished for longer than the escape timeout.
bool KeyReader::drain_input(bool all) {
    if (!keys_.empty() && !all) return true;
    const auto collect = [this] {
        Key k;
        while (parser_.next(k)) keys_.push_back(k);
        int row = 0;
        int column = 0;
        if (parser_.take_position_report(row, column)) {
            session_.writer.position_report(row, column);
        }
    };
    while (input_next_ < input_end_) {
        const auto byte = static_cast<std::uint8_t>(input_[input_next_++]);
        if (parser_.feed(byte) == KeySequenceParser::Result::kNotMine) take_typed(byte);
        collect();
        if (!keys_.empty() && !all) return true;
    }
    if (parser_.pending()) {
        const auto quiet = session_.clock.monotonic_ms() - last_byte_ms_;
        parser_.quiet(static_cast<int>(std::min<std::int64_t>(quiet, 1 << 30)));
        collect();
    }
    return !keys_.empty();
}

// A character typed on a UTF-8 line arrives as its UTF-8 bytes and becomes the code page 437
// character it shows (é is 130); one code page 437 lacks is no key. A byte that is no UTF-8 is
// taken as it is: a code page 437 terminal the probe took for UTF-8 still types its letters.
void KeyReader::take_typed(std::uint8_t byte) {
    if (!session_.writer.utf8_output || (byte < 0x80 && !utf8_.pending())) {
        keys_.push_back(Key{byte, false});
        return;
    }
    char32_t cp = 0;
    switch (utf8_.feed(byte, cp)) {
        case Utf8Decoder::Result::kCharacter: {
            const int c = Cp437ByteOf(cp);
            if (c >= 0) keys_.push_back(Key{static_cast<std::uint8_t>(c), false});
            break;
        }
        case Utf8Decoder::Result::kInvalid:
            if (byte >= 0x80) keys_.push_back(Key{byte, false});
            break;
        case Utf8Decoder::Result::kNeedMore:
            break;
    }
}

// One wait of at most `timeout_ms` for input; true when a key is ready.
bool KeyReader::poll_keys(int timeout_ms) {
    if (drain_input()) return true;
    if (check_hangup()) return false;
    session_.writer.flush();
    if (check_hangup()) return false;
    read_input(timeout_ms);
    if (check_hangup()) return false;
    return drain_input();
}

// Waits up to `timeout_ms` (no longer than a pending escape sequence may stay open) and reads
// what arrived into the input buffer, whose bytes must all have been taken.
void KeyReader::read_input(int timeout_ms) {
    Session& s = session_;
    int wait = std::max(timeout_ms, 0);
    if (parser_.pending()) {
        const auto quiet = s.clock.monotonic_ms() - last_byte_ms_;
        wait = static_cast<int>(std::clamp<std::int64_t>(kEscapeTimeoutMs - quiet, 0, wait));
    }
    TerminalIo& io = s.platform.terminal;
    FileWatch& watch = s.watch;
    bool changes = false;
    const bool readable = watch.descriptor() >= 0
                              ? io.wait_readable_or(wait, watch.descriptor(), changes)
                              : io.wait_readable(wait);
    watch.waited(changes, s.clock.monotonic_ms());
    waited_since_key_ = true;
    if (readable) {
        const long n = io.read_some(input_, sizeof input_);
        if (n == 0) {
            s.time.note_end("hang-up");
            s.time.ended = true;  // end of input: the caller has gone
        } else if (n > 0) {
            parser_.input_paused();
            input_next_ = 0;
            input_end_ = static_cast<std::size_t>(n);
            last_byte_ms_ = s.clock.monotonic_ms();
        }
    }
}

bool KeyReader::take_key(Key& key) {
    if (!drain_input()) return false;
    // A key typed ahead came before the last wait: what the file watch saw then may be older
    // than the key's move, so the move looks at the files.
    if (!waited_since_key_) session_.watch.doubt();
    waited_since_key_ = false;
    key = keys_.front();
    keys_.pop_front();
    return true;
}

bool KeyReader::wait_for_key(int ms) {
    Session& s = session_;
    const std::int64_t deadline = s.clock.monotonic_ms() + std::max(ms, 0);
    for (;;) {
        const std::int64_t left = deadline - s.clock.monotonic_ms();
        if (poll_keys(static_cast<int>(std::max<std::int64_t>(left, 0)))) return true;
        if (s.time.ended || s.clock.monotonic_ms() >= deadline) return false;
    }
}

void KeyReader::delay(int ms) {
    Session& s = session_;
    const std::int64_t deadline = s.clock.monotonic_ms() + std::max(ms, 0);
    s.writer.flush();
    while (!check_hangup()) {
        const std::int64_t left = deadline - s.clock.monotonic_ms();
        if (left <= 0) return;
        // Keys typed meanwhile join the queue for the next read, which leaves the buffer free
        // for the line to be watched; a full queue is left alone until the delay is over.
        drain_input(true);
        if (keys_.size() >= kTypeAheadKeys) {
            s.clock.sleep_ms(static_cast<int>(std::min<std::int64_t>(left, kKeyTickMs)));
        } else {
            read_input(static_cast<int>(left));
        }
    }
}

std::uint8_t KeyReader::return_after_hangup() {
    if (++reads_after_hangup_ > kMaxReadsAfterHangup) session_.end_call(false);
    return last_key_;
}

void KeyReader::idle_round(std::int64_t& start_ms) {
    Session& s = session_;
    if (!s.chat.running) {
        const double idle = static_cast<double>(s.clock.monotonic_ms() - start_ms) / 1000.0;
        if (idle > kInactivityHangupSeconds) {
            s.writer.print_coded_line(GetSystemString(s, SystemText::kInactivityTimeout));
            s.log("Inactivity timeout; hanging up.");
            s.time.note_end("idle");
            s.end_call(false);
        } else if (idle >= kInactivityBellSeconds) {
            // Three rings 800 ms apart; a key stops them at once.
            s.writer.plain("\a");
            if (!wait_for_key(800)) {
                s.writer.plain("\a");
                if (!wait_for_key(800)) s.writer.plain("\a");
            }
        } else if (s.hooks.timed_effects) {
            s.hooks.timed_effects();
        }
    }
    // The other nodes' messages and the sysop's knock reach a caller who is idle too.
    const std::uint32_t chats = s.chat.held;
    if (s.hooks.node_round) s.hooks.node_round();
    // The caller talked with the sysop: he has not been idle.
    if (s.chat.held != chats) start_ms = s.clock.monotonic_ms();
    check_time_limit();
}

std::uint8_t KeyReader::read_key() {
    Session& s = session_;
    if (s.time.ended) return return_after_hangup();
    s.writer.reset_emulation();
    check_time_limit();
    for (;;) {
        std::int64_t start = s.clock.monotonic_ms();
        extended_key_ = 0;
        std::int64_t next_round = start + kKeyTickMs;
        Key k;
        while (!take_key(k)) {
            if (s.time.ended) return return_after_hangup();
            const std::int64_t now = s.clock.monotonic_ms();
            if (now >= next_round) {
                idle_round(start);
                next_round = s.clock.monotonic_ms() + kKeyTickMs;
                continue;
            }
            poll_keys(static_cast<int>(next_round - now));
        }
        last_key_ = k.code;
        // A wait nested in this one (a chat, the information page) may have left its own.
        extended_key_ = 0;
        if (!k.extended) return k.code;
        extended_key_ = k.code;
        // Every key of a remote session is the caller's: the sysop keys are for a local one.
        if (!s.node.sysop_keys || !s.line.local || !handle_sysop_key(k.code)) return k.code;
        if (s.time.ended) return return_after_hangup();
    }
}

bool KeyReader::key_waiting() {
    Session& s = session_;
    if (s.time.ended) s.end_call(false);
    check_time_limit();
    const bool waiting = poll_keys(0);
    if (s.time.ended) s.end_call(false);
    return waiting;
}

bool KeyReader::handle_sysop_key(std::uint8_t code) {
    Session& s = session_;
    if (code == key::kAltH) {
        s.time.note_end("hang-up by the sysop");
        s.end_call(false);
    }
    if (!s.time.running) return false;
    switch (code) {
        case key::kAltI:
        case key::kCtrlHome:
            // Pressed again on the page itself it is the key that dismisses the page.
            if (showing_information_) return false;
            show_information_page();
            return true;
        case key::kAltS:
            toggle_stat_bar();
            return true;
        case key::kAltF:
            line_noise();
            return true;
        case key::kAltZ:
            ring();
            return true;
        case key::kAltC:
            if (s.chat.running || !s.chat.start) return false;
            s.chat.start();
            return true;
        case key::kKeypadMinus:
        case key::kAltMinus:
            s.time.extra_seconds -= 60;
            return true;
        case key::kKeypadPlus:
        case key::kAltEquals:
            s.time.extra_seconds += 60;
            return true;
        default:
            return false;
    }
}

void KeyReader::show_information_page() {
    Session& s = session_;
    Writer& w = s.writer;
    const int column = w.cursor_column();
    const int row = w.cursor_row();
    const std::uint8_t attribute = w.colour().attribute();
    w.save_screen(kInformationScreenSlot);

    const long seconds = std::max(0L, time_left("S"));
    char time_text[48];
    std::snprintf(time_text, sizeof time_text, "%ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    const UserRecord& user = s.users.current;
    const auto field = [&w](std::string_view label, std::string_view value) {
        w.print_coded("|07  ");
        w.print_coded(label);
        w.print_coded("|08: |15");
        w.print_text(value);  // names typed by callers may hold "|": shown as they are
        w.new_lines(1);
    };

    w.set_attribute(7, 0, false);
    w.clear_screen();
    w.new_lines(1);
    w.print_coded_line(std::string("|15  Vornhold |07version |15") + kLongVersion);
    w.print_coded_line("|08  " + std::string(60, '\xC4'));
    field("Node         ", std::to_string(s.nodes.number) + (s.line.local ? " (local)" : ""));
    field("Caller       ", s.logged_on ? user.name.str() + " (" + user.real_name.str() + ")"
                                       : std::string("not logged on yet"));
    field("Time left    ", time_text);
    field("Extra seconds", std::to_string(static_cast<long>(s.time.extra_seconds)));
    field("Board        ", s.system.bbs_name);
    w.new_lines(1);
    w.print_coded_line("|08  Alt-H hang up, Alt-S status line, Alt-F line noise, Alt-Z ring,");
    w.print_coded_line("|08  Alt-C chat, Alt-minus and Alt-equals take or give 60 seconds.");
    w.new_lines(1);
    w.print_coded("|07  Press a key to return.");
    showing_information_ = true;
    read_key();
    showing_information_ = false;

    w.restore_screen(kInformationScreenSlot);
    w.go_to(column, row);
    w.set_attribute(attribute & 15, (attribute >> 4) & 7, (attribute & 0x80) != 0);
}

void KeyReader::toggle_stat_bar() {
    Session& s = session_;
    s.settings.stat_bar = !s.settings.stat_bar;
    if (s.settings.stat_bar) return;
    Writer& w = s.writer;
    const int column = w.cursor_column();
    const int row = w.cursor_row();
    const std::uint8_t attribute = w.colour().attribute();
    // 79 spaces and a clear to the end: a character in column 80 of row 25 would scroll.
    w.go_to(1, 25);
    w.set_attribute(7, 0, false);
    w.print_text(std::string(79, ' '));
    w.clear_to_eol();
    w.go_to(column, row);
    w.set_attribute(attribute & 15, (attribute >> 4) & 7, (attribute & 0x80) != 0);
}

void KeyReader::line_noise() {
    Session& s = session_;
    const std::uint32_t count = s.rng.random(200) + 5;
    std::string noise;
    noise.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) noise += static_cast<char>(s.rng.random(255));
    s.writer.print_text(noise);
}

void KeyReader::ring() {
    Session& s = session_;
    while (!s.time.ended) {
        s.writer.plain("\a\a");
        if (wait_for_key(600)) return;
    }
}

char KeyReader::read_choice(std::string_view choices) {
    for (;;) {
        const std::uint8_t k = read_key();
        if (session_.time.ended) return 0;
        if (extended_key_ != 0) continue;
        const char key = static_cast<char>(std::toupper(k));
        if (choices.find(key) != std::string_view::npos) return key;
    }
}

void KeyReader::pause_key() {
    Session& s = session_;
    s.writer.set_attribute(8, 0, false);
    s.writer.print_coded("|08Wh|07ack T|15he Dam|07n Key|08!");
    if (s.node.pause_delay_ms != 0) {
        wait_for_key(s.node.pause_delay_ms);
    } else {
        read_key();
    }
    s.writer.erase_back(19);
    s.writer.set_foreground(7);
}

bool KeyReader::ask_yes_no(bool default_yes) {
    Session& s = session_;
    s.writer.print_coded(default_yes ? "|07[|12Y|01/|04n|07] |07" : "|07[|04y|01/|12N|07] |07");
    bool answer = default_yes;
    for (;;) {
        const int k = std::toupper(read_key());
        if (s.time.ended) return default_yes;
        if (extended_key_ != 0) continue;
        if (k == '\r') break;
        if (k == 'Y' || k == 'N') {
            answer = k == 'Y';
            break;
        }
    }
    s.writer.print_line(answer ? "Yes" : "No");
    return answer;
}

std::string KeyReader::input_line(std::string_view default_text, int case_mode,
                                  const CharacterSet& allowed, std::string_view options,
                                  int max_length, int width) {
    return InputLine(session_, default_text, case_mode, allowed, options, max_length, width);
}

std::string KeyReader::input_date(std::string_view default_text) {
    return InputDate(session_, default_text);
}

double KeyReader::seconds_left() {
    Session& s = session_;
    if (!s.time.running || !s.logged_on) return 3600;
    const double elapsed = static_cast<double>(s.clock.monotonic_ms() - s.time.start_ms) / 1000.0;
    return s.time.minutes_allowed * 60 + s.time.adjust + s.time.extra_seconds - elapsed;
}

long KeyReader::time_left(std::string_view unit) {
    // The allowance comes from the drop file and may be of any size: it is held within some 68
    // years either way before it is converted.
    constexpr double kLimit = INT32_MAX;
    const double seconds = std::clamp(seconds_left(), -kLimit, kLimit);
    const int u = unit.empty() ? 0 : std::toupper(static_cast<unsigned char>(unit.front()));
    if (u == 'H') return static_cast<long>(seconds / 3600);
    if (u == 'M') return static_cast<long>(seconds / 60);
    if (u == 'S') return static_cast<long>(seconds);
    return 0;
}

void KeyReader::check_time_limit() {
    Session& s = session_;
    if (s.chat.running || s.time.ended || !s.time.running || !s.logged_on) return;
    if (time_left("S") >= 1) {
        expiry_reported_ = false;
        return;
    }
    // A node that stays up after the time runs out would otherwise repeat the message and the
    // log line on every round of the wait.
    if (expiry_reported_) return;
    expiry_reported_ = true;
    s.writer.print_coded_line(GetSystemString(s, SystemText::kTimeExpired));
    s.log("User's time expired.");
    if (!s.node.daemon_mode && !s.node.wfc_mode) {
        s.time.note_end("time-out");
        s.end_call(false);
    }
}

}  // namespace vorn
