// The files a fixed play leaves in the game directory, byte for byte: Walt's first evening
// (creation, the weapon shop, the bank, the forest, a board message, a letter), his city and his
// fight with the master at the trainer, then four more players and an evening of walking the
// forest and looking at the ranking. Clock and dice are the test's, so every run writes the same
// bytes. The list of checksums (tests/data/golden_play.sha256, in the format of sha256sum) was
// taken from the game before the player files learned to skip unchanged records and the ranking
// to page on its own: a change to how the game stores its data shows here.
// The list holds every file the play creates or changes (the work files of the node included),
// as `sha256sum` prints it from the game directory; a failure shows the list this build writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "support/caller_scripts.hpp"
#include "support/game_directory.hpp"
#include "support/game_in_child.hpp"
#include "support/test_session.hpp"

namespace vorn::test {
namespace {

// Name (relative to the directory) to sha256, for every file below it.
std::map<std::string, std::string> Checksums(const std::string& directory) {
    std::map<std::string, std::string> sums;
    const std::string command =
        "cd '" + directory + "' && find . -type f -print0 | xargs -0 sha256sum";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return sums;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream in(line);
        std::string sum, name;
        in >> sum >> name;
        sums[name] = sum;
    }
    ::pclose(pipe);
    return sums;
}

// Four more players beside Joe and Walt, two of them with equal experience, appended to the
// three player files as a new character would be.
void AddFourPlayers(const GameDirectory& dir) {
    const struct {
        const char* name;
        std::int32_t experience;
    } players[] = {{"Ada", 700}, {"Bram", 5000}, {"Cora", 700}, {"Dov", 12}};
    RecordFile users, extra, index;
    ASSERT_TRUE(
        users.open(dir.file(kUsersFile), sizeof(UserRecord), RecordFile::Access::kReadWrite));
    ASSERT_TRUE(extra.open(dir.file(kUserExtraFile), sizeof(UserExtraRecord),
                           RecordFile::Access::kReadWrite));
    ASSERT_TRUE(index.open(dir.file(kUserIndexFile), sizeof(UserIndexEntry),
                           RecordFile::Access::kReadWrite));
    for (const auto& p : players) {
        const std::uint64_t at = users.record_count();
        UserRecord u = DefaultUserRecord();
        u.number = static_cast<std::uint16_t>(at + 1);
        u.name = p.name;
        u.real_name = std::string(p.name) + " Caller";
        u.location = "Hillfort";
        u.experience = p.experience;
        UserExtraRecord x{};
        x.number = u.number;
        const UserIndexEntry e = IndexEntryFor(u);
        ASSERT_TRUE(users.write_record(at, u));
        ASSERT_TRUE(extra.write_record(at, x));
        ASSERT_TRUE(index.write_record(at, e));
    }
}

// Walt comes back to Vornville, skips the news, goes to the forest edge, walks south, east and
// west and back each time (taking the hatchet on the trail), looks at the ranking (a key at its
// end), and quits.
std::string WaltsWalk() {
    return "\x1b[1;2R"
           "\rsn"
           "f2y86446"
           "#r\r"
           "$qq\r";
}

TEST(GoldenPlay, TheFilesWrittenAreThoseOfTheRecordedPlay) {
    GameDirectory game;
    LayOutWaltsGame(game);
    const std::map<std::string, std::string> laid_out = Checksums(game.path());
    ChildOutcome o = RunInChild({.directory = game.path()}, PlayGame({"1"}, WaltsFirstEvening()));
    ASSERT_EQ(o.exit_code, 0) << o.output;
    MakeWaltRich(game);
    o = RunInChild({.directory = game.path()}, PlayGame({"1"}, WaltsCityAndLevel()));
    ASSERT_EQ(o.exit_code, 0) << o.output;
    AddFourPlayers(game);
    o = RunInChild({.directory = game.path()}, PlayGame({"1"}, WaltsWalk()));
    ASSERT_EQ(o.exit_code, 0) << o.output;

    std::string written;
    for (const auto& [name, sum] : Checksums(game.path())) {
        const auto before = laid_out.find(name);
        if (before == laid_out.end() || before->second != sum) written += sum + "  " + name + "\n";
    }
    EXPECT_EQ(written, ReadFile(SourceDir() + "/tests/data/golden_play.sha256"));
}

}  // namespace
}  // namespace vorn::test
