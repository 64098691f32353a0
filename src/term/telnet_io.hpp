// The caller's line spoken as telnet: a layer over the raw connection that sends the game's
// options, answers the client's, keeps the negotiation out of what the key reader sees and
// escapes what the writer sends. To the rest of the game it is just another terminal.
#pragma once

#include <string>

#include "common/clock.hpp"
#include "term/telnet_protocol.hpp"
#include "term/terminal_io.hpp"

namespace vorn {

class TelnetTerminalIo final : public TerminalIo {
  public:
    TelnetTerminalIo(TerminalIo& line, Clock& clock) : line_(line), clock_(clock) {}

    // Sends the game's options and waits up to `wait_ms` for the client to answer them all, so
    // the client echoes nothing itself once the game starts writing. A client that does not
    // negotiate costs that wait once and then plays as it is.
    void negotiate(int wait_ms);

    bool write_all(std::string_view bytes) override;
    bool wait_readable(int timeout_ms) override;
    bool wait_readable_or(int timeout_ms, int other_fd, bool& other_ready) override;
    long read_some(char* buffer, std::size_t size) override;
    bool hung_up() const override { return pending_.empty() && line_.hung_up(); }
    int input_descriptor() const override { return line_.input_descriptor(); }

    const TelnetProtocol& protocol() const { return protocol_; }

  private:
    // Reads what the line has (waiting up to `timeout_ms`) and keeps the caller's bytes of it.
    // False when the line has ended.
    bool fill(int timeout_ms);

    TerminalIo& line_;
    Clock& clock_;
    TelnetProtocol protocol_;
    std::string pending_;  // the caller's bytes, negotiation removed, not yet read
    bool ended_ = false;
};

}  // namespace vorn
