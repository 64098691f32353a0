// The terminal of every test session: it records everything the game writes, with the fake time
// of each write, and plays back what the test types, each piece arriving at its moment of the
// fake clock. Waiting moves that clock forward, so a wait of six minutes costs nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.hpp"
#include "term/terminal_io.hpp"

namespace vorn::test {

class FakeTerminal final : public TerminalIo {
  public:
    explicit FakeTerminal(ManualClock& clock) : clock_(clock) {}

    // Bytes that arrive `delay_ms` after the piece typed before (or after now, for the first
    // one); a read takes from one piece at a time, as from a line that delivers them apart.
    void type(std::string_view bytes, std::int64_t delay_ms = 0);
    // The caller hangs up (end of input) `delay_ms` after the last piece, once it is read.
    void hang_up(std::int64_t delay_ms = 0);
    // Every write from now on fails, as on a line that is gone.
    void fail_writes() { fail_writes_ = true; }
    // The typed bytes not read yet.
    std::size_t pending() const;
    // Everything written so far, and forgets it.
    std::string take();

    bool write_all(std::string_view bytes) override;
    bool wait_readable(int timeout_ms) override;
    long read_some(char* buffer, std::size_t size) override;
    bool hung_up() const override { return hung_up_; }
    bool open_line(int fd, LineOrigin origin, std::uint8_t line_mode) override;

    struct Write {
        std::int64_t at_ms;  // the fake clock's steady count when it was made
        std::string bytes;
    };
    std::string output;
    std::vector<Write> writes;
    // Called with every write, so a test can play a terminal that answers what it is sent.
    std::function<void(std::string_view)> on_write;
    // Called at every read, before it takes any key: the game waits for the caller here.
    std::function<void()> on_read;
    // Keys handed over per read (0: the whole piece), as a caller typing one at a time.
    std::size_t keys_per_read = 0;
    // The line the game opened: -1 standard input and output, -2 none yet; a socket it is handed
    // is only noted, the test's input and output go on as before.
    int opened_fd = -2;
    // The calls of wait_readable, and the milliseconds they asked to wait.
    int waits = 0;
    long long waited_ms = 0;

  private:
    struct Piece {
        std::int64_t at_ms;
        std::string bytes;
    };
    std::int64_t last_event_ms() const;

    ManualClock& clock_;
    std::deque<Piece> input_;
    std::int64_t end_at_ms_ = -1;
    bool hung_up_ = false;
    bool fail_writes_ = false;
};

}  // namespace vorn::test
