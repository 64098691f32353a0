#include "term/key_reader.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/startup.hpp"
#include "support/key_fixture.hpp"

namespace vorn {
namespace {

using test::ExitCalled;
using test::KeyFixture;

std::size_t Count(const std::string& text, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

// What the caller has seen, the writer's buffer included.
const std::string& Seen(KeyFixture& f) {
    f.session.writer.flush();
    return f.terminal.output;
}

// Runs `body`, which must end the session through the exit seam; returns the exit code.
template <class Body>
int ExitCodeOf(Body&& body) {
    try {
        body();
    } catch (const ExitCalled& e) {
        return e.code;
    }
    ADD_FAILURE() << "the session did not end";
    return -1;
}

TEST(KeyReaderWait, AKeyWakesTheWaitAtOnceWhileTheTickRunsEvery150Ms) {
    KeyFixture f;
    int rounds = 0;
    f.session.hooks.timed_effects = [&rounds] { ++rounds; };
    f.terminal.type("x", 10'010);
    f.session.writer.print_text("Prompt");
    EXPECT_EQ(f.keys.read_key(), 'x');
    EXPECT_EQ(f.clock.monotonic_ms(), 10'010);  // not rounded up to the next tick
    EXPECT_EQ(rounds, 10'010 / kKeyTickMs);
    EXPECT_EQ(f.keys.extended_key(), 0);
    EXPECT_NE(f.terminal.output.find("Prompt"), std::string::npos);  // flushed before the wait
    // Keys that arrived together come out one by one without waiting.
    f.terminal.type("ab\x1b[C");
    EXPECT_EQ(f.keys.read_key(), 'a');
    EXPECT_EQ(f.keys.read_key(), 'b');
    EXPECT_EQ(f.keys.read_key(), key::kRight);
    EXPECT_EQ(f.keys.extended_key(), key::kRight);
}

// What a caller types becomes code page 437 keys: UTF-8 on a UTF-8 line, the bytes themselves on
// a code page 437 one. Position reports among the keys are answers, not keys.
TEST(KeyReaderWait, TypedCharactersBecomeCodePage437Keys) {
    const struct {
        const char* what;
        bool utf8;
        std::string typed;
        std::string keys;
    } cases[] = {
        {"é", true, "\xC3\xA9", "\x82"},
        {"a block and a letter", true, "\xE2\x96\x91z", "\xB0z"},
        {"split across reads", true, "\xC3|\xA9", "\x82"},
        {"no code page 437 character", true, "\xE2\x82\xAC!", "!"},
        {"cut short", true,
         "\xC3"
         "A",
         "A"},
        {"a code page 437 byte on a UTF-8 line", true, "\x82", "\x82"},
        {"a code page 437 line", false, "\xC3\xA9", "\xC3\xA9"},
        {"a position report", true, "a\x1b[12;4Rb", "ab"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        KeyFixture f;
        f.session.writer.utf8_output = c.utf8;
        const std::size_t split = c.typed.find('|');
        f.terminal.type(c.typed.substr(0, split));
        if (split != std::string::npos) f.terminal.type(c.typed.substr(split + 1), 10);
        f.terminal.type("\r", 10);
        std::string keys;
        for (std::uint8_t k = f.keys.read_key(); k != '\r'; k = f.keys.read_key()) {
            keys += static_cast<char>(k);
        }
        EXPECT_EQ(keys, c.keys);
    }
}

TEST(KeyReaderWait, LoneEscapeReachesTheCallerAfterTheEscapeTimeout) {
    KeyFixture f;
    f.terminal.type("\x1b", 1000);
    EXPECT_EQ(f.keys.read_key(), 27);
    EXPECT_EQ(f.clock.monotonic_ms(), 1000 + kEscapeTimeoutMs);
    EXPECT_EQ(f.keys.extended_key(), 0);
}

TEST(KeyReaderWait, BellFromFourMinutesHangUpAfterSixWithMessageAndLogLine) {
    KeyFixture f;
    std::int64_t last_effects = -1;
    f.session.hooks.timed_effects = [&] { last_effects = f.clock.monotonic_ms(); };
    EXPECT_EQ(ExitCodeOf([&] { f.keys.read_key(); }), 0);
    std::int64_t first_bell = -1;
    for (const auto& [at, bytes] : f.terminal.writes) {
        if (bytes.find('\a') != std::string::npos) {
            first_bell = at;
            break;
        }
    }
    EXPECT_GE(first_bell, 240'000);
    EXPECT_LT(first_bell, 240'200);
    EXPECT_LT(last_effects, 240'000);  // the timed effects stop while the caller is idle
    // Three rings every round of about two seconds for two minutes.
    EXPECT_GT(Count(f.terminal.output, "\a"), 150u);
    EXPECT_LT(Count(f.terminal.output, "\a"), 250u);
    EXPECT_GE(f.clock.monotonic_ms(), 359'000);
    EXPECT_LT(f.clock.monotonic_ms(), 361'000);
    EXPECT_NE(f.terminal.output.find("Inactivity timeout"), std::string::npos);
    EXPECT_NE(f.system_log().find("    Inactivity timeout; hanging up\n"), std::string::npos);
    EXPECT_NE(f.system_log().find("End of call: idle\n"), std::string::npos);
}

TEST(KeyReaderWait, AKeyStopsTheBellAndEachReadStartsItsOwnCount) {
    KeyFixture f;
    f.terminal.type("a", 300'000);
    f.terminal.type("b", 300'000);
    EXPECT_EQ(f.keys.read_key(), 'a');
    EXPECT_NE(f.terminal.output.find('\a'), std::string::npos);
    EXPECT_EQ(f.clock.monotonic_ms(), 300'000);  // the bell's pauses wake on the key too
    EXPECT_EQ(f.keys.read_key(), 'b');
    EXPECT_FALSE(f.session.time.ended);
}

TEST(KeyReaderWait, NoInactivityLimitDuringAChat) {
    KeyFixture f;
    f.session.chat.running = true;
    f.terminal.type("k", 600'000);
    EXPECT_EQ(f.keys.read_key(), 'k');
    EXPECT_EQ(f.terminal.output.find('\a'), std::string::npos);
}

TEST(KeyReaderTime, TimeLeftCountsAllowanceAdjustmentsAndElapsedTime) {
    KeyFixture f;
    f.session.time.minutes_allowed = 90;
    f.session.time.extra_seconds = 30;
    f.session.time.adjust = -10;
    f.clock.advance_ms(61'500);
    EXPECT_DOUBLE_EQ(f.keys.seconds_left(), 5400 + 30 - 10 - 61.5);
    EXPECT_EQ(f.keys.time_left("S"), 5358);
    EXPECT_EQ(f.keys.time_left("m"), 89);
    EXPECT_EQ(f.keys.time_left("H"), 1);
    f.session.logged_on = false;
    EXPECT_DOUBLE_EQ(f.keys.seconds_left(), 3600);
    f.session.logged_on = true;
    f.session.time.minutes_allowed = 0;
    f.session.time.extra_seconds = f.session.time.adjust = 0;
    EXPECT_EQ(f.keys.time_left("M"), -1);  // truncated toward zero
}

TEST(KeyReaderTime, ExpiryShowsTheMessageLogsAndEnds) {
    KeyFixture f;
    f.session.time.minutes_allowed = 1;
    EXPECT_EQ(ExitCodeOf([&] { f.keys.read_key(); }), 0);
    EXPECT_GE(f.clock.monotonic_ms(), 59'000);
    EXPECT_LE(f.clock.monotonic_ms(), 60'150);
    EXPECT_NE(f.terminal.output.find("pired"), std::string::npos);
    EXPECT_NE(f.system_log().find("User's time expired\n"), std::string::npos);
    EXPECT_NE(f.system_log().find("End of call: time-out\n"), std::string::npos);
}

TEST(KeyReaderTime, ANodeThatStaysUpReportsExpiryOnce) {
    KeyFixture f;
    f.session.time.minutes_allowed = 1;
    f.session.node.daemon_mode = true;
    f.terminal.type("z", 120'000);
    EXPECT_EQ(f.keys.read_key(), 'z');
    EXPECT_EQ(Count(f.system_log(), "User's time expired"), 1u);
    EXPECT_EQ(Count(f.terminal.output, "pired"), 1u);
}

TEST(SysopKeys, WithSysopKeysOffAltHReachesTheCaller) {
    KeyFixture f;
    f.session.node.sysop_keys = false;
    f.terminal.type("\x1bh");
    EXPECT_EQ(f.keys.read_key(), 0x23);
    EXPECT_EQ(f.keys.extended_key(), 0x23);
    EXPECT_FALSE(f.session.time.ended);
}

// On a remote session every key comes from the caller: he cannot give himself time or hang up
// through the sysop's keys.
TEST(SysopKeys, ARemoteCallersAltKeysAreHisOwn) {
    KeyFixture f;
    f.session.node.sysop_keys = true;
    f.session.line.local = false;
    f.terminal.type("\x1b=\x1bh");
    EXPECT_EQ(f.keys.read_key(), key::kAltEquals);
    EXPECT_EQ(f.keys.read_key(), key::kAltH);
    EXPECT_EQ(f.session.time.extra_seconds, 0);
    EXPECT_FALSE(f.session.time.ended);
}

TEST(SysopKeys, AltHHangsUpEvenBeforeStartUpHasFinished) {
    KeyFixture f;
    f.session.node.sysop_keys = true;
    f.session.time.running = false;
    f.terminal.type("\x1b=\x1bh");
    EXPECT_EQ(f.keys.read_key(), key::kAltEquals);  // needs a running session: the caller's key
    EXPECT_EQ(f.session.time.extra_seconds, 0);
    EXPECT_EQ(ExitCodeOf([&] { f.keys.read_key(); }), 0);
    EXPECT_NE(f.system_log().find("End of call: hang-up by the sysop\n"), std::string::npos);
}

TEST(SysopKeys, TimeKeysAreSwallowedAndAdjustTheAllowance) {
    KeyFixture f;
    f.session.node.sysop_keys = true;
    f.terminal.type(std::string("\x1b=\x1b=\x1b-\0\x4e\0\x4a\0\x4e", 12) + "x");
    EXPECT_EQ(f.keys.read_key(), 'x');
    EXPECT_EQ(f.session.time.extra_seconds, 120);
}

TEST(SysopKeys, StatusLineNoiseAndRing) {
    KeyFixture f({3, 65});
    f.session.node.sysop_keys = true;
    f.session.settings.stat_bar = true;
    f.terminal.type("\033s\033f1");
    EXPECT_EQ(f.keys.read_key(), '1');
    EXPECT_FALSE(f.session.settings.stat_bar);
    EXPECT_EQ(f.session.writer.screen_image()[24][0].character, ' ');
    EXPECT_NE(Seen(f).find(std::string(79, ' ')), std::string::npos);
    EXPECT_NE(f.terminal.output.find("AAAAAAAA"), std::string::npos);  // 3 + 5 bytes of 65
    EXPECT_EQ(f.terminal.output.find("AAAAAAAAA"), std::string::npos);

    // Alt-Z rings until a key comes; that key is the caller's.
    f.terminal.output.clear();
    f.terminal.type("\x1bz");
    f.terminal.type("q", 2000);
    EXPECT_EQ(f.keys.read_key(), 'q');
    EXPECT_GE(Count(f.terminal.output, "\a"), 6u);
    EXPECT_LE(Count(f.terminal.output, "\a"), 8u);
}

TEST(SysopKeys, ChatKeyNeedsAnInstalledChatAndNoChatRunning) {
    KeyFixture f;
    f.session.node.sysop_keys = true;
    f.terminal.type("\033c");
    EXPECT_EQ(f.keys.read_key(), key::kAltC);
    int chats = 0;
    f.session.chat.start = [&chats] { ++chats; };
    f.terminal.type("\033cy");
    EXPECT_EQ(f.keys.read_key(), 'y');
    EXPECT_EQ(chats, 1);
    f.session.chat.running = true;
    f.terminal.type("\033c");
    EXPECT_EQ(f.keys.read_key(), key::kAltC);
    EXPECT_EQ(chats, 1);
}

TEST(SysopKeys, InformationPageShowsTheCallAndSwallowsTheNextKey) {
    KeyFixture f;
    f.session.node.sysop_keys = true;
    f.session.nodes.number = 7;
    f.session.users.current.name = "Brannoc";
    f.session.users.current.real_name = "Jo Smith";
    f.clock.advance_ms(600'000);
    f.terminal.type("\x1bi");
    f.terminal.type("n", 5000);
    f.terminal.type("m", 1000);
    EXPECT_EQ(f.keys.read_key(), 'm');
    const std::string& out = f.terminal.output;
    EXPECT_NE(out.find("Vornhold"), std::string::npos);
    EXPECT_NE(out.find(kLongVersion), std::string::npos);
    EXPECT_NE(out.find(": \x1b[0;1m7"), std::string::npos);
    EXPECT_NE(out.find("Brannoc (Jo Smith)"), std::string::npos);
    EXPECT_NE(out.find("0:50:00"), std::string::npos);
}

TEST(Hangup, EndOfInputEndsTheWaitAndNoLoopCanSpinOnIt) {
    KeyFixture f;
    f.terminal.type("q");
    f.terminal.hang_up(2000);
    EXPECT_EQ(f.keys.read_key(), 'q');
    EXPECT_EQ(f.keys.read_key(), 'q');  // the last key, once the caller has gone
    EXPECT_TRUE(f.session.time.ended);
    EXPECT_EQ(f.clock.monotonic_ms(), 2000);
    const int waits = f.terminal.waits;
    EXPECT_EQ(f.keys.read_key(), 'q');
    EXPECT_EQ(f.terminal.waits, waits);  // returned at once
    EXPECT_EQ(ExitCodeOf([&] { f.keys.key_waiting(); }), 0);
    EXPECT_NE(f.system_log().find("End of call: hang-up\n"), std::string::npos);
}

TEST(Hangup, ACallerThatKeepsReadingAfterTheHangUpIsEnded) {
    KeyFixture f;
    f.terminal.hang_up();
    EXPECT_EQ(ExitCodeOf([&] {
                  for (int i = 0; i < 1000; ++i) f.keys.read_key();
              }),
              0);
}

// The game's fixed delays (combat and shop messages, display-file pauses) run their full length
// whatever is typed, and end the moment the caller is gone.
TEST(Hangup, DelaysKeepTypedKeysAndEndWhenTheCallerGoes) {
    KeyFixture f;
    f.terminal.type("ab", 100);
    f.keys.delay(1000);
    EXPECT_EQ(f.clock.monotonic_ms(), 1000);
    EXPECT_EQ(f.keys.read_key(), 'a');
    EXPECT_EQ(f.keys.read_key(), 'b');
    f.terminal.hang_up(500);
    f.keys.delay(65'000);
    EXPECT_TRUE(f.session.time.ended);
    EXPECT_EQ(f.clock.monotonic_ms(), 1500);
}

TEST(Hangup, AFailedWriteCountsAsAHangUp) {
    KeyFixture f;
    f.terminal.fail_writes();
    f.terminal.type("k", 5000);
    f.session.writer.print_text("anyone there?");
    f.keys.read_key();
    EXPECT_TRUE(f.session.time.ended);
    EXPECT_EQ(f.clock.monotonic_ms(), 0);
}

TEST(Prompts, YesNoAnswersAndDefaults) {
    KeyFixture f;
    f.terminal.type("\r");
    EXPECT_TRUE(f.keys.ask_yes_no(true));
    EXPECT_NE(Seen(f).find("Yes\r"), std::string::npos);
    EXPECT_NE(f.terminal.output.find("[\x1b[1;31mY"), std::string::npos);
    // An extended key that happens to be the code of "N" is not an answer.
    f.terminal.output.clear();
    f.terminal.type(std::string("\0\x4e", 2) + "xn");
    EXPECT_FALSE(f.keys.ask_yes_no(true));
    EXPECT_NE(Seen(f).find("No\r"), std::string::npos);
    EXPECT_EQ(f.terminal.output.find("x"), std::string::npos);
    f.terminal.type("Y");
    EXPECT_TRUE(f.keys.ask_yes_no(false));
    f.terminal.output.clear();
    f.terminal.hang_up();
    EXPECT_FALSE(f.keys.ask_yes_no(false));
    EXPECT_EQ(Seen(f).find("No"), std::string::npos);
}

TEST(Prompts, PauseWaitsForAKeyOrTheNodesDelayAndErasesItself) {
    KeyFixture f;
    f.terminal.type("x", 3000);
    f.keys.pause_key();
    EXPECT_NE(f.terminal.output.find("Wh"), std::string::npos);
    EXPECT_EQ(Count(Seen(f), "\b \b"), 19u);
    EXPECT_EQ(f.clock.monotonic_ms(), 3000);
    f.session.node.pause_delay_ms = 700;
    f.keys.pause_key();
    EXPECT_EQ(f.clock.monotonic_ms(), 3700);
}

}  // namespace
}  // namespace vorn
