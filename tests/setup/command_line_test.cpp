// setup's non-interactive form, as an installer's script would use it: one session of commands
// against a fresh game directory, each with its exit code and what it prints.
#include "setup/command_line.hpp"

#include <gtest/gtest.h>

#include <cstdio>

#include "common/directories.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

struct SetupRun {
    int code;
    std::string out;
    std::string err;
};

std::string Drain(std::FILE* file) {
    std::rewind(file);
    std::string text;
    char buffer[512];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    std::fclose(file);
    return text;
}

SetupRun RunSetup(std::vector<std::string> args) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int code = RunCommandLine(args, out, err);
    return {code, Drain(out), Drain(err)};
}

TEST(SetupCommandLine, ShowsAndSetsSettingsByName) {
    test::TempDir dir;
    const std::string drop = dir.path() + "/drop";
    const struct {
        std::vector<std::string> args;
        int code;
        std::string out;  // a part of standard output; standard error when the code is not 0
    } steps[] = {
        {{"--show", "node", "4"},
         0,
         "# vorn4.dat (missing or short: the defaults setup writes)\n"
         "sysop_name=You\nbbs_name=Your BBS\ndoor_type=1\n"},
        {{"--set", "node", "4", "door_type", "4"}, 0, "door_type=4\n"},
        {{"--set", "node", "4", "bbs_name", "Harbour Lights"}, 0, "bbs_name=Harbour Lights\n"},
        {{"--show", "node", "4"}, 0, "# vorn4.dat\nsysop_name=You\nbbs_name=Harbour Lights\n"},
        {{"--set", "node", "4", "door_file_path", drop}, 0, "Created the directory " + drop},
        {{"--set", "game", "mana_recovery_secs", "300"}, 2, "from 0 to 255"},
        {{"--set", "game", "mana_recovery_secs", "12"}, 0, "mana_recovery_secs=12\n"},
        {{"--set", "maint", "heal_everything", "no"}, 0, "heal_everything=no\n"},
        {{"--show", "maint"}, 0, "# maint.dat\nheal_everything=no\n"},
        {{"--set", "game", "door_type", "1"}, 2, "no game setting is called \"door_type\""},
        {{"--set", "node", "10000", "door_type", "1"}, 2, "from 0 to 9999"},
        {{"--set", "node", "0", "daemon_mode", "yes"}, 0, "daemon_mode=yes\n"},
        {{"--set", "node", "4", "line_mode", "raw"}, 0, "line_mode=raw\n"},
        {{"--set", "node", "4", "encoding", "latin1"}, 2, "give auto, cp437 or utf8"},
        {{"--set", "node", "4", "door_type"}, 2, "a NAME and a VALUE"},
        {{"--show", "nodes"}, 2, "unknown settings"},
        {{"--redo-lockfile"}, 0, "lockfile.lck: nodes 0 4\n"},
        {{"--help"}, 0, "hp_recovery_secs"},
        {{"--frobnicate"}, 2, "unknown command"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.args[0] + (step.args.size() > 1 ? " " + step.args[1] : ""));
        const SetupRun run = RunSetup(step.args);
        EXPECT_EQ(run.code, step.code);
        EXPECT_NE((step.code == 0 ? run.out : run.err).find(step.out), std::string::npos)
            << run.out << run.err;
    }
    // Showing wrote nothing; setting wrote whole records.
    EXPECT_FALSE(test::FileExists("vorn1.dat"));
    const std::string node = test::ReadFile("vorn4.dat");
    ASSERT_EQ(node.size(), 194u);
    EXPECT_EQ(node[21], 4);
    EXPECT_EQ(node[146], 1);
    EXPECT_EQ(node[192], kLineRaw);
    EXPECT_EQ(node.substr(22, 15), "\x0eHarbour Lights");
    EXPECT_EQ(test::ReadFile("setup.dat").size(), 356u);
    EXPECT_EQ(test::ReadFile("setup.dat")[257], 12);
    EXPECT_TRUE(DirectoryExists(drop));
}

}  // namespace
}  // namespace vorn
