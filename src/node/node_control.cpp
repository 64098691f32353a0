// The socket is created with no permissions for anyone but its owner, and a connection is served
// only when its peer runs as the game's own user (or root). A socket file left by a node that died
// is taken over; one that still answers belongs to a live node and is left alone.
#include "node/node_control.hpp"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "common/node_records.hpp"
#include "core/node_paths.hpp"
#include "core/session.hpp"
#include "node/chat.hpp"

namespace vorn {

namespace {

// How long the node waits for the request of a tool that has connected.
constexpr int kRequestWaitMs = 200;

bool FillAddress(const std::string& path, sockaddr_un& address) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool Answers(const sockaddr_un& address) {
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return false;
    const bool alive =
        ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return alive;
}

void Send(int fd, std::string_view text) {
    (void)!::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
}

bool TrustedPeer(int fd) {
    struct ucred peer {};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return false;
    return peer.uid == ::getuid() || peer.uid == 0;
}

std::string ReadRequest(int fd) {
    std::string request;
    char buffer[16];
    struct pollfd p {
        fd, POLLIN, 0
    };
    while (request.find('\n') == std::string::npos && request.size() < 64 &&
           ::poll(&p, 1, kRequestWaitMs) > 0) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    return request;
}

}  // namespace

std::string ControlChatRequest(int node) {
    return "CHAT " + std::to_string(node) + "\n";
}

void OpenNodeControl(Session& session) {
    NodeState& ns = session.nodes;
    session.chat.start = [&session] { SplitChat(session); };
    if (ns.control_fd >= 0) return;
    NodeWorkDirectory(session, '-');
    const std::string path = NodeControlSocketPath(session.system.temp_path, session.nodes.number);
    sockaddr_un address;
    if (!FillAddress(path, address)) return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return;
    const auto bind_socket = [&] {
        const mode_t previous = ::umask(077);
        const int result = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        ::umask(previous);
        return result == 0;
    };
    bool bound = bind_socket();
    if (!bound && errno == EADDRINUSE && !Answers(address)) {
        ::unlink(path.c_str());
        bound = bind_socket();
    }
    if (!bound || ::listen(fd, 4) != 0) {
        ::close(fd);
        return;
    }
    ns.control_fd = fd;
    ns.control_path = path;
}

void CloseNodeControl(Session& session) {
    NodeState& ns = session.nodes;
    if (ns.control_fd < 0) return;
    ::close(ns.control_fd);
    ns.control_fd = -1;
    ::unlink(ns.control_path.c_str());
}

void PollNodeControl(Session& session) {
    NodeState& ns = session.nodes;
    if (ns.control_fd < 0) return;
    const int client = ::accept4(ns.control_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) return;
    const std::string request = TrustedPeer(client) ? ReadRequest(client) : std::string();
    if (request.starts_with("CHAT ") && request != ControlChatRequest(session.nodes.number)) {
        Send(client, std::string(kControlOtherNode) + std::to_string(session.nodes.number) + "\n");
    } else if (request != ControlChatRequest(session.nodes.number)) {
        Send(client, kControlRefused);
    } else if (session.chat.running || session.time.ended) {
        Send(client, kControlBusy);
    } else {
        Send(client, session.writer.utf8_output ? kControlAccepted : kControlAcceptedCp437);
        session.log("*The sysop joins from the node's control socket");
        session.chat.sysop_fd = client;
        SplitChat(session);
        session.chat.sysop_fd = -1;
    }
    ::close(client);
}

}  // namespace vorn
