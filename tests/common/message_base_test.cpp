// Message areas on disk: messages stored whole with their text, the area's limit, packing
// (also while nodes post and read, and after a crash), the last-read file and email.dat.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "common/message_area_files.hpp"
#include "common/message_base.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

MessageHeader Header(std::string_view subject, std::uint32_t written = 0,
                     std::uint16_t status = 0) {
    MessageHeader h;
    std::memset(&h, 0, sizeof h);
    h.subject = subject;
    h.written = written;
    h.status = status;
    return h;
}

// The lines of a test message name it, so a text that strays to another header shows.
std::vector<std::string> Text(std::string_view subject, int lines) {
    std::vector<std::string> text;
    for (int i = 0; i < lines; ++i)
        text.push_back(std::string(subject) + " line " + std::to_string(i));
    return text;
}

bool Post(MessageBase& base, std::string_view subject, int lines, std::uint16_t status = 0,
          std::uint32_t written = 0) {
    MessageHeader h = Header(subject, written, status);
    return base.append(Text(subject, lines), h, MessageLimit{}) == StoreResult::kStored;
}

// Every message's text is its own; returns the subjects in order.
std::vector<std::string> CheckedSubjects(const MessageBase& base) {
    std::vector<std::string> subjects;
    for (std::uint32_t n = 1; n <= base.count(); ++n) {
        MessageHeader h;
        std::vector<std::string> lines;
        EXPECT_TRUE(base.read_header(n, h) && base.read_text(h, lines));
        EXPECT_EQ(lines, Text(h.subject.view(), h.text_lines)) << "message " << n;
        subjects.push_back(h.subject.str());
    }
    return subjects;
}

TEST(MessageBase, MessagesKeepTheirTextAndTheOrderOfTheirTimes) {
    test::TempDir dir;
    MessageBase base;
    ASSERT_TRUE(base.open("", "GEN"));
    EXPECT_EQ(base.count(), 0u);
    ASSERT_TRUE(Post(base, "one", 3, 0, 500));
    ASSERT_TRUE(Post(base, "two", 0, 0, 700));
    // A node whose clock is behind does not put its message before the last one.
    ASSERT_TRUE(Post(base, "three", 2, 0, 600));
    EXPECT_EQ(CheckedSubjects(base), (std::vector<std::string>{"one", "two", "three"}));
    MessageHeader h;
    ASSERT_TRUE(base.read_header(3, h));
    EXPECT_EQ(h.written, 700u);
    EXPECT_EQ(h.text_start, 4u);
    EXPECT_FALSE(base.read_header(4, h));

    struct Case {
        std::uint32_t last_read;
        std::uint32_t first_new;
    };
    for (const Case c :
         {Case{0, 1}, Case{499, 1}, Case{500, 2}, Case{699, 2}, Case{700, 4}, Case{900, 4}}) {
        EXPECT_EQ(base.first_written_after(c.last_read), c.first_new) << c.last_read;
    }
}

TEST(MessageBase, AFullAreaRefusesOrRetiresItsOldestMessages) {
    test::TempDir dir;
    MessageBase base;
    ASSERT_TRUE(base.open("", "GEN"));
    ASSERT_TRUE(Post(base, "a", 1));
    ASSERT_TRUE(Post(base, "b", 1, kMessageDeleted));
    ASSERT_TRUE(Post(base, "c", 1));
    MessageHeader h = Header("d");
    // Two live messages of a limit of three: a deleted one takes no place.
    EXPECT_EQ(base.append({}, h, MessageLimit{3, false}), StoreResult::kStored);
    h = Header("e");
    EXPECT_EQ(base.append({}, h, MessageLimit{3, false}), StoreResult::kFull);
    StoreInfo info;
    EXPECT_EQ(base.append({}, h, MessageLimit{3, true}, &info), StoreResult::kStored);
    EXPECT_EQ(info.retired, 1u);
    EXPECT_EQ(info.number, 5u);
    ASSERT_TRUE(base.read_header(1, h));
    EXPECT_TRUE(h.status & kMessageDeleted);  // "a", the oldest live one
    ASSERT_TRUE(base.read_header(3, h));
    EXPECT_FALSE(h.status & kMessageDeleted);
}

TEST(MessageBase, PackingDropsDeletedMessagesButNotWhileSomebodyReads) {
    test::TempDir dir;
    MessageBase base;
    ASSERT_TRUE(base.open("", "GEN"));
    for (const char* s : {"m1", "m2", "m3", "m4", "m5"}) {
        ASSERT_TRUE(Post(base, s, s[1] - '0', s[1] == '2' || s[1] == '4' ? kMessageDeleted : 0));
    }
    // A crashed pack left a file of its own behind; the next pack clears it away.
    test::WriteFile("GEN.jdt.a1b2c3", "junk");

    ASSERT_TRUE(base.hold());
    const PackResult busy = PackMessageBase("", "GEN");
    EXPECT_TRUE(busy.busy);
    EXPECT_FALSE(busy.ok);
    EXPECT_EQ(base.count(), 5u);
    base.release();

    const PackResult packed = PackMessageBase("", "GEN");
    EXPECT_TRUE(packed.ok);
    EXPECT_EQ(packed.kept, 3u);
    EXPECT_EQ(packed.removed, 2u);
    EXPECT_FALSE(test::FileExists("GEN.jdt.a1b2c3"));
    EXPECT_FALSE(test::FileExists("GEN.jpk"));
    // The open handle notices the new files on its next write.
    ASSERT_TRUE(Post(base, "m6", 1));
    EXPECT_EQ(CheckedSubjects(base), (std::vector<std::string>{"m1", "m3", "m5", "m6"}));
    EXPECT_EQ(test::ReadFile("GEN.jdt").size(), (1 + 3 + 5 + 1) * sizeof(MessageTextLine));
}

TEST(MessageBase, APackCutShortByACrashIsFinishedByTheNextWriter) {
    test::TempDir dir;
    {
        MessageBase old;
        ASSERT_TRUE(old.open("", "GEN"));
        ASSERT_TRUE(Post(old, "gone", 2, kMessageDeleted));
        ASSERT_TRUE(Post(old, "kept", 1));
    }
    // The new files and the journal are written; the text file was renamed, the header file not.
    MessageHeader kept = Header("kept");
    kept.text_start = 1;
    kept.text_lines = 1;
    MessageTextLine line{};
    line = "kept line 0";
    test::WriteFile("GEN.jhr.AAAAAA", std::string(reinterpret_cast<char*>(&kept), sizeof kept));
    test::WriteFile("GEN.jdt", std::string(reinterpret_cast<char*>(&line), sizeof line));
    test::WriteFile("GEN.jpk", "GEN.jdt.BBBBBB\nGEN.jhr.AAAAAA\n");

    MessageBase base;
    ASSERT_TRUE(base.open("", "GEN"));
    ASSERT_TRUE(Post(base, "new", 1));
    EXPECT_FALSE(test::FileExists("GEN.jpk"));
    EXPECT_FALSE(test::FileExists("GEN.jhr.AAAAAA"));
    EXPECT_EQ(CheckedSubjects(base), (std::vector<std::string>{"kept", "new"}));
}

// Eight nodes post 500 messages each, every tenth already deleted, while a ninth packs the area
// over and over and a tenth reads it through: afterwards every live message is there once, whole.
TEST(MessageBase, NodesPostingWhileAnotherPacksLoseNothing) {
    test::TempDir dir;
    constexpr int kPosters = 8, kEach = 500;
    int stop[2];
    ASSERT_EQ(::pipe(stop), 0);
    const auto spawn = [&](auto&& body) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(stop[1]);
            ::_exit(body());
        }
        return pid;
    };
    // Runs `body` until the parent closes the pipe.
    const auto until_stopped = [&](auto&& body) {
        return [&, body] {
            ::fcntl(stop[0], F_SETFL, O_NONBLOCK);
            char c;
            int rounds = 0;
            while (::read(stop[0], &c, 1) < 0) {
                if (!body()) return 1;
                ++rounds;
            }
            return rounds > 0 ? 0 : 2;
        };
    };
    const pid_t packer = spawn(until_stopped([] { return PackMessageBase("", "GEN").ok || true; }));
    const pid_t reader = spawn(until_stopped([] {
        MessageBase base;
        if (!base.open("", "GEN") || !base.hold()) return false;
        for (std::uint32_t n = 1; n <= base.count(); n += 37) {
            MessageHeader h;
            std::vector<std::string> lines;
            if (!base.read_header(n, h) || !base.read_text(h, lines) ||
                lines != Text(h.subject.view(), h.text_lines)) {
                return false;
            }
        }
        base.close();
        ::usleep(2000);  // leaves the packer its chances
        return true;
    }));
    std::vector<pid_t> posters;
    for (int p = 0; p < kPosters; ++p) {
        posters.push_back(spawn([p] {
            MessageBase base;
            if (!base.open("", "GEN")) return 1;
            for (int i = 0; i < kEach; ++i) {
                const std::string subject = "p" + std::to_string(p) + " m" + std::to_string(i);
                if (!Post(base, subject, 1 + i % 4, i % 10 == 0 ? kMessageDeleted : 0)) return 1;
            }
            return 0;
        }));
    }
    const auto exit_code = [](pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
    };
    for (const pid_t pid : posters) EXPECT_EQ(exit_code(pid), 0);
    ::close(stop[1]);
    EXPECT_EQ(exit_code(packer), 0);
    EXPECT_EQ(exit_code(reader), 0);
    ::close(stop[0]);

    ASSERT_TRUE(PackMessageBase("", "GEN").ok);
    MessageBase base;
    ASSERT_TRUE(base.open("", "GEN"));
    const std::vector<std::string> subjects = CheckedSubjects(base);
    const std::set<std::string> distinct(subjects.begin(), subjects.end());
    EXPECT_EQ(subjects.size(), std::size_t{kPosters * kEach * 9 / 10});
    EXPECT_EQ(distinct.size(), subjects.size());
    EXPECT_EQ(distinct.count("p3 m0"), 0u);
    EXPECT_EQ(distinct.count("p7 m499"), 1u);
}

TEST(MessageAreaFiles, LastReadFileIsRebuiltForThePlayers) {
    test::TempDir dir;
    LastReadRecord r{};
    // Missing: made with a new record for each of the 3 players.
    ASSERT_TRUE(ReadLastRead("GEN.jlr", 2, 3, r));
    EXPECT_EQ(r.first, 1u);
    EXPECT_EQ(r.high_water, 0u);
    EXPECT_EQ(test::ReadFile("GEN.jlr").size(), 3 * sizeof(LastReadRecord));
    r.high_water = 1234;
    ASSERT_TRUE(WriteLastRead("GEN.jlr", 2, r));
    // A player past the end extends it and keeps the records before him.
    ASSERT_TRUE(ReadLastRead("GEN.jlr", 5, 3, r));
    EXPECT_EQ(test::ReadFile("GEN.jlr").size(), 5 * sizeof(LastReadRecord));
    ASSERT_TRUE(ReadLastRead("GEN.jlr", 2, 3, r));
    EXPECT_EQ(r.high_water, 1234u);
    // Records past the players' count are kept: another node may have added the player.
    test::WriteFile("GEN.jlr", std::string(20 * sizeof(LastReadRecord), '\x07'));
    ASSERT_TRUE(ReadLastRead("GEN.jlr", 20, 3, r));
    EXPECT_EQ(r.high_water, 0x07070707u);
    EXPECT_EQ(test::ReadFile("GEN.jlr").size(), 20 * sizeof(LastReadRecord));
    EXPECT_FALSE(ReadLastRead("GEN.jlr", 0, 3, r));
}

TEST(MessageAreaFiles, EmailAreaRecordAndCounts) {
    test::TempDir dir;
    MessageAreaRecord area{};
    ASSERT_TRUE(LoadEmailArea("email.dat", "Sam Sysop", area));
    const std::string bytes = test::ReadFile("email.dat");
    ASSERT_EQ(bytes.size(), 300u);
    EXPECT_EQ(bytes.substr(0, 13), std::string("\x0cPrivate Mail"));
    EXPECT_EQ(bytes.substr(41, 6), std::string("\x05"
                                               "EMAIL"));
    EXPECT_EQ(bytes.substr(91, 10), std::string("\x09Sam Sysop"));
    EXPECT_EQ(static_cast<unsigned char>(bytes[170]) + 256 * static_cast<unsigned char>(bytes[171]),
              64000);
    EXPECT_EQ(bytes.substr(196, 3), std::string("\0\1\1", 3));

    // The count of messages stops at 65535 and leaves the rest of the record alone.
    ASSERT_TRUE(StoreAreaMessageCount("email.dat", 0, 70000));
    ASSERT_TRUE(ReadAreaRecord("email.dat", 0, area));
    EXPECT_EQ(area.message_count, 65535);
    EXPECT_EQ(area.area_sysop.view(), "Sam Sysop");
    EXPECT_EQ(CountAreaRecords("email.dat"), 1u);
    EXPECT_FALSE(StoreAreaMessageCount("email.dat", 1, 5));

    const DateTime t{2026, 12, 7, 1, 13, 5, 59};
    const DateTime back = UnpackDosDateTime(PackDosDateTime(t));
    EXPECT_EQ(
        std::vector<int>({back.year, back.month, back.day, back.hour, back.minute, back.second}),
        std::vector<int>({2026, 12, 7, 13, 5, 58}));
}

}  // namespace
}  // namespace vorn
