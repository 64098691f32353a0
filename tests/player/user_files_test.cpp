// users.dat, user2.dat and users.idx: the placeholder user of a fresh game, adding, saving,
// finding, and several nodes adding players at the same moment.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <set>

#include "common/record_file.hpp"
#include "common/system_log.hpp"
#include "player/player_screens.hpp"
#include "player/user_files.hpp"
#include "support/file_faults.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

std::vector<UserRecord> ReadUsers() {
    RecordFile f;
    std::vector<UserRecord> users;
    if (!f.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kRead)) return users;
    UserRecord r;
    for (std::uint64_t i = 0; f.read_record(i, r); ++i) users.push_back(r);
    return users;
}

std::vector<UserIndexEntry> ReadIndex() {
    RecordFile f;
    std::vector<UserIndexEntry> entries;
    if (!f.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kRead)) return entries;
    UserIndexEntry e;
    for (std::uint64_t i = 0; f.read_record(i, e); ++i) entries.push_back(e);
    return entries;
}

UserRecord Named(const std::string& name, const std::string& real_name = "Caller") {
    UserRecord u = DefaultUserRecord();
    u.name = name;
    u.real_name = real_name;
    return u;
}

// Runs `body` in `nodes` processes at once, each with a session of its own; true when every one
// of them ended normally (an exit of the program counts as its exit code).
bool OnNodesAtOnce(int nodes, const std::function<void(Session&, int)>& body) {
    return test::AllEndedWell(test::StartAtOnce(nodes, [&body](int node) {
        ManualClock clock(test::SampleTime());
        ScriptedRandom random({0});
        test::FakeTerminal terminal(clock);
        test::ThrowingExit exit;
        Platform platform{clock, random, terminal, exit};
        Session session(platform);
        try {
            body(session, node);
        } catch (const test::ExitCalled& e) {
            return e.code;
        }
        return 0;
    }));
}

TEST(PrepareUserFiles, FreshGameGetsJoeAsUserOneWithoutNews) {
    test::TestSession t;
    test::WriteFile("rooms.dat", "");
    PrepareUserFiles(t.session);
    OpenUserFileHandles(t.session);
    EXPECT_EQ(test::ReadFile(kUsersFile).size(), 4269u);
    EXPECT_EQ(test::ReadFile(kUserExtraFile).size(), 16384u);
    EXPECT_EQ(test::ReadFile(kUserIndexFile).size(), 75u);
    EXPECT_EQ(ReadUsers()[0].name.str(), "Joe");
    EXPECT_EQ(ReadUsers()[0].number, 1);
    EXPECT_EQ(t.session.users.user_count, 1);
    EXPECT_FALSE(test::FileExists("global.nws"));
}

// Nodes starting at the same moment in a new game directory: one writes the placeholder in all
// three files while the others wait, and no node finds them half made.
TEST(PrepareUserFiles, NodesStartingAtOnceInANewGameAllFindThePlaceholder) {
    for (int round = 0; round < 20; ++round) {
        test::TestSession t;
        test::WriteFile("rooms.dat", "");
        EXPECT_TRUE(OnNodesAtOnce(6, [](Session& session, int) {
            PrepareUserFiles(session);
            OpenUserFileHandles(session);
        }));
        ASSERT_EQ(ReadUsers().size(), 1u);
        EXPECT_EQ(ReadUsers()[0].name.str(), "Joe");
        EXPECT_EQ(ReadIndex().size(), 1u);
    }
    // A users.dat without its first record is started again the same way.
    test::TestSession t;
    test::WriteFile(kUsersFile, "short");
    PrepareUserFiles(t.session);
    EXPECT_EQ(test::ReadFile(kUsersFile).size(), 4269u);
    EXPECT_EQ(test::ReadFile(kUserExtraFile).size(), 16384u);
    EXPECT_EQ(ReadIndex().size(), 1u);
}

TEST(PrepareUserFiles, MissingRoomsOrExtraFileEndWith254) {
    test::TestSession t;
    PrepareUserFiles(t.session);
    try {
        OpenUserFileHandles(t.session);
        FAIL() << "no rooms.dat must end the program";
    } catch (const test::ExitCalled& e) {
        EXPECT_EQ(e.code, 254);
    }
    test::WriteFile("rooms.dat", "");
    ::unlink(kUserExtraFile);
    try {
        OpenUserFileHandles(t.session);
        FAIL() << "no user2.dat must end the program";
    } catch (const test::ExitCalled& e) {
        EXPECT_EQ(e.code, 254);
    }
    EXPECT_EQ(t.terminal.output, "");
}

// What a crash, a full disk or a bad copy leaves of the three files, and how the next start puts
// them back in step: every whole player keeps his place, and the repair is logged.
TEST(PrepareUserFiles, PutsTheThreeFilesBackInStep) {
    struct Case {
        const char* what;
        std::function<void()> damage;
        std::size_t players;  // after the repair
        const char* logged;
    };
    const auto cut = [](const char* name, std::size_t size) {
        ASSERT_EQ(::truncate(name, static_cast<off_t>(size)), 0);
    };
    const Case cases[] = {
        {"users.dat cut inside its last record", [&] { cut(kUsersFile, 3 * 4269 + 1000); }, 3,
         "users.dat ended in a record cut short: its 1000 bytes were cut off"},
        {"user2.dat short", [&] { cut(kUserExtraFile, 2 * 16384 + 10); }, 4,
         "user2.dat held 2 records and a record cut short for 4 players: 2 records added, zeroed "
         "and numbered"},
        {"user2.dat missing", [] { ::unlink(kUserExtraFile); }, 4,
         "user2.dat held 0 records for 4 players: 4 records added"},
        {"index entries missing", [&] { cut(kUserIndexFile, 2 * 75); }, 4,
         "users.idx held 2 records for 4 players: 2 records made again from users.dat"},
        {"index longer than users.dat",
         [&] {
             cut(kUsersFile, 3 * 4269);
             cut(kUserExtraFile, 3 * 16384);
         },
         3, "users.idx held 4 records for 3 players: the last 1 record, of nobody, cut off"},
        {"a deleted player's place taken, the index entry not yet written",
         [] {
             RecordFile index;
             ASSERT_TRUE(index.open(kUserIndexFile, sizeof(UserIndexEntry),
                                    RecordFile::Access::kReadWrite));
             UserRecord gone = Named("Gone");
             gone.deleted = true;
             const UserIndexEntry gone_entry = IndexEntryFor(gone);
             index.write_checked(2, &gone_entry);
         },
         4, "users.idx entry 3 was marked deleted, but Bob plays there: the entry is made again"},
        {"users.dat empty after a first start cut short", [&] { cut(kUsersFile, 0); }, 1,
         "users.dat held no player: the placeholder is written again"},
        {"a first start cut short before user2.dat and users.idx",
         [&] {
             cut(kUsersFile, 4269);
             ::unlink(kUserExtraFile);
             ::unlink(kUserIndexFile);
         },
         1, "users.idx held 0 records for 1 player: 1 record made again from users.dat"},
    };
    const char* names[] = {"Joe", "Ann", "Bob", "Cy"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TestSession t;
        test::WriteFile("rooms.dat", "");
        for (const char* name : names) {
            UserRecord u = std::string_view(name) == "Joe" ? DefaultUserRecord() : Named(name);
            ASSERT_TRUE(AddUser(t.session, u));
        }
        c.damage();
        PrepareUserFiles(t.session);
        OpenUserFileHandles(t.session);
        EXPECT_EQ(test::ReadFile(kUsersFile).size(), c.players * 4269);
        EXPECT_EQ(test::ReadFile(kUserExtraFile).size(), c.players * 16384);
        ASSERT_EQ(ReadIndex().size(), c.players);
        for (std::size_t i = 0; i < c.players; ++i) {
            UserRecord key = Named(names[i]);
            EXPECT_TRUE(FindUser(t.session, key, false, true)) << names[i];
            EXPECT_EQ(key.number, i + 1);
            ASSERT_TRUE(LoadUser(t.session, key.number));
            EXPECT_EQ(t.session.users.current.name.str(), names[i]);
            EXPECT_EQ(t.session.users.extra.number, i + 1);
        }
        const std::string log =
            test::ReadFile(SystemLogFileName(t.session.log_target(), t.clock.now()));
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        // In step now: the next start repairs nothing.
        PrepareUserFiles(t.session);
        EXPECT_EQ(test::ReadFile(SystemLogFileName(t.session.log_target(), t.clock.now())), log);
    }
}

TEST(AddUser, AnnouncesNewPlayersAndReusesDeletedRecordsButNotTheLast) {
    test::TestSession t;
    UserRecord joe = DefaultUserRecord();
    AddUser(t.session, joe);
    UserRecord ann = Named("Ann");
    AddUser(t.session, ann);
    EXPECT_EQ(ann.number, 2);
    EXPECT_NE(test::ReadFile("global.nws").find("Ann name has been heard lately!\n"),
              std::string::npos);

    // The deleted record is the last one: a new user is appended.
    ann.deleted = true;
    SaveUser(t.session, ann);
    UserRecord bob = Named("Bob");
    AddUser(t.session, bob);
    EXPECT_EQ(bob.number, 3);

    // Now it is not the last: the next user takes its place.
    UserRecord cy = Named("Cy");
    AddUser(t.session, cy);
    EXPECT_EQ(cy.number, 2);
    EXPECT_EQ(ReadUsers().size(), 3u);
    EXPECT_EQ(ReadIndex()[1].name.str(), "Cy");
    EXPECT_FALSE(ReadIndex()[1].deleted);
}

TEST(AddUser, MissingParallelFilesAreCreatedAtTheUsersPosition) {
    test::TestSession t;
    for (const char* name : {"A", "B", "C"}) {
        UserRecord u = Named(name);
        AddUser(t.session, u);
    }
    ::unlink(kUserExtraFile);
    ::unlink(kUserIndexFile);
    UserRecord d = Named("D");
    AddUser(t.session, d);
    // The user keeps its own number, so no other player's records are overwritten.
    EXPECT_EQ(d.number, 4);
    EXPECT_EQ(test::ReadFile(kUserExtraFile).size(), 4u * 16384u);
    ASSERT_EQ(ReadIndex().size(), 4u);
    EXPECT_EQ(ReadIndex()[3].name.str(), "D");
}

TEST(AddUser, TheLastUserNumberIsTheLastPlayer) {
    test::TestSession t;
    // Sparse files stand in for tens of thousands of players, of whom the second has left.
    for (const auto& [name, size] : {std::pair{kUsersFile, sizeof(UserRecord)},
                                     {kUserIndexFile, sizeof(UserIndexEntry)},
                                     {kUserExtraFile, sizeof(UserExtraRecord)}}) {
        test::WriteFile(name, "");
        ASSERT_EQ(::truncate(name, static_cast<off_t>((kMaxUsers - 1) * size)), 0);
    }
    RecordFile users;
    ASSERT_TRUE(users.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kReadWrite));
    UserRecord gone = Named("Gone");
    gone.deleted = true;
    users.write_checked(1, &gone);
    RecordFile gone_index;
    ASSERT_TRUE(
        gone_index.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kReadWrite));
    const UserIndexEntry gone_entry = IndexEntryFor(gone);
    gone_index.write_checked(1, &gone_entry);

    UserRecord last = Named("Last");
    ASSERT_TRUE(AddUser(t.session, last));
    EXPECT_EQ(last.number, 2);  // a deleted record is still reused
    UserRecord after = Named("After");
    ASSERT_TRUE(AddUser(t.session, after));
    EXPECT_EQ(after.number, kMaxUsers);
    EXPECT_FALSE(RoomForNewUser());

    UserRecord over = Named("Over");
    EXPECT_FALSE(AddUser(t.session, over));
    EXPECT_EQ(over.number, 0);
    EXPECT_EQ(users.record_count(), kMaxUsers);
    EXPECT_EQ(test::ReadFile("global.nws").find("Over"), std::string::npos);

    // An index entry past the last number (left by an older game) belongs to nobody.
    RecordFile index;
    ASSERT_TRUE(index.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kReadWrite));
    const UserIndexEntry ghost = IndexEntryFor(Named("Ghost"));
    index.write_checked(kMaxUsers, &ghost);
    index.close();
    UserRecord key = Named("Ghost");
    EXPECT_FALSE(FindUser(t.session, key, true, true));
    EXPECT_FALSE(SearchUser(t.session, key, true));
    t.session.writer.flush();
    EXPECT_EQ(t.terminal.output.find("Ghost"), std::string::npos);
    key.name = "After";
    EXPECT_TRUE(FindUser(t.session, key, false, true));
    EXPECT_EQ(key.number, kMaxUsers);
}

TEST(FindUser, MatchesWholeNamesInAnyCaseAndSkipsDeleted) {
    test::TestSession t;
    for (const char* name : {"Joe", "Ann Lee", "Bob", "ann lee"}) {
        UserRecord u = Named(name, std::string("Real ") + name);
        AddUser(t.session, u);
    }
    UserRecord first = ReadUsers()[1];
    first.deleted = true;
    SaveUser(t.session, first);

    UserRecord key = Named("ANN LEE");
    EXPECT_TRUE(FindUser(t.session, key, false, true));
    EXPECT_EQ(key.number, 4);  // the deleted match is passed over
    EXPECT_EQ(t.session.users.current.number, 4);
    EXPECT_TRUE(FindUser(t.session, key, true, true));
    EXPECT_EQ(key.number, 2);
    EXPECT_EQ(t.session.users.user_count, 4);

    UserRecord by_real = Named("x", "real bob");
    EXPECT_TRUE(FindUser(t.session, by_real, false, false));
    EXPECT_EQ(by_real.number, 3);

    UserRecord partial = Named("Ann");
    EXPECT_FALSE(FindUser(t.session, partial, true, true));
    EXPECT_EQ(partial.number, 0);

    ::unlink(kUserIndexFile);
    UserRecord gone = Named("Bob");
    gone.number = 9;
    EXPECT_FALSE(FindUser(t.session, gone, false, true));
    EXPECT_EQ(gone.number, 9);
}

// The logon searches what the start-up read of users.idx while the file stays as it was, and
// the file again once another node has added a player.
TEST(FindUser, SearchesTheStartUpsReadWhileTheIndexStaysAsItWas) {
    test::TestSession t;
    test::WriteFile("rooms.dat", "");
    PrepareUserFiles(t.session);
    for (const char* name : {"Ann", "Bob"}) {
        UserRecord u = Named(name, std::string("Real ") + name);
        AddUser(t.session, u);
    }
    const timespec long_ago[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, kUserIndexFile, long_ago, 0), 0);
    PrepareUserFiles(t.session);
    {
        const test::FaultyFileCalls counted({.on_call = "pread", .on_file = kUserIndexFile});
        UserRecord key = Named("x", "real bob");
        EXPECT_TRUE(FindUser(t.session, key, false, false));
        EXPECT_EQ(key.number, 3);
        EXPECT_EQ(counted.record().calls, 0);
    }
    UserRecord cy = Named("Cy", "Real Cy");
    AddUser(t.session, cy);
    UserRecord key = Named("x", "Real Cy");
    EXPECT_TRUE(FindUser(t.session, key, false, false));
    EXPECT_EQ(key.number, cy.number);
}

TEST(LoadAndSaveUser, RoundTripThroughTheSharedHandles) {
    test::TestSession t;
    test::WriteFile("rooms.dat", "");
    PrepareUserFiles(t.session);
    OpenUserFileHandles(t.session);
    EXPECT_FALSE(LoadUser(t.session, 0));

    UserRecord eve = Named("Eve");
    AddUser(t.session, eve);
    eve.gold = 12345;
    t.session.users.extra.cities[0] = 7;
    SaveUser(t.session, eve);
    t.session.users.extra.cities[0] = 0;
    ASSERT_TRUE(LoadUser(t.session, eve.number));
    EXPECT_EQ(t.session.users.current.gold, 12345);
    EXPECT_EQ(t.session.users.extra.cities[0], 7);

    UserRecord nobody = Named("Nobody");
    nobody.number = 0;
    SaveUser(t.session, nobody);
    EXPECT_EQ(ReadUsers().size(), 2u);

    // A record carrying another place's number (loaded by it, the logon read past the end) is
    // the player of its place, and his save writes that number.
    RecordFile users;
    UserRecord joe;
    ASSERT_TRUE(users.open(kUsersFile, sizeof joe, RecordFile::Access::kReadWrite) &&
                users.read_record(0, joe));
    joe.number = 500;
    ASSERT_TRUE(users.write_record(0, joe));
    ASSERT_TRUE(LoadUser(t.session, 1));
    EXPECT_EQ(t.session.users.current.number, 1);
    SaveUser(t.session, t.session.users.current);
    EXPECT_EQ(ReadUsers()[0].number, 1);
    EXPECT_NE(
        test::ReadFile(SystemLogFileName(t.session.log_target(), t.clock.now()))
            .find("users.dat player 1 (Joe) carried number 500: given the number of his place"),
        std::string::npos);
}

// A save writes the records whose bytes changed since the session last wrote them, and nothing
// when none did; what is written is the whole record, as before.
TEST(SaveUser, WritesOnlyTheRecordsWhoseBytesChanged) {
    test::TestSession t;
    test::WriteFile("rooms.dat", "");
    PrepareUserFiles(t.session);
    OpenUserFileHandles(t.session);
    UserRecord eve = Named("Eve");
    AddUser(t.session, eve);
    struct Step {
        const char* what;
        std::function<void()> change;
        long writes;
    };
    const Step steps[] = {
        {"the first save", [] {}, 3},
        {"nothing changed", [] {}, 0},
        {"gold", [&] { eve.gold = 321; }, 1},
        {"a city", [&] { t.session.users.extra.cities[0] = 4; }, 1},
        {"the name, also in the index", [&] { eve.name = "Evelyn"; }, 2},
        {"nothing changed again", [] {}, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        const test::FaultyFileCalls counted({.on_call = "pwrite"});
        SaveUser(t.session, eve);
        EXPECT_EQ(counted.record().calls, step.writes);
    }
    EXPECT_EQ(ReadUsers()[1].gold, 321);
    EXPECT_EQ(ReadIndex()[1].name.str(), "Evelyn");
    ASSERT_TRUE(LoadUser(t.session, eve.number));
    EXPECT_EQ(t.session.users.extra.cities[0], 4);

    // users.dat gone under the session: the run-time I/O stop, never the player added anew.
    ::unlink(kUsersFile);
    eve.gold = 1;
    EXPECT_EXIT(SaveUser(t.session, eve), ::testing::ExitedWithCode(103), "");
    EXPECT_EQ(::access(kUsersFile, F_OK), -1);
}

TEST(AddUser, NodesAddingAtOnceEachGetTheirOwnNumber) {
    test::TestSession t;
    UserRecord joe = DefaultUserRecord();
    AddUser(t.session, joe);

    constexpr int kNodes = 6;
    constexpr int kUsersEach = 15;
    ASSERT_TRUE(OnNodesAtOnce(kNodes, [](Session& session, int node) {
        // Every node creates a character of the same name, and one caller creates on every node
        // at once: one of them has it.
        UserRecord twin = Named("Twin", "Twin Caller " + std::to_string(node));
        const AddResult result = AddNewCharacter(session, twin);
        if (result != AddResult::kAdded && result != AddResult::kNameTaken) session.exit(1);
        UserRecord same = Named("Same " + std::to_string(node), "Same Caller");
        const AddResult caller = AddNewCharacter(session, same);
        if (caller != AddResult::kAdded && caller != AddResult::kCallerKnown) session.exit(1);
        for (int i = 0; i < kUsersEach; ++i) {
            UserRecord u = Named("N" + std::to_string(node) + "U" + std::to_string(i));
            AddUser(session, u);
        }
    }));

    const auto users = ReadUsers();
    const auto index = ReadIndex();
    ASSERT_EQ(users.size(), 3u + kNodes * kUsersEach);
    ASSERT_EQ(index.size(), users.size());
    std::set<std::string> names;
    for (std::size_t i = 0; i < users.size(); ++i) {
        EXPECT_EQ(users[i].number, i + 1);
        EXPECT_EQ(index[i].name.str(), users[i].name.str());
        names.insert(users[i].name.str());
    }
    EXPECT_EQ(names.size(), users.size());

    // Every announcement arrived whole.
    const std::string news = test::ReadFile("global.nws");
    int announced = 0;
    for (std::size_t p = 0;
         (p = news.find(" name has been heard lately!\n", p)) != std::string::npos; ++p) {
        ++announced;
    }
    EXPECT_EQ(announced, 2 + kNodes * kUsersEach);
}

}  // namespace
}  // namespace vorn
