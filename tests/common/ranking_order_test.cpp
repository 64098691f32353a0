// The ranking order must be exactly that of the record-by-record Shell sort on the file, ties
// included, however it is computed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <random>

#include "common/ranking_order.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

// The sort as it was always done: on the file itself, two records in memory at a time.
void ReferenceSortInPlace(const std::string& path) {
    RecordFile f;
    ASSERT_TRUE(f.open(path, sizeof(UserRecord), RecordFile::Access::kReadWrite));
    const std::uint64_t count = f.record_count();
    for (std::uint64_t gap = count / 2; gap > 0; gap /= 2) {
        for (std::uint64_t i = gap + 1; i <= count; ++i) {
            for (std::int64_t j = static_cast<std::int64_t>(i - gap); j > 0;
                 j -= static_cast<std::int64_t>(gap)) {
                UserRecord a, b;
                ASSERT_TRUE(f.read_record(static_cast<std::uint64_t>(j) + gap - 1, a));
                ASSERT_TRUE(f.read_record(static_cast<std::uint64_t>(j) - 1, b));
                if (a.experience < b.experience) break;
                ASSERT_TRUE(f.write_record(static_cast<std::uint64_t>(j) + gap - 1, b));
                ASSERT_TRUE(f.write_record(static_cast<std::uint64_t>(j) - 1, a));
            }
        }
    }
}

void WriteUsers(const std::string& path, const std::vector<std::int32_t>& experience) {
    RecordFile f;
    ASSERT_TRUE(f.create(path, sizeof(UserRecord)));
    for (std::size_t i = 0; i < experience.size(); ++i) {
        UserRecord u = DefaultUserRecord();
        u.number = static_cast<std::uint16_t>(i + 1);
        u.name = "Player " + std::to_string(i);
        u.experience = experience[i];
        ASSERT_TRUE(f.write_record(i, u));
    }
}

// The records in ranking order, one after the other, as the ranking shows them.
void WriteRankedCopy(const std::string& from, const std::string& to) {
    RankedUsers ranked;
    ASSERT_TRUE(ranked.open(from));
    RecordFile out;
    ASSERT_TRUE(out.create(to, sizeof(UserRecord)));
    UserRecord r;
    for (std::uint64_t p = 0; p < ranked.count(); ++p) {
        ASSERT_TRUE(ranked.read(p, r));
        ASSERT_TRUE(out.write_record(p, r));
    }
}

void ExpectSameAsReference(const std::vector<std::int32_t>& experience) {
    WriteUsers("users.dat", experience);
    WriteRankedCopy("users.dat", "ranked.tmp");
    WriteUsers("reference.tmp", experience);
    ReferenceSortInPlace("reference.tmp");
    EXPECT_EQ(test::ReadFile("ranked.tmp"), test::ReadFile("reference.tmp"));
}

TEST(RankingOrder, MatchesTheFileSortWithManyTies) {
    test::TempDir dir;
    std::mt19937 gen(1234);
    std::vector<std::int32_t> few_values(300), all_equal(97, 5), spread(257);
    for (auto& e : few_values) e = static_cast<std::int32_t>(gen() % 6) * 100;
    for (auto& e : spread) e = static_cast<std::int32_t>(gen() % 100000) - 20000;
    ExpectSameAsReference(few_values);
    ExpectSameAsReference(all_equal);
    ExpectSameAsReference(spread);
    ExpectSameAsReference({});
    ExpectSameAsReference({7});
    ExpectSameAsReference({1, 2});
}

// The first places computed alone are those of the whole order, however many ties reach them.
TEST(RankingOrder, TheHeadIsTheStartOfTheWholeOrder) {
    struct Case {
        std::size_t players;
        std::uint32_t values;  // distinct experience values
        std::size_t places;
    };
    std::mt19937 gen(99);
    for (const Case& c : {Case{5000, 1000, 256}, Case{5000, 20, 256}, Case{1000, 1000000, 20},
                          Case{4099, 50, 1}, Case{3, 2, 256}}) {
        SCOPED_TRACE(c.players);
        std::vector<std::int32_t> experience(c.players);
        for (auto& e : experience) e = static_cast<std::int32_t>(gen() % c.values);
        const std::vector<std::uint32_t> whole = RankingOrder(experience);
        const std::vector<std::uint32_t> head = RankingHead(experience, c.places);
        ASSERT_GE(head.size(), std::min(c.places, c.players));
        EXPECT_TRUE(std::equal(head.begin(), head.end(), whole.begin()));
    }
}

TEST(RankingOrder, HighestFirst) {
    const auto order = RankingOrder({5, 50, 0, 50, -3});
    ASSERT_EQ(order.size(), 5u);
    EXPECT_EQ(order[4], 4u);
    EXPECT_EQ(order[2], 0u);
    EXPECT_EQ(order[3], 2u);
}

TEST(RankingOrder, MissingUsersFileIsReported) {
    test::TempDir dir;
    RankedUsers ranked;
    EXPECT_FALSE(ranked.open("users.dat"));
}

}  // namespace
}  // namespace vorn
