// The node table's heartbeat: alive for two minutes, across the end of a month too, and the reader
// of live nodes that setup, maint and the sysop tools rely on.
#include <gtest/gtest.h>

#include <string>

#include "common/node_records.hpp"
#include "common/record_file.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

DateTime At(int year, int month, int day, int hour, int minute, int second) {
    return test::MakeTime(year, month, day, hour, minute, second);
}

TEST(NodeHeartbeat, AgesWithinAndAcrossMonths) {
    struct Case {
        const char* what;
        DateTime beat;
        DateTime now;
        std::uint32_t age;
    };
    const Case cases[] = {
        {"same minute", At(2026, 5, 9, 10, 0, 0), At(2026, 5, 9, 10, 0, 30), 30},
        {"over midnight", At(2026, 5, 9, 23, 59, 0), At(2026, 5, 10, 0, 1, 0), 120},
        {"last day of a 31-day month", At(2026, 5, 31, 23, 59, 0), At(2026, 6, 1, 0, 0, 30), 90},
        {"a month later", At(2026, 5, 20, 12, 0, 0), At(2026, 6, 19, 12, 0, 0), 30 * 86400},
        {"leap February", At(2024, 2, 29, 23, 0, 0), At(2024, 3, 1, 1, 0, 0), 7200},
        {"new year", At(2025, 12, 31, 23, 59, 59), At(2026, 1, 1, 0, 0, 1), 2},
        {"clock slightly ahead", At(2026, 5, 9, 10, 0, 5), At(2026, 5, 9, 10, 0, 0), 0},
        // A day the previous month lacks: the stamp is from the month before it.
        {"31 October seen on 1 December", At(2026, 10, 31, 12, 0, 0), At(2026, 12, 1, 12, 0, 0),
         31 * 86400},
        {"30 January seen on 2 March", At(2026, 1, 30, 0, 0, 0), At(2026, 3, 2, 0, 0, 0),
         31 * 86400},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NodeHeartbeatAge(NodeSecondsStamp(c.beat), c.now), c.age) << c.what;
    }
}

TEST(NodeHeartbeat, LiveNodesAreYoungerThanTwoMinutesAndInTheirOwnSlot) {
    test::TempDir dir;
    const DateTime now = At(2026, 7, 1, 0, 1, 0);
    RecordFile file;
    ASSERT_TRUE(file.create(kNodeInfoFileName, sizeof(NodeInfoRecord)));
    auto put = [&](int slot, int node, DateTime beat) {
        NodeInfoRecord r{};
        r.node = static_cast<std::uint8_t>(node);
        r.heartbeat = NodeSecondsStamp(beat);
        ASSERT_TRUE(file.write_record(static_cast<std::uint64_t>(slot), r));
    };
    put(0, 1, At(2026, 7, 1, 0, 0, 30));     // 30 s: alive
    put(1, 2, At(2026, 6, 30, 23, 58, 0));   // 180 s over the month's end: gone
    put(2, 0, now);                          // empty slot
    put(3, 5, now);                          // a record in another node's slot
    put(4, 5, At(2026, 6, 30, 23, 59, 30));  // 90 s over the month's end: alive
    file.close();
    const auto live = ReadLiveNodes(kNodeInfoFileName, now);
    ASSERT_EQ(live.size(), 2u);
    EXPECT_EQ(live[0].node, 1);
    EXPECT_EQ(live[1].node, 5);
    EXPECT_TRUE(ReadLiveNodes("missing.dat", now).empty());
}

}  // namespace
}  // namespace vorn
