// league.toml as the league reads it and as checkgame reports it.
#include <gtest/gtest.h>

#include <string>

#include "check/game_check.hpp"
#include "league/league_settings.hpp"
#include "support/session_fixture.hpp"

namespace vorn {
namespace {

constexpr const char* kTop =
    "name = \"North\"\naddress = \"21:100/2\"\nshort_name = \"Ashford\"\n"
    "outbound = \"out\"\ninbound = \"in\"\n";
constexpr const char* kHubBoard =
    "[[board]]\naddress = \"21:100/1\"\nname = \"Hub\"\nsecret = \"s1\"\n";
constexpr const char* kOtherBoard = "[[board]]\naddress = \"21:100/3\"\nname = \"Brookmere\"\n";

TEST(LeagueSettings, AreReadWithEveryFaultNamedByItsLine) {
    struct Case {
        std::string text;
        std::string fault;  // empty: read
    };
    const std::string top = kTop;
    const Case cases[] = {
        {top + "hub = \"21:100/1\"\n" + kHubBoard + kOtherBoard, ""},
        // A shared list names the board itself too: its entry is passed over.
        {top + kHubBoard + "[[board]]\naddress = \"21:100/2\"\nname = \"Ashford\"\n", ""},
        {"address = \"21:100/2\"\nshort_name = \"A\"\noutbound = \"o\"\ninbound = \"i\"\n",
         "league.toml:1: 'name' is missing"},
        {top + "hub = \"21:100\"\n", "league.toml:6: 'hub' is no address"},
        {top + "transport = \"ftp\"\n", "'transport' is \"binkd\" or \"folder\""},
        {top + "hub = \"21:100/9\"\n" + kHubBoard, "the hub 21:100/9 is not among the boards"},
        {top + kHubBoard + kHubBoard, "board 21:100/1 (Hub) is listed twice"},
        {top + kOtherBoard, "board 21:100/3 (Brookmere) exchanges packets with this one"},
        {top + "name = \"again\"\n", "league.toml:6:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        test::TempGameDirectory dir;
        dir.write(kLeagueFile, c.text);
        LeagueSettings s;
        std::vector<std::string> errors;
        const bool read = ReadLeagueSettings(kLeagueFile, NetworkAddress{}, s, errors);
        EXPECT_EQ(read, c.fault.empty());
        if (!c.fault.empty()) {
            ASSERT_FALSE(errors.empty());
            EXPECT_NE(errors[0].find(c.fault), std::string::npos) << errors[0];
            // checkgame says the same of the game directory.
            const CheckReport report = CheckGameDirectory(dir.path(), DateTime{});
            bool named = false;
            for (const std::string& line : report.lines()) {
                named =
                    named || line.find(c.fault.substr(c.fault.rfind(':') + 1)) != std::string::npos;
            }
            EXPECT_TRUE(named);
        } else if (s.hub) {
            EXPECT_EQ(s.peers().size(), 1u);  // a board of a league with a hub: the hub alone
            EXPECT_EQ(s.next_hop({21, 100, 3, 0}), (NetworkAddress{21, 100, 1, 0}));
        }
    }
}

}  // namespace
}  // namespace vorn
