// The caller's connection: standard input and output by default. Everything the writer sends
// and everything the key reader waits for passes through here, so tests swap in a fake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

// How the caller's line reached the game; with the node's line mode it decides whether the
// line is spoken as telnet.
enum class LineOrigin {
    kStandard,     // standard input and output, as the board, inetd, systemd or socat gave them
    kBoardSocket,  // the socket handle a door32 board names
    kConnected,    // the connection the game made to the board's port (--connect)
};

class TerminalIo {
  public:
    virtual ~TerminalIo() = default;
    // Writes everything; false when the output is gone (the connection then counts as hung up).
    // An input that has ended does not stop output: the start-up lines still reach a script or a
    // board that closed the caller's input early.
    virtual bool write_all(std::string_view bytes) = 0;
    // Waits up to `timeout_ms` (0 = just look) for input; true when a byte can be read.
    virtual bool wait_readable(int timeout_ms) = 0;
    // The same wait, woken as well when `other_fd` can be read, which sets `other_ready`. A line
    // that cannot wait on two descriptors waits on its own and always sets it (look and see).
    virtual bool wait_readable_or(int timeout_ms, int other_fd, bool& other_ready) {
        other_ready = other_fd >= 0;
        return wait_readable(timeout_ms);
    }
    // Reads what is there, at most `size` bytes; 0 means end of input (hang-up), -1 nothing yet.
    virtual long read_some(char* buffer, std::size_t size) = 0;
    // The caller hung up: end of input, a read or write error, or SIGHUP.
    virtual bool hung_up() const = 0;
    // The descriptor keys come from, when there is one (the key reader sets its terminal mode).
    virtual int input_descriptor() const { return -1; }
    // Opens the line the caller plays on, once, before the first byte is sent: `fd` -1 keeps
    // standard input and output, any other moves the line to the socket `fd`. `line_mode` is the
    // node's (NodeLineMode). False, with the line left as it was, when `fd` is no open socket.
    virtual bool open_line(int fd, LineOrigin origin, std::uint8_t line_mode) {
        (void)origin;
        (void)line_mode;
        return fd < 0;
    }
    // What the line is, for the log ("telnet from 203.0.113.5:51234, window 80x25"); empty for
    // a terminal or a pipe.
    virtual std::string describe() const { return {}; }
    // Where a caller on a network socket comes from ("203.0.113.5:51234"); empty otherwise.
    virtual std::string peer_address() const { return {}; }
};

// Standard input and output (or any pair of descriptors).
class FdTerminalIo final : public TerminalIo {
  public:
    FdTerminalIo(int input_fd, int output_fd) : in_(input_fd), out_(output_fd) {}
    bool write_all(std::string_view bytes) override;
    bool wait_readable(int timeout_ms) override;
    bool wait_readable_or(int timeout_ms, int other_fd, bool& other_ready) override;
    long read_some(char* buffer, std::size_t size) override;
    bool hung_up() const override { return input_ended_ || output_failed_; }
    int input_descriptor() const override { return in_; }

    int input_fd() const { return in_; }
    int output_fd() const { return out_; }

  private:
    int in_;
    int out_;
    bool input_ended_ = false;
    bool output_failed_ = false;
};

}  // namespace vorn
