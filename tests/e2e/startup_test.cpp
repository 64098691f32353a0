// The real game binary from start to exit: the refusal of root, the fatal configuration and
// data-file errors with their lines and exit codes, a complete local start-up and shutdown with
// its files and logs, and a caller hanging up at the first key pause.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "common/config_files.hpp"
#include "common/io_check.hpp"
#include "core/startup.hpp"
#include "play/main_sequence.hpp"
#include "support/game_process.hpp"

namespace vorn::test {
namespace {

std::vector<std::string> Lines(const std::string& output) {
    std::vector<std::string> lines;
    std::string line;
    for (const char c : output) {
        if (c == '\r') continue;
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& wanted) {
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

// The one file in `sub_directory` whose name matches `pattern` (a day's log), or "".
std::string FindFile(const GameDirectory& dir, const std::string& sub_directory,
                     const std::string& pattern) {
    const std::regex re(pattern);
    std::string found;
    for (const std::string& name : dir.list(sub_directory)) {
        if (std::regex_match(name, re)) found = name;
    }
    return found.empty() ? found : (sub_directory.empty() ? "" : sub_directory + "/") + found;
}

const char kDayLog[] = R"(\d\d-\d\d-\d{4}\.log)";
const char kNode1Log[] = R"(\d\d-\d\d-\d{4}\.001)";

void SetDoorType(const GameDirectory& dir, int door_type, int pause_delay_ms = 0) {
    NodeConfig node{};
    ASSERT_TRUE(ReadNodeConfig(dir.file("vorn1.dat"), node));
    node.door_type = static_cast<std::uint8_t>(door_type);
    node.pause_delay_ms = static_cast<std::uint16_t>(pause_delay_ms);
    ASSERT_TRUE(WriteNodeConfig(dir.file("vorn1.dat"), node));
}

ProgramResult RunGame(const GameDirectory& dir, std::vector<std::string> args,
                      std::string input = "") {
    RunOptions options;
    options.args = std::move(args);
    options.input = std::move(input);
    return RunProgram("game", dir.path(), options);
}

TEST(StartupTest, RefusesRootBeforeTouchingAnything) {
    if (!RunningAsRoot()) GTEST_SKIP() << "needs root";
    GameDirectory dir;
    RunOptions options;
    options.args = {"1"};
    options.keep_root = true;
    const ProgramResult result = RunProgram("game", dir.path(), options);
    EXPECT_EQ(result.exit_code, kExitRoot);
    EXPECT_EQ(Lines(result.output),
              std::vector<std::string>{"RUNNING THIS PROGRAM AS ROOT IS STUPID"});
    EXPECT_TRUE(dir.list().empty());
}

TEST(StartupTest, MissingNodeFileNamesTheFileOfTheArgument) {
    GameDirectory dir;
    const struct {
        std::vector<std::string> args;
        std::string file;
    } cases[] = {
        {{}, "vorn0.dat"},      {{"DAEMON"}, "vorn0.dat"}, {{"dAeMoN"}, "vorn0.dat"},
        {{"01"}, "vorn01.dat"}, {{"300"}, "vorn300.dat"},  {{"7", "9"}, "vorn7.dat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const ProgramResult result = RunGame(dir, c.args);
        EXPECT_EQ(result.exit_code, kExitConfig);
        const std::vector<std::string> expected = {
            "Randomizing",
            "Setting up stuff....",
            "Loading config...",
            c.file + " couldn't be read, check file size and permissions",
            "Try recreating a new one with setup",
            kContactLine,
            "With the following details:",
            "    Linux distribution",
            "    the file : " + c.file,
            "    and the permissions on " + c.file,
        };
        EXPECT_EQ(Lines(result.output), expected);
    }
    // The node line goes to the single-node log of the game directory, written before anything
    // else is known, so it names node 0 whatever the argument.
    const std::string log = FindFile(dir, "", kDayLog);
    ASSERT_FALSE(log.empty());
    const std::vector<std::string> lines = Lines(dir.read_file(log));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "%% Vornhold version a20; System log file - Node 0");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.find("Node ") != std::string::npos &&
                                       l.find(" loaded") != std::string::npos;
                            }),
              static_cast<long>(std::size(cases)));
    EXPECT_NE(dir.read_file(log).find("Node 01 loaded"), std::string::npos);
    EXPECT_FALSE(dir.exists("logs"));
}

TEST(StartupTest, ShortOrMissingSettingsEndWithTheirThreeLines) {
    for (const bool missing : {false, true}) {
        SCOPED_TRACE(missing ? "missing setup.dat" : "355-byte setup.dat");
        GameDirectory dir;
        ASSERT_TRUE(dir.make_game());
        if (missing) {
            ASSERT_EQ(std::remove(dir.file("setup.dat").c_str()), 0);
        } else {
            dir.write_file("setup.dat", dir.read_file("setup.dat").substr(0, 355));
        }
        const ProgramResult result = RunGame(dir, {"1"});
        EXPECT_EQ(result.exit_code, kExitConfig);
        const std::vector<std::string> expected = {
            "Randomizing",
            "Setting up stuff....",
            "Loading config......",
            "setup.dat couldn't be read, check file size and permissions",
            "Try using setup to create a new one",
            kContactLine,
        };
        EXPECT_EQ(Lines(result.output), expected);
    }
}

TEST(StartupTest, MissingRoomsEndsSilentlyWith254) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    ASSERT_EQ(std::remove(dir.file("rooms.dat").c_str()), 0);
    const ProgramResult result = RunGame(dir, {"1"}, "\x1b[1;2R");
    EXPECT_EQ(result.exit_code, kExitDataFiles);
    const std::vector<std::string> lines = Lines(result.output);
    ASSERT_FALSE(lines.empty());
    // The last line is the progress line of the paths (the probe's bytes may stand before it).
    const std::string done = "initializing paths Done";
    EXPECT_EQ(lines.back().substr(lines.back().size() - std::min(lines.back().size(), done.size())),
              done);
    EXPECT_EQ(result.output.find("rooms"), std::string::npos);
}

// A board that limits the size of the files its doors write: the game is not killed by the
// limit's signal but meets a failed write, which the run-time I/O check reports.
TEST(StartupTest, FileSizeLimitEndsWithTheRunTimeError) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    RunOptions options;
    options.args = {"1"};
    options.input = "\x1b[1;2R";
    options.file_size_limit = 8192;  // the user files start-up prepares are larger
    const ProgramResult result = RunProgram("game", dir.path(), options);
    EXPECT_EQ(result.exit_code, kIoWriteError) << result.output;
    EXPECT_NE(result.output.find("Runtime error 101: disk write error ("), std::string::npos)
        << result.output;
}

TEST(StartupTest, DropFileDoorTypesWithoutTheirFileEndWithCode1) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());

    NodeConfig node{};
    ASSERT_TRUE(ReadNodeConfig(dir.file("vorn1.dat"), node));
    // The folder as setup stores it, with its "/": joined to the name with no other separator.
    const std::string path = node.door_file_path.str();

    // The lines reach the sysop whether the terminal answers the probe or the input has
    // already ended (a script, a board that closed the line early).
    for (const std::string input : {"\x1b[1;2R", ""}) {
        SCOPED_TRACE(input.empty() ? "input ended" : "probe answered");
        SetDoorType(dir, 1);
        ProgramResult result = RunGame(dir, {"1"}, input);
        EXPECT_EQ(result.exit_code, kExitNoDropFile);
        std::vector<std::string> lines = Lines(result.output);
        EXPECT_TRUE(HasLine(lines, "Error reading DOOR.SYS (Not Found)")) << result.output;
        EXPECT_TRUE(HasLine(lines, path + "door.sys is missing")) << result.output;

        SetDoorType(dir, 2);
        result = RunGame(dir, {"1"}, input);
        EXPECT_EQ(result.exit_code, kExitNoDropFile);
        lines = Lines(result.output);
        EXPECT_TRUE(
            HasLine(lines, "Error reading DOORFILE.SR: Not Found at " + path + "doorfile.sr"))
            << result.output;

        SetDoorType(dir, 5);
        result = RunGame(dir, {"1"}, input);
        EXPECT_EQ(result.exit_code, kExitNoDropFile);
        lines = Lines(result.output);
        EXPECT_TRUE(HasLine(lines, "Error reading DOOR32.SYS (Not Found)")) << result.output;
        EXPECT_TRUE(HasLine(lines, path + "door32.sys is missing")) << result.output;
    }

    const std::string log = dir.read_file(FindFile(dir, "logs", kNode1Log));
    EXPECT_NE(log.find("  * * DOOR.SYS not found at " + path + "door.sys\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("  * * DOORFILE.SR not found\n"), std::string::npos) << log;
    EXPECT_NE(log.find("  * * DOOR32.SYS not found at " + path + "door32.sys\n"), std::string::npos)
        << log;
}

TEST(StartupTest, InvalidDoorTypeEndsWith255) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    for (const int door_type : {0, 6, 255}) {
        SCOPED_TRACE(door_type);
        SetDoorType(dir, door_type);
        // Door type 6 meets an input that has already ended.
        const ProgramResult result = RunGame(dir, {"1"}, door_type == 6 ? "" : "\x1b[1;2R");
        EXPECT_EQ(result.exit_code, kExitConfig);
        const std::vector<std::string> lines = Lines(result.output);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 1], "Check your node configuration");
        EXPECT_NE(lines[lines.size() - 2].find("Invalid Door File type"), std::string::npos);
    }
    const std::string log = dir.read_file(FindFile(dir, "logs", kNode1Log));
    EXPECT_NE(log.find("    Invalid Door File type\n"), std::string::npos) << log;
}

// A local node run from start to the closing banner, with both key pauses answered.
TEST(StartupTest, LocalNodeRunsToTheClosingBanner) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    GameProcess game("game", dir, {.args = {"1"}});
    ASSERT_TRUE(game.wait_for_text("Whack The Damn Key!")) << game.screen_text();
    // The title menu follows the first key; Q there leaves, and the credits pause comes next:
    // look for its prompt in the newer output.
    game.type("\r");
    ASSERT_TRUE(game.wait_for_text("Step into the snows")) << game.screen_text();
    const std::size_t mark = game.output_size();
    game.type("q");
    ASSERT_TRUE(game.wait_for_output("ack T", kDefaultTimeoutMs, mark)) << game.output();
    game.type("\r");
    EXPECT_EQ(game.wait_exit(), kExitNormal) << game.output();

    // The banner: each word's first letter light red, the rest red, on row 1 with the corner
    // marks at columns 1 and 77.
    const std::string row = game.row_text(1);
    EXPECT_EQ(row.rfind("%:%", 0), 0u) << row;
    EXPECT_EQ(game.cell(1, 1).foreground, 8);
    EXPECT_EQ(game.cell(2, 1).foreground, 7);
    EXPECT_EQ(game.cell(77, 1).text, "%");
    EXPECT_EQ(game.cell(78, 1).text, ":");
    const std::string words[] = {"Vornhold", "version",    "1.00", "alpha",      "20",
                                 "[Linux]",  "terminated", "-",    "errorlevel", "0"};
    int visible = 0;
    for (const std::string& w : words) visible += 1 + static_cast<int>(w.size());
    int column = 40 - visible / 2 + 1;
    for (const std::string& w : words) {
        SCOPED_TRACE(w);
        EXPECT_EQ(game.cell(column, 1).text, w.substr(0, 1)) << row;
        EXPECT_EQ(game.cell(column, 1).foreground, 12);
        if (w.size() > 1) {
            EXPECT_EQ(game.cell(column + 1, 1).text, w.substr(1, 1));
            EXPECT_EQ(game.cell(column + 1, 1).foreground, 4);
        }
        column += static_cast<int>(w.size()) + 1;
    }

    // strings.dat: the 55 default texts, the last one "Untitled".
    ASSERT_EQ(dir.file_size("strings.dat"), 55 * 256);
    const std::string strings = dir.read_file("strings.dat");
    EXPECT_EQ(strings.substr(54 * 256, 9), std::string("\x08Untitled"));

    // The node line in the game directory's single-node log, the rest in the node's own log.
    const std::string day_log = dir.read_file(FindFile(dir, "", kDayLog));
    EXPECT_EQ(day_log.rfind("%% Vornhold version a20; System log file - Node 0\n", 0), 0u);
    EXPECT_NE(day_log.find("Node 1 loaded\n"), std::string::npos) << day_log;

    const std::string node_log_name = FindFile(dir, "logs", kNode1Log);
    ASSERT_FALSE(node_log_name.empty()) << "logs/ holds no day's log of node 1";
    const std::vector<std::string> lines = Lines(dir.read_file(node_log_name));
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "%% Vornhold version a20; System log file - Node 1");
    EXPECT_EQ(lines[1].rfind("%% Created ", 0), 0u);
    EXPECT_EQ(lines[2], std::string(79, '='));
    // Event lines: the time padded to 9 characters, no marker for these milestones, and the
    // trailing "." of the terminated line removed. Later steps may log more lines in between.
    const std::regex time_column(R"(\d{1,2}:\d\d[ap]m *)");
    std::vector<std::string> messages;
    for (std::size_t i = 3; i < lines.size(); ++i) {
        ASSERT_TRUE(std::regex_match(lines[i].substr(0, 9), time_column)) << lines[i];
        messages.push_back(lines[i].substr(9));
    }
    const std::string milestones[] = {"Initiated Files",
                                      "Vornhold version 1.00 alpha 20 [Linux] loaded",
                                      "Vornhold va20 terminated (errorlevel 0)"};
    auto next = messages.begin();
    for (const std::string& milestone : milestones) {
        next = std::find(next, messages.end(), milestone);
        EXPECT_NE(next, messages.end()) << "missing or out of order: " << milestone;
    }
    EXPECT_EQ(messages.back(), milestones[2]);
}

TEST(StartupTest, PauseDelayRunsWithoutAKey) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetDoorType(dir, 3, 20);
    // Standard input stays silent but for the Q at the title menu: only the node's pause delay
    // can move the game on past the title and the credits.
    GameProcess game("game", dir, {.args = {"1"}, .connection = Connection::kPipes});
    ASSERT_TRUE(game.wait_for_output("Step into the snows"));
    game.type("q");
    EXPECT_EQ(game.wait_exit(), kExitNormal) << game.output();
    EXPECT_NE(game.row_text(1).find("terminated"), std::string::npos) << game.screen_text();
    EXPECT_TRUE(dir.exists("temp/NODE.001"));
}

TEST(StartupTest, HangUpAtTheKeyPauseEndsWithinASecond) {
    for (const Connection connection : {Connection::kPty, Connection::kPipes}) {
        SCOPED_TRACE(connection == Connection::kPty ? "pty closed" : "input closed");
        GameDirectory dir;
        ASSERT_TRUE(dir.make_game());
        GameProcess game("game", dir, {.args = {"1"}, .connection = connection});
        ASSERT_TRUE(game.wait_for_text("Whack The Damn Key!")) << game.output();
        game.hang_up();
        EXPECT_NE(game.wait_exit(1000), kStillRunning);
    }
}

}  // namespace
}  // namespace vorn::test
