#include "support/fake_terminal.hpp"

#include <algorithm>
#include <cstring>

#include "term/caller_line.hpp"

namespace vorn::test {

std::int64_t FakeTerminal::last_event_ms() const {
    return input_.empty() ? clock_.monotonic_ms()
                          : std::max(input_.back().at_ms, clock_.monotonic_ms());
}

void FakeTerminal::type(std::string_view bytes, std::int64_t delay_ms) {
    input_.push_back(Piece{last_event_ms() + delay_ms, std::string(bytes)});
}

void FakeTerminal::hang_up(std::int64_t delay_ms) {
    end_at_ms_ = last_event_ms() + delay_ms;
}

std::size_t FakeTerminal::pending() const {
    std::size_t n = 0;
    for (const Piece& piece : input_) n += piece.bytes.size();
    return n;
}

std::string FakeTerminal::take() {
    std::string taken;
    taken.swap(output);
    writes.clear();
    return taken;
}

bool FakeTerminal::write_all(std::string_view bytes) {
    if (fail_writes_ || hung_up_) {
        hung_up_ = true;
        return false;
    }
    output.append(bytes);
    writes.push_back(Write{clock_.monotonic_ms(), std::string(bytes)});
    if (on_write) on_write(bytes);
    return true;
}

bool FakeTerminal::open_line(int fd, LineOrigin, std::uint8_t) {
    if (fd >= 0 && !IsSocket(fd)) return false;
    opened_fd = fd;
    return true;
}

bool FakeTerminal::wait_readable(int timeout_ms) {
    ++waits;
    const std::int64_t timeout = std::max(timeout_ms, 0);
    waited_ms += timeout;
    // A line that has ended stays readable: every read reports the end again.
    if (hung_up_) return true;
    std::int64_t next = -1;
    if (!input_.empty()) {
        next = input_.front().at_ms;
    } else if (end_at_ms_ >= 0) {
        next = end_at_ms_;
    }
    const std::int64_t now = clock_.monotonic_ms();
    if (next >= 0 && next <= now + timeout) {
        clock_.advance_ms(next - now);
        return true;
    }
    clock_.advance_ms(timeout);
    return false;
}

long FakeTerminal::read_some(char* buffer, std::size_t size) {
    if (on_read) on_read();
    if (hung_up_) return 0;
    if (keys_per_read != 0) size = std::min(size, keys_per_read);
    const std::int64_t now = clock_.monotonic_ms();
    if (!input_.empty() && input_.front().at_ms <= now) {
        Piece& piece = input_.front();
        const std::size_t n = std::min(size, piece.bytes.size());
        std::memcpy(buffer, piece.bytes.data(), n);
        piece.bytes.erase(0, n);
        if (piece.bytes.empty()) input_.pop_front();
        return static_cast<long>(n);
    }
    if (input_.empty() && end_at_ms_ >= 0 && end_at_ms_ <= now) {
        hung_up_ = true;
        return 0;
    }
    return -1;
}

}  // namespace vorn::test
