#include "support/delay_proxy.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>

namespace vorn::test {

namespace {

using SteadyClock = std::chrono::steady_clock;

struct sockaddr_in Loopback(int port) {
    struct sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// One direction of the link: what `from` sends reaches `to` `delay_ms` later, in order. Ends when
// `from` ends (and passes the end on) or `to` refuses.
void Carry(int from, int to, int delay_ms) {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<std::pair<SteadyClock::time_point, std::string>> queue;
    bool ended = false;
    std::thread sender([&] {
        std::unique_lock lock(mutex);
        for (;;) {
            arrived.wait(lock, [&] { return ended || !queue.empty(); });
            if (queue.empty()) break;
            // The delay is the link itself, not a wait for something to happen.
            arrived.wait_until(lock, queue.front().first, [] { return false; });
            std::string bytes = std::move(queue.front().second);
            queue.pop_front();
            lock.unlock();
            for (std::string_view rest = bytes; !rest.empty();) {
                const ssize_t n = ::send(to, rest.data(), rest.size(), MSG_NOSIGNAL);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) return;
                rest.remove_prefix(static_cast<std::size_t>(n));
            }
            lock.lock();
        }
        ::shutdown(to, SHUT_WR);
    });
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        const std::lock_guard lock(mutex);
        if (n <= 0) {
            ended = true;
            arrived.notify_all();
            break;
        }
        queue.emplace_back(SteadyClock::now() + std::chrono::milliseconds(delay_ms),
                           std::string(buffer, static_cast<std::size_t>(n)));
        arrived.notify_all();
    }
    sender.join();
}

}  // namespace

int ListenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    auto* a = reinterpret_cast<struct sockaddr*>(&address);
    if (fd < 0 || ::bind(fd, a, sizeof address) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, a, &length) != 0) {
        std::abort();
    }
    port = ntohs(address.sin_port);
    return fd;
}

DelayProxy::DelayProxy(int target_port, int delay_ms)
    : target_port_(target_port), delay_ms_(delay_ms) {
    listen_fd_ = ListenOnLoopback(port_);
    acceptor_ = std::thread([this] { accept_loop(); });
}

DelayProxy::~DelayProxy() {
    stopping_ = true;
    ::shutdown(listen_fd_, SHUT_RDWR);
    acceptor_.join();
    for (const int fd : sockets_) ::shutdown(fd, SHUT_RDWR);
    for (std::thread& t : carriers_) t.join();
    for (const int fd : sockets_) ::close(fd);
    ::close(listen_fd_);
}

void DelayProxy::accept_loop() {
    while (!stopping_) {
        const int caller = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (caller < 0) {
            if (errno == EINTR) continue;
            return;
        }
        const int target = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const struct sockaddr_in address = Loopback(target_port_);
        if (target < 0 || ::connect(target, reinterpret_cast<const struct sockaddr*>(&address),
                                    sizeof address) != 0) {
            std::abort();
        }
        const int on = 1;
        ::setsockopt(caller, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        ::setsockopt(target, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        sockets_.push_back(caller);
        sockets_.push_back(target);
        carriers_.emplace_back(Carry, caller, target, delay_ms_);
        carriers_.emplace_back(Carry, target, caller, delay_ms_);
    }
}

}  // namespace vorn::test
