#include "support/telnet_listener.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace vorn::test {

namespace {

constexpr unsigned char kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250,
                        kSe = 240;
constexpr unsigned char kBinary = 0, kEcho = 1, kSga = 3, kNaws = 31;

}  // namespace

TelnetListener::TelnetListener(const GameDirectory& directory, std::string program,
                               std::vector<std::string> args)
    : directory_(directory.path()), program_(std::move(program)), args_(std::move(args)) {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listen_fd_ < 0 ||
        ::bind(listen_fd_, reinterpret_cast<struct sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listen_fd_, 16) != 0 ||
        ::getsockname(listen_fd_, reinterpret_cast<struct sockaddr*>(&address), &length) != 0 ||
        ::pipe2(wake_, O_CLOEXEC) != 0) {
        std::abort();
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { accept_loop(); });
}

TelnetListener::~TelnetListener() {
    const char stop = 1;
    if (::write(wake_[1], &stop, 1) != 1) std::abort();
    thread_.join();
    ::close(listen_fd_);
    ::close(wake_[0]);
    ::close(wake_[1]);
    for (const pid_t pid : started_) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

void TelnetListener::accept_loop() {
    for (;;) {
        struct pollfd fds[2] = {{wake_[0], POLLIN, 0}, {listen_fd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents != 0) return;
        const int connection = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        const pid_t pid = StartOnConnection(program_, directory_, args_, connection);
        ::close(connection);
        {
            const std::lock_guard lock(mutex_);
            started_.push_back(pid);
        }
        started_changed_.notify_all();
    }
}

int FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<struct sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

pid_t TelnetListener::take_started(int timeout_ms) {
    std::unique_lock lock(mutex_);
    if (!started_changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                   [this] { return !started_.empty(); })) {
        std::abort();
    }
    const pid_t pid = started_.front();
    started_.pop_front();
    return pid;
}

std::string TelnetClient::receive(std::string_view bytes, std::string& answers) {
    const auto answer = [&answers](unsigned char verb, unsigned char option) {
        answers += static_cast<char>(kIac);
        answers += static_cast<char>(verb);
        answers += static_cast<char>(option);
    };
    std::string data;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        switch (stage_) {
            case Stage::kData:
                if (b == kIac) {
                    stage_ = Stage::kIac;
                } else {
                    data += c;
                }
                break;
            case Stage::kIac:
                stage_ = Stage::kData;
                if (b == kIac) {
                    data += c;
                } else if (b >= kWill && b <= kDont) {
                    verb_ = b;
                    stage_ = Stage::kVerb;
                } else if (b == kSb) {
                    stage_ = Stage::kSub;
                }
                break;
            case Stage::kVerb:
                stage_ = Stage::kData;
                if (verb_ == kWill) {
                    answer(b == kEcho || b == kSga || b == kBinary ? kDo : kDont, b);
                } else if (verb_ == kDo) {
                    const bool agree = b == kSga || b == kBinary || b == kNaws;
                    answer(agree ? kWill : kWont, b);
                    if (b == kNaws) {
                        answers += std::string{static_cast<char>(kIac),
                                               static_cast<char>(kSb),
                                               static_cast<char>(kNaws),
                                               0,
                                               80,
                                               0,
                                               25,
                                               static_cast<char>(kIac),
                                               static_cast<char>(kSe)};
                    }
                }
                break;
            case Stage::kSub:
                if (b == kIac) stage_ = Stage::kSubIac;
                break;
            case Stage::kSubIac:
                stage_ = b == kSe ? Stage::kData : Stage::kSub;
                break;
        }
    }
    return data;
}

std::string TelnetClient::Send(std::string_view keys) {
    std::string wire;
    for (const char c : keys) {
        wire += c;
        if (static_cast<unsigned char>(c) == kIac) wire += c;
        if (c == '\r') wire += '\n';
    }
    return wire;
}

}  // namespace vorn::test
