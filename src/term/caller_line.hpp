// The caller's line as main opens it: standard input and output, or the socket a door32 board
// hands over. A line that is a TCP socket (a telnet client through inetd, systemd or socat, or
// the board's own socket) is spoken as telnet; anything else (a terminal, a pipe, a local
// socket) passes bytes as they are.
#pragma once

#include <memory>

#include "common/clock.hpp"
#include "term/telnet_io.hpp"
#include "term/terminal_io.hpp"

namespace vorn {

// How long a new telnet line waits for the client's answers to the game's options.
inline constexpr int kTelnetNegotiationMs = 500;

// True when `fd` is a connected TCP socket (IPv4 or IPv6).
bool IsTcpSocket(int fd);
// True when `fd` is an open socket of any kind.
bool IsSocket(int fd);

class CallerLine final : public TerminalIo {
  public:
    CallerLine(int input_fd, int output_fd, Clock& clock);

    bool write_all(std::string_view bytes) override { return active_->write_all(bytes); }
    bool wait_readable(int timeout_ms) override { return active_->wait_readable(timeout_ms); }
    long read_some(char* buffer, std::size_t size) override {
        return active_->read_some(buffer, size);
    }
    bool hung_up() const override { return active_->hung_up(); }
    int input_descriptor() const override { return active_->input_descriptor(); }
    bool use_socket(int fd) override;
    std::string describe() const override;

  private:
    void open(int input_fd, int output_fd);

    Clock& clock_;
    std::unique_ptr<FdTerminalIo> raw_;
    std::unique_ptr<TelnetTerminalIo> telnet_;
    TerminalIo* active_ = nullptr;
};

}  // namespace vorn
