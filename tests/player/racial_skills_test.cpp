// What each race and sub-race grants, and the list screen of advantages.
#include <gtest/gtest.h>

#include "player/racial_skills.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

UserRecord Created(int race, int subrace) {
    UserRecord u = DefaultUserRecord();
    u.race = static_cast<std::uint8_t>(race);
    u.subrace = static_cast<std::uint8_t>(subrace);
    GrantRacialSkills(u);
    return u;
}

int SkillCount(const UserRecord& u) {
    int n = 0;
    for (int k = 0; k < 232; ++k) n += HasSkill(u, k);
    return n;
}

TEST(RacialSkills, RacesAndSubracesGrantTheirRows) {
    const UserRecord human = Created(1, 4);
    EXPECT_EQ(SkillCount(human), 0);
    EXPECT_EQ(human.disadvantages, 0);
    EXPECT_EQ(human.race_name.str(), "Human");
    EXPECT_EQ(human.subrace_name.str(), "Indian");

    const UserRecord drow = Created(2, 5);
    for (int k : {4, 5, 6, 7, 8, 9, 11, 12, 13}) EXPECT_TRUE(HasSkill(drow, k)) << k;
    EXPECT_EQ(SkillCount(drow), 9);
    EXPECT_EQ(drow.disadvantages, 0x0006);
    EXPECT_EQ(drow.racial_percent, 50);

    EXPECT_EQ(Created(2, 3).racial_modifier, -2);

    // Only Dwarves are partly resistant to magic; the Gnome's row removes it.
    EXPECT_EQ(Created(3, 1).disadvantages, 0x0040);
    const UserRecord gnome = Created(5, 0);
    EXPECT_EQ(gnome.disadvantages, 0);
    EXPECT_EQ(gnome.subrace_name.str(), "none");

    const UserRecord horn = Created(6, 4);
    EXPECT_EQ(horn.hp, 4);
    EXPECT_EQ(horn.disadvantages, 0x0380);
    EXPECT_EQ(horn.subrace_name.str(), "HornHead");

    // A Red Abishai loses the large-damage disadvantage its race grants; a Black one keeps it.
    EXPECT_EQ(Created(9, 4).disadvantages, 0x1400);
    EXPECT_EQ(Created(9, 2).disadvantages, 0x1600);
    EXPECT_EQ(Created(9, 1).racial_percent, 50);
    EXPECT_EQ(Created(9, 2).racial_percent, 30);
    EXPECT_EQ(Created(9, 2).subrace_name.str(), "Black Abishai");

    const UserRecord babau = Created(8, 7);
    const std::uint8_t expected[9] = {30, 30, 25, 95, 80, 35, 90, 30, 4};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(babau.skill_values[i], expected[i]) << i;
    EXPECT_EQ(babau.disadvantages, 0x1400);

    const UserRecord nabassu = Created(8, 9);
    EXPECT_EQ(nabassu.skill_values[3], 40);
    EXPECT_EQ(nabassu.skill_values[5], 55);
    EXPECT_EQ(nabassu.skill_values[8], 2);
    EXPECT_EQ(nabassu.skill_values[0], 0);

    const UserRecord glabrezu = Created(8, 2);
    for (int k = 92; k <= 100; ++k) EXPECT_TRUE(HasSkill(glabrezu, k)) << k;
    EXPECT_FALSE(HasSkill(glabrezu, 101));

    EXPECT_EQ(Created(10, 3).disadvantages, 0x1C00);
    EXPECT_EQ(Created(10, 3).subrace_name.str(), "Eye of the Deep");
    EXPECT_EQ(Created(7, 15).subrace_name.str(), "Silver");
    EXPECT_TRUE(HasSkill(Created(7, 15), 48));
    EXPECT_EQ(Created(12, 8).disadvantages, 0x1400);
    EXPECT_EQ(Created(11, 9).subrace_name.str(), "Werewolf");
}

TEST(RacialSkills, NamesAndUnknownCodes) {
    EXPECT_EQ(SkillName(0), "Infravision");
    EXPECT_EQ(SkillName(227), "Temporal Stasis");
    EXPECT_EQ(SkillName(228), "");
    EXPECT_EQ(DisadvantageName(0x1000), "Can not choose a class");
    EXPECT_EQ(RaceName(8), "Tanar'ri");
    EXPECT_EQ(RaceName(13), "");
    const UserRecord odd = Created(13, 1);
    EXPECT_EQ(SkillCount(odd), 0);
}

TEST(ShowAdvantages, ListsSkillsWithAPauseAfterTwentyFiveLines) {
    test::TestSession t;
    t.session.node.pause_delay_ms = 1;  // pauses wait instead of reading keys
    UserRecord& u = t.session.users.current;
    u = DefaultUserRecord();
    ShowAdvantages(t.session);
    EXPECT_NE(t.terminal.output.find("Err...No skills"), std::string::npos);
    EXPECT_NE(t.terminal.output.find("Err...No Disadvantages, for now!"), std::string::npos);

    test::TestSession s;
    s.session.node.pause_delay_ms = 1;
    UserRecord& many = s.session.users.current;
    many = DefaultUserRecord();
    for (int k = 100; k < 130; ++k) AddSkill(many, k);
    many.disadvantages = 0x0201;
    ShowAdvantages(s.session);
    const std::string& out = s.terminal.output;
    // Pauses: after the heading, after line 25, after the list, after the heading of the
    // disadvantages, and at the end.
    std::size_t pauses = 0;
    for (std::size_t p = 0; (p = out.find("he Dam", p)) != std::string::npos; ++p) ++pauses;
    EXPECT_EQ(pauses, 5u);
    EXPECT_LT(out.find("Polymorph Self"), out.find("he Dam", out.find("Giant Insect")));
    EXPECT_LT(out.find("Can not remain at the surface"), out.find("Damage received as large"));
}

}  // namespace
}  // namespace vorn
