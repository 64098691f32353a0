#include "common/file_watch.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "common/record_file.hpp"
#include "common/world_records.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

bool Readable(int fd) {
    struct pollfd p {
        fd, POLLIN, 0
    };
    return ::poll(&p, 1, 0) == 1;
}

TEST(FileWatch, TellsWhatOtherWritersDidToAWatchedFileAsOfAWaitAMomentAgo) {
    constexpr std::uint32_t kWrites = IN_MODIFY;
    constexpr std::uint32_t kRemoval = IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
    struct Case {
        const char* what;
        std::uint32_t events;
        std::function<void(int fd)> act;
        bool changed;
    } cases[] = {
        {"nothing done", kWrites, [](int) {}, false},
        {"a write", kWrites, [](int fd) { ASSERT_EQ(::pwrite(fd, "x", 1, 3), 1); }, true},
        {"a write, watched for removal", kRemoval,
         [](int fd) { ASSERT_EQ(::pwrite(fd, "x", 1, 3), 1); }, false},
        {"removed", kRemoval, [](int) { ASSERT_EQ(::unlink("watched"), 0); }, true},
        {"replaced", kRemoval,
         [](int) {
             test::WriteFile("new", "new");
             ASSERT_EQ(::rename("new", "watched"), 0);
         },
         true},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::WriteFile("watched", "content");
        const int fd = ::open("watched", O_RDWR | O_CLOEXEC);
        FileWatch watch;
        EXPECT_EQ(watch.add(fd, c.events), -1);  // not begun
        ASSERT_TRUE(watch.start());
        const int slot = watch.add(fd, c.events);
        ASSERT_GE(slot, 0);
        EXPECT_EQ(watch.add(fd, c.events), -1);  // one watch to a file
        watch.settle(slot);
        EXPECT_FALSE(watch.unchanged(slot, 0));  // no wait yet
        watch.waited(false, 1000);
        EXPECT_TRUE(watch.unchanged(slot, 1000 + FileWatch::kFreshMs));
        EXPECT_FALSE(watch.unchanged(slot, 1001 + FileWatch::kFreshMs));
        c.act(fd);
        watch.waited(Readable(watch.descriptor()), 2000);
        EXPECT_EQ(watch.unchanged(slot, 2000), !c.changed);
        watch.doubt();  // keys taken without a wait
        EXPECT_FALSE(watch.unchanged(slot, 2000));
        ::close(fd);
        std::remove("watched");
    }
}

// The rooms a caller walks through are kept while rooms.dat is unwritten: a city founded on
// another node shows at the next move after it, one founded here at once, and keys typed ahead
// look again.
TEST(FileWatch, KeptRoomsFollowEveryWriteToRoomsDat) {
    test::TestSession t;
    Session& s = t.session;
    RoomRecord rooms[2]{};
    test::WriteFile("rooms.dat", std::string(reinterpret_cast<char*>(rooms), sizeof rooms));
    ASSERT_TRUE(
        s.world.rooms.open("rooms.dat", sizeof(RoomRecord), RecordFile::Access::kReadWrite));
    ASSERT_TRUE(s.watch.start());
    const auto city_on_move = [&](std::int32_t number) {
        s.keys.wait_for_key(0);
        EXPECT_TRUE(LoadRoom(s, number));
        return s.world.room.city;
    };
    EXPECT_EQ(city_on_move(2), 0);
    EXPECT_EQ(city_on_move(1), 0);
    EXPECT_EQ(s.world.kept_rooms.size(), 2u);
    RecordFile elsewhere;
    ASSERT_TRUE(elsewhere.open("rooms.dat", sizeof(RoomRecord), RecordFile::Access::kReadWrite));
    rooms[1].city = 7;
    ASSERT_TRUE(elsewhere.write_record(1, rooms[1]));
    EXPECT_EQ(city_on_move(2), 7);
    EXPECT_EQ(city_on_move(1), 0);
    rooms[0].city = 3;
    ASSERT_TRUE(SaveRoom(s, 1, rooms[0]));
    EXPECT_TRUE(LoadRoom(s, 1));
    EXPECT_EQ(s.world.room.city, 3);
    // Two keys typed ahead: the second one's move looks at the file again.
    t.terminal.type("ab");
    EXPECT_EQ(s.keys.read_key(), 'a');
    EXPECT_TRUE(LoadRoom(s, 2));
    rooms[1].city = 9;
    ASSERT_TRUE(elsewhere.write_record(1, rooms[1]));
    EXPECT_EQ(s.keys.read_key(), 'b');
    EXPECT_TRUE(LoadRoom(s, 2));
    EXPECT_EQ(s.world.room.city, 9);
}

}  // namespace
}  // namespace vorn
