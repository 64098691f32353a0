// News files: headers, entries, page pauses, several nodes adding at once, reading and deleting
// personal news — and player names that must not reach other files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <functional>

#include "common/news_files.hpp"
#include "common/player_file_names.hpp"
#include "mail/news.hpp"
#include "player/user_files.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(NewsFiles, FirstEntryCreatesTheDaysFile) {
    test::TestSession t;
    ASSERT_TRUE(AddNews("Ann name has been heard lately!", "global", t.clock));
    EXPECT_EQ(test::ReadFile("global.nws"),
              std::string(25, ' ') + "Vornhold Global News for the 12/07/2026\n" +
                  std::string(kNewsSeparator) + "\nAnn name has been heard lately!\n" +
                  std::string(kNewsSeparator) + "\n");
    ASSERT_TRUE(AddPlayerNews("Interest paid", "Sir Robin Hood", t.clock, false));
    EXPECT_EQ(test::ReadFile("Sir Robi.nws").substr(0, 56),
              std::string(24, ' ') + "Vornhold Personnal News for the ");
    EXPECT_EQ(test::ReadFile("Sir Robi.nws").substr(test::ReadFile("Sir Robi.nws").size() - 14),
              "Interest paid\n");
}

TEST(NewsFiles, PagePausesKeepUpWithTheLines) {
    test::TestSession t;
    std::string file;
    for (int i = 0; i < 24; ++i) file += "line\n";
    test::WriteFile("global.nws", file);
    ASSERT_TRUE(AddNews("entry", "global", t.clock));
    EXPECT_EQ(test::ReadFile("global.nws").substr(24 * 5, 4), "%PA\n");

    std::string longer = "%PA\n";
    for (int i = 0; i < 47; ++i) longer += "line\n";
    test::WriteFile("global.nws", longer);
    ASSERT_TRUE(AddNews("entry", "global", t.clock));
    EXPECT_EQ(test::ReadFile("global.nws").substr(48 * 5 - 1, 4), "%PA\n");
}

// Nodes adding entries to the global news at once, each from its own process; a node whose entry
// could not be added ends with exit code 1.
std::vector<pid_t> StartNodes(int nodes, int each, const std::function<std::string(int)>& entry) {
    std::vector<pid_t> children;
    for (int n = 0; n < nodes; ++n) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ManualClock clock(test::SampleTime());
            for (int i = 0; i < each; ++i) {
                if (!AddNews(entry(n), "global", clock)) ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    return children;
}

TEST(NewsFiles, EntriesFromManyNodesArriveWhole) {
    test::TestSession t;
    constexpr int kNodes = 5, kEach = 40;
    const std::vector<pid_t> children = StartNodes(kNodes, kEach, [](int n) {
        return "node " + std::to_string(n) + " entry " + std::string(200, 'x');
    });
    for (pid_t pid : children) ::waitpid(pid, nullptr, 0);
    const std::string news = test::ReadFile("global.nws");
    int whole = 0;
    std::size_t at = 0;
    while ((at = news.find("node ", at)) != std::string::npos) {
        const std::size_t end = news.find('\n', at);
        EXPECT_EQ(end - at, std::string("node 0 entry ").size() + 200);
        ++whole;
        at = end;
    }
    EXPECT_EQ(whole, kNodes * kEach);
    EXPECT_EQ(news.find("global"), std::string::npos);
    EXPECT_GT(Lines(news), 2 * kNodes * kEach);
}

TEST(ShowNews, PersonalNewsCanBeDeletedGlobalNewsCannot) {
    test::TestSession t;
    t.session.node.pause_delay_ms = 1;
    t.session.users.current = DefaultUserRecord();
    ASSERT_TRUE(AddNews("today", "global", t.clock));

    // A player who calls himself "global" reads and deletes his own file, never the shared one.
    t.session.users.current.name = "global";
    ASSERT_TRUE(AddPlayerNews("yours", "global", t.clock));
    t.terminal.type("y");
    ShowPersonalNews(t.session);
    EXPECT_TRUE(test::FileExists("global.nws"));
    EXPECT_FALSE(test::FileExists(PlayerNewsFileName("global")));

    t.session.users.current.name = "../../tmp/x";
    ASSERT_TRUE(AddPlayerNews("nope", "../../tmp/x", t.clock));
    EXPECT_FALSE(test::FileExists("../../tmp/x.nws"));
    EXPECT_TRUE(test::FileExists(PlayerNewsFileName("../../tmp/x")));
    EXPECT_EQ(PlayerNewsFileName("../../tmp/x").find('/'), std::string::npos);

    // Yesterday's news never asks; a missing file says so.
    t.terminal.output.clear();
    ShowNews(t.session, "yestday");
    t.session.writer.flush();
    EXPECT_NE(t.terminal.output.find("Sorry, no news..."), std::string::npos);
    EXPECT_EQ(t.terminal.output.find("Delete"), std::string::npos);
}

TEST(ShowNews, DeletionIsOfferedOnlyForNewsThatWasShown) {
    struct Case {
        const char* what;
        bool readable;  // the news file can be shown (otherwise a directory stands in its way)
    };
    for (const Case& c : {Case{"a file named with capitals", true}, Case{"unshowable", false}}) {
        test::TestSession t;
        t.session.node.pause_delay_ms = 1;
        t.session.users.current = DefaultUserRecord();
        t.session.users.current.name = "Ann Lee";
        if (c.readable) {
            ASSERT_TRUE(AddPlayerNews("Thieves took 5 gold", "Ann Lee", t.clock));
        } else {
            ASSERT_EQ(::mkdir("Ann Lee.nws", 0755), 0);
        }
        t.terminal.type("y");
        ShowPersonalNews(t.session);
        t.session.writer.flush();
        const std::string& shown = t.terminal.output;
        EXPECT_EQ(shown.find("Thieves took 5 gold") != std::string::npos, c.readable) << c.what;
        EXPECT_EQ(shown.find("Delete personnal news?") != std::string::npos, c.readable) << c.what;
        EXPECT_EQ(shown.find("Sorry, no news...") == std::string::npos, c.readable) << c.what;
        EXPECT_EQ(test::FileExists("Ann Lee.nws"), !c.readable) << c.what;
    }
}

// "Sir Robin Hood" keeps his news in "Sir Robi.nws", "sir robinson" in "sir robi.nws": each
// reads his own. A lower-cased copy is taken only when it is nobody else's.
TEST(ShowNews, EachPlayerReadsTheNewsOfHisOwnName) {
    struct Case {
        const char* other;  // another player, or none
        bool own_file;      // Sir Robin Hood's own file is there
        const char* shown;
    };
    for (const Case& c :
         {Case{"sir robinson", true, "for Sir Robin"},
          Case{"sir robinson", false, "Sorry, no news..."}, Case{nullptr, false, "lower-cased"}}) {
        test::TestSession t;
        t.session.node.pause_delay_ms = 1;
        UserRecord robin = DefaultUserRecord();
        robin.name = robin.real_name = "Sir Robin Hood";
        ASSERT_TRUE(AddUser(t.session, robin));
        if (c.other != nullptr) {
            UserRecord other = DefaultUserRecord();
            other.name = other.real_name = c.other;
            ASSERT_TRUE(AddUser(t.session, other));
        }
        t.session.users.current = robin;
        test::WriteFile("sir robi.nws", "lower-cased\n");
        if (c.own_file) {
            ASSERT_TRUE(AddPlayerNews("for Sir Robin", "Sir Robin Hood", t.clock));
        }
        t.terminal.type("n");
        ShowPersonalNews(t.session);
        t.session.writer.flush();
        EXPECT_NE(t.terminal.output.find(c.shown), std::string::npos) << c.shown;
    }
}

TEST(NewsFiles, RotationMakesTodayYesterday) {
    test::TestSession t;
    test::WriteFile("yestday.nws", "old");
    ASSERT_TRUE(AddNews("today", "global", t.clock));
    RotateNews();
    EXPECT_FALSE(test::FileExists("global.nws"));
    EXPECT_NE(test::ReadFile("yestday.nws").find("today"), std::string::npos);
}

// Nodes adding news while the night rotates it lose no entry: each lands in today's or in
// yesterday's file (the test keeps every yesterday it makes).
TEST(NewsFiles, RotationBesideNodesLosesNoEntry) {
    test::TestSession t;
    constexpr int kNodes = 4, kEach = 300;
    std::vector<pid_t> children = StartNodes(kNodes, kEach, [](int) { return "node entry"; });
    int kept = 0;
    for (std::size_t running = children.size(); running > 0; ++kept) {
        ::rename("yestday.nws", ("kept" + std::to_string(kept)).c_str());
        RotateNews();
        for (pid_t& pid : children) {
            int status = 0;
            if (pid == 0 || ::waitpid(pid, &status, WNOHANG) != pid) continue;
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            pid = 0;
            --running;
        }
    }
    std::string all = test::ReadFile("global.nws") + test::ReadFile("yestday.nws");
    for (int k = 0; k < kept; ++k) all += test::ReadFile("kept" + std::to_string(k));
    std::size_t entries = 0;
    for (auto at = all.find("node entry\n"); at != std::string::npos;
         at = all.find("node entry\n", at + 1)) {
        ++entries;
    }
    EXPECT_EQ(entries, static_cast<std::size_t>(kNodes * kEach));
}

}  // namespace
}  // namespace vorn
