#include "term/telnet_io.hpp"

#include <algorithm>
#include <cstring>

namespace vorn {

void TelnetTerminalIo::negotiate(int wait_ms) {
    line_.write_all(protocol_.opening());
    const std::int64_t deadline = clock_.monotonic_ms() + wait_ms;
    while (!protocol_.settled() && !ended_) {
        const std::int64_t left = deadline - clock_.monotonic_ms();
        if (left <= 0) break;
        fill(static_cast<int>(left));
    }
}

bool TelnetTerminalIo::fill(int timeout_ms) {
    if (ended_) return false;
    if (!line_.wait_readable(timeout_ms)) return true;
    char raw[512];
    const long n = line_.read_some(raw, sizeof raw);
    if (n == 0) {
        ended_ = true;
        return false;
    }
    for (long i = 0; i < n; ++i) {
        const auto byte = static_cast<std::uint8_t>(raw[i]);
        std::uint8_t data = 0;
        switch (protocol_.feed(byte)) {
            case TelnetProtocol::Result::kNotMine:
                pending_ += static_cast<char>(byte);
                break;
            case TelnetProtocol::Result::kComplete:
                if (protocol_.take_data(data)) pending_ += static_cast<char>(data);
                break;
            case TelnetProtocol::Result::kNeedMore:
                break;
        }
    }
    const std::string replies = protocol_.take_replies();
    if (!replies.empty()) line_.write_all(replies);
    return true;
}

bool TelnetTerminalIo::write_all(std::string_view bytes) {
    return line_.write_all(protocol_.escape(bytes));
}

// Negotiation alone is no input: the wait goes on until the caller's bytes come, the line ends
// or the time is up.
bool TelnetTerminalIo::wait_readable(int timeout_ms) {
    bool other_ready = false;
    return wait_readable_or(timeout_ms, -1, other_ready);
}

bool TelnetTerminalIo::wait_readable_or(int timeout_ms, int other_fd, bool& other_ready) {
    other_ready = false;
    const std::int64_t deadline = clock_.monotonic_ms() + std::max(timeout_ms, 0);
    for (;;) {
        if (!pending_.empty() || ended_) return true;
        const std::int64_t left = deadline - clock_.monotonic_ms();
        if (left < 0 || line_.hung_up()) return false;
        const bool line_ready =
            line_.wait_readable_or(static_cast<int>(left), other_fd, other_ready);
        if (!line_ready) return false;
        fill(0);
        if (other_fd >= 0 && other_ready) return !pending_.empty() || ended_;
    }
}

long TelnetTerminalIo::read_some(char* buffer, std::size_t size) {
    if (pending_.empty()) fill(0);
    if (pending_.empty()) return ended_ ? 0 : -1;
    const std::size_t n = std::min(size, pending_.size());
    std::memcpy(buffer, pending_.data(), n);
    pending_.erase(0, n);
    return static_cast<long>(n);
}

}  // namespace vorn
