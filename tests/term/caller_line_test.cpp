// The caller's line as main opens it and as a door32 board hands it over: plain bytes on a pipe,
// telnet once the line moves to a TCP socket.
#include "term/caller_line.hpp"

#include "common/config_records.hpp"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace vorn {
namespace {

// Both ends of a TCP connection on the loopback address.
struct TcpPair {
    int client = -1;
    int server = -1;
    TcpPair() {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        struct sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        auto* a = reinterpret_cast<struct sockaddr*>(&address);
        if (::bind(listener, a, sizeof address) != 0 || ::listen(listener, 1) != 0 ||
            ::getsockname(listener, a, &length) != 0) {
            std::abort();
        }
        client = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(client, a, sizeof address) != 0) std::abort();
        server = ::accept(listener, nullptr, nullptr);
        ::close(listener);
    }
    ~TcpPair() {
        ::close(client);
        ::close(server);
    }
};

TEST(CallerLine, PlainOnAPipeTelnetOnTheBoardsTcpSocket) {
    SystemClock clock;
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    CallerLine line(pipe_fds[0], pipe_fds[1], clock);
    EXPECT_EQ(line.describe(), "");
    // No socket: the line stays as it was.
    EXPECT_FALSE(line.open_line(pipe_fds[0], LineOrigin::kBoardSocket, kLineAuto));

    // The client has answered before the game asks: the game goes on without waiting.
    TcpPair tcp;
    static constexpr char kAnswers[] =
        "\xff\xfd\x01\xff\xfd\x03\xff\xfd\x00\xff\xfb\x03\xff\xfb\x00\xff\xfb\x1f"
        "\xff\xfa\x1f\x00\x50\x00\x18\xff\xf0";
    const std::string answers(kAnswers, sizeof kAnswers - 1);
    ASSERT_EQ(::write(tcp.client, answers.data(), answers.size()),
              static_cast<ssize_t>(answers.size()));
    ASSERT_TRUE(line.open_line(tcp.server, LineOrigin::kBoardSocket, kLineTelnet));
    EXPECT_NE(line.describe().find("telnet from 127.0.0.1:"), std::string::npos);
    EXPECT_NE(line.describe().find(", window 80x24"), std::string::npos);
    EXPECT_TRUE(line.write_all("\xff"));
    // The game's six questions, then the byte doubled.
    std::string sent;
    while (sent.size() < 6 * 3 + 2) {
        char buffer[64];
        const ssize_t n = ::read(tcp.client, buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        sent.append(buffer, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(sent.substr(18), "\xff\xff");
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
}

// Telnet where the caller's own client is at the other end, or where the node says so.
TEST(CallerLine, TelnetByOriginAndTheNodesLineMode) {
    TcpPair tcp;
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    const struct {
        std::uint8_t mode;
        LineOrigin origin;
        int fd;
        bool telnet;
    } cases[] = {
        {kLineAuto, LineOrigin::kStandard, tcp.server, true},
        {kLineAuto, LineOrigin::kBoardSocket, tcp.server, false},
        {kLineAuto, LineOrigin::kConnected, tcp.server, false},
        {kLineAuto, LineOrigin::kStandard, pair[0], false},
        {9, LineOrigin::kStandard, tcp.server, true},  // unknown values are auto
        {kLineTelnet, LineOrigin::kBoardSocket, tcp.server, true},
        {kLineTelnet, LineOrigin::kConnected, pair[0], true},
        {kLineTelnet, LineOrigin::kStandard, pipe_fds[0], false},
        {kLineRaw, LineOrigin::kStandard, tcp.server, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SpeaksTelnet(c.mode, c.origin, c.fd, c.fd), c.telnet)
            << int{c.mode} << " " << static_cast<int>(c.origin) << " " << c.fd;
    }
    for (const int fd : {pair[0], pair[1], pipe_fds[0], pipe_fds[1]}) ::close(fd);

    // HOST:PORT, with IPv6 in brackets; anything else is refused (nothing expected).
    const std::pair<std::string, std::string> targets[] = {{"127.0.0.1:2323", "127.0.0.1 2323"},
                                                           {"[::1]:65535", "::1 65535"},
                                                           {"::1:23", ""},
                                                           {"host:65536", ""},
                                                           {"host:0", ""},
                                                           {":23", ""},
                                                           {"host:2x", ""},
                                                           {"[::1]23", ""}};
    for (const auto& [target, expected] : targets) {
        std::string host;
        std::string port;
        const bool split = SplitHostPort(target, host, port);
        EXPECT_EQ(split ? host + " " + port : "", expected) << target;
    }
}

}  // namespace
}  // namespace vorn
