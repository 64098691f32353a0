// mkgame laying out a range of board nodes beside a node file of the sysop's own.
#include <gtest/gtest.h>

#include "common/config_files.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace vorn {
namespace {

TEST(MkgameNodes, RangeGetsBoardNodesKeepsNodeFilesAndIsMarkedInTheLockTable) {
    test::GameDirectory dir;
    NodeConfig own = DefaultNodeConfig();
    own.door_type = 5;
    dir.write_file("vorn3.dat", std::string(reinterpret_cast<const char*>(&own), sizeof own));
    ASSERT_EQ(
        test::RunProgram("mkgame", dir.path(), {.args = {"--nodes", "1-4", dir.path()}}).exit_code,
        0);
    for (int n = 1; n <= 4; ++n) {
        const std::string node = dir.read_file("vorn" + std::to_string(n) + ".dat");
        ASSERT_EQ(node.size(), sizeof(NodeConfig)) << n;
        EXPECT_EQ(node[21], n == 3 ? 5 : 1) << n;  // door type: the sysop's, else door.sys
        EXPECT_EQ(node[141], 1) << n;              // multinode
    }
    EXPECT_EQ(dir.read_file("lockfile.lck"), std::string(5, '\1') + std::string(251, '\0'));
}

}  // namespace
}  // namespace vorn
