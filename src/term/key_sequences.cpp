// Callers arrive with every kind of terminal, so each key has several spellings: VT100 and xterm
// in normal and application mode, the VT220 "~" forms, rxvt, the Linux console and the ANSI-BBS
// terminals. Anything the table does not know is swallowed whole, never passed on as stray keys.
#include "term/key_sequences.hpp"

#include <algorithm>
#include <string>

namespace vorn {

namespace {

using namespace key;

constexpr KeySequence kTable[] = {
    // Cursor keys: normal mode, application mode.
    {"\x1b[A", kUp},
    {"\x1b[B", kDown},
    {"\x1b[C", kRight},
    {"\x1b[D", kLeft},
    {"\x1bOA", kUp},
    {"\x1bOB", kDown},
    {"\x1bOC", kRight},
    {"\x1bOD", kLeft},
    // Home and End.
    {"\x1b[H", kHome},
    {"\x1b[1~", kHome},
    {"\x1b[7~", kHome},
    {"\x1bOH", kHome},
    {"\x1b[F", kEnd},
    {"\x1b[4~", kEnd},
    {"\x1b[8~", kEnd},
    {"\x1bOF", kEnd},
    {"\x1b[K", kEnd},  // ANSI-BBS terminals
    // Insert, Delete, Page Up, Page Down.
    {"\x1b[2~", kInsert},
    {"\x1b[@", kInsert},  // ANSI-BBS terminals
    {"\x1b[3~", kDelete},
    {"\x1b[5~", kPageUp},
    {"\x1b[V", kPageUp},
    {"\x1b[6~", kPageDown},
    {"\x1b[U", kPageDown},
    // With Ctrl held.
    {"\x1b[1;5H", kCtrlHome},
    {"\x1b[1;5~", kCtrlHome},
    {"\x1b[7^", kCtrlHome},
    {"\x1b[1^", kCtrlHome},
    {"\x1b[1;5F", kCtrlEnd},
    {"\x1b[4;5~", kCtrlEnd},
    {"\x1b[8^", kCtrlEnd},
    {"\x1b[4^", kCtrlEnd},
    {"\x1b[1;5D", kCtrlLeft},
    {"\x1b[1;5C", kCtrlRight},
    {"\x1bOd", kCtrlLeft},
    {"\x1bOc", kCtrlRight},
    {"\x1b[Z", kShiftTab},
    // The numeric keypad in application mode: the only place minus and plus are distinguishable.
    {"\x1bOm", kKeypadMinus},
    {"\x1bOk", kKeypadPlus},
    // Function keys F1 to F12.
    {"\x1bOP", 0x3B},
    {"\x1bOQ", 0x3C},
    {"\x1bOR", 0x3D},
    {"\x1bOS", 0x3E},
    {"\x1b[11~", 0x3B},
    {"\x1b[12~", 0x3C},
    {"\x1b[13~", 0x3D},
    {"\x1b[14~", 0x3E},
    {"\x1b[15~", 0x3F},
    {"\x1b[17~", 0x40},
    {"\x1b[18~", 0x41},
    {"\x1b[19~", 0x42},
    {"\x1b[20~", 0x43},
    {"\x1b[21~", 0x44},
    {"\x1b[23~", 0x85},
    {"\x1b[24~", 0x86},
    {"\x1b[[A", 0x3B},  // Linux console
    {"\x1b[[B", 0x3C},
    {"\x1b[[C", 0x3D},
    {"\x1b[[D", 0x3E},
    {"\x1b[[E", 0x3F},
    // Alt + letter or digit arrives as ESC and the key (letters are folded to lower case first).
    {"\033q", 0x10},
    {"\033w", 0x11},
    {"\033e", 0x12},
    {"\033r", 0x13},
    {"\033t", 0x14},
    {"\033y", 0x15},
    {"\033u", 0x16},
    {"\033i", kAltI},
    {"\033o", kAltO},
    {"\033p", 0x19},
    {"\033a", 0x1E},
    {"\033s", kAltS},
    {"\033d", 0x20},
    {"\033f", kAltF},
    {"\033g", 0x22},
    {"\033h", kAltH},
    {"\033j", 0x24},
    {"\033k", 0x25},
    {"\033l", 0x26},
    {"\033z", kAltZ},
    {"\033x", 0x2D},
    {"\033c", kAltC},
    {"\033v", 0x2F},
    {"\033b", 0x30},
    {"\033n", 0x31},
    {"\033m", 0x32},
    {"\0331", 0x78},
    {"\0332", 0x79},
    {"\0333", 0x7A},
    {"\0334", 0x7B},
    {"\0335", 0x7C},
    {"\0336", 0x7D},
    {"\0337", 0x7E},
    {"\0338", 0x7F},
    {"\0339", 0x80},
    {"\0330", 0x81},
    {"\033-", kAltMinus},
    {"\033=", kAltEquals},
};

constexpr std::uint8_t kEsc = 0x1B;

bool IsParameter(std::uint8_t b) {
    return b >= 0x20 && b <= 0x3F;
}
bool IsFinal(std::uint8_t b) {
    return b >= 0x40 && b <= 0x7E;
}
bool IsPrintable(std::uint8_t b) {
    return b >= 0x20 && b <= 0x7E;
}

int Lookup(std::string_view bytes) {
    for (const KeySequence& row : kTable) {
        if (row.bytes == bytes) return row.code;
    }
    return -1;
}

// A key with modifiers the table does not list (Shift-Up is ESC [ 1 ; 2 A) counts as the plain key.
int LookupWithoutModifiers(std::string_view bytes) {
    const std::size_t semicolon = bytes.find(';');
    if (semicolon == std::string_view::npos || bytes.size() < 4) return -1;
    const char final = bytes.back();
    std::string plain(bytes.substr(0, 2));
    if (final == '~' || final == '^' || final == '$') plain += bytes.substr(2, semicolon - 2);
    plain += final;
    return Lookup(plain);
}

}  // namespace

std::span<const KeySequence> KeySequenceTable() {
    return kTable;
}

void KeySequenceParser::reset() {
    state_ = State::kIdle;
    length_ = 0;
}

void KeySequenceParser::start(State state, std::uint8_t byte) {
    state_ = state;
    length_ = 0;
    append(byte);
}

void KeySequenceParser::emit(Key k) {
    if (ready_next_ == ready_count_) ready_next_ = ready_count_ = 0;
    if (ready_count_ < ready_.size()) ready_[ready_count_++] = k;
}

bool KeySequenceParser::next(Key& k) {
    if (ready_next_ >= ready_count_) return false;
    k = ready_[ready_next_++];
    return true;
}

int PositionReportAt(std::string_view bytes, int& row, int& column) {
    if (bytes.empty() || bytes[0] != kEsc) return 0;
    if (bytes.size() < 2) return -1;
    if (bytes[1] != '[') return 0;
    int numbers[2] = {0, 0};
    int digits[2] = {0, 0};
    int part = 0;
    for (std::size_t i = 2; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c >= '0' && c <= '9') {
            if (++digits[part] > 4) return 0;
            numbers[part] = numbers[part] * 10 + (c - '0');
        } else if (c == ';' && part == 0 && digits[0] > 0) {
            part = 1;
        } else if (c == 'R' && part == 1 && digits[1] > 0) {
            row = numbers[0];
            column = numbers[1];
            return static_cast<int>(i + 1);
        } else {
            return 0;
        }
    }
    return -1;
}

bool KeySequenceParser::take_position_report(int& row, int& column) {
    if (!report_ready_) return false;
    report_ready_ = false;
    row = report_row_;
    column = report_column_;
    return true;
}

void KeySequenceParser::emit_sequence() {
    const std::string_view bytes(reinterpret_cast<const char*>(buffer_.data()), length_);
    int row = 0;
    int column = 0;
    if (PositionReportAt(bytes, row, column) == static_cast<int>(bytes.size())) {
        report_ready_ = true;
        report_row_ = row;
        report_column_ = column;
        reset();
        return;
    }
    int code = Lookup(bytes);
    if (code < 0) code = LookupWithoutModifiers(bytes);
    reset();
    if (code >= 0) emit(Key{static_cast<std::uint8_t>(code), true});
}

KeySequenceParser::Result KeySequenceParser::outcome(std::size_t ready_before) const {
    return ready_waiting() > ready_before ? Result::kComplete : Result::kNeedMore;
}

// A byte that cannot continue the sequence starts afresh, after any key the sequence left; an
// ordinary byte must then come out behind that key, so it is queued too.
KeySequenceParser::Result KeySequenceParser::again(std::uint8_t byte, std::size_t ready_before) {
    reset();
    const Result r = feed(byte);
    if (r != Result::kNotMine) return outcome(ready_before);
    if (ready_waiting() == ready_before) return Result::kNotMine;
    emit(Key{byte, false});
    return Result::kComplete;
}

KeySequenceParser::Result KeySequenceParser::feed(std::uint8_t byte) {
    const std::size_t ready_before = ready_waiting();
    switch (state_) {
        case State::kIdle:
            return feed_idle(byte);
        case State::kNul:
            reset();
            emit(Key{byte, true});
            return Result::kComplete;
        case State::kEscape:
            return feed_escape(byte, ready_before);
        case State::kCsi:
            return feed_csi(byte, ready_before);
        case State::kSs3:
            return feed_parameters(byte, ready_before);
        case State::kCsiBracket:
            return feed_csi_bracket(byte, ready_before);
        case State::kSkip:
            return feed_skip(byte, ready_before);
    }
    return Result::kNeedMore;
}

KeySequenceParser::Result KeySequenceParser::feed_idle(std::uint8_t byte) {
    // Telnet sends Enter as CR NUL: the NUL is not a key.
    if (after_cr_ && byte == 0) {
        after_cr_ = false;
        return Result::kNeedMore;
    }
    after_cr_ = byte == '\r';
    if (byte == kEsc) {
        start(State::kEscape, byte);
        return Result::kNeedMore;
    }
    if (byte == 0) {
        start(State::kNul, byte);
        return Result::kNeedMore;
    }
    // Most terminals send DEL for the Backspace key.
    if (byte == 0x7F) {
        emit(Key{8, false});
        return Result::kComplete;
    }
    return Result::kNotMine;
}

KeySequenceParser::Result KeySequenceParser::feed_escape(std::uint8_t byte,
                                                         std::size_t ready_before) {
    if (byte == '[') {
        append(byte);
        state_ = State::kCsi;
        return Result::kNeedMore;
    }
    if (byte == 'O') {
        append(byte);
        state_ = State::kSs3;
        return Result::kNeedMore;
    }
    if (IsPrintable(byte)) {
        append(static_cast<std::uint8_t>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte));
        emit_sequence();
        return outcome(ready_before);
    }
    // ESC followed by a control byte or another ESC: the ESC was a key of its own.
    emit(Key{kEsc, false});
    return again(byte, ready_before);
}

KeySequenceParser::Result KeySequenceParser::feed_csi(std::uint8_t byte, std::size_t ready_before) {
    if (length_ == 2 && byte == '[') {
        append(byte);
        state_ = State::kCsiBracket;
        return Result::kNeedMore;
    }
    if (byte == '$' && length_ > 2) {  // rxvt ends shifted keys with "$"
        append(byte);
        emit_sequence();
        return outcome(ready_before);
    }
    return feed_parameters(byte, ready_before);
}

// The parameters and the final byte of an ESC [ or ESC O sequence.
KeySequenceParser::Result KeySequenceParser::feed_parameters(std::uint8_t byte,
                                                             std::size_t ready_before) {
    if (IsParameter(byte)) {
        if (length_ + 1 < buffer_.size())
            append(byte);
        else
            state_ = State::kSkip;
        return Result::kNeedMore;
    }
    if (IsFinal(byte)) {
        append(byte);
        emit_sequence();
        return outcome(ready_before);
    }
    if (state_ == State::kSs3 && length_ == 2) {
        // ESC O and then something else: it was Alt-O.
        emit(Key{kAltO, true});
        return again(byte, ready_before);
    }
    return again(byte, ready_before);
}

KeySequenceParser::Result KeySequenceParser::feed_csi_bracket(std::uint8_t byte,
                                                              std::size_t ready_before) {
    if (IsPrintable(byte)) {
        append(byte);
        emit_sequence();
        return outcome(ready_before);
    }
    return again(byte, ready_before);
}

KeySequenceParser::Result KeySequenceParser::feed_skip(std::uint8_t byte,
                                                       std::size_t ready_before) {
    if (IsParameter(byte)) return Result::kNeedMore;
    if (IsFinal(byte)) {
        reset();
        return Result::kNeedMore;
    }
    return again(byte, ready_before);
}

KeySequenceParser::Result KeySequenceParser::quiet(int quiet_ms) {
    if (state_ == State::kIdle || quiet_ms < timeout_ms_) return Result::kNeedMore;
    const State state = state_;
    const std::size_t length = length_;
    reset();
    switch (state) {
        case State::kEscape:
            emit(Key{kEsc, false});
            return Result::kComplete;
        case State::kNul:
            emit(Key{0, false});
            return Result::kComplete;
        case State::kSs3:
            if (length == 2) {
                emit(Key{kAltO, true});
                return Result::kComplete;
            }
            return Result::kNeedMore;
        default:
            return Result::kNeedMore;
    }
}

}  // namespace vorn
