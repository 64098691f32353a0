// Wire bytes of the writer: cursor moves, colour changes, wrap and scroll, UTF-8 and code page
// 437 output, and the start-up probe.
#include "term/writer.hpp"

#include "support/session_fixture.hpp"

namespace vorn::test {
namespace {

using WriterTest = SessionFixture;

TEST_F(WriterTest, ColourChangesSendTheDifferenceOnly) {
    out.set_foreground(12);
    out.print_text("A");
    EXPECT_EQ(sent(), "\x1b[1;31mA");  // 7 on 0 -> 12 on 0
    out.set_foreground(14);
    out.print_text("B");
    EXPECT_EQ(sent(), "\x1b[0;1;33mB");  // 12 -> 14
    out.set_foreground(14);
    out.print_text("C");
    EXPECT_EQ(sent(), "C");  // unchanged colour: nothing
    out.set_colours(7, 0);
    out.print_text("D");
    EXPECT_EQ(sent(), "\x1b[mD");  // only "0"
    out.set_colours(7, 1);
    out.print_text("E");
    EXPECT_EQ(sent(), "\x1b[0;44mE");
    out.set_colours(2, 1);
    out.print_text("F");
    EXPECT_EQ(sent(), "\x1b[32mF");
    out.set_colours(10, 1);
    out.print_text("G");
    EXPECT_EQ(sent(), "\x1b[0;1;32;44mG");
    out.set_colours(15, 1);
    out.print_text("H");
    EXPECT_EQ(sent(), "\x1b[0;1;44mH");
}

TEST_F(WriterTest, CursorMovesTakeTheShortestForm) {
    out.go_to(10, 5);
    EXPECT_EQ(sent(), "\x1b[5;10H");
    out.go_to(10, 5);
    EXPECT_EQ(sent(), "");  // already there
    out.go_to(15, 5);
    EXPECT_EQ(sent(), "\x1b[5C");
    out.go_to(3, 5);
    EXPECT_EQ(sent(), "\x1b[12D");
    out.go_to(1, 5);
    EXPECT_EQ(sent(), "\r");
    out.go_to(1, 2);
    EXPECT_EQ(sent(), "\x1b[3A");
    out.go_to(1, 9);
    EXPECT_EQ(sent(), "\x1b[7B");
    out.go_to(7, 9);
    out.go_to(1, 10);
    EXPECT_EQ(sent(), "\x1b[6C\r\n");
    out.go_to(80, 3);
    out.go_to(80, 3);
    EXPECT_EQ(sent(), "\x1b[3;80H\x1b[3;80H");  // column 80 always gets the full form
}

TEST_F(WriterTest, CursorStaysOnTheScreen) {
    out.go_to(0, 0);
    EXPECT_EQ(out.cursor().column, 1);
    EXPECT_EQ(out.cursor().row, 1);
    out.go_to(500, -3);
    EXPECT_EQ(out.cursor().column, 80);
    EXPECT_EQ(out.cursor().row, 1);
    out.cursor_up(5);
    EXPECT_EQ(out.cursor().row, 1);
    out.cursor_down(100);
    EXPECT_EQ(out.cursor().row, 25);
    out.cursor_right(3);
    EXPECT_EQ(out.cursor().column, 80);
    out.cursor_left(1000);
    EXPECT_EQ(out.cursor().column, 1);
}

TEST_F(WriterTest, ControlCharactersOnlyMoveTheCursor) {
    out.go_to(5, 5);
    sent();
    out.print_text("\b");
    EXPECT_EQ(sent(), "\x1b[1D");
    out.print_text("\r\n");
    EXPECT_EQ(sent(), "\r\x1b[1B");  // at column 1 the row move is shorter than CR LF
    out.print_text("ab\n");
    EXPECT_EQ(sent(), "ab\r\n");
    out.print_text("\t");
    EXPECT_EQ(out.cursor().column, 9);
    EXPECT_EQ(sent(), "\x1b[8C");
}

TEST_F(WriterTest, LongLineWrapsAfterColumnEighty) {
    out.go_to(1, 3);
    sent();
    out.print_text(std::string(90, 'x'));
    const std::string expected =
        std::string(79, 'x') + "\x1b[3;80H" + "x" + "\r\n" + std::string(10, 'x');
    EXPECT_EQ(sent(), expected);
    EXPECT_EQ(out.cursor().column, 11);
    EXPECT_EQ(out.cursor().row, 4);
    EXPECT_EQ(out.screen_image()[2][79].character, 'x');
    EXPECT_EQ(out.screen_image()[3][9].character, 'x');
}

TEST_F(WriterTest, ScrollRedrawsTheScreenFromTheImage) {
    out.go_to(1, 2);
    out.set_foreground(12);
    out.print_text("top");
    out.go_to(1, 25);
    out.set_colours(7, 1);
    out.print_text("low");
    sent();
    out.set_colours(7, 0);
    out.print_text("\n");
    // Row 1 gets row 2 ("top" in light red), row 24 gets row 25 ("low" on blue), row 25 is
    // cleared in the current colour, and the cursor comes back to (1,25).
    const std::string wire = sent();
    // Empty rows are cleared; from column 1 a row down is ESC [1B.
    std::string expected = "\x1b[1;1H\x1b[1;31;40mtop\x1b[K\r\n\x1b[K";
    for (int row = 3; row <= 24; ++row) expected += "\x1b[1B\x1b[K";
    expected.resize(expected.size() - 3);
    expected += "\x1b[0;44mlow\x1b[m\x1b[K\r\n\x1b[K";
    EXPECT_EQ(wire, expected);
    EXPECT_EQ(out.screen_image()[0][0].character, 't');
    EXPECT_EQ(out.screen_image()[23][0].character, 'l');
    EXPECT_EQ(out.screen_image()[24][0].character, ' ');
    EXPECT_EQ(out.cursor().row, 25);
    EXPECT_EQ(out.cursor().column, 1);
}

TEST_F(WriterTest, Utf8AndCodePage437Output) {
    out.print_text("\xB0\xC4\xFF\x01\x1b\x7f");
    EXPECT_EQ(sent(), "\u2591\u2500\u00A0\u263A\u2190\u2302");
    out.utf8_output = false;
    out.print_text("\xB0\xC4\xFF");
    EXPECT_EQ(sent(), "\xB0\xC4\xFF");
}

TEST_F(WriterTest, ProbeDecidesBetweenUtf8AndRawBytes) {
    const std::string probe =
        "\x1b"
        "7\x1b[1G\xE2\x96\x91\x1b[6n";
    const std::string after =
        "\x1b"
        "8\x1b[K";

    terminal.type("\x1b[12;2R");
    out.initialize();
    EXPECT_EQ(sent(), probe + after);
    EXPECT_TRUE(out.utf8_output);
    EXPECT_EQ(out.cursor().row, 12);

    terminal.type("\x1b[3;4R");
    out.initialize();
    EXPECT_FALSE(out.utf8_output);
    EXPECT_EQ(out.cursor().row, 3);

    // No answer: one wait of half a second, and UTF-8 stays on.
    terminal.waited_ms = 0;
    out.utf8_output = true;
    out.initialize();
    EXPECT_TRUE(out.utf8_output);
    EXPECT_EQ(terminal.waited_ms, 500);

    // A reply that never ends stops after 31 characters.
    terminal.type(std::string(40, '9'));
    out.initialize();
    EXPECT_EQ(terminal.pending(), 9u);
}

// An answer that misses the wait (a slow link) still decides, whoever reads it, and a code page
// 437 answer draws the caller's screen again in its bytes; a node that names its character set
// asks nothing.
TEST_F(WriterTest, LateProbeAnswersAndTheNodesCharacterSet) {
    out.initialize();
    EXPECT_TRUE(out.utf8_output);
    EXPECT_EQ(out.unanswered_positions(), 1);
    out.go_to(3, 2);
    out.print_text("\xB0\xDB");
    EXPECT_NE(sent().find("\x1b[2;3H\u2591\u2588"), std::string::npos);
    out.position_report(9, 4);
    EXPECT_FALSE(out.utf8_output);
    EXPECT_EQ(out.unanswered_positions(), 0);
    const std::string redrawn = sent();
    EXPECT_EQ(redrawn.rfind("\x1b[0m\x1b[H\x1b[2J", 0), 0u) << redrawn;
    EXPECT_NE(redrawn.find("  \xB0\xDB\x1b[K"), std::string::npos)
        << ::testing::PrintToString(redrawn);
    out.position_report(9, 2);  // the answer to a later question: nothing changes
    EXPECT_FALSE(out.utf8_output);
    EXPECT_EQ(sent(), "");

    out.initialize();
    out.position_report(1, 2);  // late, and UTF-8: the screen stays as it is
    EXPECT_TRUE(out.utf8_output);
    EXPECT_EQ(sent(),
              "\x1b"
              "7\x1b[1G\xE2\x96\x91\x1b[6n\x1b"
              "8\x1b[K");

    for (const auto& [encoding, utf8] : {std::pair{kEncodingCp437, false}, {kEncodingUtf8, true}}) {
        session.node.encoding = encoding;
        out.utf8_output = !utf8;
        out.initialize();
        EXPECT_EQ(out.utf8_output, utf8);
        EXPECT_EQ(sent(), "");
        EXPECT_EQ(out.unanswered_positions(), 0);
    }
}

TEST_F(WriterTest, OutputLeavesInOneWritePerFlush) {
    out.print_coded("|12Hello|07 there");
    out.go_to(5, 5);
    out.print_line("line");
    EXPECT_TRUE(terminal.writes.empty());
    out.flush();
    EXPECT_EQ(terminal.writes.size(), 1u);
    out.flush();
    EXPECT_EQ(terminal.writes.size(), 1u);  // nothing buffered: no write
}

TEST_F(WriterTest, EraseBackAndClears) {
    out.go_to(10, 4);
    out.print_text("abc");
    sent();
    out.erase_back(2);
    EXPECT_EQ(sent(), "\b \b\b \b");
    EXPECT_EQ(out.cursor().column, 11);
    EXPECT_EQ(out.screen_image()[3][11].character, ' ');
    out.clear_to_eol();
    EXPECT_EQ(sent(), "\x1b[K");
    out.set_colours(0, 4);
    out.print_text("50%");
    sent();
    // The terminal clears in the colour last sent: a bar's red would fill the next screen.
    out.clear_screen();
    EXPECT_EQ(sent(), "\x1b[m\x1b[H\x1b[2J");
    EXPECT_EQ(out.cursor().column, 1);
    EXPECT_EQ(out.screen_image()[3][9].character, ' ');
    EXPECT_EQ(CellAttribute(out, 40, 12), 7);
}

TEST_F(WriterTest, DirectWriterKeepsToItsRowAndTranslates) {
    out.print_at(76, 1, "|12A\xFF|B1B|99xyz");
    const std::string wire = sent();
    // Light red A, then character 255 as U+00A0, black on blue B, "|99" written as text; what
    // passes column 80 is not written.
    EXPECT_EQ(wire, "\x1b[75C\x1b[1;31mA\u00A0\x1b[0;30;44mB|9\x1b[1;80H");
    EXPECT_EQ(out.cursor().column, 80);
    EXPECT_EQ(out.screen_image()[0][79].character, '9');
}

TEST_F(WriterTest, ColourNames) {
    EXPECT_EQ(Writer::colour_name(7), "Light Gray");
    EXPECT_EQ(Writer::colour_name(13), "Light Magenta");
    EXPECT_EQ(Writer::colour_pair_name(0x1E), "Yellow On Blue|16");
    EXPECT_EQ(Writer::colour_name(16), "");
}

}  // namespace
}  // namespace vorn::test
