// Test doubles for a whole session: a terminal that records what is written and plays back
// scripted input, a clock and dice under the test's control, and an exit that unwinds.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "core/session.hpp"
#include "support/fake_terminal.hpp"
#include "support/test_session.hpp"

namespace vorn::test {

// A temporary game directory that the test runs in; removed afterwards.
class TempGameDirectory {
  public:
    TempGameDirectory();
    ~TempGameDirectory();
    TempGameDirectory(const TempGameDirectory&) = delete;
    TempGameDirectory& operator=(const TempGameDirectory&) = delete;

    const std::string& path() const { return path_; }
    // Writes a file relative to the game directory, creating its directories.
    void write(const std::string& name, std::string_view bytes) const;
    std::string read(const std::string& name) const;

  private:
    std::string path_;
    std::string previous_;
};

// A session on fake devices in a fresh game directory, the writer initialised as a UTF-8
// terminal at (1,1) and the output recorded so far thrown away.
class SessionFixture : public ::testing::Test {
  protected:
    SessionFixture();

    // Flushes the writer and returns what reached the terminal since the last call.
    std::string sent();
    // Restarts the writer as if the terminal answered the probe with `reply`.
    void initialize_with_reply(std::string_view reply);

    TempGameDirectory dir;
    ManualClock clock;
    ScriptedRandom dice{{0}};
    FakeTerminal terminal{clock};
    ThrowingExit exit;
    Platform platform{clock, dice, terminal, exit};
    std::unique_ptr<Session> session_ptr;
    Session& session;
    Writer& out;
};

}  // namespace vorn::test

namespace vorn::test {

// The characters of a row of the writer's screen image, trailing spaces dropped.
std::string RowText(const Writer& writer, int row);
// The attribute of the cell at (column, row).
std::uint8_t CellAttribute(const Writer& writer, int column, int row);
// The cells holding `c` outside columns c1..c2 of rows r1..r2, as "(column,row) " texts: empty
// when a text made of `c` stayed in its place.
std::string CellsOutside(const Writer& writer, char c, int c1, int c2, int r1, int r2);

}  // namespace vorn::test
