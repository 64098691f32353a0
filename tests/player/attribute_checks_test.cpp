// Attribute checks with fixed dice, the two bars, and the sleep that keeps a player out.
#include <gtest/gtest.h>

#include "common/player_file_names.hpp"
#include "play/play_state.hpp"
#include "player/attribute_checks.hpp"
#include "player/sleeping.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

TEST(AttributeChecks, RollAgainstTheAttributeAndItsTraining) {
    test::TestSession t;
    UserRecord& u = t.session.users.current;
    u = DefaultUserRecord();
    u.str = 12;
    u.bonus_str = 5;
    t.random = ScriptedRandom({15, 15, 12, 0});
    EXPECT_FALSE(CheckStrength(t.session, 20, false, false));  // 15 against 12
    EXPECT_TRUE(CheckStrength(t.session, 20, true, false));    // 15 against 17
    EXPECT_TRUE(CheckStrength(t.session, 20, false, false));   // 12 against 12 passes
    // A die of 1 always rolls 0 and passes, even with the attribute at 0.
    u.dex = 0;
    t.random = ScriptedRandom({99});
    EXPECT_TRUE(CheckDexterity(t.session, 1, false, false));
}

TEST(AttributeChecks, VerboseChecksReportOnTheMessageRow) {
    test::TestSession t;
    UserRecord& u = t.session.users.current;
    u = DefaultUserRecord();
    u.com = 3;
    t.random = ScriptedRandom({7});
    EXPECT_FALSE(CheckComeliness(t.session, 10, false, true));
    t.session.writer.flush();
    EXPECT_NE(t.terminal.output.find("Checking Comelliness...Failed with 7 on 3 !"),
              std::string::npos);
    EXPECT_EQ(t.session.writer.cursor_row(), 12);
}

struct BarCase {
    int hp;
    int max_hp;
    int cells;
    const char* state;
    const char* percent;
};

TEST(Bars, CellsColoursAndStates) {
    for (const BarCase& c :
         {BarCase{34, 100, 3, "|04Low |12HP", "34%"}, BarCase{67, 100, 7, "", "67%"},
          BarCase{33, 100, 3, "|12Very |04Low |12HP", "33%"},
          BarCase{5, 200, 0, "|12Very |04Low |12HP", "2%"},   // 2.5 -> 2
          BarCase{15, 200, 1, "|12Very |04Low |12HP", "8%"},  // 0.75 -> 1
          BarCase{25, 10, 25, "", "250%"}, BarCase{4, 0, 10, "", "100%"}}) {
        test::TestSession t;
        UserRecord& u = t.session.users.current;
        u = DefaultUserRecord();
        u.hp = c.hp;
        u.max_hp = c.max_hp;
        t.session.writer.utf8_output = false;  // the bar cells reach the wire as byte 219
        t.session.writer.go_to(10, 5);
        ASSERT_TRUE(ShowHpBar(t.session)) << c.hp;
        t.session.writer.flush();
        const std::string& out = t.terminal.output;
        EXPECT_EQ(t.session.codes.hp_state, c.state) << c.hp;
        EXPECT_EQ(t.session.play.status[kStatusHp], c.state) << c.hp;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\xDB'), c.cells) << c.hp;
        EXPECT_NE(out.find(c.percent), std::string::npos) << c.hp;
    }
    test::TestSession dead;
    dead.session.users.current.hp = 0;
    EXPECT_FALSE(ShowHpBar(dead.session));
}

TEST(Sleeping, ASleepingPlayerIsSentAway) {
    test::TestSession t;
    t.session.node.pause_delay_ms = 1;
    t.session.users.current = DefaultUserRecord();
    t.session.users.current.name = "Red Dragon";
    CheckSleeping(t.session);  // no file: nothing happens
    EXPECT_EQ(t.terminal.output, "");
    ASSERT_TRUE(StartSleeping(t.session, 14));
    EXPECT_EQ(test::ReadFile("RedDrago.npl"), "14\n");
    try {
        CheckSleeping(t.session);
        FAIL() << "a sleeping player must not play";
    } catch (const test::ExitCalled& e) {
        EXPECT_EQ(e.code, 0);
    }
    EXPECT_NE(t.terminal.output.find("You must sleep another 14 days before being able to wake up"),
              std::string::npos);
}

}  // namespace
}  // namespace vorn
