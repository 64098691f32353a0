// The player's screens: ranking, death, search, options and status, on a test session.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/news_files.hpp"
#include "common/record_file.hpp"
#include "play/death.hpp"
#include "player/player_screens.hpp"
#include "player/user_files.hpp"
#include "support/session_fixture.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

UserRecord Player(const std::string& name, std::int32_t experience) {
    UserRecord u = DefaultUserRecord();
    u.name = name;
    u.location = name + "ville";
    u.experience = experience;
    return u;
}

void AddPlayers(test::TestSession& t, const std::vector<UserRecord>& players) {
    UserRecord joe = DefaultUserRecord();
    AddUser(t.session, joe);
    for (UserRecord u : players) AddUser(t.session, u);
}

std::string Screen(test::TestSession& t) {
    t.session.writer.flush();
    std::string all;
    for (int row = 1; row <= 25; ++row) all += test::RowText(t.session.writer, row) + "\n";
    return all;
}

TEST(ShowRanking, PlainListHidesJoeAndCountsPositions) {
    test::TestSession t;
    t.session.system.temp_path = "./temp/";
    AddPlayers(t, {Player("Ann", 50), Player("Bob", 900), Player("Cy", 50)});
    ShowRanking(t.session);
    const std::string screen = Screen(t);
    EXPECT_NE(screen.find("Num   Username"), std::string::npos);
    EXPECT_EQ(screen.find("Joe"), std::string::npos);
    const std::size_t bob = screen.find(" 1     Bob");
    ASSERT_NE(bob, std::string::npos) << screen;
    EXPECT_LT(bob, screen.find("Ann"));
    EXPECT_LT(bob, screen.find("Cy"));
    // The order is computed in memory: no scratch copy of users.dat is left behind.
    EXPECT_FALSE(test::FileExists("temp/NODE.000/users.tmp"));
}

// A list longer than the screen pauses with a question: N leaves it at once (the rule that ends
// the list still comes), any other key shows the next page.
TEST(ShowRanking, TheCallerMayLeaveALongListAtAnyPause) {
    for (const char* key : {"n", "y"}) {
        SCOPED_TRACE(key);
        test::TestSession t;
        std::vector<UserRecord> players;
        for (int i = 0; i < 30; ++i)
            players.push_back(Player("P" + std::to_string(100 + i), 900 - i));
        AddPlayers(t, players);
        t.terminal.type(key);
        ShowRanking(t.session);
        t.session.writer.flush();
        const std::string& shown = t.terminal.output;
        EXPECT_NE(shown.find("P119"), std::string::npos);  // the last row of the first page
        EXPECT_EQ(shown.find("P120") != std::string::npos, key[0] == 'y');
        EXPECT_EQ(shown.find("P129") != std::string::npos, key[0] == 'y');
        EXPECT_EQ(Screen(t).find("ore ["), std::string::npos);  // the question is erased
        EXPECT_NE(Screen(t).find(std::string(79, '\xC4')), std::string::npos);
    }
}

TEST(ShowRanking, ListScreensFillTheirRowsFromTheForm) {
    test::TestSession t;
    t.session.system.temp_path = "./temp/";
    ::mkdir("ansi", 0775);
    test::WriteFile("ansi/userltop.ans", "TOP\r\n");
    test::WriteFile("ansi/userlmid.ans", "~ID:~UN:~RN:~LC:~UC");
    test::WriteFile("ansi/userlbot.ans", "BOTTOM");
    AddPlayers(t, {Player("Ann", 7)});
    ShowRanking(t.session);
    const std::string screen = Screen(t);
    EXPECT_NE(screen.find("2:Ann:Annville:Male:7"), std::string::npos) << screen;
    EXPECT_NE(screen.find("BOTTOM"), std::string::npos);
}

TEST(KillPlayer, DeathScreenNewsAndReturnToTown) {
    test::TestSession t;
    t.session.node.pause_delay_ms = 1;
    AddPlayers(t, {Player("Gorm", 5)});
    UserRecord& u = t.session.users.current;
    u = Player("Gorm", 5);
    u.number = 2;
    u.gold = 77;
    u.room = 40;
    KillPlayer(t.session, "a cave bear");  // 11 characters: column 61
    EXPECT_EQ(u.room, 1);
    EXPECT_EQ(u.hp, 1);
    EXPECT_EQ(u.gold, 77);
    EXPECT_NE(test::ReadFile("global.nws").find("Gorm has been killed by a cave bear"),
              std::string::npos);
    EXPECT_EQ(test::RowText(t.session.writer, 11).find("a cave bear"), 60u);
    EXPECT_EQ(test::RowText(t.session.writer, 8).find("Gorm"), 60u);

    u.sylvan_minutes = 3;
    KillPlayer(t.session, "the twenty-char foe!");  // 20 characters: column 54
    EXPECT_EQ(u.room, 2);
    EXPECT_EQ(test::RowText(t.session.writer, 11).find("the twenty"), 53u);
}

TEST(SearchUser, AsksAboutEachCandidateInTurn) {
    test::TestSession t;
    t.session.system.data_path = "";
    int waits = 0;
    ASSERT_EQ(t.session.strings.open(
                  "", [&] { ++waits; }, 1),
              SystemStrings::OpenResult::kOpened);
    AddPlayers(t, {Player("Ann Lee", 1), Player("Joanna", 1), Player("Bob", 1)});
    UserRecord key = DefaultUserRecord();
    key.name = "ann";
    t.terminal.type("ny");  // not Ann Lee, but Joanna
    ASSERT_TRUE(SearchUser(t.session, key, false));
    EXPECT_EQ(key.number, 3);
    t.session.writer.flush();
    EXPECT_NE(t.terminal.output.find("Did you mean Ann Lee? "), std::string::npos);

    UserRecord nobody = DefaultUserRecord();
    nobody.name = "zed";
    EXPECT_FALSE(SearchUser(t.session, nobody, false));
    // A caller's real name is never offered: "board" is in every one here ("Joe Board").
    UserRecord real = DefaultUserRecord();
    real.name = "board";
    t.terminal.type("nnnn");
    EXPECT_FALSE(SearchUser(t.session, real, false));
    t.session.writer.flush();
    EXPECT_EQ(t.terminal.output.find("Joe Board"), std::string::npos);
}

TEST(EditUserOptions, TogglesAndClampedNumbersAreSaved) {
    test::TestSession t;
    AddPlayers(t, {Player("Opal", 1)});
    UserRecord& u = t.session.users.current;
    u = Player("Opal", 1);
    u.number = 2;
    // Toggle the alternative screens, set the combat delay beyond its range, choose the third
    // display (two steps forward, Enter), set the refresh with ten digits, and leave.
    t.terminal.type("ac99999\rd  \rt9999999999\rq");
    EditUserOptions(t.session);
    EXPECT_TRUE(u.alt_screens);
    EXPECT_EQ(u.battle_delay, 65530);
    EXPECT_EQ(u.display_choice, 3);
    EXPECT_EQ(u.refresh_seconds, 2147483646);
    RecordFile users;
    ASSERT_TRUE(users.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kRead));
    UserRecord saved;
    ASSERT_TRUE(users.read_record(1, saved));
    EXPECT_EQ(saved.refresh_seconds, 2147483646);
    EXPECT_TRUE(saved.alt_screens);
}

TEST(ShowStatus, ValuesStandInTheirPlaces) {
    test::TestSession t;
    UserRecord& u = t.session.users.current;
    u = Player("Hild", 1234);
    u.str = 12;
    u.bonus_str = 3;
    u.gold = 4321;
    u.law = 3;
    u.morals = 1;
    u.deity = 6;
    u.religion_rank = 2;
    t.session.world.weapon.name = "Iron Axe";
    t.terminal.type("q");
    ShowStatus(t.session);
    EXPECT_EQ(test::RowText(t.session.writer, 5).substr(19, 4), "Hild");
    EXPECT_EQ(test::RowText(t.session.writer, 9).substr(19, 2), "15");
    EXPECT_EQ(test::RowText(t.session.writer, 5).substr(63, 4), "4321");
    EXPECT_EQ(test::RowText(t.session.writer, 14).substr(63, 8), "Iron Axe");
    EXPECT_EQ(test::RowText(t.session.writer, 16).substr(63), "chaotic good");
    EXPECT_EQ(test::RowText(t.session.writer, 17).substr(63), "Death");
    EXPECT_EQ(test::RowText(t.session.writer, 18).substr(63), "Major Follower");
}

}  // namespace
}  // namespace vorn
