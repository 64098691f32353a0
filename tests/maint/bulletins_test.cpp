// The bulletins: the players in the ranking's order without the placeholder and deleted records,
// the cities by size, and the five files as a board shows them.
#include "maint/bulletins.hpp"

#include <gtest/gtest.h>

#include "support/test_session.hpp"

namespace vorn {
namespace {

std::vector<std::string> Names(const std::vector<PlayerStanding>& players) {
    std::vector<std::string> names;
    for (const PlayerStanding& p : players) names.push_back(p.name);
    return names;
}

TEST(Bulletins, PlayersByExperienceCitiesBySize) {
    const std::vector<PlayerStanding> in_file = {
        {"Joe", "", 1, 900, false},       {"Ann", "Human", 2, 10, true},
        {"Brann", "Dwarf", 5, 300, true}, {"Gone", "Elf", 9, 5000, false},
        {"Cael", "Elf", 3, 120, true},
    };
    EXPECT_EQ(Names(RankPlayers(in_file)), (std::vector<std::string>{"Brann", "Cael", "Ann"}));

    std::vector<CityStanding> cities = {{"Small", "Ann", 1, 900, 1},
                                        {"Large", "Brann", 3, 100, 2},
                                        {"Twin B", "Cael", 1, 900, 4},
                                        {"Twin A", "Cael", 1, 900, 3}};
    SortCitiesBySize(cities);
    std::vector<std::string> order;
    for (const CityStanding& c : cities) order.push_back(c.name);
    EXPECT_EQ(order, (std::vector<std::string>{"Large", "Small", "Twin A", "Twin B"}));
}

TEST(Bulletins, FilesForTheBoard) {
    test::TempDir dir;
    BulletinBoard board;
    // Names keep their colour codes, pipe and "@X" alike; the text forms show them plain.
    board.players = {{"|12@x0eBrann", "Dwarf", 5, 300, true}, {"Ann <b>&", "Human", 2, 10, true}};
    board.cities = {{"@X1EFrost|10holm", "Brann", 2, 340, 1}};
    board.night = 37;
    board.date = test::SampleTime();
    ASSERT_TRUE(WriteBulletins(board));
    for (const char* name :
         {"ranking.ans", "ranking.txt", "ranking.html", "cities.ans", "cities.txt"}) {
        EXPECT_TRUE(test::FileExists(name)) << name;
        EXPECT_FALSE(test::FileExists(std::string(name) + ".tmp")) << name;
    }

    const std::string text = test::ReadFile("ranking.txt");
    EXPECT_NE(text.find("After night 37, 12/07/2026"), std::string::npos);
    EXPECT_NE(
        text.find("     1  Brann                           Dwarf                 5          300\n"),
        std::string::npos)
        << text;
    EXPECT_NE(
        test::ReadFile("cities.txt")
            .find("    1  Frostholm             Brann             Medium Village            340\n"),
        std::string::npos)
        << test::ReadFile("cities.txt");
    EXPECT_NE(test::ReadFile("ranking.html").find("<td>Ann &lt;b&gt;&amp;</td>"),
              std::string::npos);

    // The screens fit 80 columns: no line of the ANSI files shows more than 79 characters.
    for (const char* name : {"ranking.ans", "cities.ans"}) {
        const std::string ans = test::ReadFile(name);
        std::size_t shown = 0;
        for (std::size_t i = 0; i < ans.size(); ++i) {
            if (ans[i] == '\x1b') {
                i = ans.find_first_of("mHJ", i);
            } else if (ans[i] == '\r' || ans[i] == '\n') {
                shown = 0;
            } else {
                EXPECT_LE(++shown, 79u) << name;
            }
        }
    }
}

}  // namespace
}  // namespace vorn
