// Replays what the writer sends through a real terminal emulator (libvterm) and compares the
// emulator's screen with the writer's own image, cell by cell: characters and colours.
#include <vterm.h>

#include <algorithm>
#include <random>

#include "common/cp437.hpp"
#include "support/scripted_play.hpp"
#include "support/session_fixture.hpp"

namespace vorn::test {
namespace {

class Emulator {
  public:
    Emulator() : vt_(vterm_new(kScreenRows, kScreenColumns)) {
        vterm_set_utf8(vt_, 1);
        screen_ = vterm_obtain_screen(vt_);
        vterm_screen_reset(screen_, 1);
        vterm_state_set_bold_highbright(vterm_obtain_state(vt_), 1);
    }
    ~Emulator() { vterm_free(vt_); }
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    void feed(std::string_view bytes) { vterm_input_write(vt_, bytes.data(), bytes.size()); }

    VTermScreenCell cell(int column, int row) const {
        VTermScreenCell c{};
        vterm_screen_get_cell(screen_, VTermPos{row - 1, column - 1}, &c);
        return c;
    }
    CursorPosition cursor() const {
        VTermPos p{};
        vterm_state_get_cursorpos(vterm_obtain_state(vt_), &p);
        return CursorPosition{p.col + 1, p.row + 1};
    }

  private:
    VTerm* vt_;
    VTermScreen* screen_;
};

// The PC colour of an emulator colour: ANSI order back to PC order, bold as bright.
int PcColour(const VTermColor& c, bool foreground, bool bold) {
    static constexpr int kPc[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    if (VTERM_COLOR_IS_DEFAULT_FG(&c)) return bold ? 15 : 7;
    if (VTERM_COLOR_IS_DEFAULT_BG(&c)) return 0;
    if (!VTERM_COLOR_IS_INDEXED(&c)) return -1;
    const int idx = c.indexed.idx;
    if (!foreground) return kPc[idx & 7];
    return kPc[idx & 7] + (idx >= 8 ? 8 : 0);
}

class ReplayTest : public SessionFixture {
  protected:
    // Every cell of the emulator against the writer's image; spaces compare only background.
    void expect_same_screen(const std::string& context) {
        emulator.feed(sent());
        for (int row = 1; row <= kScreenRows; ++row) {
            for (int column = 1; column <= kScreenColumns; ++column) {
                const vorn::ScreenCell mine = out.screen_image()[row - 1][column - 1];
                const VTermScreenCell theirs = emulator.cell(column, row);
                const char32_t expected = Cp437CodePoint(mine.character);
                const char32_t shown = theirs.chars[0] == 0 ? U' ' : theirs.chars[0];
                ASSERT_EQ(static_cast<std::uint32_t>(shown), static_cast<std::uint32_t>(expected))
                    << context << " at " << column << "," << row;
                const TextColour colour = TextColour::FromAttribute(mine.attribute);
                ASSERT_EQ(PcColour(theirs.bg, false, false), colour.background)
                    << context << " background at " << column << "," << row;
                if (mine.character != ' ') {
                    ASSERT_EQ(PcColour(theirs.fg, true, theirs.attrs.bold != 0), colour.foreground)
                        << context << " foreground at " << column << "," << row;
                }
            }
        }
        ASSERT_EQ(emulator.cursor().column, out.cursor().column) << context;
        ASSERT_EQ(emulator.cursor().row, out.cursor().row) << context;
    }

    Emulator emulator;
};

// Once with every byte sent as written, once with only the changes (from a screen the model
// knows: cleared in a known colour).
class RandomReplayTest : public ReplayTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RandomReplayTest, RandomOutputLooksTheSameOnARealTerminal) {
    out.send_changes_only = GetParam();
    if (GetParam()) {
        out.set_colours(14, 1);
        out.print_text("x");
        out.set_colours(7, 0);
        out.print_text("y");
        out.clear_screen();
    }
    std::mt19937 random(1234);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const auto random_text = [&]() {
        std::string text;
        const int length = pick(120);
        for (int i = 0; i < length; ++i) {
            const int kind = pick(20);
            if (kind == 0) {
                text += "|" + std::to_string(pick(24) + 100).substr(1);
            } else if (kind == 1) {
                text += "\r\n";
            } else if (kind == 2) {
                text += static_cast<char>(1 + pick(31));
            } else {
                text += static_cast<char>(32 + pick(224));
            }
        }
        return text;
    };

    for (int step = 0; step < 1500; ++step) {
        switch (pick(9)) {
            case 0:
                out.go_to(pick(90) - 4, pick(30) - 2);
                break;
            case 1:
                out.clear_to_eol();
                break;
            case 2:
                out.erase_back(pick(6));
                break;
            case 3:
                out.print_at(pick(80) + 1, pick(25) + 1, "|14Bye\xFF|04now |B1x");
                break;
            case 4:
                if (pick(10) == 0) out.clear_screen();
                break;
            case 5:
                out.new_lines(pick(4));
                break;
            case 6:
                out.print_prompt_text("|CU|CR|CL" + random_text());
                break;
            default:
                out.print_coded(random_text());
                break;
        }
        expect_same_screen("step " + std::to_string(step));
        if (HasFatalFailure()) return;
    }
}

std::string SendingName(const ::testing::TestParamInfo<bool>& param) {
    return param.param ? "ChangesOnly" : "AsWritten";
}
INSTANTIATE_TEST_SUITE_P(Writer, RandomReplayTest, ::testing::Bool(), SendingName);

TEST_F(ReplayTest, DisplayFileWithScrollLooksTheSame) {
    std::string art = "\x1b[2J";
    for (int row = 0; row < 40; ++row) {
        art += "\x1b[" + std::to_string(30 + row % 8) + ";" + std::to_string(40 + (row / 8) % 8) +
               "m" + (row % 3 == 0 ? "\x1b[1m" : "") + "Row " + std::to_string(row) + " \xDB\xB1";
        art += std::string(static_cast<std::size_t>(row % 70), static_cast<char>('A' + row % 26));
        art += "\x1b[0m\r\n";
    }
    art += "\x1b[10;70H\x16\x01\x4ETail\x19*\x0c";
    dir.write("ansi/long.ans", art);
    out.show_display_file("long.ans", 28);
    expect_same_screen("long file");
}

// Rooms walked and battle turns fought: the caller sees the same screen at every wait with and
// without the model, for far fewer bytes with it.
TEST(ScriptedPlayReplay, TheCallerSeesTheSameScreensForFewerBytes) {
    for (const PlayScript script : {PlayScript::kRooms, PlayScript::kBattle}) {
        const PlayRecording all = RecordPlay(script, 48, false);
        const PlayRecording changes = RecordPlay(script, 48, true);
        ASSERT_EQ(all.shots.size(), changes.shots.size());
        ASSERT_GT(all.shots.size(), 48u);
        for (std::size_t i = 0; i < all.shots.size(); ++i) {
            ASSERT_EQ(ScreenDifference(all.shots[i], changes.shots[i]), "") << "wait " << i;
        }
        EXPECT_LT(changes.bytes * 2, all.bytes);
    }
}

// What the model cannot follow goes out exactly as written, and the screen stays unknown after it
// until a clear in a known colour.
TEST(CallerScreen, SendsWhatItCannotFollowAsWritten) {
    const std::string known = "\x1b[0m\x1b[H\x1b[2Jabc\x1b[2;1Hdef";
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"a save-cursor escape",
         "\x1b"
         "7abc"},
        {"a line feed in mid-row", "abc\ndef"},
        {"a raw control character", "ab\x0e"},
        {"a private sequence", "\x1b[?25l"},
        {"an erase above the cursor", "\x1b[1J"},
        {"a broken UTF-8 sequence", "\xe2\x96x"},
        {"a scroll off the bottom", "\x1b[25;1Habc\r\n"},
        {"an unknown colour attribute", "\x1b[7mabc"},
    };
    for (const auto& c : cases) {
        CallerScreen screen;
        std::string sent;
        screen.convert(known, true, sent);
        screen.convert("\x1b[Habc\x1b[2;1Hdef", true, sent);
        EXPECT_EQ(sent, "") << c.what << ": the same cells again send nothing";
        screen.convert(c.bytes, true, sent);
        EXPECT_EQ(sent, c.bytes) << c.what;
        screen.convert("abc", true, sent);
        EXPECT_EQ(sent, "abc") << c.what << " leaves the screen unknown";
    }
    CallerScreen screen;
    std::string sent;
    screen.convert(known, true, sent);
    screen.convert("\x1b[2;1Hdxf", false, sent);
    EXPECT_EQ(sent, "\x1b[2;1Hdxf") << "a watched screen gets every byte";
    screen.forget();
    screen.convert("\x1b[2;1Hdef", true, sent);
    EXPECT_EQ(sent, "\x1b[2;1Hdef") << "a forgotten screen gets every byte";
}

// A bell changes no cell, yet the caller must hear every one: once, with or without a clear.
TEST(CallerScreen, BellsGoOutThoughTheyDrawNothing) {
    CallerScreen screen;
    std::string sent;
    screen.convert("\x1b[0m\x1b[H\x1b[2Jabc", true, sent);
    for (const std::string bytes : {"\a", "\x1b[1;2Hb\a", "\a\x1b[m\x1b[H\x1b[2Jabc\a"}) {
        screen.convert(bytes, true, sent);
        EXPECT_EQ(std::count(sent.begin(), sent.end(), '\a'),
                  std::count(bytes.begin(), bytes.end(), '\a'))
            << bytes;
    }
}

}  // namespace
}  // namespace vorn::test
