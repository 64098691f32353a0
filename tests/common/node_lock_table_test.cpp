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

// A game started in a child process: it takes a node when told to go, reports it and holds it
// until told to quit (or killed).
struct Starter {
    pid_t pid = -1;
    int result = -1;  // read end: the node as one byte
};

Starter StartGame(const int (&go)[2], const int (&quit)[2]) {
    int result[2];
    if (::pipe(result) != 0) std::abort();
    Starter s;
    s.pid = ::fork();
    if (s.pid == 0) {
        // Only the test keeps the write ends: closing them is the signal.
        ::close(go[1]);
        ::close(quit[1]);
        ::close(result[0]);
        char c;
        while (::read(go[0], &c, 1) < 0) {
        }
        NodeHold hold;
        const unsigned char node = TakeFreeNode(hold) ? static_cast<unsigned char>(hold.node()) : 0;
        if (::write(result[1], &node, 1) != 1) ::_exit(2);
        while (::read(quit[0], &c, 1) < 0) {
        }
        ::_exit(0);
    }
    ::close(result[1]);
    s.result = result[0];
    return s;
}

TEST(NodeLockTable, StartsAtOnceGetDifferentNodesAndAKilledGameFreesItsOwn) {
    test::TempDir dir;
    int go[2], quit[2];
    ASSERT_EQ(::pipe(go), 0);
    ASSERT_EQ(::pipe(quit), 0);
    std::vector<Starter> games;
    for (int i = 0; i < 6; ++i) games.push_back(StartGame(go, quit));
    ::close(go[1]);  // all of them at once
    std::vector<int> nodes;
    for (Starter& g : games) {
        unsigned char node = 0;
        ASSERT_EQ(::read(g.result, &node, 1), 1);
        nodes.push_back(node);
    }
    std::vector<int> sorted = nodes;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{1, 2, 3, 4, 5, 6}));

    // The game on node 3 is killed: its byte stays set, and the next start takes the node again.
    const auto killed = std::find(nodes.begin(), nodes.end(), 3) - nodes.begin();
    ::kill(games[static_cast<std::size_t>(killed)].pid, SIGKILL);
    ::waitpid(games[static_cast<std::size_t>(killed)].pid, nullptr, 0);
    EXPECT_EQ(test::ReadFile(kNodeLockFile)[3], 1);
    NodeHold next;
    ASSERT_TRUE(TakeFreeNode(next));
    EXPECT_EQ(next.node(), 3);

    ::close(quit[1]);
    for (std::size_t i = 0; i < games.size(); ++i) {
        ::close(games[i].result);
        if (static_cast<std::ptrdiff_t>(i) != killed) ::waitpid(games[i].pid, nullptr, 0);
    }
    ::close(go[0]);
    ::close(quit[0]);
}

}  // namespace
}  // namespace vorn
