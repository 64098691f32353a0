#include "term/caller_line.hpp"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <string>

namespace vorn {

namespace {

// A caller whose connection vanished without a word (a dead router, a pulled cable) is noticed
// within about a minute, even while the game is writing to him.
void WatchForSilentDrops(int fd) {
    const int on = 1;
    const int idle_s = 30;
    const int interval_s = 10;
    const int probes = 3;
    const unsigned user_timeout_ms = 60000;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle_s, sizeof idle_s);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval_s, sizeof interval_s);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &user_timeout_ms, sizeof user_timeout_ms);
    // Keys go out as they are typed and screens as they are flushed: no waiting for more.
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

bool IsSocket(int fd) {
    int type = 0;
    socklen_t length = sizeof type;
    return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) == 0;
}

bool IsTcpSocket(int fd) {
    int type = 0;
    socklen_t length = sizeof type;
    if (fd < 0 || ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) != 0 ||
        type != SOCK_STREAM) {
        return false;
    }
    struct sockaddr_storage address {};
    length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<struct sockaddr*>(&address), &length) != 0) {
        return false;
    }
    return address.ss_family == AF_INET || address.ss_family == AF_INET6;
}

CallerLine::CallerLine(int input_fd, int output_fd, Clock& clock) : clock_(clock) {
    open(input_fd, output_fd);
}

void CallerLine::open(int input_fd, int output_fd) {
    telnet_.reset();
    raw_ = std::make_unique<FdTerminalIo>(input_fd, output_fd);
    active_ = raw_.get();
    if (IsTcpSocket(input_fd) && IsTcpSocket(output_fd)) {
        WatchForSilentDrops(input_fd);
        telnet_ = std::make_unique<TelnetTerminalIo>(*raw_, clock_);
        active_ = telnet_.get();
        telnet_->negotiate(kTelnetNegotiationMs);
    }
}

bool CallerLine::use_socket(int fd) {
    if (!IsSocket(fd)) return false;
    open(fd, fd);
    return true;
}

std::string CallerLine::describe() const {
    if (!telnet_) return {};
    const TelnetProtocol& p = telnet_->protocol();
    std::string text = "telnet";
    if (p.window_columns() > 0) {
        text += ", window " + std::to_string(p.window_columns()) + "x" +
                std::to_string(p.window_rows());
    }
    if (!p.local_enabled(telnet::kEcho)) text += ", client echoes";
    return text;
}

}  // namespace vorn
