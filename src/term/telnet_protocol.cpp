#include "term/telnet_protocol.hpp"

namespace vorn {

namespace {

// What the game agrees to do itself, and what it lets the client do. Everything else is refused.
bool LocalSupported(std::uint8_t option) {
    return option == telnet::kBinary || option == telnet::kEcho ||
           option == telnet::kSuppressGoAhead;
}

bool RemoteSupported(std::uint8_t option) {
    return option == telnet::kBinary || option == telnet::kSuppressGoAhead ||
           option == telnet::kWindowSize;
}

}  // namespace

void TelnetProtocol::ask(std::uint8_t verb, std::uint8_t option) {
    State& state = verb == telnet::kWill ? local_[option] : remote_[option];
    if (state != State::kNo) return;
    state = State::kWantYes;
    reply(verb, option);
}

void TelnetProtocol::reply(std::uint8_t verb, std::uint8_t option) {
    replies_ += static_cast<char>(telnet::kIac);
    replies_ += static_cast<char>(verb);
    replies_ += static_cast<char>(option);
}

std::string TelnetProtocol::opening() {
    ask(telnet::kWill, telnet::kEcho);
    ask(telnet::kWill, telnet::kSuppressGoAhead);
    ask(telnet::kWill, telnet::kBinary);
    ask(telnet::kDo, telnet::kSuppressGoAhead);
    ask(telnet::kDo, telnet::kBinary);
    ask(telnet::kDo, telnet::kWindowSize);
    return take_replies();
}

// One side's option after the other side's WILL/DO (`on`) or WONT/DONT: an answer goes out only
// when the state changes without having been asked for.
void TelnetProtocol::negotiate(std::uint8_t verb, std::uint8_t option) {
    const bool about_local = verb == telnet::kDo || verb == telnet::kDont;
    const bool on = verb == telnet::kDo || verb == telnet::kWill;
    State& state = about_local ? local_[option] : remote_[option];
    const bool supported = about_local ? LocalSupported(option) : RemoteSupported(option);
    const std::uint8_t yes = about_local ? telnet::kWill : telnet::kDo;
    const std::uint8_t no = about_local ? telnet::kWont : telnet::kDont;
    if (on) {
        if (state == State::kYes) return;
        if (!supported) {
            reply(no, option);
            return;
        }
        if (state == State::kNo) reply(yes, option);
        state = State::kYes;
    } else {
        if (state == State::kYes) reply(no, option);
        state = State::kNo;
    }
}

void TelnetProtocol::end_subnegotiation() {
    if (sub_length_ >= 5 && sub_[0] == telnet::kWindowSize) {
        window_columns_ = sub_[1] * 256 + sub_[2];
        window_rows_ = sub_[3] * 256 + sub_[4];
    }
    sub_length_ = 0;
}

// The byte after IAC.
TelnetProtocol::Result TelnetProtocol::command(std::uint8_t byte) {
    switch (byte) {
        case telnet::kIac:
            stage_ = Stage::kData;
            has_data_ = true;
            data_ = telnet::kIac;
            return Result::kComplete;
        case telnet::kWill:
        case telnet::kWont:
        case telnet::kDo:
        case telnet::kDont:
            verb_ = byte;
            stage_ = Stage::kVerb;
            return Result::kNeedMore;
        case telnet::kSb:
            sub_length_ = 0;
            stage_ = Stage::kSub;
            return Result::kNeedMore;
        default:
            // No operation, go ahead, are you there, break and the like: nothing for the game.
            stage_ = Stage::kData;
            return Result::kComplete;
    }
}

TelnetProtocol::Result TelnetProtocol::feed(std::uint8_t byte) {
    switch (stage_) {
        case Stage::kCr:
            // Enter arrives as CR LF or CR NUL; the CR already went to the game.
            if (byte == '\n' || byte == 0) {
                stage_ = Stage::kData;
                return Result::kNeedMore;
            }
            [[fallthrough]];
        case Stage::kData:
            if (byte == telnet::kIac) {
                stage_ = Stage::kIac;
                return Result::kNeedMore;
            }
            stage_ = byte == '\r' ? Stage::kCr : Stage::kData;
            return Result::kNotMine;
        case Stage::kIac:
            return command(byte);
        case Stage::kVerb:
            negotiate(verb_, byte);
            stage_ = Stage::kData;
            return Result::kComplete;
        case Stage::kSub:
            if (byte == telnet::kIac) {
                stage_ = Stage::kSubIac;
            } else if (sub_length_ < sub_.size()) {
                sub_[sub_length_++] = byte;
            }
            return Result::kNeedMore;
        case Stage::kSubIac:
            if (byte == telnet::kIac) {
                if (sub_length_ < sub_.size()) sub_[sub_length_++] = byte;
                stage_ = Stage::kSub;
                return Result::kNeedMore;
            }
            end_subnegotiation();
            if (byte == telnet::kSe) {
                stage_ = Stage::kData;
                return Result::kComplete;
            }
            // A client that forgot the SE: the command that follows still counts.
            return command(byte);
    }
    return Result::kNotMine;
}

bool TelnetProtocol::take_data(std::uint8_t& byte) {
    if (!has_data_) return false;
    has_data_ = false;
    byte = data_;
    return true;
}

std::string TelnetProtocol::take_replies() {
    std::string out;
    out.swap(replies_);
    return out;
}

std::string TelnetProtocol::escape(std::string_view bytes) const {
    const bool binary = local_enabled(telnet::kBinary);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<std::uint8_t>(bytes[i]);
        out += static_cast<char>(c);
        if (c == telnet::kIac) {
            out += static_cast<char>(c);
        } else if (c == '\r' && !binary && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) {
            out += '\0';
        }
    }
    return out;
}

bool TelnetProtocol::settled() const {
    for (int option = 0; option < 256; ++option) {
        if (local_[option] == State::kWantYes || remote_[option] == State::kWantYes) return false;
    }
    return true;
}

}  // namespace vorn
