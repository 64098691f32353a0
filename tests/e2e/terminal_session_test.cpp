// The terminal layer end to end: a real program in a pseudo-terminal, read through a terminal
// emulator — a coloured display file, the line editor's keys, a password, a yes/no question, and
// a caller who hangs up in the middle of typing; the game's screens cleared black after the bars,
// and the idle caller's bell.
#include <gtest/gtest.h>
#include <termios.h>

#include <algorithm>
#include <chrono>

#include "support/caller_scripts.hpp"
#include "support/game_directory.hpp"
#include "support/game_in_child.hpp"
#include "support/game_process.hpp"

namespace vorn::test {
namespace {

void WriteDemoScreen(const GameDirectory& dir) {
    dir.make_directory("ansi");
    dir.write_file("ansi/demo.ans", "\x1b[1;31mRED\x1b[0;32m green\x1b[0m\r\n");
}

TEST(TerminalSession, DisplayFileEditorPasswordAndQuestion) {
    GameDirectory dir;
    WriteDemoScreen(dir);
    GameProcess p("terminal_driver", dir);
    ASSERT_TRUE(p.wait_for_text("Name:"));
    EXPECT_EQ(p.row_text(1).substr(0, 9), "RED green");
    EXPECT_EQ(p.cell(1, 1).foreground, 12);
    EXPECT_EQ(p.cell(5, 1).foreground, 2);

    // "abc", Home, "X", End, "Z", Insert (overwrite), Left, "Q": the Q replaces the Z.
    p.type("abc\x1b[HX\x1b[FZ\x1b[2~\x1b[DQ\r");
    ASSERT_TRUE(p.wait_for_text("You typed [XabcQ]"));

    ASSERT_TRUE(p.wait_for_text("Password:"));
    p.type("secret\r");
    ASSERT_TRUE(p.wait_for_text("Password length 6"));
    EXPECT_EQ(p.screen_text().find("secret"), std::string::npos);
    EXPECT_NE(p.screen_text().find("\xC2\xB7\xC2\xB7\xC2\xB7\xC2\xB7\xC2\xB7\xC2\xB7"),
              std::string::npos);

    ASSERT_TRUE(p.wait_for_text("Continue?"));
    p.type("n");
    ASSERT_TRUE(p.wait_for_text("Answer no"));
    ASSERT_TRUE(p.wait_for_text("Done"));
    EXPECT_EQ(p.wait_exit(), 0);
    // The terminal is handed back in the mode it came in: echo and line editing on.
    const struct termios mode = p.terminal_mode();
    EXPECT_TRUE(mode.c_lflag & ECHO);
    EXPECT_TRUE(mode.c_lflag & ICANON);
}

TEST(TerminalSession, HangUpInTheMiddleOfInputEndsWithinASecond) {
    GameDirectory dir;
    WriteDemoScreen(dir);
    GameProcess p("terminal_driver", dir);
    ASSERT_TRUE(p.wait_for_text("Name:"));
    p.type("half a na");
    ASSERT_TRUE(p.wait_for_text("half a na"));
    const auto start = std::chrono::steady_clock::now();
    p.hang_up();
    const int code = p.wait_exit(5000);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    EXPECT_EQ(code, 0);
    EXPECT_LT(took.count(), 1000);
}

TEST(TerminalSession, PipesWorkWithoutATerminal) {
    GameDirectory dir;
    WriteDemoScreen(dir);
    LaunchOptions options;
    options.connection = Connection::kPipes;
    GameProcess p("terminal_driver", dir, options);
    p.type("\x1b[1;2R");  // the start-up question answered as a UTF-8 terminal would
    p.type("Ann\rpw\ry");
    ASSERT_TRUE(p.wait_for_output("Answer yes"));
    EXPECT_EQ(p.wait_exit(), 0);
    EXPECT_NE(p.output().find("You typed [Ann]"), std::string::npos);
}

// The cells showing a background colour, outside the hit-point and mana bars of the map.
int ColouredCells(const GameProcess& game, bool bars_shown) {
    int n = 0;
    for (int row = 1; row <= TerminalScreen::kRows; ++row) {
        for (int column = 1; column <= TerminalScreen::kColumns; ++column) {
            const bool bar = bars_shown && (row == 16 || row == 17) && column >= 68;
            if (!bar && game.cell(column, row).background != 0) ++n;
        }
    }
    return n;
}

// The bars leave their colour set on the terminal until the next screen's first character: the
// screen the caller goes on to is cleared black all the same, as a real terminal shows it.
TEST(TerminalSession, ScreensAfterTheBarsAreClearedBlack) {
    GameDirectory dir;
    LayOutWaltsGame(dir);
    GameProcess game("game", dir, {.args = {"1"}});
    EnterTheForest(game, "Walt");
    const struct {
        const char* keys;
        const char* shows;
        bool bars_shown;
    } screens[] = {
        {"i", "Whack The Damn Key!", false},  // the list of what she carries
        {"\r", "Use which item?", false},
        {"\r", "Your command?", true},  // the map drawn again right after the bars
        {"h", "The Hall of Lore", false},
        {"q", "Your command?", true},
    };
    for (const auto& s : screens) {
        const std::size_t mark = game.output_size();
        game.type(s.keys);
        ASSERT_EQ(game.wait_for_any({s.shows}, kDefaultTimeoutMs, mark), 0) << s.shows;
        EXPECT_EQ(ColouredCells(game, s.bars_shown), 0) << s.shows << "\n" << game.screen_text();
    }
}

// A caller who stops typing hears the bell from the fourth minute until the game hangs up: a
// bell draws nothing on the screen, yet every one reaches him. The game runs on a fake clock.
TEST(TerminalSession, TheIdleCallerHearsTheBellUntilTheHangUp) {
    GameDirectory dir;
    LayOutWaltsGame(dir);
    const ChildOutcome o = RunInChild({.directory = dir.path()},
                                      PlayGame({"1"}, "\x1b[1;2R\rs\rWalt\r1\r1\r\r\r\r\rmy1aqan"));
    EXPECT_EQ(o.exit_code, 0);
    EXPECT_GT(std::count(o.output.begin(), o.output.end(), '\a'), 100) << o.output;
}

}  // namespace
}  // namespace vorn::test
