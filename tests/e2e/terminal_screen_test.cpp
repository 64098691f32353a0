// The test terminal itself: the three ways it answers the game's start-up probe, and the
// colours it reports back as PC colours.
#include "support/terminal_screen.hpp"

#include <gtest/gtest.h>

namespace vorn::test {
namespace {

// Save cursor, column 1, U+2591 in UTF-8, report the cursor position.
constexpr char kProbe[] =
    "\x1b"
    "7\x1b[1G\xE2\x96\x91\x1b[6n";

TEST(TerminalScreenTest, ProbeAnswerTellsUtf8FromCodePage437) {
    TerminalScreen utf8(TerminalKind::kUtf8);
    EXPECT_EQ(utf8.feed(kProbe), "\x1b[1;2R");
    EXPECT_EQ(utf8.cell(1, 1).text, "\u2591");

    TerminalScreen cp437(TerminalKind::kCp437);
    EXPECT_EQ(cp437.feed(kProbe), "\x1b[1;4R");
    EXPECT_EQ(cp437.row_text(1), "\u0393\u00fb\u00e6");  // the three bytes as PC glyphs
    EXPECT_EQ(cp437.feed("\xB0\xFF"), "");
    EXPECT_EQ(cp437.cell(4, 1).text, "\u2591");
    EXPECT_EQ(cp437.cell(5, 1).text, "\u00a0");

    TerminalScreen silent(TerminalKind::kSilent);
    EXPECT_EQ(silent.feed(kProbe), "");
}

TEST(TerminalScreenTest, ReportsPcColoursAndCursor) {
    TerminalScreen screen;
    // 7 on 0 -> 12 on 0 -> 14 on 1 -> reset; then a move to column 10, row 5.
    screen.feed("a\x1b[1;31mb\x1b[33;44mc\x1b[md\x1b[5;10He");
    EXPECT_EQ(screen.cell(1, 1).foreground, 7);
    EXPECT_EQ(screen.cell(1, 1).background, 0);
    EXPECT_EQ(screen.cell(2, 1).foreground, 12);
    EXPECT_EQ(screen.cell(3, 1).foreground, 14);
    EXPECT_EQ(screen.cell(3, 1).background, 1);
    EXPECT_EQ(screen.cell(4, 1).foreground, 7);
    EXPECT_EQ(screen.cell(4, 1).background, 0);
    EXPECT_EQ(screen.cell(10, 5).text, "e");
    EXPECT_EQ(screen.cursor_column(), 11);
    EXPECT_EQ(screen.cursor_row(), 5);
    EXPECT_TRUE(screen.contains("abcd"));
}

}  // namespace
}  // namespace vorn::test
