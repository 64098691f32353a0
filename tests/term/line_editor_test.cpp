#include "term/line_editor.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/key_fixture.hpp"

namespace vorn {
namespace {

using test::KeyFixture;

const CharacterSet kPrintable = CharacterRange(32, 254);
const char kLeft[] = "\x1b[D";
const char kHome[] = "\x1b[H";
const char kEnd[] = "\x1b[F";
const char kInsert[] = "\x1b[2~";
const char kDelete[] = "\x1b[3~";
const char kCtrlEnd[] = "\x1b[1;5F";

// Types `keys` into a fresh editor; the field starts at column `column`.
std::string Edit(KeyFixture& f, std::string_view keys, std::string_view options,
                 std::string_view default_text = "", int max_length = 30, int case_mode = 0,
                 const CharacterSet& allowed = kPrintable, int width = 0, int column = 1) {
    f.session.writer.go_to(column, 5);
    f.terminal.type(keys);
    const std::string text =
        f.keys.input_line(default_text, case_mode, allowed, options, max_length, width);
    f.session.writer.flush();
    return text;
}

TEST(LineEditorCase, NamesAndTheOtherCaseModes) {
    KeyFixture f;
    EXPECT_EQ(Edit(f, "o'neil mcdonald\r", "", "", 30, 4), "O'neil Mcdonald");
    EXPECT_EQ(Edit(f, "mcDonald\r", "", "", 30, 1), "McDonald");
    EXPECT_EQ(Edit(f, "dark-elf\r", "", "", 30, 1), "Dark-Elf");
    EXPECT_EQ(Edit(f, "MiXed\r", "", "", 30, 2), "MIXED");
    EXPECT_EQ(Edit(f, "MiXed\r", "", "", 30, 3), "mixed");
    EXPECT_EQ(Edit(f, "vornhold\r", "", "", 30, 5), "VoRNHoLD");
    EXPECT_EQ(Edit(f, "VORNHOLD\r", "", "", 30, 6), "vOrnhOld");
    EXPECT_EQ(Edit(f, "limit\r", "", "", 30, 7), "LiMiT");
    EXPECT_EQ(Edit(f, "MiXed\r", "", "", 30, 8), "MiXed");
    // The default goes through the case mode as well.
    EXPECT_EQ(Edit(f, "\r", "", "o'neil", 30, 4), "O'neil");
}

TEST(LineEditorDefault, CutToMaxLengthAndDisallowedCharactersShowAsSpaces) {
    KeyFixture f;
    const CharacterSet letters = CharacterRange('a', 'z') | CharacterRange('A', 'Z');
    EXPECT_EQ(Edit(f, "\r", "/NC", "ab#cdefgh", 5, 0, letters), "ab cd");
    // Typed characters outside the set are dropped rather than turned into spaces.
    EXPECT_EQ(Edit(f, "x1y\r", "", "", 5, 0, letters), "xy");
    // Abort returns the default as the field showed it.
    EXPECT_EQ(Edit(f, "zz\x1b", "/AA", "Default text", 7), "Default");
    EXPECT_EQ(Edit(f, std::string("zz\x1a"), "/aa", "keep"), "keep");
    EXPECT_EQ(Edit(f, "zz\x1b\r", "", "keep"), "keepzz");
}

TEST(LineEditorSwitches, EnterConditionsAndSpaces) {
    KeyFixture f;
    EXPECT_EQ(Edit(f, "\r\r x\r", "/MN"), "x");
    EXPECT_EQ(Edit(f, "\r", ""), "");
    EXPECT_EQ(Edit(f, "12\r345\r", "/RQ", "", 4), "1234");
    // A space cannot open the text unless /SP; /NC keeps the spaces at the ends.
    EXPECT_EQ(Edit(f, " a \r", "/NC"), "a ");
    EXPECT_EQ(Edit(f, " a \r", "/SP/NC"), " a ");
    EXPECT_EQ(Edit(f, " a \r", "/SP"), "a");
    EXPECT_EQ(Edit(f, "a\tb\r", ""), "a    b");
    // CR LF after the input unless /NR.
    Edit(f, "a\r", "/NR");
    EXPECT_EQ(f.session.writer.cursor_row(), 5);
    Edit(f, "a\r", "");
    EXPECT_EQ(f.session.writer.cursor_row(), 6);
    EXPECT_EQ(f.session.writer.cursor_column(), 1);
}

TEST(LineEditorKeys, EditingKeysInsertAndOverwrite) {
    KeyFixture f;
    EXPECT_EQ(Edit(f, std::string("world") + kHome + "hello \r", ""), "hello world");
    EXPECT_EQ(Edit(f, std::string("abcd") + kLeft + kLeft + "\b" + kDelete + "\r", ""), "ad");
    EXPECT_EQ(Edit(f, std::string("abcd") + kHome + kInsert + "XY" + kEnd + "!\r", ""), "XYcd!");
    EXPECT_EQ(Edit(f, std::string("abcdef") + kHome + "\x1b[C\x1b[C" + kCtrlEnd + "\r", ""), "ab");
    EXPECT_EQ(Edit(f, "abc\x19xy\r", ""), "xy");
    // /NI: overwrite, and Insert cannot change it.
    EXPECT_EQ(Edit(f, std::string("abc") + kHome + kInsert + "X\r", "/NI"), "Xbc");
    // /NE: no editing keys at all; Ctrl-Y does nothing either.
    EXPECT_EQ(Edit(f, std::string("abc") + kHome + kLeft + "\x19" + "d\r", "/NE"), "abcd");
    // A full field takes no more characters, not even over others.
    EXPECT_EQ(Edit(f, std::string("abcd") + kHome + "X\r", "/NI", "", 4), "abcd");
}

TEST(LineEditorScreen, PasswordPaintAndTheScrollingWindow) {
    KeyFixture f;
    f.terminal.output.clear();
    EXPECT_EQ(Edit(f, "secret\r", "/PW"), "secret");
    EXPECT_EQ(f.terminal.output.find("secret"), std::string::npos);
    // Byte 250 is the middle dot, sent as UTF-8.
    std::size_t dots = 0;
    for (std::size_t p = 0; (p = f.terminal.output.find("\xC2\xB7", p)) != std::string::npos; ++p) {
        ++dots;
    }
    EXPECT_EQ(dots, 6u);

    f.terminal.output.clear();
    Edit(f, "\r", "/BG", "", 12);
    EXPECT_NE(f.terminal.output.find("\x1b[1;32m" + std::string(12, ' ')), std::string::npos);

    // Width 8: the window moves on by 5 when the cursor runs off its end.
    f.session.writer.go_to(10, 5);
    f.terminal.type("abcdefgh");
    f.terminal.hang_up();
    f.keys.input_line("", 0, kPrintable, "", 20, 8);
    EXPECT_EQ(f.session.writer.cursor_column(), 18);
    KeyFixture g;
    g.session.writer.go_to(10, 5);
    g.terminal.type("abcdefghi");
    g.terminal.hang_up();
    g.keys.input_line("", 0, kPrintable, "", 20, 8);
    EXPECT_EQ(g.session.writer.cursor_column(), 14);
    g.session.writer.flush();
    EXPECT_NE(g.terminal.output.find("fghi    "), std::string::npos);
}

TEST(LineEditorScreen, AFieldNearTheRightEdgeNeverPassesColumn80) {
    KeyFixture f;
    f.session.writer.go_to(70, 3);
    f.terminal.type("abcdefghijklmnopq");
    f.terminal.hang_up();
    EXPECT_EQ(f.keys.input_line("", 0, kPrintable, "", 30, 0), "abcdefghijklmnopq");
    EXPECT_LE(f.session.writer.cursor_column(), 80);
    EXPECT_EQ(f.session.writer.cursor_row(), 3);
}

TEST(LineEditorHangup, TheTextAsItStandsIsReturned) {
    KeyFixture f;
    f.terminal.type("abc");
    f.terminal.hang_up(1000);
    EXPECT_EQ(f.keys.input_line("", 0, kPrintable, "/MN/RQ", 10, 0), "abc");
    EXPECT_TRUE(f.session.time.ended);
}

TEST(DateInput, TypedOverTheMaskWithBackspaceAndEnter) {
    KeyFixture f;
    f.terminal.type("120726\r");
    EXPECT_EQ(f.keys.input_date(""), "12/07/26");
    f.session.writer.flush();
    EXPECT_NE(f.terminal.output.find("  /  /  "), std::string::npos);
    EXPECT_NE(f.terminal.output.find("12/07/26"), std::string::npos);

    f.terminal.type("1207\b\b\b9x\r");
    EXPECT_EQ(f.keys.input_date(""), "19/  /  ");
    f.terminal.type("\r");
    EXPECT_EQ(f.keys.input_date(""), "  /  /  ");
    // A full default takes no more digits; backspace works from its end.
    f.terminal.type("5\b\r");
    EXPECT_EQ(f.keys.input_date("01/02/03"), "01/02/0 ");
    f.terminal.type("3\r");
    EXPECT_EQ(f.keys.input_date("12"), "12/3 /  ");
    f.terminal.hang_up();
    EXPECT_EQ(f.keys.input_date("0"), "0 /  /  ");
}

}  // namespace
}  // namespace vorn
