#include "term/terminal_io.hpp"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace vorn {

bool FdTerminalIo::write_all(std::string_view bytes) {
    if (output_failed_) return false;
    while (!bytes.empty()) {
        const ssize_t n = ::write(out_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            struct pollfd p {
                out_, POLLOUT, 0
            };
            ::poll(&p, 1, 1000);
            continue;
        }
        if (n <= 0) {
            output_failed_ = true;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool FdTerminalIo::wait_readable(int timeout_ms) {
    if (hung_up()) return false;
    struct pollfd p {
        in_, POLLIN, 0
    };
    const int r = ::poll(&p, 1, timeout_ms < 0 ? 0 : timeout_ms);
    if (r <= 0) return false;
    // A hang-up or error shows as readable: the read then reports it.
    return (p.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

bool FdTerminalIo::wait_readable_or(int timeout_ms, int other_fd, bool& other_ready) {
    other_ready = false;
    if (hung_up()) return false;
    struct pollfd p[2] = {{in_, POLLIN, 0}, {other_fd, POLLIN, 0}};
    const int r = ::poll(p, 2, timeout_ms < 0 ? 0 : timeout_ms);
    if (r <= 0) return false;
    other_ready = (p[1].revents & POLLIN) != 0;
    return (p[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

long FdTerminalIo::read_some(char* buffer, std::size_t size) {
    if (hung_up()) return 0;
    for (;;) {
        const ssize_t n = ::read(in_, buffer, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return -1;
        if (n <= 0) {
            input_ended_ = true;
            return 0;
        }
        return static_cast<long>(n);
    }
}

}  // namespace vorn
