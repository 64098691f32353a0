#include "term/key_reader.hpp"

#include "core/session.hpp"
#include "core/startup.hpp"

namespace vorn {

std::uint8_t KeyReader::read_key() {
    Session& s = session_;
    check_time_limit();
    extended_key_ = 0;
    s.writer.flush();
    TerminalIo& io = s.platform.terminal;
    while (!s.session_ended) {
        if (io.wait_readable(150)) {
            char c = 0;
            const long n = io.read_some(&c, 1);
            if (n == 1) {
                s.key_seen = true;
                last_key_ = static_cast<std::uint8_t>(c);
                return last_key_;
            }
            if (n == 0) s.session_ended = true;
        }
        check_time_limit();
    }
    return last_key_;
}

void KeyReader::pause_key() {
    Session& s = session_;
    s.writer.set_attribute(8, 0, false);
    s.writer.print_coded("|08Wh|07ack T|15he Dam|07n Key|08!");
    if (s.node.pause_delay_ms != 0) {
        s.writer.flush();
        s.clock.sleep_ms(s.node.pause_delay_ms);
    } else {
        read_key();
    }
    s.writer.erase_back(19);
    s.writer.set_foreground(7);
}

double KeyReader::seconds_left() {
    Session& s = session_;
    if (!s.session_running || !s.logged_on) return 3600;
    const double elapsed = (s.clock.monotonic_ms() - s.session_start_ms) / 1000.0;
    return s.minutes_allowed * 60 + s.time_adjust + s.extra_seconds - elapsed;
}

void KeyReader::check_time_limit() {
    Session& s = session_;
    if (s.in_chat || s.session_ended || !s.session_running || !s.logged_on) return;
    if (static_cast<long>(seconds_left()) >= 1) return;
    s.writer.print_coded_line(GetSystemString(s, 33));
    s.log("User's time expired.");
    if (!s.node.daemon_mode && !s.node.wfc_mode) Terminate(s, false);
}

}  // namespace vorn
