// A session wired to fakes for key-reader tests: a manual clock, scripted dice, a terminal that
// plays back keys at given moments of the fake clock and records everything written, and an exit
// that throws so a test can watch the session end.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "core/session.hpp"
#include "support/test_session.hpp"
#include "term/terminal_io.hpp"

namespace vorn::test {

// Input arrives in chunks at moments of the fake clock; waiting moves the clock forward, so a
// wait of six minutes costs nothing.
class TimedTerminal final : public TerminalIo {
  public:
    explicit TimedTerminal(ManualClock& clock) : clock_(clock) {}

    // Bytes that arrive `delay_ms` after the previous chunk (or after now, for the first one).
    void type(std::string_view bytes, std::int64_t delay_ms = 0);
    // The caller hangs up (end of input) `delay_ms` after the last chunk.
    void hang_up(std::int64_t delay_ms = 0);
    void fail_writes() { fail_writes_ = true; }

    bool write_all(std::string_view bytes) override;
    bool wait_readable(int timeout_ms) override;
    long read_some(char* buffer, std::size_t size) override;
    bool hung_up() const override { return hung_up_; }

    std::string output;
    // Called with every write, so a test can answer what the game shows.
    std::function<void(std::string_view)> on_write;
    // Every write with the fake time it was made at.
    std::vector<std::pair<std::int64_t, std::string>> writes_at;
    int waits = 0;
    int writes = 0;

  private:
    struct Chunk {
        std::int64_t at_ms;
        std::string bytes;
    };
    std::int64_t last_event_ms();

    ManualClock& clock_;
    std::deque<Chunk> input_;
    std::int64_t end_at_ms_ = -1;
    bool hung_up_ = false;
    bool fail_writes_ = false;
};

// A running local session (start-up done, caller logged on, 60 minutes allowed) in a scratch
// game directory that holds strings.dat, logs and temp.
class KeyFixture {
  public:
    explicit KeyFixture(std::vector<std::uint32_t> dice = {0});
    ~KeyFixture();

    // The log lines of the day written so far.
    std::string system_log() const;

    ManualClock clock;
    ScriptedRandom random;
    TimedTerminal terminal{clock};
    ThrowingExit exit;
    Platform platform{clock, random, terminal, exit};
    std::string directory;
    std::unique_ptr<Session> session_holder;
    Session& session;
    KeyReader& keys;
};

}  // namespace vorn::test
