// Reset Game: what it removes and reports, what it keeps, the rooms' cities it clears, and the
// live nodes that forbid it.
#include "setup/reset_game.hpp"

#include <gtest/gtest.h>

#include "common/message_area_record.hpp"
#include "common/node_records.hpp"
#include "common/record_file.hpp"
#include "common/world_records.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

// The report as the screen ends up showing it: heading, "[", the dots, the ending.
class RecordedReport final : public ResetReport {
  public:
    void begin(std::string_view heading, int) override {
        lines.push_back(std::string(heading) + "[");
    }
    void dot() override { lines.back() += "."; }
    void end(std::string_view ending) override { lines.back() += ending; }
    std::vector<std::string> lines;
};

std::string Bytes(const void* record, std::size_t size) {
    return std::string(static_cast<const char*>(record), size);
}

TEST(ResetGame, WithNoPlayerFilesEveryLineEndsDone) {
    test::TempDir dir;
    RecordedReport report;
    ResetGame(report);
    const std::vector<std::string> expected = {
        "Removing User files [...] Done",       "Removing E-Mails [...] Done!",
        "Removing News Files [] Done!",         "Removing No Play Files [] Done!",
        "Removing Cities files [] Done!",       "Removing Score Bulletins [] Done!",
        "Clearing Cities from rooms [0] Done!",
    };
    EXPECT_EQ(report.lines, expected);
}

TEST(ResetGame, RemovesThePlayersAndTheirWorkAndKeepsTheRest) {
    test::TempDir dir;
    const char* const removed[] = {"users.dat",   "users.idx",      "user2.dat",    "EMAIL.jdt",
                                   "EMAIL.jhr",   "EMAIL.jlr",      "global.nws",   "Joe.nws",
                                   "ANN.npl",     "cities.dat",     "cities2.dat",  "cities3.dat",
                                   "ranking.ans", "ranking.txt",    "ranking.html", "cities.ans",
                                   "cities.txt",  "ranking.txt.tmp"};
    const char* const kept[] = {"vorn1.dat",  "setup.dat",  "maint.dat",   "lockfile.lck",
                                "armys.dat",  "buildg.dat", "msgarea.dat", "talk.txt",
                                "events.dat", "nws.txt",    "ranking.dat", "cities.txt.old"};
    for (const char* name : removed) test::WriteFile(name, "x");
    for (const char* name : kept) test::WriteFile(name, "x");
    ::mkdir("old.nws", 0755);  // a directory is no news file

    MessageAreaRecord email{};
    email.area_file = "EMAIL";
    email.message_count = 5;
    email.max_messages = 64000;
    test::WriteFile("email.dat", Bytes(&email, sizeof email));

    RoomRecord rooms[3]{};
    for (int i = 0; i < 3; ++i) {
        rooms[i].number = i + 1;
        rooms[i].tag = "Room";
        rooms[i].reserved_626[0] = 0x5a;  // a byte nobody reads survives
    }
    rooms[1].city = 1;
    rooms[2].city = 2;
    test::WriteFile("rooms.dat", Bytes(rooms, sizeof rooms));

    RecordedReport report;
    ResetGame(report);
    const std::vector<std::string> expected = {
        "Removing User files [...] Done",       "Removing E-Mails [...] Done!",
        "Removing News Files [..] Done!",       "Removing No Play Files [.] Done!",
        "Removing Cities files [...] Done!",    "Removing Score Bulletins [......] Done!",
        "Clearing Cities from rooms [2] Done!",
    };
    EXPECT_EQ(report.lines, expected);
    for (const char* name : removed) EXPECT_FALSE(test::FileExists(name)) << name;
    for (const char* name : kept) EXPECT_TRUE(test::FileExists(name)) << name;

    rooms[1].city = 0;
    rooms[2].city = 0;
    EXPECT_EQ(test::ReadFile("rooms.dat"), Bytes(rooms, sizeof rooms));
    email.message_count = 0;
    EXPECT_EQ(test::ReadFile("email.dat"), Bytes(&email, sizeof email));
}

TEST(ResetGame, NodesInPlayAreTheLiveOnesOfTheNodeTable) {
    test::TempDir dir;
    const DateTime now = test::SampleTime();
    NodeInfoRecord nodes[3]{};
    nodes[0].node = 1;  // left an hour ago
    nodes[0].user_name = "Gone";
    nodes[0].heartbeat = NodeSecondsStamp(now) - 3600;
    nodes[1].node = 2;
    nodes[1].user_name = "Ann";
    nodes[1].heartbeat = NodeSecondsStamp(now) - 5;
    nodes[2].node = 3;  // a node between callers
    nodes[2].heartbeat = NodeSecondsStamp(now);
    EXPECT_TRUE(NodesInPlay(now).empty());
    test::WriteFile(kNodeInfoFileName, Bytes(nodes, sizeof nodes));
    EXPECT_EQ(NodesInPlay(now), (std::vector<std::string>{"Node 2: Ann", "Node 3"}));
}

}  // namespace
}  // namespace vorn
