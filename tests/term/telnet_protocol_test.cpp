// Telnet negotiation as a client drives it: what reaches the game, what the game answers, and
// how its output goes on the wire.
#include "term/telnet_protocol.hpp"

#include <gtest/gtest.h>

#include <string>

namespace vorn {
namespace {

constexpr char kIac = '\xff';
constexpr char kWill = '\xfb';
constexpr char kWont = '\xfc';
constexpr char kDo = '\xfd';
constexpr char kDont = '\xfe';
constexpr char kSb = '\xfa';
constexpr char kSe = '\xf0';
constexpr char kEcho = '\x01';
constexpr char kSga = '\x03';
constexpr char kBinary = '\x00';
constexpr char kNaws = '\x1f';

std::string Cmd(char verb, char option) {
    return {kIac, verb, option};
}

// Feeds `input` a byte at a time, as the line layer does, and collects the caller's bytes.
std::string Feed(TelnetProtocol& p, const std::string& input) {
    std::string data;
    for (const char c : input) {
        std::uint8_t byte = 0;
        switch (p.feed(static_cast<std::uint8_t>(c))) {
            case TelnetProtocol::Result::kNotMine:
                data += c;
                break;
            case TelnetProtocol::Result::kComplete:
                if (p.take_data(byte)) data += static_cast<char>(byte);
                break;
            case TelnetProtocol::Result::kNeedMore:
                break;
        }
    }
    return data;
}

TEST(TelnetProtocol, OpeningAsksForCharacterModeEchoBinaryAndWindowSize) {
    TelnetProtocol p;
    EXPECT_EQ(p.opening(), Cmd(kWill, kEcho) + Cmd(kWill, kSga) + Cmd(kWill, kBinary) +
                               Cmd(kDo, kSga) + Cmd(kDo, kBinary) + Cmd(kDo, kNaws));
    EXPECT_FALSE(p.settled());
    EXPECT_EQ(p.opening(), "");  // asked once only
}

TEST(TelnetProtocol, ClientBytesAndAnswers) {
    const std::string agree = Cmd(kDo, kEcho) + Cmd(kDo, kSga) + Cmd(kDo, kBinary) +
                              Cmd(kWill, kSga) + Cmd(kWill, kBinary) + Cmd(kWill, kNaws);
    const std::string refuse = Cmd(kDont, kEcho) + Cmd(kDont, kSga) + Cmd(kDont, kBinary) +
                               Cmd(kWont, kSga) + Cmd(kWont, kBinary) + Cmd(kWont, kNaws);
    const struct {
        const char* what;
        std::string input;
        std::string data;     // what the game reads
        std::string replies;  // what the game answers
        bool echo;            // the game echoes afterwards
        int columns, rows;
    } cases[] = {
        {"plain keys", "abc", "abc", "", false, 0, 0},
        {"byte 255 doubled", std::string("a") + kIac + kIac + "b",
         "a\xff"
         "b",
         "", false, 0, 0},
        {"Enter as CR LF or CR NUL", std::string("x\r\ny\r\0z\r\r\n", 10), "x\ry\rz\r\r", "", false,
         0, 0},
        {"a client that agrees, with its window",
         agree + kIac + kSb + kNaws + std::string("\0\x50\0\x19", 4) + kIac + kSe + "k", "k", "",
         true, 80, 25},
        {"a client that says no to everything", refuse + "k", "k", "", false, 0, 0},
        {"offers and wishes the game refuses",
         Cmd(kWill, '\x18') + Cmd(kDo, '\x22') + Cmd(kWill, kEcho) + Cmd(kDo, '\x05'), "",
         Cmd(kDont, '\x18') + Cmd(kWont, '\x22') + Cmd(kDont, kEcho) + Cmd(kWont, '\x05'), false, 0,
         0},
        {"agreement repeated, then withdrawn",
         Cmd(kDo, kEcho) + Cmd(kDo, kEcho) + Cmd(kDont, kEcho) + Cmd(kDont, kEcho), "",
         Cmd(kWont, kEcho), false, 0, 0},
        {"a window of 255 columns has its byte doubled",
         Cmd(kWill, kNaws) + kIac + kSb + kNaws + std::string("\0", 1) + kIac + kIac +
             std::string("\0\x18", 2) + kIac + kSe,
         "", "", false, 255, 24},
        {"a subnegotiation without SE ends at the next command",
         std::string{kIac, kSb, kNaws, '\0', '\x50', '\0', '\x19'} + Cmd(kWill, '\x18') + "ok",
         "ok", Cmd(kDont, '\x18'), false, 80, 25},
        {"an overlong subnegotiation is dropped",
         std::string{kIac, kSb, '\x18'} + std::string(1000, 'x') + kIac + kSe + "ok", "ok", "",
         false, 0, 0},
        {"no operation, are you there, go ahead",
         std::string{kIac, '\xf1', kIac, '\xf6', kIac, '\xf9', 'q'}, "q", "", false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TelnetProtocol p;
        p.opening();
        EXPECT_EQ(Feed(p, c.input), c.data);
        EXPECT_EQ(p.take_replies(), c.replies);
        EXPECT_EQ(p.local_enabled(telnet::kEcho), c.echo);
        EXPECT_EQ(p.window_columns(), c.columns);
        EXPECT_EQ(p.window_rows(), c.rows);
        // Every question of the game answered, yes or no, and no other.
        EXPECT_EQ(p.settled(), c.input.starts_with(agree) || c.input.starts_with(refuse));
    }
}

TEST(TelnetProtocol, OutputDoublesByte255AndGuardsABareCr) {
    TelnetProtocol plain;
    EXPECT_EQ(plain.escape("a\xff"
                           "b\r\nc\rd\r"),
              std::string("a\xff\xff"
                          "b\r\nc\r\0d\r\0",
                          12));
    TelnetProtocol binary;
    binary.opening();
    Feed(binary, Cmd(kDo, kBinary));
    EXPECT_EQ(binary.escape("\xff\rx"), "\xff\xff\rx");
}

}  // namespace
}  // namespace vorn
