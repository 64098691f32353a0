// The telnet line layer over a line that delivers the client's bytes in the pieces a network
// makes of them.
#include "term/telnet_io.hpp"

#include <gtest/gtest.h>

#include <string>

#include "support/fake_terminal.hpp"

namespace vorn {
namespace {

std::string ReadAll(TerminalIo& io) {
    std::string got;
    char buffer[64];
    while (io.wait_readable(1000)) {
        const long n = io.read_some(buffer, sizeof buffer);
        if (n == 0) break;
        if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

TEST(TelnetLine, SequencesSplitAcrossReadsAndTheHangUp) {
    ManualClock clock;
    test::FakeTerminal line(clock);
    TelnetTerminalIo telnet(line, clock);
    const std::string pieces[] = {"\xff", "\xfb",     "\x01", "a\r", std::string("\0b\xff", 3),
                                  "\xff", "\xff\xfd", "\x18"};
    for (const std::string& piece : pieces) line.type(piece);
    line.hang_up();
    EXPECT_EQ(ReadAll(telnet), "a\rb\xff");
    // The client offered to echo and asked for a terminal type: both refused.
    EXPECT_EQ(line.output, "\xff\xfe\x01\xff\xfc\x18");
    EXPECT_TRUE(telnet.hung_up());
    EXPECT_EQ(telnet.read_some(nullptr, 0), 0);
}

// A client that never answers costs the whole wait once; negotiation alone is no input. (One that
// answers at once is in caller_line_test.)
TEST(TelnetLine, ASilentClientCostsOneWait) {
    ManualClock clock;
    test::FakeTerminal line(clock);
    TelnetTerminalIo telnet(line, clock);
    telnet.negotiate(500);
    EXPECT_EQ(clock.monotonic_ms(), 500);
    line.type("\xff\xfb\x03");
    EXPECT_FALSE(telnet.wait_readable(300));
    EXPECT_GE(clock.monotonic_ms(), 800);
}

}  // namespace
}  // namespace vorn
