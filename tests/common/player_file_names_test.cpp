// Player names become file names: ordinary names keep their plain files, and no name can
// reach outside the game directory or into the shared news.
#include <gtest/gtest.h>

#include "common/player_file_names.hpp"

namespace vorn {
namespace {

TEST(PlayerFileNames, OrdinaryNamesKeepTheirFiles) {
    EXPECT_EQ(PlayerNewsFileName("Joe"), "Joe.nws");
    EXPECT_EQ(PlayerNewsFileName("Sir Robin Hood"), "Sir Robi.nws");
    EXPECT_EQ(PlayerNewsFileName("  Al"), "Al.nws");
    EXPECT_EQ(SleepFileName("Sir Robin Hood"), "SirRobin.npl");
    EXPECT_EQ(SleepFileName("Red Dragon"), "RedDrago.npl");
}

TEST(PlayerFileNames, UnsafeNamesAreEncoded) {
    for (const char* name : {"../../etc", "a/b", "a\\b", "..", ".hidden", "global", "GLOBAL",
                             "yestday", "tab\there", "%41", "", "        "}) {
        const std::string news = PlayerNewsFileName(name);
        EXPECT_EQ(news.find('/'), std::string::npos) << name;
        EXPECT_EQ(news.find('\\'), std::string::npos) << name;
        EXPECT_EQ(news.front(), '%') << name;
        EXPECT_NE(news, "global.nws");
        const std::string sleep = SleepFileName(name);
        EXPECT_EQ(sleep.find('/'), std::string::npos) << name;
        EXPECT_EQ(sleep.front(), '%') << name;
    }
    EXPECT_EQ(PlayerNewsFileName("global"), "%676C6F62616C.nws");
    EXPECT_EQ(PlayerNewsFileName("../x"), "%2E2E2F78.nws");
    // Encoded names never collide with an ordinary one: "%" is not ordinary.
    EXPECT_NE(PlayerNewsFileName("%2E2E2F"), PlayerNewsFileName("../"));
}

}  // namespace
}  // namespace vorn
