// Text from players on screens that carry out codes: colour codes work, nothing else does, through
// every printer of the writer.
#include "term/player_text.hpp"

#include <fstream>
#include <functional>

#include "support/session_fixture.hpp"
#include "term/template_slots.hpp"
#include "term/text_codes.hpp"

namespace vorn::test {
namespace {

struct Case {
    const char* typed;
    const char* shown;
};

// What each kind of code becomes; the last ones would form a code again if the first character
// dropped were simply cut out.
constexpr Case kCases[] = {
    {"Aldric the Bold", "Aldric the Bold"},
    {"|14Al|U3dric|B1!|07", "|14Al|U3dric|B1!|07"},
    {"@X1EGold@x0f", "@X1EGold@x0f"},
    {"|99 |1x |b8 50% | R&D |", "99 1x b8 50% | R&D |"},
    {"a@b", "a@b"},
    {"Bob|CS|PA|DS|**|hc|c!", "BobCSPADS**hcc!"},
    {"%PA%UN%ZZ x%TI", "PAUNZZ xTI"},
    {"&05@10{03}04^02~UN@X1G&X1E", "0510030402UNX1GX1E"},
    {"||CS %%PA @|CS |%UN", "CS PA CS UN"},
    {"%%../users.dat", "%../users.dat"},
    {"%%%|CSx", "CSx"},
    {"%>right", ">right"},
    {"tab\tesc\x1b[2J\x0c\x7f", "tab esc [2J  "},
};

TEST(PlayerText, ColourCodesStayEveryOtherCodeLosesItsFirstCharacter) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(KeepOnlyColourCodes(c.typed), c.shown);
        EXPECT_EQ(HoldsOnlyColourCodes(c.typed), std::string_view(c.typed) == c.shown);
        EXPECT_EQ(KeepOnlyColourCodes(c.shown), c.shown);  // what is left holds no code
    }
}

class PlayerTextOnScreen : public SessionFixture {
  protected:
    PlayerTextOnScreen() {
        session.strings.open(
            "", [] {}, 0);
        session.users.current.name = "Reader";
    }
};

// Every printer shows exactly the visible characters of what is left: nothing cleared, moved,
// paused or replaced by a value. ("@" alone is left out: the colour printers drop it.)
TEST_F(PlayerTextOnScreen, EveryPrinterShowsTheTextAsText) {
    const std::function<void(const std::string&)> printers[] = {
        [&](const std::string& t) { out.print_coded(t); },
        [&](const std::string& t) { out.print_prompt_text(t); },
        [&](const std::string& t) { out.display_line(t); },
        [&](const std::string& t) { out.show_form_text(t, 27); },
        [&](const std::string& t) {
            std::ofstream("shown.asc", std::ios::binary | std::ios::trunc) << t;
            out.show_display_file("shown.asc", 28);
        },
    };
    for (const Case& c : kCases) {
        const std::string shown = KeepOnlyColourCodes(c.typed);
        std::string visible;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if (IsColourCode(shown, i)) {
                i += 2;
            } else if (shown.compare(i, 2, "@X") == 0 || shown.compare(i, 2, "@x") == 0) {
                i += 3;
            } else if (shown[i] != '@') {
                visible += shown[i];
            }
        }
        while (!visible.empty() && visible.back() == ' ') visible.pop_back();
        for (std::size_t p = 0; p < std::size(printers); ++p) {
            if (shown.find('@') != std::string::npos && shown.find("@X") == std::string::npos &&
                shown.find("@x") == std::string::npos) {
                continue;
            }
            SCOPED_TRACE(std::string(c.typed) + " printer " + std::to_string(p));
            out.clear_screen();
            sent();
            const long long waited = terminal.waited_ms;
            printers[p](shown);
            EXPECT_EQ(sent().find("\x1b[2J"), std::string::npos);
            EXPECT_EQ(terminal.waited_ms, waited);
            EXPECT_EQ(RowText(out, 1), visible);
            EXPECT_EQ(out.cursor_row(), 1);
        }
    }
}

}  // namespace
}  // namespace vorn::test
