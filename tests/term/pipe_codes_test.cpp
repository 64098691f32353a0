// The code printers: basic pipe codes, extended codes of prompts, and text-file lines.
#include "support/session_fixture.hpp"

namespace vorn::test {
namespace {

class PipeCodesTest : public SessionFixture {
  protected:
    PipeCodesTest() {
        session.users.current.name = "Joe";
        session.users.current.real_name = "Joe Bloggs";
    }
};

TEST_F(PipeCodesTest, BasicCodes) {
    out.print_coded("|12Hello|07!");
    EXPECT_EQ(RowText(out, 1), "Hello!");
    EXPECT_EQ(CellAttribute(out, 1, 1), 12);
    EXPECT_EQ(CellAttribute(out, 6, 1), 7);
    EXPECT_EQ(sent(), "\x1b[1;31mHello\x1b[m!");

    out.go_to(1, 2);
    out.print_coded("|1x |99 |B8 |24 |");
    EXPECT_EQ(RowText(out, 2), "|1x |99 |B8 |24 |");
    EXPECT_EQ(out.colour().foreground, 7);

    out.print_coded("|b3|u9");
    EXPECT_EQ(out.colour().background, 3);
    EXPECT_EQ(out.colour().foreground, 9);
    out.print_coded("|16|U2|17");
    EXPECT_EQ(out.colour().background, 1);
    EXPECT_EQ(out.colour().foreground, 2);
}

TEST_F(PipeCodesTest, HexColoursAndStrayAt) {
    out.print_coded("@X1EA@Y@x9Fb@XZZ");
    EXPECT_EQ(RowText(out, 1), "AYbXZZ");
    EXPECT_EQ(CellAttribute(out, 1, 1), 0x1E);  // yellow on blue
    EXPECT_EQ(CellAttribute(out, 3, 1), 0x0F);  // background 9 shows as black
}

// Text kept to its cells: codes take none, what is beyond is dropped, line ends are left out,
// and the end of the row is a limit too.
TEST_F(PipeCodesTest, CodedTextWithinAWidth) {
    struct Case {
        int column;
        const char* text;
        int width;
        const char* shown;
    };
    for (const Case c :
         {Case{1, "|12Hello|07, world", 7, "Hello,"}, Case{1, "a\r\nb\tc|99d", 6, "abc|99"},
          Case{76, "edge of the row", 40, "edge"}}) {
        SCOPED_TRACE(c.text);
        out.clear_screen();
        out.go_to(c.column, 1);
        out.print_coded_within(c.text, c.width);
        EXPECT_EQ(RowText(out, 1).substr(static_cast<std::size_t>(c.column - 1)), c.shown);
        EXPECT_EQ(RowText(out, 2), "");
    }
}

TEST_F(PipeCodesTest, ExtendedCodes) {
    out.print_prompt_text("|QQ|C9|24ab|ZZ");
    EXPECT_EQ(RowText(out, 1), "|QQab|ZZ");

    out.go_to(10, 10);
    out.print_prompt_text("|SC|HCx|LCy|CUz|CT|CB|CE|CL|CR");
    EXPECT_EQ(out.screen_image()[0][0].character, 'x');
    EXPECT_EQ(out.screen_image()[9][9].character, 'y');
    EXPECT_EQ(out.screen_image()[8][10].character, 'z');
    EXPECT_EQ(out.cursor().column, 80);
    EXPECT_EQ(out.cursor().row, 25);

    out.print_prompt_text("|14|AS|02|AL");
    EXPECT_EQ(out.colour().foreground, 14);

    out.go_to(5, 5);
    out.print_prompt_text("|**|12|HCmoved");
    EXPECT_EQ(out.cursor().column, 5);
    EXPECT_EQ(out.cursor().row, 5);
    EXPECT_EQ(out.colour().foreground, 14);

    out.go_to(1, 1);
    out.print_prompt_text("|CS|LFz");
    EXPECT_EQ(RowText(out, 1), "");
    EXPECT_EQ(RowText(out, 2), "z");
}

TEST_F(PipeCodesTest, WaitsFlushThenWait) {
    out.print_prompt_text("a|DSb|DMc");
    EXPECT_EQ(clock.monotonic_ms(), 1100);
    ASSERT_EQ(terminal.writes.size(), 2u);
    EXPECT_EQ(terminal.writes[0].bytes, "a");

    terminal.type("k");
    out.print_prompt_text("|PKdone");
    EXPECT_EQ(terminal.pending(), 0u);
    EXPECT_EQ(RowText(out, 1), "abcdone");
}

TEST_F(PipeCodesTest, PausePromptIsShownThenErased) {
    ASSERT_EQ(session.strings.open(
                  "", [] {}, 0),
              SystemStrings::OpenResult::kOpened);
    out.go_to(1, 3);
    terminal.type(" ");
    out.print_prompt_text("|PA");
    EXPECT_EQ(terminal.pending(), 0u);
    EXPECT_EQ(RowText(out, 3), "");
    EXPECT_EQ(out.cursor().column, 1);
}

TEST_F(PipeCodesTest, DisplayLineValuesAndWidths) {
    EXPECT_TRUE(out.display_line("%UN %ZZ %un."));
    EXPECT_EQ(RowText(out, 1), "Joe %ZZ Joe.");

    out.go_to(1, 2);
    out.display_line("}10%UN|{02%RN|%UN(fU)|%UN(c12,07)");
    // The width holds for the rest of the line, and values are printed as they are: the colour
    // codes the parameter inserts are not interpreted here.
    EXPECT_EQ(RowText(out, 2), "Joe       |Jo|JO||12J|07o");

    out.go_to(1, 3);
    out.display_line("%RN(w2)%UN(broken");
    EXPECT_EQ(RowText(out, 3), "BloggsJoe(broken");

    out.go_to(1, 4);
    out.display_line("&07@05X@X1Ey{X0Cz");
    EXPECT_EQ(out.screen_image()[6][4].character, 'X');
    EXPECT_EQ(CellAttribute(out, 6, 7), 0x1E);
    EXPECT_EQ(CellAttribute(out, 7, 7), 0x0C);
}

TEST_F(PipeCodesTest, DisplayLineCentresAndAligns) {
    out.display_line("%|0123456789");
    EXPECT_EQ(out.screen_image()[0][33].character, '0');  // column 34
    out.go_to(1, 2);
    out.display_line("%|" + std::string(80, 'c'));
    EXPECT_EQ(out.screen_image()[1][0].character, 'c');
    out.go_to(1, 4);
    out.display_line("%>|12right");
    EXPECT_EQ(out.screen_image()[3][74].character, 'r');  // 80 - 5
    out.go_to(1, 5);
    EXPECT_TRUE(out.display_line("%|"));
}

TEST_F(PipeCodesTest, DisplayLineEndsAndFileLines) {
    out.display_line_end("one");
    out.display_line_end("two");
    EXPECT_EQ(RowText(out, 2), "two");
    EXPECT_EQ(out.cursor().row, 3);

    dir.write("ansi/small.ans", "FILE");
    EXPECT_FALSE(out.display_line("%%small.ans"));
    EXPECT_EQ(RowText(out, 3), "FILE");

    session.time.ended = true;
    EXPECT_FALSE(out.display_line("gone"));
    EXPECT_EQ(RowText(out, 4), "");
}

}  // namespace
}  // namespace vorn::test
