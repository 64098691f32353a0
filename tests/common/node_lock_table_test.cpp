// Dynamic node numbers from lockfile.lck: which node a start takes, and starts in several
// processes at once, one of them killed while it holds its node.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/node_lock_table.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

std::string Table(std::initializer_list<int> set) {
    std::string table(256, '\0');
    for (int n : set) table[static_cast<std::size_t>(n)] = 1;
    return table;
}

std::vector<int> AllNodes() {
    std::vector<int> nodes;
    for (int n = 1; n <= 255; ++n) nodes.push_back(n);
    return nodes;
}

TEST(NodeLockTable, DynamicStartTakesTheFirstFreeNode) {
    const struct {
        const char* what;
        std::string table;
        std::vector<int> node_files;  // vorn<n>.dat present: reserved while its byte is set
        int held_elsewhere;           // a node another game holds, 0 for none
        int expected;
        bool held;
    } cases[] = {
        {"reserved nodes are passed by", Table({1, 2}), {1, 2}, 0, 3, true},
        {"a byte left by a game that died", Table({1, 2}), {2}, 0, 1, true},
        {"a free byte another game holds", Table({}), {}, 1, 2, true},
        {"a short table reads as free", "\x01", {}, 0, 1, true},
        {"no table yet", "", {}, 0, 1, true},
        {"every node reserved: 255 is shared", std::string(256, '\x01'), AllNodes(), 0, 255, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        if (!c.table.empty()) test::WriteFile(kNodeLockFile, c.table);
        for (int n : c.node_files) test::WriteFile("vorn" + std::to_string(n) + ".dat", "");
        NodeHold other;
        if (c.held_elsewhere != 0) {
            HoldNode(other, c.held_elsewhere);
            ASSERT_TRUE(other.held());
        }
        NodeHold hold;
        ASSERT_TRUE(TakeFreeNode(hold));
        EXPECT_EQ(hold.node(), c.expected);
        EXPECT_EQ(hold.held(), c.held);
        std::string table = test::ReadFile(kNodeLockFile);
        ASSERT_EQ(table.size(), 256u);
        EXPECT_EQ(table[static_cast<std::size_t>(c.expected)], 1);
        // Given back: a node taken is free again; the shared node 255 stays set.
        hold.release();
        EXPECT_EQ(test::ReadFile(kNodeLockFile)[static_cast<std::size_t>(c.expected)], !c.held);
    }
}

TEST(NodeLockTable, StartsAtOnceGetDifferentNodesAndAKilledGameFreesItsOwn) {
    test::TempDir dir;
    // Six games take a node at the same moment, report it and hold it until the test lets go.
    int report[2], quit[2];
    ASSERT_EQ(::pipe(report), 0);
    ASSERT_EQ(::pipe(quit), 0);
    const std::vector<pid_t> games = test::StartAtOnce(6, [&](int) {
        ::close(quit[1]);
        NodeHold hold;
        const auto node = static_cast<unsigned char>(TakeFreeNode(hold) ? hold.node() : 0);
        if (::write(report[1], &node, 1) != 1) return 2;
        char c;
        while (::read(quit[0], &c, 1) < 0) {
        }
        return 0;
    });
    ::close(report[1]);
    std::vector<int> nodes;
    for (std::size_t i = 0; i < games.size(); ++i) {
        unsigned char node = 0;
        ASSERT_EQ(::read(report[0], &node, 1), 1);
        nodes.push_back(node);
    }
    std::vector<int> sorted = nodes;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{1, 2, 3, 4, 5, 6}));

    // One game is killed: its byte stays set, and the next start takes its node again.
    const pid_t killed = games.front();
    ::kill(killed, SIGKILL);
    ::waitpid(killed, nullptr, 0);
    const std::string table = test::ReadFile(kNodeLockFile);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\x01'), 6);
    NodeHold next;
    ASSERT_TRUE(TakeFreeNode(next));
    EXPECT_EQ(std::count(nodes.begin(), nodes.end(), next.node()), 1);

    ::close(quit[1]);
    EXPECT_TRUE(test::AllEndedWell({games.begin() + 1, games.end()}));
    ::close(report[0]);
    ::close(quit[0]);
}

}  // namespace
}  // namespace vorn
