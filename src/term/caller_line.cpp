#include "term/caller_line.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "common/config_records.hpp"

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

// "203.0.113.5:51234" or "[2001:db8::7]:40022"; empty when the peer is not an IP address.
std::string PeerAddress(int fd) {
    struct sockaddr_storage address {};
    socklen_t length = sizeof address;
    if (::getpeername(fd, reinterpret_cast<struct sockaddr*>(&address), &length) != 0) return {};
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto* a = reinterpret_cast<const struct sockaddr_in*>(&address);
        ::inet_ntop(AF_INET, &a->sin_addr, text, sizeof text);
        return std::string(text) + ":" + std::to_string(ntohs(a->sin_port));
    }
    if (address.ss_family == AF_INET6) {
        const auto* a = reinterpret_cast<const struct sockaddr_in6*>(&address);
        ::inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof text);
        return "[" + std::string(text) + "]:" + std::to_string(ntohs(a->sin6_port));
    }
    return {};
}

// One attempt at one address, waiting at most `timeout_ms`. The socket, or -1 with errno set.
int ConnectOnce(const struct addrinfo& address, int timeout_ms) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                            address.ai_protocol);
    if (fd < 0) return -1;
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return -1;
        }
        struct pollfd p {
            fd, POLLOUT, 0
        };
        int ready = 0;
        do {
            ready = ::poll(&p, 1, timeout_ms);
        } while (ready < 0 && errno == EINTR);
        int error = ETIMEDOUT;
        socklen_t length = sizeof error;
        if (ready > 0) ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) {
            ::close(fd);
            errno = error;
            return -1;
        }
    }
    // The rest of the game reads and writes the line as it does standard input and output.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
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

bool SpeaksTelnet(std::uint8_t line_mode, LineOrigin origin, int input_fd, int output_fd) {
    switch (line_mode) {
        case kLineRaw:
            return false;
        case kLineTelnet:
            return IsSocket(input_fd) && IsSocket(output_fd);
        default:
            return origin == LineOrigin::kStandard && IsTcpSocket(input_fd) &&
                   IsTcpSocket(output_fd);
    }
}

bool SplitHostPort(std::string_view target, std::string& host, std::string& port) {
    std::size_t colon = 0;
    if (!target.empty() && target.front() == '[') {
        const std::size_t close = target.find(']');
        if (close == std::string_view::npos || close + 1 >= target.size() ||
            target[close + 1] != ':') {
            return false;
        }
        host = target.substr(1, close - 1);
        colon = close + 1;
    } else {
        colon = target.rfind(':');
        if (colon == std::string_view::npos) return false;
        host = target.substr(0, colon);
        if (host.find(':') != std::string::npos) return false;  // IPv6 goes in brackets
    }
    port = target.substr(colon + 1);
    if (host.empty() || port.empty() || port.size() > 5) return false;
    long value = 0;
    for (const char c : port) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535;
}

int ConnectToBoard(const std::string& host, const std::string& port, int timeout_ms,
                   std::string& error) {
    struct addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    struct addrinfo* found = nullptr;
    const int lookup = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
    if (lookup != 0) {
        error = ::gai_strerror(lookup);
        return -1;
    }
    int fd = -1;
    int last_error = ETIMEDOUT;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (const struct addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            last_error = ETIMEDOUT;
            break;
        }
        fd = ConnectOnce(*a, static_cast<int>(left));
        if (fd < 0) last_error = errno;
    }
    ::freeaddrinfo(found);
    if (fd < 0) {
        error = last_error == ETIMEDOUT
                    ? "no answer within " + std::to_string(timeout_ms / 1000) + " seconds"
                    : std::strerror(last_error);
    }
    return fd;
}

CallerLine::CallerLine(int input_fd, int output_fd, Clock& clock)
    : clock_(clock), raw_(std::make_unique<FdTerminalIo>(input_fd, output_fd)) {
    active_ = raw_.get();
}

bool CallerLine::open_line(int fd, LineOrigin origin, std::uint8_t line_mode) {
    if (fd >= 0 && !IsSocket(fd)) return false;
    if (fd >= 0) raw_ = std::make_unique<FdTerminalIo>(fd, fd);
    telnet_.reset();
    active_ = raw_.get();
    const int in = raw_->input_fd();
    const int out = raw_->output_fd();
    socket_ = IsSocket(in);
    tcp_ = IsTcpSocket(in);
    peer_ = tcp_ ? PeerAddress(in) : std::string();
    if (tcp_) WatchForSilentDrops(in);
    if (SpeaksTelnet(line_mode, origin, in, out)) {
        telnet_ = std::make_unique<TelnetTerminalIo>(*raw_, clock_);
        active_ = telnet_.get();
        telnet_->negotiate(kTelnetNegotiationMs);
    }
    return true;
}

std::string CallerLine::describe() const {
    if (!socket_) return {};
    std::string text = telnet_ ? "telnet" : tcp_ ? "raw TCP" : "local socket";
    if (!peer_.empty()) text += " from " + peer_;
    if (!telnet_) return text;
    const TelnetProtocol& p = telnet_->protocol();
    if (p.window_columns() > 0) {
        text += ", window " + std::to_string(p.window_columns()) + "x" +
                std::to_string(p.window_rows());
    }
    if (!p.local_enabled(telnet::kEcho)) text += ", client echoes";
    return text;
}

}  // namespace vorn
