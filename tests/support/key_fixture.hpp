// A session wired to fakes for key-reader tests: a manual clock, scripted dice, a terminal that
// plays back keys at given moments of the fake clock and records everything written, and an exit
// that throws so a test can watch the session end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "core/session.hpp"
#include "support/fake_terminal.hpp"
#include "support/test_session.hpp"

namespace vorn::test {

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
    FakeTerminal terminal{clock};
    ThrowingExit exit;
    Platform platform{clock, random, terminal, exit};
    std::string directory;
    std::unique_ptr<Session> session_holder;
    Session& session;
    KeyReader& keys;
};

}  // namespace vorn::test
