// The node table on a manual clock: joining the own slot (fresh, stale and live heartbeats, over
// a month's end), a second copy of a running node, leaving, delivery between two sessions in one
// directory, players who meet, the who's-online list and lines on the caller's screen.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "common/record_file.hpp"
#include "core/session.hpp"
#include "node/node_lines.hpp"
#include "node/node_list.hpp"
#include "node/node_table.hpp"
#include "support/file_faults.hpp"
#include "support/session_fixture.hpp"

namespace vorn {
namespace {

using test::FakeTerminal;
using test::RowText;
using test::TempGameDirectory;
using test::ThrowingExit;

DateTime At(int year, int month, int day, int hour, int minute, int second) {
    return test::MakeTime(year, month, day, hour, minute, second);
}

// One node's session in the test's game directory: its own terminal, the shared clock.
struct NodeSession {
    NodeSession(ManualClock& clock, int node, const char* name, std::int32_t room = 5)
        : terminal(clock), platform{clock, dice, terminal, exit} {
        std::filesystem::create_directories("logs");
        Session& s = session;
        s.system.temp_path = "./temp/";
        s.system.log_path = "./logs/";
        s.strings.open(
            "", [] {}, 0);
        s.nodes.multinode = true;
        s.nodes.number = static_cast<std::uint8_t>(node);
        s.time.running = true;
        s.line.local = true;
        s.time.start = clock.now();
        s.time.start_ms = clock.monotonic_ms();
        UserRecord& u = s.users.current;
        u.name = name;
        u.number = static_cast<std::uint16_t>(node);
        u.sex = true;
        u.room = room;
        u.race_name = "Human";
        u.subrace_name = "Highland";
        terminal.type("\x1b[1;2R");
        s.writer.initialize();
        s.writer.flush();
        terminal.take();
    }
    std::string screen() {
        session.writer.flush();
        return terminal.output;
    }

    FakeTerminal terminal;
    ScriptedRandom dice{{0}};
    ThrowingExit exit;
    Platform platform;
    Session session{platform};
};

std::string AllLogs() {
    std::string all;
    for (const auto& entry : std::filesystem::directory_iterator("logs")) {
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        all += text.str();
    }
    return all;
}

std::vector<NodeInfoRecord> Table() {
    std::vector<NodeInfoRecord> records;
    RecordFile file;
    if (!file.open(kNodeInfoFileName, sizeof(NodeInfoRecord), RecordFile::Access::kRead)) {
        return records;
    }
    NodeInfoRecord r{};
    for (std::uint64_t i = 0; file.read_record(i, r); ++i) records.push_back(r);
    return records;
}

void PutRecord(const NodeInfoRecord& r) {
    RecordFile file;
    if (!file.open(kNodeInfoFileName, sizeof(NodeInfoRecord), RecordFile::Access::kReadWrite)) {
        ASSERT_TRUE(file.create(kNodeInfoFileName, sizeof(NodeInfoRecord)));
    }
    ASSERT_TRUE(file.write_record(static_cast<std::uint64_t>(r.node - 1), r));
}

std::vector<std::string> Texts(const NodeSession& n) {
    std::vector<std::string> texts;
    for (const NodeLine& line : n.session.nodes.pending) texts.push_back(line.coded + line.plain);
    return texts;
}

TEST(NodeTable, JoiningTheOwnSlot) {
    struct Case {
        const char* what;
        int node;
        int beat_age;  // seconds; -1: no record in the slot
        DateTime beat;
        bool joins;
        const char* log;
    };
    const DateTime mid_month = At(2026, 7, 15, 10, 0, 0);
    const DateTime month_end = At(2026, 6, 30, 23, 59, 30);
    const Case cases[] = {
        {"node 5 in an empty directory", 5, -1, mid_month, true, ""},
        {"a heartbeat 30 s old", 3, 30, mid_month, false,
         "Node 3 is already running (heartbeat active)"},
        {"a heartbeat 300 s old", 3, 300, mid_month, true, ""},
        {"30 s old over the month's end", 3, 30, month_end, false,
         "Node 3 is already running (heartbeat active)"},
        {"300 s old over the month's end", 3, 300, month_end, true, ""},
        {"node 0", 0, -1, mid_month, false, "Node 0 has no slot in the node table"},
    };
    for (const Case& c : cases) {
        TempGameDirectory dir;
        ManualClock clock(c.beat);
        if (c.beat_age >= 0) {
            NodeInfoRecord old{};
            old.node = static_cast<std::uint8_t>(c.node);
            old.user_name = "Ghost";
            old.heartbeat = NodeSecondsStamp(c.beat);
            PutRecord(old);
            clock.advance_ms(c.beat_age * 1000);
        }
        NodeSession n(clock, c.node, "Ann");
        JoinNodeTable(n.session);
        EXPECT_EQ(n.session.nodes.multinode, c.joins) << c.what;
        EXPECT_EQ(std::filesystem::exists(NodeDataFileName(c.node)), c.joins) << c.what;
        if (c.joins) {
            const std::vector<NodeInfoRecord> table = Table();
            ASSERT_EQ(table.size(), static_cast<std::size_t>(c.node)) << c.what;
            for (int i = 0; i + 1 < c.node; ++i) EXPECT_EQ(table[i].node, 0) << c.what;
            EXPECT_EQ(table.back().node, c.node) << c.what;
            EXPECT_EQ(table.back().user_name.view(), "Ann") << c.what;
        } else {
            EXPECT_NE(AllLogs().find(c.log), std::string::npos) << c.what << AllLogs();
        }
        if (c.beat_age == 30) {
            EXPECT_NE(n.screen().find("Node 3 is already running!"), std::string::npos) << c.what;
        }
    }
}

TEST(NodeTable, ASecondCopyOfANodeIsRefusedAndTheFirstKeepsItsFiles) {
    TempGameDirectory dir;
    ManualClock clock(test::SampleTime());
    NodeSession first(clock, 2, "Ann");
    JoinNodeTable(first.session);
    PostNodeMessage(first.session, kNodeMessageText, 0, "hello");
    FlushNodeMessages(first.session);
    const auto size = std::filesystem::file_size(NodeDataFileName(2));
    ASSERT_EQ(size, 9u);

    NodeSession second(clock, 2, "Bob");
    JoinNodeTable(second.session);
    EXPECT_FALSE(second.session.nodes.multinode);
    EXPECT_NE(AllLogs().find("Node 2 is already running (locked)!"), std::string::npos);
    EXPECT_NE(second.screen().find("Node 2 is already running!"), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(NodeDataFileName(2)), size);
    NodeInfoRecord r{};
    ASSERT_TRUE(ReadNodeRecord(first.session, 2, r));
    EXPECT_EQ(r.user_name.view(), "Ann");
    EXPECT_EQ(r.data_size, size);

    // Back from the title menu, the first copy plays on in the table.
    clock.advance_ms(5000);
    JoinNodeTable(first.session);
    EXPECT_TRUE(first.session.nodes.multinode);
    EXPECT_TRUE(first.session.nodes.joined);

    LeaveNodeTable(first.session);
    EXPECT_FALSE(ReadNodeRecord(first.session, 2, r));
    EXPECT_EQ(r.node, 0);
    EXPECT_FALSE(std::filesystem::exists(NodeDataFileName(2)));
}

TEST(NodeTable, ADeletionRefusedAtTheEndIsGivenUpAfterAFewSeconds) {
    TempGameDirectory dir;
    std::filesystem::create_directories("sub");
    ManualClock clock(test::SampleTime());
    NodeSession n(clock, 4, "Ann");
    n.session.system.data_path = "sub/";
    JoinNodeTable(n.session);
    ASSERT_TRUE(n.session.nodes.joined);
    ::chmod("logs", 0777);
    ::chmod("sub", 0555);
    const int tenths = test::RunUnprivileged([&] {
        const std::int64_t start = clock.monotonic_ms();
        LeaveNodeTable(n.session);
        return static_cast<int>((clock.monotonic_ms() - start) / 100);
    });
    ::chmod("sub", 0755);
    EXPECT_EQ(tenths, 30);
    EXPECT_TRUE(std::filesystem::exists("sub/" + NodeDataFileName(4)));
    EXPECT_NE(AllLogs().find("Error erasing node data file upon termination"), std::string::npos);
}

TEST(NodeMessages, EveryLineArrivesOnceInOrderAndAFullQueueNeverStalls) {
    TempGameDirectory dir;
    ManualClock clock(test::SampleTime());
    NodeSession ann(clock, 1, "Ann");
    NodeSession bob(clock, 2, "Bob");
    JoinNodeTable(ann.session);
    JoinNodeTable(bob.session);
    std::vector<std::string> expected;
    {
        // Every write of the data file moves only half its bytes: the rest follows.
        const test::FaultyFileCalls halves({.call = 1, .every = true, .on_call = "write"});
        // 40 lines of 60 characters: the 1024-byte queue is written out on the way, twice.
        for (int i = 0; i < 40; ++i) {
            std::string text = "line " + std::to_string(i);
            text.resize(60, '.');
            PostNodeMessage(bob.session, kNodeMessageText, 1, text);
            expected.push_back(NodeLinePrefix("Bob", 2, false) + text);
        }
        PostNodeMessage(bob.session, kNodeMessageText, 3, "for node 3 only");
        PostNodeMessage(bob.session, kNodeMessageText, 0, "to everyone");
        expected.push_back(NodeLinePrefix("Bob", 2, true) + "to everyone");
        AnnounceToAllNodes(bob.session, "|14Bob|06 has founded a city");
        expected.push_back("|14Bob|06 has founded a city");
        EXPECT_TRUE(halves.record().fired);
    }

    ExchangeNodeData(ann.session);
    EXPECT_EQ(Texts(ann), expected);
    ann.session.nodes.pending.clear();
    ExchangeNodeData(ann.session);
    EXPECT_TRUE(ann.session.nodes.pending.empty());

    // A node that starts again starts its stream afresh, and it is read from its beginning.
    LeaveNodeTable(bob.session);
    clock.advance_ms(2000);
    NodeSession again(clock, 2, "Cy");
    JoinNodeTable(again.session);
    PostNodeMessage(again.session, kNodeMessageText, 1, "fresh");
    FlushNodeMessages(again.session);
    ExchangeNodeData(ann.session);
    EXPECT_EQ(Texts(ann), std::vector<std::string>{NodeLinePrefix("Cy", 2, false) + "fresh"});

    // The table gone in the middle of a stay: the node plays on alone and cleans up after itself.
    std::filesystem::remove(kNodeInfoFileName);
    ExchangeNodeData(ann.session);
    EXPECT_FALSE(ann.session.nodes.multinode);
    EXPECT_FALSE(std::filesystem::exists(NodeDataFileName(1)));
    EXPECT_NE(AllLogs().find("Multinode stopped, node 1 continues in isolation"),
              std::string::npos);
}

// Ann in room 5 at her command prompt, Bob in room 7, both in the node table.
struct TwoPlayers {
    explicit TwoPlayers(const char* bob_name) : bob(clock, 2, bob_name, 7) {
        JoinNodeTable(ann.session);
        JoinNodeTable(bob.session);
    }
    TempGameDirectory dir;
    ManualClock clock{test::SampleTime()};
    NodeSession ann{clock, 1, "Ann", 5};
    NodeSession bob;
    NodeMessageRow at_prompt{ann.session, 12};
};

TEST(NodeMessages, PlayersWhoMeetSeeEachOtherArriveAndLeave) {
    TwoPlayers two("Bob");
    NodeSession& ann = two.ann;
    NodeSession& bob = two.bob;
    EXPECT_EQ(PlayersHereText(ann.session), "");

    bob.session.users.current.room = 5;
    UpdateNodeInfo(bob.session, "Glade");
    ExchangeNodeData(ann.session);
    EXPECT_EQ(PlayersHereText(ann.session), "You see a Male Highland Human");
    bob.session.users.current.room = 9;
    UpdateNodeInfo(bob.session, "Ridge");
    ExchangeNodeData(ann.session);
    EXPECT_EQ(Texts(ann), (std::vector<std::string>{"|11Bob|03 arrives.", "|11Bob|03 leaves."}));
    EXPECT_EQ(PlayersHereText(ann.session), "");
}

// The round keeps the table it read while the file's stamp stays; a table written long ago is
// not read again, but a write, or another file put in its place with the same size and time, is.
TEST(NodeMessages, TheRoundSeesEveryChangeOfAQuietTable) {
    TwoPlayers two("Bob");
    NodeSession& ann = two.ann;
    NodeSession& bob = two.bob;
    const auto age = [](const char* path) {
        const timespec long_ago[2] = {{1000000000, 0}, {1000000000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path, long_ago, 0), 0);
    };
    const auto bob_in_room = [&](std::int32_t room) {
        bob.session.users.current.room = room;
        UpdateNodeInfo(bob.session, "Glade");
    };
    bob_in_room(5);
    age(kNodeInfoFileName);
    ExchangeNodeData(ann.session);
    {
        const test::FaultyFileCalls counted({.on_call = "pread"});
        ExchangeNodeData(ann.session);
        EXPECT_EQ(counted.record().calls, 0);  // quiet: nothing read
    }
    bob_in_room(6);
    ExchangeNodeData(ann.session);
    std::filesystem::copy_file(kNodeInfoFileName, "replacement.dat");
    bob_in_room(5);
    age(kNodeInfoFileName);
    age("replacement.dat");
    ExchangeNodeData(ann.session);
    ExchangeNodeData(ann.session);
    std::filesystem::rename("replacement.dat", kNodeInfoFileName);
    ExchangeNodeData(ann.session);
    EXPECT_EQ(Texts(ann), (std::vector<std::string>{"|11Bob|03 arrives.", "|11Bob|03 leaves.",
                                                    "|11Bob|03 arrives.", "|11Bob|03 leaves."}));
}

// A name stored with codes before names were checked, and what the other nodes make of it.
TEST(NodeMessages, ANameWithCodesReachesTheOthersWithItsColoursOnly) {
    TwoPlayers two("|14Bob|CS%PA");
    NodeSession& ann = two.ann;
    NodeSession& bob = two.bob;
    PostNodeMessage(bob.session, kNodeMessageText, 0, "hi |CS");
    AnnounceToAllNodes(bob.session, "|14|14Bob|CS%PA|06 has founded a city");
    bob.session.users.current.room = 5;
    UpdateNodeInfo(bob.session, "|DSGlade");
    ExchangeNodeData(ann.session);
    EXPECT_EQ(Texts(ann), (std::vector<std::string>{
                              "|11|14BobCSPA |03(2, to all)|08: |07hi |CS",  // typed: as text
                              "|14|14BobCSPA|06 has founded a city", "|11|14BobCSPA|03 arrives."}));

    ann.terminal.take();
    ShowNodeList(ann.session);
    std::ofstream("nodemid.ans") << "~UN/~ST|";
    std::ofstream("nodetop.ans") << "\r\n";
    std::ofstream("nodebot.ans") << "\r\n";
    ShowNodeList(ann.session);
    const std::string screen = ann.screen();
    EXPECT_NE(screen.find("BobCSPA          DSGlade"), std::string::npos) << screen;
    EXPECT_NE(screen.find("BobCSPA/DSGlade|"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("\x1b[2J"), std::string::npos) << screen;
}

TEST(NodeList, PlainAndTemplateForms) {
    TempGameDirectory dir;
    ManualClock clock(test::SampleTime());  // 7 December 2026, 10:15
    const auto record = [&](int node, const char* name, int days, int hour, int minute, int speed) {
        NodeInfoRecord r{};
        r.node = static_cast<std::uint8_t>(node);
        r.user_name = name;
        r.user_location = name[0] == '-' ? "---" : "Vornwood";
        r.user_number = static_cast<std::uint16_t>(node);
        r.sex_letter = 'F';
        r.activity = "Forest Edge";
        r.race_name = "Elf";
        r.subrace_name = "Wood";
        r.speed = speed;
        r.logon_time[0] = NodeDayNumber(clock.now()) - days;
        r.logon_time[1] = hour;
        r.logon_time[2] = minute;
        r.heartbeat = NodeSecondsStamp(clock.now());
        return r;
    };
    PutRecord(record(1, "Ann", 0, 9, 10, 0));     // on for 1 h 5 min, locally
    PutRecord(record(2, "---", 0, 10, 0, 0));     // waiting for a caller
    PutRecord(record(3, "Cy", 5, 10, 0, 38400));  // five days: the hours stop at 99
    NodeInfoRecord dead = record(4, "Dee", 0, 9, 0, 0);
    dead.heartbeat = NodeSecondsStamp(clock.now()) - 300;
    PutRecord(dead);

    NodeSession n(clock, 1, "Ann");
    ShowNodeList(n.session);
    const Writer& w = n.session.writer;
    EXPECT_EQ(RowText(w, 2).substr(0, 33), " Node Username         Activity  ");
    EXPECT_EQ(RowText(w, 4),
              " 1    Ann              Forest Edge                             Local  01:05");
    EXPECT_EQ(RowText(w, 5),
              " 2    ---              Waiting for user                        ---    --:--");
    EXPECT_EQ(RowText(w, 6),
              " 3    Cy               Forest Edge                             38400  99:15");
    EXPECT_EQ(RowText(w, 7), std::string(79, '\xC4'));

    n.session.writer.clear_screen();
    n.session.writer.go_to(1, 1);
    std::ofstream("nodetop.ans") << "top\r\n";
    std::ofstream("nodemid.ans") << "~ND/~UN/~RN/~ID/~BR/~TO/~ST/~SX/~AG";
    std::ofstream("nodebot.ans") << "bot\r\n";
    ShowNodeList(n.session);
    EXPECT_EQ(RowText(w, 2), "1/Ann/Vornwood/1/Local/01:05/Forest Edge/F/Wood Elf");
    EXPECT_EQ(RowText(w, 3), "2/---/---/--/---/--:--/Waiting for user/-/--");
    EXPECT_EQ(RowText(w, 5), "bot");

    n.session.nodes.multinode = false;
    n.screen();
    n.terminal.take();
    ShowNodeList(n.session);
    EXPECT_NE(n.screen().find("This is "), std::string::npos);
}

TEST(NodeLines, TheTypedLineMovesDownAndACoveredRowComesBack) {
    TempGameDirectory dir;
    ManualClock clock(test::SampleTime());
    NodeSession n(clock, 1, "Ann");
    Writer& w = n.session.writer;
    const NodeLine line{NodeLinePrefix("Bob", 2, false), "well met", false};

    // A scrolling screen: the line takes the caller's row, what he typed goes one down.
    w.go_to(1, 10);
    w.print_text("Name: Bo");
    QueueNodeLine(n.session, line);
    ShowNodeLines(n.session);
    EXPECT_EQ(RowText(w, 10), "Bob (2): well met");
    EXPECT_EQ(RowText(w, 11), "Name: Bo");
    EXPECT_EQ(w.cursor_column(), 9);
    EXPECT_EQ(w.cursor_row(), 11);

    // A full screen, its menu's frame right of the cursor: a row is covered, then given back.
    w.clear_screen();
    w.go_to(1, 24);
    w.print_text("frame");
    w.go_to(1, 23);
    w.print_text("Where to?  ====");
    w.go_to(11, 23);
    QueueNodeLine(n.session, line);
    ShowNodeLines(n.session);
    EXPECT_EQ(RowText(w, 24), "Bob (2): well met");
    EXPECT_EQ(RowText(w, 23), "Where to?  ====");
    clock.advance_ms(6000);
    ShowNodeLines(n.session);
    EXPECT_EQ(RowText(w, 24), "frame");
    EXPECT_EQ(w.cursor_column(), 11);

    // The exploration prompt: the message row.
    const NodeMessageRow at_prompt(n.session, 12);
    QueueNodeLine(n.session, line);
    ShowNodeLines(n.session);
    EXPECT_EQ(RowText(w, 12), " Bob (2): well met");
}

}  // namespace
}  // namespace vorn
