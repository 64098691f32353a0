// Text from players on screens that carry out codes: colour codes work, nothing else does, through
// every printer of the writer.
#include "common/player_text.hpp"

#include <sys/stat.h>

#include <fstream>
#include <functional>

#include "play/death.hpp"
#include "play/tavern.hpp"
#include "play/town_fixture.hpp"
#include "player/character_creation.hpp"
#include "player/player_screens.hpp"
#include "player/user_files.hpp"
#include "support/session_fixture.hpp"
#include "term/system_text.hpp"
#include "term/template_slots.hpp"
#include "term/text_codes.hpp"

namespace vorn::test {
namespace {

struct Case {
    const char* typed;
    const char* shown;
    const char* refused;  // what a name question names as the first refused code
};

// What each kind of code becomes; the last ones would form a code again if the first character
// dropped were simply cut out.
constexpr Case kCases[] = {
    {"Aldric the Bold", "Aldric the Bold", ""},
    {"|14Al|U3dric|B1!|07", "|14Al|U3dric|B1!|07", ""},
    {"@X1EGold@x0f", "@X1EGold@x0f", ""},
    {"|99 |1x |b8 50% | R&D |", "99 1x b8 50% | R&D |", "|99"},
    {"Bob|CS|PA|DS|**|hc|c!", "BobCSPADS**hcc!", "|CS"},
    {"%PA%UN%ZZ x%TI", "PAUNZZ xTI", "%PA"},
    {"&05@10{03}04^02~UN@X1G&X1E", "0510030402UNX1GX1E", "&05"},
    {"||CS %%PA @|CS |%UN", "CS PA CS UN", "|CS"},
    {"%%../users.dat", "%../users.dat", "%%"},
    {"%%%|CSx", "CSx", "%%"},
    {"%>right", ">right", "%>"},
    {"tab\tesc\x1b[2J\x0c\x7f", "tab esc [2J  ", "\t"},
    {"Smith&Co 50% Off", "SmithCo 50% Off", "&Co"},
};

TEST(PlayerText, ColourCodesStayEveryOtherCodeLosesItsFirstCharacter) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(KeepOnlyColourCodes(c.typed), c.shown);
        EXPECT_EQ(HoldsOnlyColourCodes(c.typed), std::string_view(c.typed) == c.shown);
        EXPECT_EQ(KeepOnlyColourCodes(c.shown), c.shown);  // what is left holds no code
        EXPECT_EQ(FirstRefusedCode(c.typed), c.refused);
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
// paused or replaced by a value.
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
            } else if (shown[i] == '@') {
                i += 3;  // "@X" and its colour: the table leaves no other "@"
            } else {
                visible += shown[i];
            }
        }
        while (!visible.empty() && visible.back() == ' ') visible.pop_back();
        for (std::size_t p = 0; p < std::size(printers); ++p) {
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

// A player whose name was stored before names were checked, as others and he himself see it.
constexpr const char* kOldName = "|14Bob|CS%PA|DS~UN";
constexpr const char* kShownName = "|14BobCSPADSUN";
constexpr const char* kSeenName = "BobCSPADSUN";

TEST(PlayerTextInPlace, ANameWithCodesShowsWithItsColoursOnly) {
    struct Place {
        const char* name;
        // Puts the name where the place shows it and returns what the next reader gets.
        std::function<std::string(Town&)> show;
        std::string expected;
    };
    const auto screen = [](Town& t) { return t.screen(); };
    const auto ranking = [&](Town& t) {
        UserRecord joe = DefaultUserRecord(), bob = DefaultUserRecord();
        bob.name = kOldName;
        AddUser(t.session, joe);
        AddUser(t.session, bob);
        ShowRanking(t.session);
        return screen(t);
    };
    const Place places[] = {
        {"ranking rows", ranking, std::string(kSeenName) + "  "},
        {"ranking list screen",
         [&](Town& t) {
             ::mkdir("ansi", 0775);
             WriteFile("ansi/userltop.ans", "top\r\n");
             WriteFile("ansi/userlmid.ans", "~UN/~RN|");
             WriteFile("ansi/userlbot.ans", "bottom");
             return ranking(t);
         },
         std::string(kSeenName) + "/"},
        {"death news",
         [](Town& t) {
             KillPlayer(t.session, "a cave bear");
             return ReadFile("global.nws");
         },
         std::string(kShownName) + " has been killed by a cave bear"},
        {"tavern talk",
         [](Town& t) {
             t.terminal.type("Y%UN hi\r");
             TavernTalk(t.session);
             return ReadFile("talk.txt");
         },
         std::string(kShownName) + " says UN hi\n"},
        {"prompt naming a player",
         [&](Town& t) {
             t.session.writer.display_line(
                 GetSystemString(t.session, SystemText::kMailSentTo, {kOldName}));
             return screen(t);
         },
         std::string("Email sent to ") + kSeenName + "."},
        {"value code in a prompt",
         [&](Town& t) {
             t.session.writer.print_prompt_text(ExpandText(t.session, "Hail %UN!", 0));
             return screen(t);
         },
         std::string("Hail ") + kSeenName + "!"},
    };
    for (const Place& place : places) {
        SCOPED_TRACE(place.name);
        Town t;
        t.session.system.temp_path = "./temp/";
        t.session.strings.open(
            "", [] {}, 0);
        t.user().name = kOldName;
        const std::string shown = place.show(t);
        EXPECT_NE(shown.find(place.expected), std::string::npos) << shown;
    }
}

TEST(PlayerTextInPlace, TheNameQuestionRefusesCodesButColours) {
    // No hang-up once the keys are typed (the refusal's pause would end the call), so the
    // keys go on to a Human of the first sub-race, past the four pauses of his advantages.
    TestSession t;
    t.session.node.pause_delay_ms = 1;
    t.terminal.type("Bob|CS\r|12Bob\r1\r1\r\r\r\r\rm");
    ChooseNameRaceSex(t.session);
    EXPECT_EQ(t.session.users.current.name.view(), "|12Bob");
    t.session.writer.flush();
    EXPECT_NE(t.terminal.output.find("Only colour codes may be used in a name, try again"),
              std::string::npos);
}

}  // namespace
}  // namespace vorn::test
