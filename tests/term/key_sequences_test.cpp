#include "term/key_sequences.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorn {
namespace {

using Result = KeySequenceParser::Result;

// Feeds the bytes, then lets the input go quiet for `quiet_ms`; returns every key that came out
// (ordinary bytes the parser disowns included, in order).
std::vector<Key> Parse(std::string_view bytes, int quiet_ms = 0) {
    KeySequenceParser parser(250);
    std::vector<Key> keys;
    const auto collect = [&] {
        Key k;
        while (parser.next(k)) keys.push_back(k);
    };
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (parser.feed(b) == Result::kNotMine) keys.push_back(Key{b, false});
        collect();
    }
    parser.quiet(quiet_ms);
    collect();
    return keys;
}

Key Ext(std::uint8_t code) {
    return Key{code, true};
}
Key Chr(char c) {
    return Key{static_cast<std::uint8_t>(c), false};
}

TEST(KeySequences, EveryRowOfTheTableIsRecognisedOnItsLastByte) {
    for (const KeySequence& row : KeySequenceTable()) {
        SCOPED_TRACE(std::string(row.bytes.substr(1)));
        KeySequenceParser parser(250);
        for (std::size_t i = 0; i + 1 < row.bytes.size(); ++i) {
            EXPECT_EQ(parser.feed(static_cast<std::uint8_t>(row.bytes[i])), Result::kNeedMore);
        }
        EXPECT_EQ(parser.feed(static_cast<std::uint8_t>(row.bytes.back())), Result::kComplete);
        Key k;
        ASSERT_TRUE(parser.next(k));
        EXPECT_EQ(k, Ext(row.code));
        EXPECT_FALSE(parser.next(k));
        EXPECT_FALSE(parser.pending());
    }
}

TEST(KeySequences, CursorAndEditingKeysInTheirCommonSpellings) {
    EXPECT_EQ(
        Parse("\x1b[A\x1bOB\x1b[C\x1b[D"),
        (std::vector<Key>{Ext(key::kUp), Ext(key::kDown), Ext(key::kRight), Ext(key::kLeft)}));
    EXPECT_EQ(Parse("\x1b[1~\x1b[H\x1b[4~\x1b[F\x1b[2~\x1b[3~"),
              (std::vector<Key>{Ext(key::kHome), Ext(key::kHome), Ext(key::kEnd), Ext(key::kEnd),
                                Ext(key::kInsert), Ext(key::kDelete)}));
    EXPECT_EQ(Parse("\x1b[1;5H\x1b[1;5F"),
              (std::vector<Key>{Ext(key::kCtrlHome), Ext(key::kCtrlEnd)}));
    // Modifiers the table does not list fall back to the plain key.
    EXPECT_EQ(Parse("\x1b[1;2A\x1b[3;5~"), (std::vector<Key>{Ext(key::kUp), Ext(key::kDelete)}));
    // Alt keys, in either case; the sysop's keys among them.
    EXPECT_EQ(Parse("\033h\033H\033i\033-\033=\0331\0330"),
              (std::vector<Key>{Ext(0x23), Ext(0x23), Ext(0x17), Ext(0x82), Ext(0x83), Ext(0x78),
                                Ext(0x81)}));
}

TEST(KeySequences, LoneEscapeWaitsForItsTimeoutThenArrivesAsEscape) {
    KeySequenceParser parser(250);
    EXPECT_EQ(parser.feed(27), Result::kNeedMore);
    EXPECT_EQ(parser.quiet(249), Result::kNeedMore);
    Key k;
    EXPECT_FALSE(parser.next(k));
    EXPECT_EQ(parser.quiet(250), Result::kComplete);
    ASSERT_TRUE(parser.next(k));
    EXPECT_EQ(k, Chr(27));
    EXPECT_FALSE(parser.pending());
    // Two escapes, and an escape before Enter, are keys of their own.
    EXPECT_EQ(Parse("\x1b\x1b[A"), (std::vector<Key>{Chr(27), Ext(key::kUp)}));
    EXPECT_EQ(Parse("\x1b\r"), (std::vector<Key>{Chr(27), Chr('\r')}));
    // ESC O is application-mode input unless nothing follows: then it was Alt-O.
    EXPECT_EQ(Parse("\x1bO", 250), (std::vector<Key>{Ext(0x18)}));
}

TEST(KeySequences, UnknownAndTruncatedSequencesLeakNothing) {
    EXPECT_TRUE(Parse("\x1b[99z").empty());
    EXPECT_TRUE(Parse("\x1b!").empty());
    EXPECT_EQ(Parse("\x1b[1;2;3;4;5;6;7;8;9;10;11;12;13mx"), (std::vector<Key>{Chr('x')}));
    // Cut short by the timeout: the bytes so far are dropped, what follows is a key again.
    KeySequenceParser parser(250);
    for (const char c : std::string("\x1b[1;")) parser.feed(static_cast<std::uint8_t>(c));
    EXPECT_EQ(parser.quiet(250), Result::kNeedMore);
    EXPECT_FALSE(parser.pending());
    EXPECT_EQ(parser.feed('a'), Result::kNotMine);
    // Cut short by a control byte: the sequence goes, the byte stays.
    EXPECT_EQ(Parse("\x1b[\r"), (std::vector<Key>{Chr('\r')}));
    EXPECT_EQ(Parse("\x1b[12\x1b[B"), (std::vector<Key>{Ext(key::kDown)}));
}

TEST(KeySequences, RawTwoByteFormsAndSingleByteFixes) {
    EXPECT_EQ(Parse(std::string("\0\x47\0\x23", 4)), (std::vector<Key>{Ext(0x47), Ext(0x23)}));
    EXPECT_EQ(Parse(std::string("\0", 1), 250), (std::vector<Key>{Chr('\0')}));
    // Telnet's CR NUL is one Enter; DEL from the Backspace key is BS.
    EXPECT_EQ(Parse(std::string("\r\0a", 3)), (std::vector<Key>{Chr('\r'), Chr('a')}));
    EXPECT_EQ(Parse("\x7f"), (std::vector<Key>{Chr(8)}));
    EXPECT_EQ(Parse("a\xe9 "), (std::vector<Key>{Chr('a'), Chr('\xe9'), Chr(' ')}));
}

}  // namespace
}  // namespace vorn
