// setup's files: the start-up in an empty game directory, paging through nodes, the door type
// written to the node file, the command line's node and usage rules, and Redo lockfile.
#include "setup/setup_state.hpp"

#include <gtest/gtest.h>

#include "common/directories.hpp"
#include "setup/command_line.hpp"
#include "setup/lock_rebuild.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

TEST(SetupState, StartInAnEmptyDirectoryWritesEveryFileWithItsDefaults) {
    test::TempDir dir;
    SetupState state;
    ASSERT_TRUE(LoadStartFiles(state, 3));
    EXPECT_EQ(state.node_number, 3);
    EXPECT_EQ(test::ReadFile("vorn3.dat").size(), 194u);
    EXPECT_EQ(test::ReadFile("vorn3.dat")[21], 1);  // door type 1
    EXPECT_EQ(test::ReadFile("maint.dat").size(), 512u);
    EXPECT_EQ(test::ReadFile("setup.dat").size(), 356u);
    EXPECT_EQ(test::ReadFile("lockfile.lck"), std::string(256, '\0'));
    EXPECT_FALSE(test::FileExists("vorn1.dat"));
}

TEST(SetupState, CommandLineChoosesTheFirstNodeOrAsksForUsage) {
    EXPECT_TRUE(UsageRequested("?"));
    EXPECT_TRUE(UsageRequested("help"));
    EXPECT_FALSE(UsageRequested("HELP"));  // the comparison is exact
    const struct {
        const char* argument;
        int node;
    } cases[] = {{"", 1},   {"HELP", 1}, {"0", 1},       {"-4", 1},
                 {"3x", 1}, {"12", 12},  {"9999", 9999}, {"20000", 9999}};
    for (const auto& c : cases) EXPECT_EQ(NodeFromArgument(c.argument), c.node) << c.argument;
}

TEST(SetupState, PagingStaysBetweenNodeOneAndNineThousandNineHundredNinetyNine) {
    test::TempDir dir;
    SetupState state;
    ASSERT_TRUE(LoadStartFiles(state, 1));
    state.records.node.time_limit = 30;
    ASSERT_TRUE(StepNode(state, -1));  // "[" on node 1: written, and node 1 again
    EXPECT_EQ(state.node_number, 1);
    EXPECT_EQ(state.records.node.time_limit, 30);
    ASSERT_TRUE(StepNode(state, +1));  // "]" creates node 2 with its defaults
    EXPECT_EQ(state.node_number, 2);
    EXPECT_EQ(state.records.node.time_limit, 0);
    EXPECT_TRUE(test::FileExists("vorn2.dat"));

    ASSERT_TRUE(LoadNode(state, 9999));
    ::unlink("vorn9999.dat");
    ASSERT_TRUE(StepNode(state, +1));  // "]" on node 9999: written again, still node 9999
    EXPECT_EQ(state.node_number, 9999);
    EXPECT_EQ(test::ReadFile("vorn9999.dat").size(), 194u);
    EXPECT_FALSE(test::FileExists("vorn10000.dat"));
}

TEST(SetupState, DoorTypeFourThenLocalNodeInTheFile) {
    test::TempDir dir;
    SetupState state;
    ASSERT_TRUE(LoadStartFiles(state, 1));
    SetDoorType(state.records.node, 4);
    ASSERT_TRUE(SaveSettings(state, SettingsFile::kNode));
    EXPECT_EQ(test::ReadFile("vorn1.dat")[21], 4);
    EXPECT_EQ(test::ReadFile("vorn1.dat")[146], 1);
    MakeLocalNode(state.records.node);
    ASSERT_TRUE(SaveSettings(state, SettingsFile::kNode));
    EXPECT_EQ(test::ReadFile("vorn1.dat")[21], 3);
    EXPECT_EQ(test::ReadFile("vorn1.dat")[146], 0);
}

TEST(SetupState, TypedPathGetsItsSlashAndItsDirectory) {
    test::TempDir dir;
    SetupState state;
    ASSERT_TRUE(LoadStartFiles(state, 1));
    const std::string typed = dir.path() + "/home/bbs/door";
    StoreTyped(*FindSetupField("door_file_path"), state.records, typed);
    EXPECT_EQ(state.records.node.door_file_path.str(), typed + "/");
    EXPECT_FALSE(DirectoryExists(state.records.node.door_file_path.view()));
    CreateDirectoryPath(state.records.node.door_file_path.view(), true);  // the answer yes
    EXPECT_TRUE(DirectoryExists(typed));
}

TEST(SetupState, RedoLockfileMarksTheNodesThatHaveAFile) {
    test::TempDir dir;
    for (const char* name : {"vorn0.dat", "vorn1.dat", "vorn7.dat", "vorn256.dat", "vorn07.dat"}) {
        test::WriteFile(name, "");
    }
    test::WriteFile("lockfile.lck", std::string(300, '\x01'));
    NodeLockTable table{};
    int seen = 0;
    ASSERT_TRUE(RebuildNodeLockTable(table, [&seen](int n) { EXPECT_EQ(n, seen++); }));
    EXPECT_EQ(seen, 256);
    std::string expected(256, '\0');
    expected[0] = expected[1] = expected[7] = 1;
    EXPECT_EQ(test::ReadFile("lockfile.lck"), expected);
}

}  // namespace
}  // namespace vorn
