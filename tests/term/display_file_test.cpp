// Display files: lookup, the code interpreter, the ANSI/AVATAR emulation, template markers,
// forms and list screens, and screen save/restore.
#include <map>

#include "support/session_fixture.hpp"
#include "term/template_slots.hpp"

namespace vorn::test {
namespace {

class DisplayFileTest : public SessionFixture {
  protected:
    DisplayFileTest() { session.users.current.name = "Joe"; }
};

TEST_F(DisplayFileTest, LookupRules) {
    dir.write("news.asc", "a");
    dir.write("help.ans", "b");
    dir.write("help.asc", "c");
    dir.write("ansi/title.ans", "d");
    EXPECT_EQ(out.find_display_file("NEWS"), "news.asc");
    EXPECT_EQ(out.find_display_file("help"), "help.ans");
    EXPECT_EQ(out.find_display_file("sub\\none"), "");
    EXPECT_EQ(out.find_display_file("missing"), "");
    session.system.text_path = "text/";
    dir.write("text/menu.ans", "e");
    EXPECT_EQ(out.find_display_file("menu"), "text/menu.ans");

    // A name ending in .ans is shown from ./ansi/.
    EXPECT_TRUE(out.show_display_file("TITLE.ANS", 28));
    EXPECT_EQ(RowText(out, 1), "d");
    EXPECT_FALSE(out.show_display_file("help.ans", 28));
    EXPECT_FALSE(out.show_display_file("nothing", 28));

    // Files written under a name with capitals (a player's news, a sysop's help topic) are found
    // as named when no lower-case file exists; the lower-case one still comes first.
    session.system.text_path.clear();
    dir.write("Sir Robi.nws", "f");
    dir.write("help/Magic.hlp", "g");
    dir.write("ansi/Map.ans", "h");
    dir.write("Joe.nws", "i");
    dir.write("joe.nws", "j");
    const std::pair<const char*, const char*> found[] = {
        {"Sir Robi.nws", "f"}, {"./help/Magic.hlp", "g"}, {"Map.ans", "h"}, {"Joe.nws", "j"}};
    for (const auto& [name, text] : found) {
        out.clear_screen();
        EXPECT_TRUE(out.show_display_file(name, 28)) << name;
        EXPECT_EQ(RowText(out, 1), text) << name;
    }
    EXPECT_EQ(out.find_display_file("Sir Robi.nws"), "Sir Robi.nws");
}

TEST_F(DisplayFileTest, RandomVariants) {
    dir.write("ansi/title.ans", "0");
    dir.write("ansi/title.an3", "3");
    // Without title.an1 there are no variants and nothing is drawn.
    dice = ScriptedRandom({3});
    out.show_display_file("title.ans", 28);
    EXPECT_EQ(RowText(out, 1), "0");
    EXPECT_EQ(dice.used(), 0u);

    dir.write("ansi/title.an1", "1");
    std::map<std::string, int> shown;
    dice = ScriptedRandom({5, 7, 3, 2, 0, 9, 1});
    for (int i = 0; i < 3; ++i) {
        out.clear_screen();
        out.show_display_file("title.ans", 28);
        ++shown[RowText(out, 1)];
    }
    EXPECT_EQ(shown["3"], 1);  // draws 5, 7 missing, 3 taken
    EXPECT_EQ(shown["0"], 1);  // 2 missing, 0 is the file itself
    EXPECT_EQ(shown["1"], 1);  // 9 missing, 1 taken

    // A source stuck on a missing variant gives up and shows the file itself.
    dice = ScriptedRandom({6});
    EXPECT_EQ(out.find_display_file("ansi/title.ans"), "ansi/title.ans");
}

TEST_F(DisplayFileTest, EmulationNormalisesTheFile) {
    dir.write("ansi/art.ans",
              "\x1b[2J\x1b[?7h\x1b[1;31mRed\x1b[0m \x1b[5;10HAt\x1b[s\x1b[3;1H\x1b[u!"
              "\x1b[44;32mG\x1b[mx\x1b[2A\x1b[90Cy\x1b[KQ\x1bZ");
    out.set_foreground(5);
    out.show_display_file("art.ans", 28);
    const std::string wire = sent();
    EXPECT_EQ(RowText(out, 1), "Red");
    EXPECT_EQ(CellAttribute(out, 1, 1), 12);
    EXPECT_EQ(RowText(out, 5), "         At!Gx");
    EXPECT_EQ(CellAttribute(out, 13, 5), 0x12);
    EXPECT_EQ(RowText(out, 3), "yQZ");  // right past column 80 lands in column 1
    EXPECT_EQ(wire.find("?7h"), std::string::npos);
    EXPECT_EQ(wire.find("44;32"), std::string::npos);
    EXPECT_EQ(wire.find("\x1bZ"), std::string::npos);
}

TEST_F(DisplayFileTest, AvatarAndPlainControls) {
    dir.write("ansi/avt.ans", std::string("\x16\x01\x1e"
                                          "A\x19-\x05"
                                          "\x16\x08\x04\x03"
                                          "B\x16\x03"
                                          "C"
                                          "\x16\x05\x16\x06\x16\x04"
                                          "\tT\x16\x02"
                                          "b",
                                          25));
    out.show_display_file("avt.ans", 28);
    EXPECT_EQ(RowText(out, 1), "A-----");
    EXPECT_EQ(CellAttribute(out, 1, 1), 0x1E);
    EXPECT_EQ(out.screen_image()[3][2].character, 'B');  // Ctrl-V Ctrl-H row 4, column 3
    EXPECT_EQ(out.screen_image()[2][3].character, 'C');  // one row up
    EXPECT_EQ(out.screen_image()[3][8].character, 'T');  // tab stop 9
    EXPECT_TRUE(out.colour().blink);

    dir.write("ansi/ff.ans", "old\x0cnew\x1a");
    out.show_display_file("ff.ans", 28);
    EXPECT_EQ(RowText(out, 1), "new");  // form feed clears; the last byte 26 is not shown
    dir.write("ansi/eof.ans",
              "a\x1a"
              "b");
    out.clear_screen();
    out.show_display_file("eof.ans", 28);
    EXPECT_EQ(RowText(out, 1),
              "a\x1a"
              "b");
}

TEST_F(DisplayFileTest, CodesInFiles) {
    dir.write("ansi/codes.ans", "}10%UN|%ZZ|{02%UN|%UN(c12,07)&03@05X@X1Ey%PL(fU)|**|12^04~MT|CS");
    out.go_to(4, 9);
    EXPECT_TRUE(out.show_display_file("codes.ans", 28));
    // |CS cleared the screen at the end, so look at what the codes did to the state.
    // |** recorded where it stood (after "24" in column 9 of row 3) and the end of the file
    // puts the cursor back there after the clear.
    EXPECT_EQ(out.cursor().column, 9);
    EXPECT_EQ(out.cursor().row, 3);
    EXPECT_EQ(out.colour().foreground, 14);
    EXPECT_EQ(session.codes.markers[4].column, 9);
    EXPECT_EQ(session.codes.markers[4].row, 3);
    EXPECT_FALSE(session.codes.slots[1].set);  // ~MT in mode 28 records nothing

    dir.write("ansi/codes2.ans", "}10%UN|%ZZ|{02%UN|%UN(c12,07) %UN(fU(x) @X1Ey");
    out.set_colours(7, 0);
    out.clear_screen();
    out.show_display_file("codes2.ans", 28);
    EXPECT_EQ(RowText(out, 1), "Joe       |%ZZ|Jo|Jo Jo(fU(x) y");
    EXPECT_EQ(CellAttribute(out, 19, 1), 12);  // J of the c12,07 value
    EXPECT_EQ(CellAttribute(out, 20, 1), 7);
    EXPECT_EQ(CellAttribute(out, 31, 1), 0x1E);

    // A new file starts with no width.
    dir.write("ansi/codes3.ans", "%UN|");
    out.clear_screen();
    out.show_display_file("codes3.ans", 28);
    EXPECT_EQ(RowText(out, 1), "Joe|");
}

TEST_F(DisplayFileTest, CodesAcrossBlockBoundaries) {
    std::string text(1022, '.');
    text += "%UN(fU)@X1Ez";
    text += std::string(500, '-');
    text += "|12end";
    dir.write("ansi/big.ans", text);
    out.show_display_file("big.ans", 25);  // mode 25: codes are plain text
    EXPECT_NE(RowText(out, 13).find("%UN(fU)"), std::string::npos);
    out.clear_screen();
    out.show_display_file("big.ans", 28);
    EXPECT_EQ(out.screen_image()[12][62].character, 'J');
    EXPECT_EQ(out.screen_image()[12][65].character, 'z');
    EXPECT_EQ(CellAttribute(out, 66, 13), 0x1E);
}

TEST_F(DisplayFileTest, RipFilesKeepTheirBars) {
    dir.write("menu.rip", "!|1K|12");
    out.show_display_file("menu.rip", 28);
    EXPECT_EQ(RowText(out, 1), "!|1K|12");
}

TEST_F(DisplayFileTest, TemplateModes) {
    dir.write("ansi/edit.ans", "@05&02~MT@20~sl");
    out.show_display_file("edit.ans", 9);
    EXPECT_TRUE(session.codes.slots[1].set);
    EXPECT_EQ(session.codes.slots[1].column, 5);
    EXPECT_EQ(session.codes.slots[14].column, 20);

    dir.write("ansi/menu.ans", "|14~aq@10~**@12~*A@15~z1~HP");
    out.show_display_file("menu.ans", 34);
    EXPECT_EQ(session.codes.menu_keys[0], 'Q');
    EXPECT_EQ(session.codes.slots[1].foreground, 14);
    EXPECT_EQ(session.codes.slots[29].column, 10);
    EXPECT_EQ(session.codes.slots[28].column, 12);
    EXPECT_EQ(session.codes.menu_keys[25], '1');

    dir.write("ansi/mailhead.ans", "~SN(fU) ~TL|~UN");
    SetFormValue(session, 3, "Ann");
    SetFormValue(session, 10, "Bob");
    out.clear_screen();
    out.show_display_file("mailhead.ans", 24);
    EXPECT_EQ(RowText(out, 1), "ANN |Bob");
    EXPECT_EQ(session.codes.slots[11].column, 5);

    EXPECT_TRUE(GoToSlot(session, 14));
    EXPECT_EQ(out.cursor().column, 20);
    EXPECT_FALSE(GoToSlot(session, 31));
    EXPECT_FALSE(GoToSlot(session, 32));
}

TEST_F(DisplayFileTest, FormsAndListScreens) {
    dir.write("nodetop.ans", "Top~TC\r\n");
    dir.write("nodemid.ans", "}04~ND|~UN|~ZZ|%UN\r\n");
    dir.write("nodebot.ans", "Bottom");
    ASSERT_TRUE(ListScreensExist(session, "node"));
    ASSERT_TRUE(BeginListScreens(session, "node"));
    EXPECT_TRUE(session.codes.list_count);
    EXPECT_EQ(out.page_counter, 2);  // 1 + the two rows of the top file - 1
    SetFormValue(session, 1, "1");
    SetFormValue(session, 2, "|12Joe");
    ShowListRow(session, 27);
    SetFormValue(session, 1, "22");
    ShowListRow(session, 27);
    EndListScreens(session, "node");
    EXPECT_EQ(RowText(out, 1), "Top");
    EXPECT_EQ(RowText(out, 2), "1   |Joe ||Joe");
    EXPECT_EQ(CellAttribute(out, 6, 2), 12);  // codes in form values are interpreted
    EXPECT_EQ(RowText(out, 3), "22  |Joe ||Joe");
    EXPECT_EQ(RowText(out, 4), "Bottom");
    EXPECT_EQ(out.page_counter, 0);

    session.codes.form_text = "~UN";
    out.go_to(1, 6);
    ShowForm(session, 99);  // a mode without a list prints the marker
    EXPECT_EQ(RowText(out, 6), "~UN");
    EXPECT_FALSE(ListScreensExist(session, "user"));
}

TEST_F(DisplayFileTest, PagingPausesEveryPage) {
    session.node.pause_delay_ms = 10;
    out.page_counter = 1;
    out.page_lines(22);
    EXPECT_EQ(out.page_counter, 23);
    EXPECT_EQ(clock.monotonic_ms(), 0);
    out.page_lines(1);
    EXPECT_EQ(out.page_counter, 1);
    EXPECT_EQ(clock.monotonic_ms(), 10);
    out.page_counter = 0;
    out.page_lines(100);
    EXPECT_EQ(out.page_counter, 0);
}

TEST_F(DisplayFileTest, VornTermAndAlternativeScreens) {
    session.line.vornterm = true;
    EXPECT_TRUE(out.show_display_file("Title.ans", 28));
    EXPECT_EQ(sent(), "//\\\\title.ans/28");
    session.users.current.alt_screens = true;
    out.show_display_file("explore.ans", 25);
    EXPECT_EQ(sent(), "//\\\\expalt.ans/25");
    session.line.vornterm = false;
    dir.write("ansi/batalt.ans", "alt");
    out.show_display_file("battle.ans", 16);
    EXPECT_EQ(RowText(out, 1), "alt");
}

TEST_F(DisplayFileTest, RowsCoveredAreRecorded) {
    dir.write("ansi/three.ans", "a\r\nb\r\nc");
    out.go_to(1, 5);
    out.show_display_file("three.ans", 28);
    EXPECT_EQ(out.last_file_rows(), 3);
    dir.write("ansi/up.ans", "\x1b[1;1H");
    out.show_display_file("up.ans", 28);
    EXPECT_EQ(out.last_file_rows(), 0);
}

TEST_F(DisplayFileTest, ScreenSaveAndRestore) {
    out.set_colours(14, 1);
    out.print_text("Hi");
    out.set_colours(7, 0);
    out.print_text(" x");
    out.go_to(1, 3);
    out.set_colours(10, 0);
    out.print_text(std::string(80, '#'));
    out.set_colours(3, 2);
    out.save_screen(1);
    const ScreenImage before = out.screen_image();

    const std::string file = dir.read("temp/NODE.000/tempscr1.tmp");
    std::string expected = "\x1b[0m\x1b[2J\x1b[0;1;44;33mHi\x1b[0;40;37m x\n\n";
    expected += "\x1b[0;1;40;32m" + std::string(80, '#') + "\n";
    for (int row = 5; row <= 25; ++row) expected += row == 25 ? "" : "\n";
    EXPECT_EQ(file, expected);

    out.clear_screen();
    out.print_text("gone");
    out.set_colours(1, 0);
    out.restore_screen(1);
    EXPECT_EQ(out.cursor().column, 1);
    EXPECT_EQ(out.cursor().row, 1);
    EXPECT_EQ(out.colour().foreground, 3);
    EXPECT_EQ(out.colour().background, 2);
    for (int row = 0; row < kScreenRows; ++row) {
        for (int column = 0; column < kScreenColumns; ++column) {
            const ScreenCell a = before[row][column];
            const ScreenCell b = out.screen_image()[row][column];
            ASSERT_EQ(a.character, b.character) << row << "," << column;
            if (a.character != ' ') {
                ASSERT_EQ(a.attribute, b.attribute) << row << "," << column;
            }
        }
    }

    // With the status bar on, row 25 is not saved.
    session.settings.stat_bar = true;
    out.go_to(1, 25);
    out.print_text("status");
    out.save_screen(2);
    EXPECT_EQ(dir.read("temp/NODE.000/tempscr2.tmp").find("status"), std::string::npos);
}

}  // namespace
}  // namespace vorn::test
