// Three boards and a hub on this machine play as one league through binkd, each board a game
// directory of its own with its own binkd: the hub's listens on a loopback port, the boards poll
// it with their session passwords. After the nights and the polls every board's league lists the
// players of all three, and a letter from Ashford reaches Crossing through the hub and its
// reply comes back.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/caller_scripts.hpp"
#include "support/game_process.hpp"

namespace vorn::test {
namespace {

struct Board {
    const char* name;
    int node;  // 21:100/node
    const char* player;
};
constexpr Board kBoards[] = {
    {"Hub", 1, "Hal"}, {"Ashford", 2, "Ann"}, {"Brookmere", 3, "Bob"}, {"Crossing", 4, "Cat"}};

// Each board's league.toml and binkd.conf: the boards exchange with the hub alone.
void SetUpBoard(const GameDirectory& dir, const Board& b, int port) {
    for (const char* folder : {"binkd", "binkd/outbound", "binkd/inbound", "binkd/tmp"}) {
        dir.make_directory(folder);
    }
    std::string league = "name = \"Test League\"\naddress = \"21:100/" + std::to_string(b.node) +
                         "\"\nshort_name = \"" + b.name + "\"\nhub = \"21:100/1\"\n" +
                         "outbound = \"" + dir.file("binkd/outbound") + "\"\ninbound = \"" +
                         dir.file("binkd/inbound") + "\"\n";
    std::string binkd = "domain fidonet " + dir.file("binkd/outbound") + " 21\naddress 21:100/" +
                        std::to_string(b.node) + "@fidonet\nsysname \"" + b.name +
                        "\"\nsysop \"Sysop\"\nlocation \"Here\"\nnodeinfo \"TCP,BINKP\"\nlog " +
                        dir.file("binkd/binkd.log") + "\ninbound " + dir.file("binkd/inbound") +
                        "\ntemp-inbound " + dir.file("binkd/tmp") + "\niport " +
                        std::to_string(port) + "\n";
    for (const Board& other : kBoards) {
        if (other.node == b.node || (b.node != 1 && other.node != 1)) continue;
        const int spoke = b.node == 1 ? other.node : b.node;
        const std::string secret = "secret " + std::to_string(spoke);
        league += "[[board]]\naddress = \"21:100/" + std::to_string(other.node) + "\"\nname = \"" +
                  other.name + "\"\nsecret = \"" + secret + "\"\n";
        binkd += "node 21:100/" + std::to_string(other.node) + "@fidonet " +
                 (other.node == 1 ? "127.0.0.1:" + std::to_string(port) : std::string("-")) +
                 " PASSWORD" + std::to_string(spoke) + "\n";
    }
    // The boards the hub passes on for, known by name.
    for (const Board& other : kBoards) {
        if (b.node != 1 && other.node != 1 && other.node != b.node) {
            league += "[[board]]\naddress = \"21:100/" + std::to_string(other.node) +
                      "\"\nname = \"" + other.name + "\"\n";
        }
    }
    dir.write_file("league.toml", league);
    dir.write_file("binkd/binkd.conf", binkd);
    SetUpDoorNode(dir, 1, std::string(b.player) + " Caller");
}

// The hub's binkd, serving until the object goes.
class HubServer {
  public:
    explicit HubServer(const GameDirectory& hub) {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execlp("binkd", "binkd", "-s", "-q", hub.file("binkd/binkd.conf").c_str(), nullptr);
            ::_exit(127);
        }
        ::usleep(300'000);  // listening
    }
    ~HubServer() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }

  private:
    pid_t pid_;
};

// Every board polls the hub once: what it exported leaves, what waits at the hub arrives.
void PollRound(const std::vector<GameDirectory*>& dirs) {
    for (std::size_t i = 1; i < dirs.size(); ++i) {
        const std::string poll =
            "binkd -q -p -P 21:100/1 " + dirs[i]->file("binkd/binkd.conf") + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(poll.c_str()), 0);
    }
}

// maint on every board, then a poll round; the hub's night comes after what the boards sent
// arrived.
void NightAndPoll(const std::vector<GameDirectory*>& dirs) {
    for (std::size_t i = 1; i < dirs.size(); ++i) {
        ASSERT_EQ(RunProgram("maint", dirs[i]->path(), {.args = {"--again"}}).exit_code, 0);
    }
    PollRound(dirs);
    ASSERT_EQ(RunProgram("maint", dirs[0]->path(), {.args = {"--again"}}).exit_code, 0);
    PollRound(dirs);
}

TEST(League, ThreeBoardsAndAHubPlayAsOneThroughBinkd) {
    if (std::system("command -v binkd >/dev/null") != 0) GTEST_SKIP() << "binkd is not installed";
    GameDirectory hub, ashford, brookmere, crossing;
    const std::vector<GameDirectory*> dirs = {&hub, &ashford, &brookmere, &crossing};
    const int port = 20000 + static_cast<int>(::getpid() % 20000);
    for (std::size_t i = 0; i < dirs.size(); ++i) {
        ASSERT_TRUE(dirs[i]->make_game());
        SetUpBoard(*dirs[i], kBoards[i], port);
        GameProcess game("game", *dirs[i], {.args = {"1"}});
        EnterTheForest(game, kBoards[i].player);
        game.type("*");
        ASSERT_EQ(game.wait_exit(), 0);
    }
    HubServer server(hub);
    NightAndPoll(dirs);
    NightAndPoll(dirs);
    for (GameDirectory* dir : dirs) {
        const std::string bulletin = dir->read_file("league.txt");
        for (const char* player : {"Hal", "Ann", "Bob", "Cat"}) {
            EXPECT_NE(bulletin.find(player), std::string::npos) << dir->path() << "\n" << bulletin;
        }
    }

    // Ann, on her league page, and then a letter to Cat at Crossing.
    {
        GameProcess ann("game", ashford, {.args = {"1"}});
        EnterTheForest(ann);
        ann.type("@");
        ASSERT_TRUE(Answer(ann, "League", "l"));
        ASSERT_TRUE(Answer(ann, "Your choice:", "r"));
        ASSERT_TRUE(ann.wait_for_text("Crossing")) << ann.screen_text();
        EXPECT_NE(ann.screen_text().find("Brookmere"), std::string::npos);
        ann.type("\r");
        ASSERT_TRUE(Answer(ann, "Your choice:", "q"));
        ASSERT_TRUE(ann.wait_for_text("Your command?"));
        ann.type("@s");
        WriteMessage(ann, "cat@crossing", "Greetings", "Well met across the hills.");
        ASSERT_TRUE(Answer(ann, "Email sent to Cat (Crossing).", "\r")) << ann.screen_text();
        ann.type("*");
        ASSERT_EQ(ann.wait_exit(), 0);
    }
    NightAndPoll(dirs);
    NightAndPoll(dirs);
    {
        GameProcess cat("game", crossing, {.args = {"1"}});
        EnterTheForest(cat);
        ReadFirstLetter(cat, "Well met across the hills.");
        EXPECT_NE(cat.screen_text().find("Ann (Ashford)"), std::string::npos) << cat.screen_text();
        ASSERT_TRUE(Answer(cat, "Reading Email 1 of 1", "r"));
        ASSERT_TRUE(Answer(cat, "Subject : Re: Greetings", "And to you, Ann.\x18"));
        ASSERT_TRUE(cat.wait_for_text("Email sent to Ann (Ashford).")) << cat.screen_text();
        ASSERT_TRUE(Answer(cat, "Destroy orignal message?", "n"));
        cat.hang_up();
    }
    NightAndPoll(dirs);
    NightAndPoll(dirs);
    GameProcess ann("game", ashford, {.args = {"1"}});
    EnterTheForest(ann);
    ReadFirstLetter(ann, "And to you, Ann.");
    EXPECT_NE(ann.screen_text().find("Cat (Crossing)"), std::string::npos);
}

}  // namespace
}  // namespace vorn::test
