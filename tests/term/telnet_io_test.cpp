// The telnet line layer over a line that delivers the client's bytes in the pieces a network
// makes of them.
#include "term/telnet_io.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>

namespace vorn {
namespace {

class ChunkedLine final : public TerminalIo {
  public:
    explicit ChunkedLine(ManualClock& clock) : clock_(clock) {}
    bool write_all(std::string_view bytes) override {
        sent.append(bytes);
        return true;
    }
    bool wait_readable(int timeout_ms) override {
        if (!chunks.empty() || ended) return true;
        clock_.advance_ms(std::max(timeout_ms, 0));
        return false;
    }
    long read_some(char* buffer, std::size_t size) override {
        if (chunks.empty()) return ended ? 0 : -1;
        const std::string chunk = chunks.front();
        chunks.pop_front();
        const std::size_t n = std::min(size, chunk.size());
        std::memcpy(buffer, chunk.data(), n);
        return static_cast<long>(n);
    }
    bool hung_up() const override { return ended && chunks.empty(); }

    std::deque<std::string> chunks;
    bool ended = false;
    std::string sent;

  private:
    ManualClock& clock_;
};

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
    ChunkedLine line(clock);
    TelnetTerminalIo telnet(line, clock);
    line.chunks = {"\xff", "\xfb",     "\x01", "a\r", std::string("\0b\xff", 3),
                   "\xff", "\xff\xfd", "\x18"};
    line.ended = true;
    EXPECT_EQ(ReadAll(telnet), "a\rb\xff");
    // The client offered to echo and asked for a terminal type: both refused.
    EXPECT_EQ(line.sent, "\xff\xfe\x01\xff\xfc\x18");
    EXPECT_TRUE(telnet.hung_up());
    EXPECT_EQ(telnet.read_some(nullptr, 0), 0);
}

// A client that never answers costs the whole wait once; negotiation alone is no input. (One that
// answers at once is in caller_line_test.)
TEST(TelnetLine, ASilentClientCostsOneWait) {
    ManualClock clock;
    ChunkedLine line(clock);
    TelnetTerminalIo telnet(line, clock);
    telnet.negotiate(500);
    EXPECT_EQ(clock.monotonic_ms(), 500);
    line.chunks = {"\xff\xfb\x03"};
    EXPECT_FALSE(telnet.wait_readable(300));
    EXPECT_GE(clock.monotonic_ms(), 800);
}

}  // namespace
}  // namespace vorn
