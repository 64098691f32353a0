// setup's non-interactive form, as an installer's script would use it: one session of commands
// against a fresh game directory, each with its exit code and what it prints.
#include "setup/command_line.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "common/directories.hpp"
#include "setup/setup_state.hpp"
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
        {{"--set", "node", "2-3", "encoding", "cp437"}, 0, "encoding=cp437 on nodes 2 to 3\n"},
        {{"--show", "node", "2-3"}, 0, "encoding=cp437\npause_delay_ms=0\n# vorn3.dat\n"},
        {{"--set", "node", "4", "door_type"}, 2, "a NAME and a VALUE"},
        {{"--show", "nodes"}, 2, "unknown settings"},
        {{"--redo-lockfile"}, 0, "lockfile.lck: nodes 0 2 3 4\n"},
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
    EXPECT_EQ(test::ReadFile("vorn3.dat")[193], kEncodingCp437);
    EXPECT_EQ(node.substr(22, 15), "\x0eHarbour Lights");
    EXPECT_EQ(test::ReadFile("setup.dat").size(), 356u);
    EXPECT_EQ(test::ReadFile("setup.dat")[257], 12);
    EXPECT_TRUE(DirectoryExists(drop));
}

TEST(SetupCommandLine, NodeRangesAreReadStrictly) {
    const struct {
        std::string_view text;
        int first;  // -1 when refused
        int last;
    } cases[] = {
        {"1-32", 1, 32},  {"5", 5, 5},         {"0-0", 0, 0},     {"9999", 9999, 9999},
        {"32-1", -1, -1}, {"1-10000", -1, -1}, {"junk", -1, -1},  {"1-", -1, -1},
        {"-5", -1, -1},   {"+5", -1, -1},      {"1-3-5", -1, -1}, {"", -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<NodeRange> range = ParseNodeRange(c.text, 0, kLastNode);
        EXPECT_EQ(range ? range->first : -1, c.first);
        EXPECT_EQ(range ? range->last : -1, c.last);
    }
}

TEST(SetupCommandLine, ARefusedValueForARangeTouchesNoFile) {
    test::TempDir dir;
    test::WriteFile("vorn2.dat", "short");
    EXPECT_EQ(RunSetup({"--set", "node", "1-32", "door_type", "6"}).code, 2);
    EXPECT_EQ(RunSetup({"--set", "node", "1-32", "encoding", "ebcdic"}).code, 2);
    // A drop-file folder that cannot be made fails the whole setting.
    const SetupRun folder = RunSetup({"--set", "node", "1-3", "door_file_path", "/proc/no/x"});
    EXPECT_EQ(folder.code, 1);
    EXPECT_NE(folder.err.find("/proc/no/x/ could not be created; nothing changed"),
              std::string::npos)
        << folder.err;
    const auto entries = std::distance(std::filesystem::directory_iterator(dir.path()),
                                       std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 1);
    EXPECT_EQ(test::ReadFile("vorn2.dat"), "short");
}

}  // namespace
}  // namespace vorn
