// strings.dat: creation, repair, the cache and its eviction order.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/session.hpp"
#include "core/system_strings.hpp"
#include "support/test_session.hpp"
#include "term/system_text.hpp"

namespace vorn {
namespace {

std::string Record(std::string_view text) {
    std::string r(256, '\0');
    r[0] = static_cast<char>(text.size());
    r.replace(1, text.size(), text);
    return r;
}

// String n of the table, by its number: these tests go past both ends of it.
std::string StringNumber(test::TestSession& t, int n) {
    return GetSystemString(t.session, static_cast<SystemText>(n));
}

bool Open(test::TestSession& t) {
    int waits = 0;
    return t.session.strings.open(
               "", [&] { ++waits; }, 3) == SystemStrings::OpenResult::kOpened;
}

TEST(SystemStrings, MissingFileIsCreatedWithTheDefaults) {
    test::TestSession t;
    ASSERT_TRUE(Open(t));
    const std::string bytes = test::ReadFile("strings.dat");
    ASSERT_EQ(bytes.size(), 55u * 256u);
    EXPECT_EQ(bytes.substr(0, 256), Record(DefaultSystemString(1)));
    EXPECT_EQ(bytes.substr(54 * 256, 256), Record("Untitled"));
    // Code page 437, a byte a character: no UTF-8 replacement mark shows as three characters.
    for (int n = 1; n <= 55; ++n) {
        EXPECT_EQ(DefaultSystemString(n).find("\xEF\xBF\xBD"), std::string_view::npos) << n;
    }
    EXPECT_EQ(DefaultSystemString(2).substr(6, 3), "\xFE|0");
    EXPECT_EQ(DefaultSystemString(37),
              "|08\\-/ |15De|07let|08e |15a|07l|08l |15r|07ea|08d "
              "|15m|07ai|08l? ");
    EXPECT_EQ(DefaultSystemString(54), "Did you mean %S1? ");
    EXPECT_TRUE(DefaultSystemString(0).empty());
    EXPECT_TRUE(DefaultSystemString(56).empty());
}

TEST(SystemStrings, ShortFileIsRepairedLongFileLeftAlone) {
    test::TestSession t;
    std::string file;
    for (int k = 1; k <= 10; ++k) file += Record(k == 3 ? "   " : "own " + std::to_string(k));
    test::WriteFile("strings.dat", file);
    ASSERT_TRUE(Open(t));
    const std::string bytes = test::ReadFile("strings.dat");
    ASSERT_EQ(bytes.size(), 55u * 256u);
    EXPECT_EQ(bytes.substr(0, 256), Record("own 1"));
    EXPECT_EQ(bytes.substr(2 * 256, 256), Record(DefaultSystemString(3)));
    EXPECT_EQ(bytes.substr(10 * 256, 256), Record(DefaultSystemString(11)));

    test::TestSession s;
    std::string long_file;
    for (int k = 1; k <= 60; ++k) long_file += Record(k % 2 ? "" : "text");
    test::WriteFile("strings.dat", long_file);
    ASSERT_TRUE(Open(s));
    EXPECT_EQ(test::ReadFile("strings.dat"), long_file);
}

TEST(SystemStrings, CacheKeepsFiftyFiveAndDropsTheOldest) {
    test::TestSession t;
    std::string file;
    for (int k = 1; k <= 55; ++k) file += Record("text " + std::to_string(k));
    test::WriteFile("strings.dat", file);
    ASSERT_TRUE(Open(t));
    EXPECT_EQ(StringNumber(t, 0), "");
    EXPECT_EQ(StringNumber(t, 56), "");
    EXPECT_EQ(StringNumber(t, 1), "text 1");
    EXPECT_EQ(t.session.strings.slots()[0], 1);

    // A hit does not reorder the slots.
    StringNumber(t, 2);
    StringNumber(t, 1);
    EXPECT_EQ(t.session.strings.slots()[0], 2);
    EXPECT_EQ(t.session.strings.slots()[1], 1);

    // All 55 strings fit: once loaded, a later change in the file is not seen again.
    for (int k = 1; k <= 55; ++k) StringNumber(t, k);
    EXPECT_EQ(t.session.strings.slots()[0], 55);
    EXPECT_EQ(t.session.strings.slots()[54], 1);
    const int fd = ::open("strings.dat", O_WRONLY);
    const std::string changed = Record("changed");
    ASSERT_EQ(::pwrite(fd, changed.data(), changed.size(), 0), 256);
    ::close(fd);
    EXPECT_EQ(StringNumber(t, 1), "text 1");
}

TEST(SystemStrings, UnreadableTableGivesUpAfterBoundedRetries) {
    test::TestSession t;
    test::WriteFile("strings.dat", "x");
    ::chmod("strings.dat", 0);
    const int waits = test::RunUnprivileged([&] {
        int n = 0;
        const auto result = t.session.strings.open(
            "", [&] { ++n; }, 5);
        return result == SystemStrings::OpenResult::kFailed ? n : 100;
    });
    EXPECT_EQ(waits, 5);
}

}  // namespace
}  // namespace vorn
