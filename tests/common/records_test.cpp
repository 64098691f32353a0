// Record layouts and record files: what goes to disk must come back byte for byte, bytes nobody
// interprets included, and damaged fields must read safely.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "common/city_records.hpp"
#include "common/config_files.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

template <class Record>
std::vector<std::uint8_t> RandomBytes(unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> bytes(sizeof(Record));
    for (auto& b : bytes) b = static_cast<std::uint8_t>(gen());
    return bytes;
}

template <class Record>
void ExpectRoundTrip(unsigned seed) {
    test::TempDir dir;
    const auto bytes = RandomBytes<Record>(seed);
    test::WriteFile("records.dat", std::string(bytes.begin(), bytes.end()) +
                                       std::string(bytes.begin(), bytes.end()));
    RecordFile file;
    ASSERT_TRUE(file.open("records.dat", sizeof(Record), RecordFile::Access::kReadWrite));
    Record r;
    ASSERT_TRUE(file.read_record(1, r));
    ASSERT_TRUE(file.write_record(0, r));
    file.close();
    const std::string back = test::ReadFile("records.dat");
    ASSERT_EQ(back.size(), 2 * sizeof(Record));
    EXPECT_EQ(0, std::memcmp(back.data(), bytes.data(), bytes.size()));
}

TEST(RecordLayout, EveryRecordSurvivesReadAndWriteUnchanged) {
    ExpectRoundTrip<NodeConfig>(1);
    ExpectRoundTrip<GameSettings>(2);
    ExpectRoundTrip<MaintSettings>(3);
    ExpectRoundTrip<UserRecord>(4);
    ExpectRoundTrip<UserExtraRecord>(5);
    ExpectRoundTrip<UserIndexEntry>(6);
    ExpectRoundTrip<CityRecord>(7);
    ExpectRoundTrip<CityArmyRecord>(8);
    ExpectRoundTrip<CityBuildingsRecord>(9);
}

TEST(RecordLayout, ShortStringsCutAndClampDamagedLengths) {
    UserIndexEntry e;
    std::memset(&e, 0, sizeof e);
    e.name = std::string(50, 'x');
    EXPECT_EQ(e.name.size(), 36u);
    // A length byte beyond the capacity (a damaged file) never reads past the field.
    e.name.length = 200;
    EXPECT_EQ(e.name.view().size(), 36u);
    // Setting a shorter text keeps the bytes past the new length as they were.
    e.name = "Al";
    EXPECT_EQ(e.name.str(), "Al");
    EXPECT_EQ(e.name.text[2], 'x');
}

TEST(RecordLayout, BooleansReadAnyNonZeroAndWriteOne) {
    UserRecord u = DefaultUserRecord();
    u.deleted.raw = 7;
    EXPECT_TRUE(u.deleted);
    u.deleted = true;
    EXPECT_EQ(u.deleted.raw, 1);
    u.deleted = false;
    EXPECT_EQ(u.deleted.raw, 0);
}

TEST(RecordFile, ReadsReportShortRecordsAndCountWholeOnes) {
    test::TempDir dir;
    test::WriteFile("short.dat", std::string(75 + 30, 'a'));
    RecordFile file;
    ASSERT_TRUE(file.open("short.dat", 75, RecordFile::Access::kRead));
    EXPECT_EQ(file.record_count(), 1u);
    UserIndexEntry e;
    EXPECT_TRUE(file.read_record(0, e));
    EXPECT_FALSE(file.read_record(1, e));
    EXPECT_FALSE(file.read_record(5, e));
    // A read-only file refuses writes without harm.
    EXPECT_FALSE(file.write_record(0, e));
    RecordFile missing;
    EXPECT_FALSE(missing.open("nothing.dat", 75, RecordFile::Access::kRead));
    EXPECT_EQ(missing.error(), ENOENT);
}

TEST(RecordFile, UncheckedFailuresEndTheProgramWithTheirIoCode) {
    test::TempDir dir;
    test::WriteFile("one.dat", std::string(10, 'a'));
    EXPECT_EXIT(
        {
            RecordFile f;
            f.open("one.dat", 10, RecordFile::Access::kRead);
            char buf[10];
            f.read_checked(3, buf);
        },
        testing::ExitedWithCode(100), "");
    EXPECT_EXIT(
        {
            RecordFile f;
            f.open("one.dat", 10, RecordFile::Access::kRead);
            char buf[10] = {};
            f.write_checked(0, buf);
        },
        testing::ExitedWithCode(101), "");
    EXPECT_EXIT(
        {
            RecordFile f;
            char buf[10];
            f.read_checked(0, buf);
        },
        testing::ExitedWithCode(103), "");
}

TEST(UserRecords, PasswordTransformIsItsOwnInverse) {
    const std::string typed = "Secret99";
    const std::string stored = TransformPassword(typed);
    EXPECT_NE(stored, typed);
    EXPECT_EQ(stored[0], static_cast<char>('S' ^ 1));
    EXPECT_EQ(stored[7], static_cast<char>('9' ^ 8));
    EXPECT_EQ(TransformPassword(stored), typed);
}

TEST(UserRecords, IndexEntryCopiesNamesOnZeroBytes) {
    UserRecord u = DefaultUserRecord();
    u.name = "Sir Robin";
    u.deleted = true;
    const UserIndexEntry e = IndexEntryFor(u);
    EXPECT_EQ(e.name.str(), "Sir Robin");
    EXPECT_EQ(e.real_name.str(), "Joe Board");
    EXPECT_TRUE(e.deleted);
    for (std::size_t i = e.name.size(); i < 36; ++i) EXPECT_EQ(e.name.text[i], 0);
}

}  // namespace
}  // namespace vorn
