// Start-up steps and the closing banner, run on a test session in a temporary game directory.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "common/config_files.hpp"
#include "common/directories.hpp"
#include "common/node_lock_table.hpp"
#include "core/node_paths.hpp"
#include "core/startup.hpp"
#include "play/main_sequence.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

int ExitCodeOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const test::ExitCalled& e) {
        return e.code;
    }
    return -1;
}

TEST(NodeArgument, NamesTheConfigFileAndTheNode) {
    const std::string daemon = "dAeMoN", one = "01", big = "300", word = "abc", neg = "-1";
    EXPECT_EQ(NodeTextOf(nullptr), "0");
    EXPECT_EQ(NodeNumberOf(nullptr), 0);
    EXPECT_EQ(NodeTextOf(&daemon), "0");
    EXPECT_EQ(NodeNumberOf(&daemon), 0);
    EXPECT_EQ(NodeTextOf(&one), "01");
    EXPECT_EQ(NodeNumberOf(&one), 1);
    EXPECT_EQ(NodeTextOf(&big), "300");
    EXPECT_EQ(NodeNumberOf(&big), 44);
    EXPECT_EQ(NodeTextOf(&word), "abc");
    EXPECT_EQ(NodeNumberOf(&word), 0);
    EXPECT_EQ(NodeNumberOf(&neg), 255);
}

// The node argument is the first word that is no option; the options stand before or after it.
TEST(NodeArgument, OptionsAroundTheNode) {
    const struct {
        std::vector<std::string> args;
        const char* node;  // nullptr: none
        const char* drop_file;
        const char* connect;
        const char* error;
    } cases[] = {
        {{"3", "-D", "/bbs/node3/DOOR.SYS"}, "3", "/bbs/node3/DOOR.SYS", "", ""},
        {{"-D/bbs/DOOR.SYS", "--connect=127.0.0.1:2000", "4"},
         "4",
         "/bbs/DOOR.SYS",
         "127.0.0.1:2000",
         ""},
        {{"--connect", "h:1", "5", "9"}, "5", "", "h:1", ""},
        {{"--drop-file", "x", "DAEMON"}, "DAEMON", "x", "", ""},
        {{}, nullptr, "", "", ""},
        {{"-1"}, "-1", "", "", ""},
        {{"2", "-D"}, "2", "", "", "-D must be followed by the drop file's path"},
        {{"2", "--connect"}, "2", "", "", "--connect must be followed by HOST:PORT"},
    };
    for (const auto& c : cases) {
        const CommandLine line = ParseCommandLine(c.args);
        EXPECT_EQ(line.node.value_or("(none)"), c.node ? c.node : "(none)");
        EXPECT_EQ(line.drop_file, c.drop_file);
        EXPECT_EQ(line.connect, c.connect);
        EXPECT_EQ(line.error, c.error);
    }
}

TEST(LoadConfiguration, ReadsNodeAndSettings) {
    test::TestSession t;
    NodeConfig node = DefaultNodeConfig();
    node.bbs_name = "Frost Board";
    node.multinode = false;
    ASSERT_TRUE(WriteNodeConfig("vorn7.dat", node));
    ASSERT_TRUE(WriteGameSettings("setup.dat", DefaultGameSettings()));
    t.session.command.args = {"7"};
    LoadConfiguration(t.session);
    EXPECT_EQ(t.session.nodes.text, "7");
    EXPECT_EQ(t.session.system.bbs_name, "Frost Board");
    EXPECT_EQ(t.session.node.door_file_path.str(), "/home/bbs/doors/\\");
    EXPECT_EQ(t.session.line.comm_device, "/dev/ttyS1");
    EXPECT_FALSE(t.session.nodes.multinode);
    // The first log line of the run lands in today's single-node log of the game directory.
    const std::string log = test::ReadFile("12-07-2026.log");
    EXPECT_NE(log.find("System log file - Node 0\n"), std::string::npos);
    EXPECT_NE(log.find("10:15am  Node 7 loaded\n"), std::string::npos);
}

TEST(LoadConfiguration, DoorPathNeverGrowsPastItsField) {
    test::TestSession t;
    NodeConfig node = DefaultNodeConfig();
    node.door_file_path = std::string(40, 'd');
    ASSERT_TRUE(WriteNodeConfig("vorn0.dat", node));
    ASSERT_TRUE(WriteGameSettings("setup.dat", DefaultGameSettings()));
    LoadConfiguration(t.session);
    EXPECT_EQ(t.session.node.door_file_path.size(), 40u);
}

TEST(LoadConfiguration, FailuresPrintTheirLinesAndExit255) {
    test::TestSession t;
    EXPECT_EQ(ExitCodeOf([&] { LoadConfiguration(t.session); }), 255);
    const std::string& out = t.terminal.output;
    EXPECT_NE(out.find("Loading config...\r\nvorn0.dat couldn't be read, check file size and "
                       "permissions\r\nTry recreating a new one with setup\r\n"),
              std::string::npos);
    EXPECT_NE(out.find("With the following details:\r\n    Linux distribution\r\n    the file : "
                       "vorn0.dat\r\n    and the permissions on vorn0.dat\r\n"),
              std::string::npos);

    test::TestSession s;
    ASSERT_TRUE(WriteNodeConfig("vorn0.dat", DefaultNodeConfig()));
    test::WriteFile("setup.dat", std::string(355, '\0'));
    EXPECT_EQ(ExitCodeOf([&] { LoadConfiguration(s.session); }), 255);
    EXPECT_NE(s.terminal.output.find("...\r\nsetup.dat couldn't be read, check file size and "
                                     "permissions\r\nTry using setup to create a new one\r\n"),
              std::string::npos);
}

// Node 0 of a daemon installation takes its node from lockfile.lck; any other start keeps the
// node it was given and holds it, so dynamic starts pass it by.
TEST(InitializeSession, DaemonNodeTakesTheFirstFreeNode) {
    const struct {
        const char* argument;
        bool daemon_mode;
        int node;
        std::string table;  // after the start
    } cases[] = {
        {"DAEMON", true, 1, std::string("\x01\x01\x00", 3)},
        {nullptr, true, 1, std::string("\x01\x01\x00", 3)},
        {"DAEMON", false, 0, std::string("\x01\x00\x00", 3)},
        {"2", true, 2, std::string("\x01\x00\x00", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument == nullptr ? "no argument" : c.argument);
        test::TestSession t;
        if (c.argument != nullptr) t.session.command.args = {c.argument};
        NodeConfig node = DefaultNodeConfig();
        node.daemon_mode = c.daemon_mode;
        ASSERT_TRUE(WriteNodeConfig("vorn0.dat", node));
        ASSERT_TRUE(WriteNodeConfig("vorn2.dat", node));
        ASSERT_TRUE(WriteGameSettings("setup.dat", DefaultGameSettings()));
        test::WriteFile(kNodeLockFile, std::string("\x01", 1) + std::string(255, '\0'));
        LoadConfiguration(t.session);
        InitializeSession(t.session);
        t.session.node.door_type = 3;
        CheckDoorType(t.session);
        EXPECT_EQ(t.session.nodes.number, c.node);
        EXPECT_TRUE(t.session.nodes.hold.held() || c.node == 0);
        EXPECT_EQ(test::ReadFile(kNodeLockFile).substr(0, 3), c.table);
        // Whatever way the game ends, a node it took is given back.
        EXPECT_EQ(ExitCodeOf([&] { t.session.exit(0); }), 0);
        EXPECT_EQ(test::ReadFile(kNodeLockFile).substr(0, 3), std::string("\x01\x00\x00", 3));
    }

    test::TestSession t;
    t.session.command.args = {"daemon"};
    NodeConfig node = DefaultNodeConfig();
    node.daemon_mode = true;
    ASSERT_TRUE(WriteNodeConfig("vorn0.dat", node));
    ASSERT_TRUE(WriteGameSettings("setup.dat", DefaultGameSettings()));
    ::mkdir(kNodeLockFile, 0755);  // a table that cannot be opened
    LoadConfiguration(t.session);
    EXPECT_EQ(ExitCodeOf([&] { InitializeSession(t.session); }), 255);
    EXPECT_NE(t.terminal.output.find("lockfile.lck couldn't be written, check its permissions\r\n"
                                     "Try recreating it with setup\r\n"),
              std::string::npos);
}

TEST(CheckDoorType, LocalSessionsAndInvalidTypes) {
    test::TestSession t;
    t.session.nodes.multinode = false;
    t.session.nodes.number = 9;
    t.session.node.door_type = 3;
    t.session.node.time_limit = 45;
    CheckDoorType(t.session);
    EXPECT_EQ(t.session.nodes.number, 1);
    EXPECT_TRUE(t.session.line.local);
    EXPECT_EQ(t.session.time.minutes_allowed, 45);

    t.session.node.time_limit = 999;
    CheckDoorType(t.session);
    EXPECT_EQ(t.session.time.minutes_allowed, 999);

    t.session.node.door_type = 4;
    t.session.line.local = false;
    t.session.time.minutes_allowed = 0;
    CheckDoorType(t.session);
    EXPECT_FALSE(t.session.line.local);
    // The game's own logon has no drop file to grant time: the local allowance applies.
    EXPECT_EQ(t.session.time.minutes_allowed, 999);

    t.session.node.door_type = 9;
    EXPECT_EQ(ExitCodeOf([&] { CheckDoorType(t.session); }), 255);
    EXPECT_NE(t.terminal.output.find("Invalid Door File type\r\nCheck your node configuration\r\n"),
              std::string::npos);
}

TEST(TerminateBanner, ColoursEachWordAndCentresOnRowOne) {
    const std::string banner = TerminateBanner(0);
    EXPECT_EQ(banner.substr(0, 15), "\xFF|12V|04ornhold");
    EXPECT_NE(banner.find("\xFF|12-|04\xFF|12e|04rrorlevel\xFF|120"), std::string::npos);
    EXPECT_EQ(banner.find(' '), std::string::npos);
}

TEST(NodeWorkDirectory, CreatesTheNodesAreaDirectories) {
    test::TestSession t;
    t.session.system.temp_path = "./temp/";
    t.session.nodes.number = 7;
    EXPECT_EQ(NodeWorkDirectory(t.session, 'T'), "./temp/NODE.007/TEXT/");
    EXPECT_TRUE(DirectoryExists("./temp/NODE.007/TEXT/"));
    t.session.nodes.number = 123;
    EXPECT_EQ(NodeWorkDirectory(t.session, 'Q'), "./temp/NODE.123/QWK/");
    EXPECT_EQ(NodeWorkDirectory(t.session, '-'), "./temp/NODE.123/");
    EXPECT_TRUE(DirectoryExists("temp/NODE.123"));
}

TEST(Directories, ExistenceAndCreationAcceptEitherSeparator) {
    test::TempDir dir;
    EXPECT_FALSE(DirectoryExists("a"));
    CreateDirectoryPath("a\\b/c", true);
    EXPECT_TRUE(DirectoryExists("a/b/c///"));
    EXPECT_TRUE(DirectoryExists("a\\b"));
    test::WriteFile("plain", "x");
    EXPECT_FALSE(DirectoryExists("plain"));
    CreateDirectoryPath(dir.path() + "/abs/olute", true);
    EXPECT_TRUE(DirectoryExists("abs/olute"));
}

}  // namespace
}  // namespace vorn
