// Configuration files: the three programs' reading rules, setup's defaults, and the build points
// formula.
#include <gtest/gtest.h>

#include "common/build_points.hpp"
#include "common/config_files.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

TEST(ConfigFiles, SetupWritesDefaultNodeFile) {
    test::TempDir dir;
    NodeConfig c;
    ASSERT_TRUE(LoadNodeConfigWithDefaults("vorn1.dat", c));
    const std::string bytes = test::ReadFile("vorn1.dat");
    ASSERT_EQ(bytes.size(), 194u);
    EXPECT_EQ(bytes[0], 10);  // length of "/dev/ttyS1"
    EXPECT_EQ(bytes.substr(1, 10), "/dev/ttyS1");
    EXPECT_EQ(bytes[21], 1);  // door type 1
    EXPECT_EQ(bytes.substr(23, 8), "Your BBS");
    EXPECT_EQ(bytes.substr(101, 16), "/home/bbs/doors/");
    EXPECT_EQ(bytes[141], 1);  // multinode
    EXPECT_EQ(bytes.substr(148, 3), "ATA");
    EXPECT_EQ(bytes.substr(169, 3), "ATZ");
    EXPECT_EQ(bytes[189], 0);  // time limit
    EXPECT_EQ(bytes[190], 0);
}

TEST(ConfigFiles, ShortOrMissingFilesFollowEachProgramsRule) {
    test::TempDir dir;
    // game: a short node file loads, the missing fields zero; a missing one fails.
    test::WriteFile("vorn2.dat", std::string("\x03"
                                             "abc\x03",
                                             5));
    NodeConfig node;
    ASSERT_TRUE(ReadNodeConfig("vorn2.dat", node));
    EXPECT_EQ(node.comm_device.str(), "abc");
    EXPECT_EQ(node.door_type, 0);
    EXPECT_FALSE(ReadNodeConfig("vorn3.dat", node));

    // game refuses a setup.dat of 355 bytes; setup rewrites it with the defaults.
    test::WriteFile("setup.dat", std::string(355, '\0'));
    GameSettings settings;
    EXPECT_FALSE(ReadGameSettings("setup.dat", settings));
    ASSERT_TRUE(LoadGameSettingsWithDefaults("setup.dat", settings));
    EXPECT_EQ(settings.build_points_formula.str(), "L:7");
    EXPECT_EQ(settings.hp_recovery_secs, 9);
    EXPECT_TRUE(ReadGameSettings("setup.dat", settings));
    EXPECT_EQ(test::ReadFile("setup.dat").size(), 356u);

    // maint: a missing maint.dat is reported, setup makes one that heals everything.
    MaintSettings maint;
    EXPECT_FALSE(ReadMaintSettings("maint.dat", maint));
    ASSERT_TRUE(LoadMaintSettingsWithDefaults("maint.dat", maint));
    EXPECT_TRUE(ReadMaintSettings("maint.dat", maint));
    EXPECT_TRUE(maint.heal_everything);
}

TEST(ConfigFiles, WritingKeepsTheRestOfALongerFile) {
    test::TempDir dir;
    test::WriteFile("vorn4.dat", std::string(200, 'z'));
    ASSERT_TRUE(WriteNodeConfig("vorn4.dat", DefaultNodeConfig()));
    const std::string bytes = test::ReadFile("vorn4.dat");
    EXPECT_EQ(bytes.size(), 200u);
    EXPECT_EQ(bytes.substr(194), "zzzzzz");
}

int Points(std::string formula, int level) {
    return EvaluateBuildPointsFormula(formula, level);
}

TEST(BuildPointsFormula, ExamplesAndEdges) {
    EXPECT_EQ(Points("2L:3", 6), 4);
    EXPECT_EQ(Points("10", 1), 10);
    EXPECT_EQ(Points("10", 17), 10);
    EXPECT_EQ(Points("L5:2", 3), 7);
    EXPECT_EQ(Points("1L:1", 9), 9);
    EXPECT_EQ(Points("L", 9), 9);
    EXPECT_EQ(Points("l", 4), 4);
    for (int level = 1; level <= 6; ++level) EXPECT_EQ(Points("L:7", level), 0);
    EXPECT_EQ(Points("L:7", 14), 2);
    // No division by zero: a right side worth 0 gives nothing.
    EXPECT_EQ(Points("5:0", 3), 0);
    EXPECT_EQ(Points("5:", 3), 0);
    // A second ":" ends the formula; other characters are ignored.
    EXPECT_EQ(Points("8:2:1000", 1), 4);
    EXPECT_EQ(Points(" 1 2 x : 4", 1), 3);
    EXPECT_EQ(Points("", 5), 0);
    // Absurd digit strings saturate instead of overflowing.
    EXPECT_EQ(Points("99999999999999999999", 1), INT32_MAX);
}

TEST(BuildPointsFormula, StoresTheUpperCasedText) {
    std::string formula = "2l:3";
    EvaluateBuildPointsFormula(formula, 1);
    EXPECT_EQ(formula, "2L:3");
}

}  // namespace
}  // namespace vorn
