// The caller's line as main opens it: standard input and output, the socket a door32 board hands
// over, or a connection the game makes to a board that listens for its door (--connect). A line is
// spoken as telnet where the caller's own telnet client is at the other end (a standard input
// that is a TCP socket: inetd, systemd, socat) or where the node's setting says so; a board's
// socket carries bytes as they are, since the board has spoken telnet with the caller itself.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "common/clock.hpp"
#include "term/telnet_io.hpp"
#include "term/terminal_io.hpp"

namespace vorn {

// How long a new telnet line waits for the client's answers to the game's options.
inline constexpr int kTelnetNegotiationMs = 500;
// How long the game tries to reach a board's port.
inline constexpr int kConnectTimeoutMs = 5000;

// True when `fd` is a connected TCP socket (IPv4 or IPv6).
bool IsTcpSocket(int fd);
// True when `fd` is an open socket of any kind.
bool IsSocket(int fd);
// Whether a line from `origin` on the descriptors is spoken as telnet under `line_mode`.
bool SpeaksTelnet(std::uint8_t line_mode, LineOrigin origin, int input_fd, int output_fd);

// "HOST:PORT", "[IPv6]:PORT": the host and the port (1..65535). False for anything else.
bool SplitHostPort(std::string_view target, std::string& host, std::string& port);
// Connects to `host` and `port` within `timeout_ms`: the connected socket, or -1 with the reason
// in `error` ("Connection refused", "no answer within 5 seconds").
int ConnectToBoard(const std::string& host, const std::string& port, int timeout_ms,
                   std::string& error);

class CallerLine final : public TerminalIo {
  public:
    // Standard input and output, passed on as they are until open_line.
    CallerLine(int input_fd, int output_fd, Clock& clock);

    bool write_all(std::string_view bytes) override { return active_->write_all(bytes); }
    bool wait_readable(int timeout_ms) override { return active_->wait_readable(timeout_ms); }
    bool wait_readable_or(int timeout_ms, int other_fd, bool& other_ready) override {
        return active_->wait_readable_or(timeout_ms, other_fd, other_ready);
    }
    long read_some(char* buffer, std::size_t size) override {
        return active_->read_some(buffer, size);
    }
    bool hung_up() const override { return active_->hung_up(); }
    int input_descriptor() const override { return active_->input_descriptor(); }
    bool open_line(int fd, LineOrigin origin, std::uint8_t line_mode) override;
    std::string describe() const override;
    std::string peer_address() const override { return peer_; }

  private:
    Clock& clock_;
    std::unique_ptr<FdTerminalIo> raw_;
    std::unique_ptr<TelnetTerminalIo> telnet_;
    TerminalIo* active_ = nullptr;
    bool tcp_ = false;
    bool socket_ = false;
    std::string peer_;
};

}  // namespace vorn
