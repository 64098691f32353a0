// The installed screens drawn through the game's own writer onto its 80 x 25 screen image: none
// of them scrolls, the cells the program prints its values into are blank in the art, the slots
// of the template screens sit where the loops print, and each screen leaves the cursor where the
// program goes on printing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/game_directory.hpp"
#include "support/session_fixture.hpp"
#include "support/test_session.hpp"
#include "term/template_slots.hpp"
#include "term/writer.hpp"

namespace vorn {
namespace {

namespace fs = std::filesystem;

// Columns c1..c2 of rows r1..r2, on background `background` where it is not -1.
struct Area {
    int c1, c2, r1, r2;
    int background = -1;
};

struct Slot {
    int n, column, row;
};

struct Screen {
    const char* name;
    int mode;
    std::vector<Area> blank;
    CursorPosition cursor;
    std::vector<Slot> slots = {};
    std::vector<Area> frame = {};  // cells the art must draw
};

const std::vector<Area> kNone;

const std::vector<Area> kExploreBlank = {{12, 27, 2, 2},  {40, 42, 2, 2},  {51, 79, 2, 2},
                                         {2, 79, 4, 14},  {2, 36, 16, 21}, {67, 79, 16, 17},
                                         {38, 79, 23, 23}};
const std::vector<Slot> kExploreSlots = {{1, 12, 2},   {2, 40, 2},  {3, 53, 2},   {4, 2, 5},
                                         {5, 2, 12},   {6, 2, 13},  {7, 2, 14},   {8, 2, 16},
                                         {29, 68, 16}, {9, 68, 17}, {10, 39, 23}, {11, 61, 23}};
const std::vector<Area> kBattleBlank = {{42, 54, 2, 2}, {70, 79, 2, 2},     {11, 48, 4, 4},
                                        {51, 79, 4, 4}, {1, 79, 10, 19, 2}, {26, 79, 21, 23}};
const std::vector<Area> kBattleFrame = {{80, 80, 1, 24}, {1, 1, 1, 9}, {1, 1, 20, 24}};
const std::vector<Slot> kBattleSlots = {{29, 43, 2}, {1, 70, 2}, {2, 11, 4},
                                        {3, 53, 4},  {4, 1, 10}, {5, 27, 21}};
const std::vector<Area> kBuyBlank = {
    {40, 79, 3, 3}, {6, 38, 7, 15}, {39, 60, 19, 19}, {19, 30, 20, 20}, {1, 79, 21, 23}};
const std::vector<Area> kSellBlank = {
    {32, 79, 5, 5}, {32, 60, 6, 6}, {15, 40, 9, 9}, {1, 80, 11, 14}};

// Display modes as the game shows each screen; the cells are those the program prints to.
const std::vector<Screen>& Screens() {
    static const std::vector<Screen> screens = {
        {"title.ans", 28, kNone, {1, 24}},
        {"ansi/title.an1", 28, kNone, {1, 24}},
        {"ansi/title.an2", 28, kNone, {1, 24}},
        {"intro.ans",
         28,
         {{36, 50, 9, 9},
          {36, 54, 12, 12},
          {36, 55, 14, 14},
          {33, 79, 19, 19},
          {33, 79, 21, 21},
          {40, 42, 22, 22}},
         {2, 23}},
        {"storylin.ans", 28, kNone, {52, 23}},
        {"cred2.ans", 28, kNone, {31, 23}},
        {"cred2.ans", 25, kNone, {31, 23}},
        {"logon.ans", 28, {{1, 80, 16, 24}}, {1, 17}},
        {"guide.ans", 28, kNone, {30, 23}},
        {"races.ans", 28, {{2, 79, 22, 23}}, {3, 22}},
        {"deities.ans", 28, {{58, 66, 3, 3}, {52, 60, 23, 23}}, {52, 23}},
        {"deityh.ans", 28, kNone, {30, 23}},
        {"death.ans", 28, {{44, 80, 8, 8}, {44, 80, 11, 11}, {1, 40, 23, 23}}, {1, 23}},
        {"stats.ans", 28, {{20, 44, 5, 18}, {64, 79, 5, 18}, {42, 50, 23, 23}}, {42, 23}},
        {"uconf.ans", 28, {{38, 80, 7, 15}, {9, 20, 19, 19}}, {9, 19}},
        {"confhelp.ans", 28, kNone, {30, 22}},
        {"explore.ans", 16, kExploreBlank, {61, 23}, kExploreSlots},
        {"expalt.ans", 16, kExploreBlank, {61, 23}, kExploreSlots},
        {"battle.ans", 16, kBattleBlank, {11, 4}, kBattleSlots, kBattleFrame},
        {"batalt.ans", 16, kBattleBlank, {11, 4}, kBattleSlots, kBattleFrame},
        {"humcity.ans", 28, {{4, 78, 8, 22}}, {70, 23}},
        {"heal1.ans", 28, {{66, 79, 14, 14}, {55, 80, 15, 16}}, {70, 20}},
        {"heal2.ans", 28, kNone, {30, 22}},
        {"tavern.ans", 28, {{38, 60, 19, 19}, {2, 79, 20, 23}}, {23, 21}},
        {"dclose.ans", 28, {{1, 80, 14, 23}}, {1, 14}},
        {"training.ans", 28, {{1, 80, 15, 23}}, {1, 15}},
        {"skstore.ans", 28, {{50, 60, 5, 5}, {59, 66, 8, 14}, {48, 60, 18, 18}}, {52, 5}},
        {"store.ans", 28, kNone, {40, 22}},
        {"weapon.ans", 28, {{46, 79, 21, 22}}, {2, 23}},
        {"weapbuy.ans", 28, kBuyBlank, {19, 20}},
        {"weapsell.ans", 28, kSellBlank, {15, 9}},
        {"armor.ans", 28, {{48, 79, 2, 3}}, {2, 23}},
        {"armbuy.ans", 28, kBuyBlank, {19, 20}},
        {"armsell.ans", 28, kSellBlank, {15, 9}},
        {"bankmain.ans", 28, {{26, 43, 20, 23}}, {45, 23}},
        {"bankdepo.ans", 28, {{52, 70, 3, 4}, {50, 62, 8, 8}, {1, 79, 16, 16}}, {50, 8}},
        {"bankwith.ans", 28, {{57, 75, 4, 5}, {52, 64, 9, 9}, {1, 79, 18, 18}}, {52, 9}},
        {"bankloan.ans",
         28,
         {{68, 78, 3, 3},
          {66, 78, 6, 6},
          {66, 78, 10, 10},
          {70, 75, 11, 11},
          {57, 76, 12, 14},
          {1, 79, 18, 18}},
         {2, 23}},
        {"itemhead.ans", 28, {{1, 79, 3, 22}}, {1, 3}},
        {"itembuy.ans", 28, {{1, 79, 4, 23}}, {1, 4}},
        {"city1.ans", 28, {{1, 80, 15, 24}}, {1, 15}},
        {"ctymgt.ans",
         28,
         {{20, 43, 18, 18}, {59, 79, 18, 18}, {20, 43, 20, 21}, {45, 70, 21, 21}},
         {45, 21}},
        {"ctystat.ans",
         28,
         {{18, 79, 1, 1},
          {12, 79, 2, 2},
          {24, 42, 4, 8},
          {59, 79, 4, 8},
          {13, 79, 13, 13},
          {13, 79, 15, 15},
          {35, 79, 17, 17},
          {1, 79, 19, 24}},
         {1, 19}},
        {"scimgt.ans", 28, {{14, 40, 6, 13}, {42, 50, 6, 13}, {57, 78, 6, 13}}, {40, 22}},
        {"scichg.ans", 28, {{70, 78, 5, 19}, {1, 79, 24, 24}}, {40, 21}},
        {"armymgt2.ans", 28, kNone, {40, 22}},
        {"armymgt.ans", 28, {{1, 80, 9, 24}}, {1, 10}},
        {"armybuy.ans", 28, {{1, 79, 4, 24}}, {1, 24}},
        {"builmgt.ans", 28, {{16, 79, 19, 19}, {16, 45, 21, 21}, {1, 79, 22, 24}}, {1, 22}},
        {"buillist.ans", 28, {{1, 80, 11, 24}}, {1, 11}},
        {"bstat.ans",
         28,
         {{16, 79, 4, 4},
          {15, 31, 8, 9},
          {34, 46, 8, 9},
          {49, 57, 8, 9},
          {15, 31, 11, 12},
          {34, 46, 11, 12},
          {49, 57, 11, 12},
          {15, 31, 14, 15},
          {34, 46, 14, 15},
          {49, 57, 14, 15},
          {15, 31, 17, 18},
          {34, 46, 17, 18},
          {49, 57, 17, 18},
          {16, 40, 20, 20},
          {16, 40, 22, 22},
          {1, 79, 23, 24}},
         {1, 23}},
        {"dcenter.ans", 28, {{5, 39, 4, 23}, {5, 8, 24, 24}}, {60, 22}},
        // The header's value markers print their (here empty) values padded to their widths.
        {"mailhead.ans",
         24,
         {{4, 33, 1, 1},
          {41, 45, 1, 1},
          {56, 58, 1, 1},
          {11, 40, 2, 2},
          {54, 63, 2, 2},
          {11, 40, 3, 3},
          {54, 63, 3, 3},
          {11, 50, 4, 4},
          {12, 41, 5, 5},
          {54, 79, 5, 5}},
         {1, 7},
         {{11, 1, 7}}},
        {"fseditor.ans",
         9,
         {{1, 80, 6, 24}},
         {1, 6},
         {{7, 72, 1},
          {3, 13, 2},
          {4, 62, 2},
          {2, 13, 3},
          {5, 62, 3},
          {1, 13, 4},
          {6, 62, 4},
          {11, 7, 5},
          {12, 18, 5},
          {13, 28, 5},
          {9, 38, 5},
          {10, 48, 5},
          {8, 65, 5},
          {14, 1, 6}}},
        {"chatmode.ans", 4, {{2, 79, 2, 11}, {2, 79, 14, 23}}, {2, 2}},
        {"readhelp.ans", 28, kNone, {28, 23}},
        {"emailhlp.ans", 28, kNone, {28, 23}},
        {"fshelp.ans", 28, kNone, {28, 23}},
    };
    return screens;
}

// A session in a temporary game directory whose ./ansi is the installation's.
struct ScreenSession {
    ScreenSession() {
        fs::create_directory_symlink(fs::path(test::SourceDir()) / "data" / "ansi", "ansi");
        // Screens that end with their own pause get their key.
        t.terminal.type(" ");
    }
    test::TestSession t;
    Writer& out = t.session.writer;
};

std::string Where(const Screen& s) {
    return std::string(s.name) + " mode " + std::to_string(s.mode);
}

// Screens the program follows with the key pause at the cursor: its 19 cells must be blank.
bool PausedAfter(const Screen& s) {
    for (const char* name : {"storylin.ans", "cred2.ans", "guide.ans", "heal2.ans"}) {
        if (std::string_view(s.name) == name) return true;
    }
    return false;
}
// Screens on which the program reads a value at the cursor: a blank cell parts it from its label.
bool InputAtCursor(const Screen& s) {
    for (const char* name : {"deities.ans", "stats.ans", "uconf.ans", "skstore.ans", "weapbuy.ans",
                             "armbuy.ans", "bankdepo.ans", "bankwith.ans", "ctymgt.ans"}) {
        if (std::string_view(s.name) == name) return true;
    }
    return false;
}

TEST(ScreenPlacement, FullScreensFitTheirPlacesWithoutScrolling) {
    for (const Screen& screen : Screens()) {
        ScreenSession s;
        s.out.clear_screen();
        ASSERT_TRUE(s.out.show_display_file(screen.name, screen.mode)) << Where(screen);
        EXPECT_EQ(s.out.scroll_count(), 0) << Where(screen) << " scrolls";
        EXPECT_EQ(s.out.cursor_column(), screen.cursor.column) << Where(screen) << " cursor";
        EXPECT_EQ(s.out.cursor_row(), screen.cursor.row) << Where(screen) << " cursor";
        std::vector<Area> blank = screen.blank;
        const int column = screen.cursor.column, row = screen.cursor.row;
        if (PausedAfter(screen)) blank.push_back({column, column + 18, row, row});
        if (InputAtCursor(screen)) blank.push_back({column - 1, column - 1, row, row});
        const auto each_cell = [&](const std::vector<Area>& areas, auto&& check) {
            for (const Area& a : areas) {
                for (int r = a.r1; r <= a.r2; ++r) {
                    for (int c = a.c1; c <= a.c2; ++c) {
                        check(a, s.out.screen_image()[r - 1][c - 1], c, r);
                    }
                }
            }
        };
        each_cell(blank, [&](const Area& a, const auto& cell, int c, int r) {
            EXPECT_EQ(static_cast<char>(cell.character), ' ')
                << Where(screen) << " draws over (" << c << "," << r
                << "): " << test::RowText(s.out, r);
            if (a.background >= 0) {
                EXPECT_EQ(TextColour::FromAttribute(cell.attribute).background, a.background)
                    << Where(screen) << " background at (" << c << "," << r << ")";
            }
        });
        each_cell(screen.frame, [&](const Area&, const auto& cell, int c, int r) {
            EXPECT_NE(static_cast<char>(cell.character), ' ')
                << Where(screen) << " leaves a gap in its frame at (" << c << "," << r
                << "): " << test::RowText(s.out, r);
        });
        for (const Slot& slot : screen.slots) {
            EXPECT_TRUE(GoToSlot(s.t.session, slot.n)) << Where(screen) << " slot " << slot.n;
            EXPECT_EQ(s.out.cursor_column(), slot.column) << Where(screen) << " slot " << slot.n;
            EXPECT_EQ(s.out.cursor_row(), slot.row) << Where(screen) << " slot " << slot.n;
        }
    }
}

// The three title screens carry the title menu's logo letter for letter: no star of their night
// sky stands in it. The title menu's labels keep their colons in one column.
TEST(ScreenPlacement, TitleLogosAreWholeAndTheMenuLabelsLineUp) {
    const auto logo = [](const char* name, int column, int row) {
        ScreenSession s;
        s.out.clear_screen();
        EXPECT_TRUE(s.out.show_display_file(name, 28)) << name;
        std::string cells;
        for (int r = row; r < row + 4; ++r) {
            for (int c = column; c < column + 48; ++c) {
                cells += static_cast<char>(s.out.screen_image()[r - 1][c - 1].character);
            }
        }
        return cells;
    };
    const std::string menu = logo("intro.ans", 4, 2);
    EXPECT_EQ(logo("title.ans", 17, 3), menu);
    EXPECT_EQ(logo("ansi/title.an1", 17, 3), menu);
    EXPECT_EQ(logo("ansi/title.an2", 5, 3), menu);

    ScreenSession s;
    s.out.clear_screen();
    ASSERT_TRUE(s.out.show_display_file("intro.ans", 28));
    const std::size_t colon = test::RowText(s.out, 19).find(':');
    for (const int row : {21, 22}) EXPECT_EQ(test::RowText(s.out, row).find(':'), colon) << row;
}

// A list is its top, as many rows as fit, and its bottom; a row holding the longest values its
// widths allow must stay on its line, or every row would wrap into a blank one.
TEST(ScreenPlacement, ListRowsStayOnOneLineAndListsDoNotScroll) {
    struct List {
        const char* name;
        const char* mid;
        int form_mode;
    };
    for (const List& list :
         {List{"userl", "userlmid", 35}, List{"node", "nodemid", 27}, List{"msgl", "msglmid", 21},
          List{"msgl", "msglhil", 21}, List{"mail", "mailmid", 19}}) {
        ScreenSession s;
        s.out.clear_screen();
        for (int n = 1; n <= 16; ++n) SetFormValue(s.t.session, n, std::string(70, 'W'));
        ASSERT_TRUE(s.out.show_display_file(std::string(list.name) + "top", 33)) << list.name;
        EXPECT_TRUE(GoToSlot(s.t.session, 1)) << list.name << "top has no ~TL";
        s.out.go_to(1, s.out.last_file_rows() + 1);
        ASSERT_TRUE(s.out.load_display_file(list.mid)) << list.mid;
        for (int row = 0; row < 3; ++row) {
            const int before = s.out.cursor_row();
            ShowForm(s.t.session, list.form_mode);
            EXPECT_EQ(s.out.cursor_row(), before) << list.mid << " wraps";
            s.out.new_lines(1);
        }
        ASSERT_TRUE(s.out.show_display_file(std::string(list.name) + "bot", 28)) << list.name;
        EXPECT_EQ(s.out.scroll_count(), 0) << list.name << " scrolls";
    }
    ScreenSession s;
    s.out.clear_screen();
    ASSERT_TRUE(s.out.show_display_file("chathelp.ans", 28));
    EXPECT_EQ(s.out.scroll_count(), 0) << "chathelp scrolls";
}

// Every screen of the installation is in one of the checks above.
TEST(ScreenPlacement, EveryInstalledScreenIsChecked) {
    std::vector<std::string> checked;
    for (const Screen& s : Screens()) checked.push_back(fs::path(s.name).filename().string());
    for (const char* list : {"userl", "node", "msgl", "mail"}) {
        for (const char* piece : {"top", "mid", "bot"}) {
            checked.push_back(std::string(list) + piece + ".ans");
        }
    }
    checked.push_back("msglhil.ans");
    checked.push_back("chathelp.ans");
    for (const auto& entry :
         fs::directory_iterator(fs::path(test::SourceDir()) / "data" / "ansi")) {
        const std::string name = entry.path().filename().string();
        EXPECT_NE(std::find(checked.begin(), checked.end(), name), checked.end())
            << name << " has no placement check";
    }
}

}  // namespace
}  // namespace vorn
