// talk.txt: the night keeps its head and latest lines, and neither the nodes adding remarks nor
// the night trimming beside them loses or tears a line.
#include "common/talk_file.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "support/test_session.hpp"

namespace vorn {
namespace {

std::string Lines(int first, int last, const char* ending = "\n") {
    std::string text;
    for (int i = first; i <= last; ++i) text += "line " + std::to_string(i) + ending;
    return text;
}

TEST(TalkFile, TrimKeepsTheHeadAndTheLatestLines) {
    struct Case {
        std::string before;
        long deleted;
        std::string after;
    };
    const Case cases[] = {
        {Lines(1, 30), 6, Lines(1, 2) + Lines(9, 30)},
        {Lines(1, 25), 0, Lines(1, 25)},
        {Lines(1, 26), 2, Lines(1, 2) + Lines(5, 26)},
        // A last line without its end counts, and stays as it is.
        {Lines(1, 29) + "line 30", 6, Lines(1, 2) + Lines(9, 29) + "line 30"},
        {Lines(1, 30, "\r\n"), 6, Lines(1, 2, "\r\n") + Lines(9, 30, "\r\n")},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        test::WriteFile("talk.txt", c.before);
        EXPECT_EQ(TrimTalkFile("talk.txt"), c.deleted) << c.before.size();
        EXPECT_EQ(test::ReadFile("talk.txt"), c.after);
    }
    test::TempDir dir;
    EXPECT_EQ(TrimTalkFile("talk.txt"), 0);
    EXPECT_FALSE(test::FileExists("talk.txt"));
}

TEST(TalkFile, RemarksFromManyNodesArriveWholeWhileTheNightTrims) {
    test::TempDir dir;
    test::WriteFile("talk.txt", "cut short");  // a line that lost its end
    constexpr int kWriters = 6;
    constexpr int kLines = 200;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string line =
                "node " + std::to_string(w) + " says " + std::string(70, 'a' + w);
            for (int i = 0; i < kLines; ++i) {
                if (!AppendTalkLine("talk.txt", line)) ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    long deleted = 0;
    for (int trims = 0; trims < 50; ++trims) {
        const long n = TrimTalkFile("talk.txt");
        ASSERT_GE(n, 0);
        deleted += n;
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::istringstream in(test::ReadFile("talk.txt"));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "cut short");
    long count = 0;
    while (std::getline(in, line)) {
        ++count;
        ASSERT_EQ(line.size(), 82u) << line;
        EXPECT_EQ(line.find_first_not_of(line[81], 12), std::string::npos) << line;
    }
    // Every remark is either still there or among the lines the night reported deleted.
    EXPECT_EQ(count + deleted, kWriters * kLines);
}

}  // namespace
}  // namespace vorn
