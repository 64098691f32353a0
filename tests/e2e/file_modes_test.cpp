// Who owns and who may read what the programs make in a game directory: the sysop's runs as root
// and the board's runs as the game's user, under masks that would give away too much or too
// little, leave every file rw-rw---- and every folder rwxrwx---, of the directory's owner and
// group. A root run follows no link the game's user planted: the root-only file it leads to stays
// as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <sstream>

#include "support/game_process.hpp"
#include "support/test_session.hpp"

namespace vorn::test {
namespace {

namespace fs = std::filesystem;

// "a b c" as {"a", "b", "c"}.
std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), {}};
}

// Runs "program argument ..." in the game directory.
ProgramResult RunCommand(const GameDirectory& dir, const char* command, RunOptions options) {
    const std::vector<std::string> words = Words(command);
    options.args.assign(words.begin() + 1, words.end());
    return RunProgram(words.front(), dir.path(), options);
}

struct ProgramRun {
    const char* what;
    bool root;
    mode_t mask;
    const char* command;            // the program and its arguments
    const char* makes;              // some of what it creates
    const char* emptied = nullptr;  // a file emptied first, for the run to mend
    const char* input = "";
};

TEST(FileModes, EveryRunLeavesFilesOfTheDirectorysOwnerAndGroupOnly) {
    GameDirectory dir;
    ::chmod(dir.path().c_str(), 0755);  // as the sysop's mkdir left it
    const ProgramRun runs[] = {
        {"the sysop lays the game out", true, 0, "mkgame .",
         "ansi/title.ans help rooms.dat vorn0.dat lockfile.lck"},
        {"a caller comes and goes on the local node", false, 077, "game 1",
         "users.dat users.idx strings.dat logs temp/NODE.001", nullptr, "\033[1;2R\rq\r"},
        {"the sysop gives node 2 a drop-file folder", true, 077,
         "setup --set node 2 door_file_path drop/two", "vorn2.dat drop/two"},
        {"the night", true, 0, "maint", "nights.dat ranking.html"},
        {"the sysop mends the player index", true, 0, "checkgame --repair --backup copies",
         "copies/users.idx", "users.idx"},
    };
    for (const ProgramRun& run : runs) {
        SCOPED_TRACE(run.what);
        if (run.emptied != nullptr) dir.write_file(run.emptied, "");
        const mode_t mask = ::umask(run.mask);
        const ProgramResult result =
            RunCommand(dir, run.command, {.input = run.input, .keep_root = run.root});
        ::umask(mask);
        EXPECT_EQ(result.exit_code, 0) << result.output << result.error_output;
        for (const std::string& name : Words(run.makes)) EXPECT_TRUE(dir.exists(name)) << name;
    }
    const RunAsUser& user = UnprivilegedUser();
    std::vector<fs::path> made{dir.path()};
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        made.push_back(entry.path());
    }
    for (const fs::path& path : made) {
        struct stat st {};
        ASSERT_EQ(::lstat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, S_ISDIR(st.st_mode) ? 0770u : 0660u) << path;
        EXPECT_EQ(st.st_uid, user.uid) << path;
        EXPECT_EQ(st.st_gid, user.gid) << path;
    }
}

struct Plant {
    const char* what;
    const char* name;     // where the game's user puts his link
    bool hard;            // a second name of the file rather than a symbolic link
    const char* command;  // the root run
};

TEST(FileModes, RootRunsFollowNoLinkTheGamesUserPlanted) {
    if (!RunningAsRoot()) GTEST_SKIP() << "only a root run must refuse what it would follow";
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    const GameDirectory outside;  // root's own
    ::chmod(outside.path().c_str(), 0700);
    ::chown(outside.path().c_str(), 0, 0);
    const std::string secret = outside.file("secret");
    WriteFile(secret, "root's own\n");
    ::chmod(secret.c_str(), 0600);
    const Plant plants[] = {
        {"the game's settings", "setup.dat", false, "setup --set game stat_bar no"},
        {"a node's file, hard-linked", "vorn2.dat", true, "setup --set node 2 bbs_name Mine"},
        {"the logs folder", "logs", false, "maint"},
        {"a screen the upgrade replaces", "ansi/title.ans", false, "mkgame --upgrade ."},
        {"the player index, cut short", "users.idx", false, "checkgame --repair"},
    };
    for (const Plant& plant : plants) {
        SCOPED_TRACE(plant.what);
        const std::string link = dir.file(plant.name);
        fs::remove(link);
        const std::string target = std::string(plant.name) == "logs" ? outside.path() : secret;
        ASSERT_EQ(plant.hard ? ::link(target.c_str(), link.c_str())
                             : ::symlink(target.c_str(), link.c_str()),
                  0);
        RunCommand(dir, plant.command, {.keep_root = true});
        EXPECT_EQ(ReadFile(secret), "root's own\n");
        EXPECT_EQ(outside.list(), std::vector<std::string>{"secret"});
        struct stat st {};
        ASSERT_EQ(::stat(secret.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        EXPECT_EQ(st.st_uid, 0u);
        fs::remove(link);
    }
}

}  // namespace
}  // namespace vorn::test
