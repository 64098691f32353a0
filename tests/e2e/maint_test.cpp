// The night through the real programs: maint runs over a game with two players and their cities
// while one of them plays on another node. The other player and her city have their night as the
// rules say and nothing more; the player in play and his city are passed over, and his night is
// paid at his next logon, once. A second maint started meanwhile is refused; the board's
// bulletins are written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "common/city_files.hpp"
#include "common/config_files.hpp"
#include "common/file_lock.hpp"
#include "common/night_file.hpp"
#include "common/node_records.hpp"
#include "common/record_file.hpp"
#include "support/caller_scripts.hpp"
#include "support/game_process.hpp"

namespace vorn::test {
namespace {

void WriteRecord(const GameDirectory& dir, const char* file, std::uint64_t index, const void* data,
                 std::size_t size) {
    RecordFile f;
    ASSERT_TRUE(f.open(dir.file(file), size, RecordFile::Access::kReadWrite) ||
                f.create(dir.file(file), size));
    ASSERT_TRUE(f.write(index, data));
    GiveToUnprivilegedUser(dir.file(file));
}

std::unique_ptr<CityBuffers> City(const GameDirectory& dir, std::int32_t number) {
    auto c = std::make_unique<CityBuffers>();
    RecordFile f;
    EXPECT_TRUE(f.open(dir.file(kCitiesFile), sizeof(CityRecord), RecordFile::Access::kRead));
    EXPECT_TRUE(f.read_record(static_cast<std::uint64_t>(number - 1), c->city));
    RecordFile b;
    EXPECT_TRUE(b.open(dir.file(kCityBuildingsFile), sizeof(CityBuildingsRecord),
                       RecordFile::Access::kRead));
    EXPECT_TRUE(b.read_record(static_cast<std::uint64_t>(number - 1), c->buildings));
    return c;
}

void FoundCity(const GameDirectory& dir, std::int32_t number, const UserRecord& founder,
               const char* name) {
    auto c = std::make_unique<CityBuffers>();
    c->city = NewCityRecord();
    c->city.number = c->army.number = c->buildings.number = number;
    c->city.name = name;
    c->city.founder = founder.name.view();
    c->city.founder_number = founder.number;
    c->city.grain = 3;  // the night eats 10: the stock ends at 0
    c->city.construction_number = 1;
    c->city.construction_name = "|10Farmstead";
    c->city.construction_total = 2;  // two points a night finish it
    const auto at = static_cast<std::uint64_t>(number - 1);
    WriteRecord(dir, kCitiesFile, at, &c->city, sizeof c->city);
    WriteRecord(dir, kCityArmiesFile, at, &c->army, sizeof c->army);
    WriteRecord(dir, kCityBuildingsFile, at, &c->buildings, sizeof c->buildings);
}

// A returning caller of door.sys comes in, skips the news and leaves from the city.
void Visit(const GameDirectory& dir, const std::string& caller) {
    WriteDoorSys(dir, caller);
    GameProcess game("game", dir, {.args = {"1"}});
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
    ASSERT_TRUE(Answer(game, "Do you want to read the news?", "n"));
    ASSERT_TRUE(game.wait_for_text("Go in the forest")) << game.screen_text();
    LeaveFromTheMap(game);
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// What the night must leave as it was, read before it runs.
struct BeforeTheNight {
    UserRecord cora;
    UserRecord dara;
    std::unique_ptr<CityBuffers> duskmere;
    std::string global_news;
    std::string user_extra;
};

// Cora and Dara come in as newcomers with money in the bank and few hit points, and each has a
// city; the tavern's talk holds 30 remarks.
BeforeTheNight MakePlayersAndCities(const GameDirectory& dir) {
    for (const char* caller : {"Cora Founder", "Dara Passer"}) {
        WriteDoorSys(dir, caller);
        GameProcess game("game", dir, {.args = {"1"}});
        NewcomerCreatesHuman(game, std::string(caller).substr(0, 4));
        LeaveFromTheMap(game);
    }
    for (const char* name : {"Cora", "Dara"}) {
        ChangeUser(dir, name, [name](UserRecord& u) {
            const bool cora = name[0] == 'C';
            u.bank = 1000;
            u.interest_rate = cora ? 15 : 10;
            u.loan = cora ? 0 : 100;
            u.loan_rate = 30;
            u.wis = 50;  // no thief gets near
            u.max_hp = 30;
            u.hp = 5;
        });
    }
    BeforeTheNight before;
    before.cora = UserNamed(dir, "Cora");
    before.dara = UserNamed(dir, "Dara");
    FoundCity(dir, 1, before.cora, "Frostholm");
    FoundCity(dir, 2, before.dara, "Duskmere");
    before.duskmere = City(dir, 2);
    dir.write_file("Cora.npl", "3\n");
    std::string talk;
    for (int i = 1; i <= 30; ++i) talk += "remark " + std::to_string(i) + "\n";
    dir.write_file("talk.txt", talk);
    before.global_news = dir.read_file("global.nws");
    before.user_extra = dir.read_file("user2.dat");
    return before;
}

// Dara plays on node 2: its record's heartbeat is fresh.
void PutInPlayOnNodeTwo(const GameDirectory& dir, const UserRecord& dara) {
    NodeInfoRecord node{};
    node.node = 2;
    node.user_name = "Dara";
    node.user_number = dara.number;
    node.heartbeat = NodeSecondsStamp(SystemClock().now());
    WriteRecord(dir, kNodeInfoFileName, 1, &node, sizeof node);
}

// The night beside the live node; a second maint started meanwhile is refused.
void RunTheNightBesideTheLiveNode(const GameDirectory& dir) {
    // A node adding a remark holds the tavern's lock: the night waits for it at the talk.
    const int talk_fd = ::open(dir.file("talk.txt").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(talk_fd, 0);
    ASSERT_TRUE(LockWholeFile(talk_fd, LockKind::kExclusive));
    GameProcess night("maint", dir);
    ASSERT_TRUE(night.wait_for_text("Normal talk cleanup")) << night.screen_text();
    EXPECT_EQ(night.row_text(1).substr(0, 20), "Vornhold Maintenance");
    EXPECT_EQ(night.row_text(2), std::string(80, '-'));
    EXPECT_EQ(night.row_text(3).substr(0, 27), "Writing yesterday news done");
    EXPECT_EQ(night.row_text(5).substr(0, 23), "User maintenance Done!");

    const ProgramResult second = RunProgram("maint", dir.path(), {});
    EXPECT_EQ(second.exit_code, 1);
    EXPECT_NE(second.output.find("Maintenance is already running in this game directory."),
              std::string::npos)
        << second.output;

    UnlockWholeFile(talk_fd);
    ::close(talk_fd);
    EXPECT_EQ(night.wait_exit(), 0) << night.screen_text();
    EXPECT_NE(night.screen_text().find("Normal talk cleanup 6 lines deleted."), std::string::npos);
    EXPECT_NE(night.screen_text().find("Dara is in play on node 2: passed over"), std::string::npos)
        << night.screen_text();
    EXPECT_NE(night.screen_text().find("The founder of Duskmere is in play on node 2"),
              std::string::npos);
}

// Cora's night changes exactly what it should.
void CheckCorasNight(const GameDirectory& dir, const BeforeTheNight& before) {
    const UserRecord after = UserNamed(dir, "Cora");
    UserRecord expected = before.cora;
    expected.bank = 1150;
    expected.hp = 30;
    expected.night_paid = 1;
    expected.interest_rate = after.interest_rate;
    expected.loan_rate = after.loan_rate;
    EXPECT_EQ(std::memcmp(&after, &expected, sizeof after), 0);
    EXPECT_GE(after.interest_rate, 1);
    EXPECT_LE(after.loan_rate, 30);
    const std::string cora_news = dir.read_file("Cora.nws");
    EXPECT_NE(cora_news.find("You now have 1150 gold in bank, an increase of 150 gold!"),
              std::string::npos);
    EXPECT_NE(cora_news.find("Finished construction of |10Farmstead in Frostholm"),
              std::string::npos)
        << cora_news;
    EXPECT_EQ(dir.read_file("Cora.npl"), "2\n");
}

// Dara, in play, and her city are left alone; nobody's cities list moved.
void CheckDaraLeftAlone(const GameDirectory& dir, const BeforeTheNight& before) {
    const UserRecord dara_after = UserNamed(dir, "Dara");
    EXPECT_EQ(std::memcmp(&dara_after, &before.dara, sizeof before.dara), 0);
    EXPECT_EQ(std::memcmp(&City(dir, 2)->city, &before.duskmere->city, sizeof(CityRecord)), 0);
    EXPECT_EQ(dir.read_file("user2.dat"), before.user_extra);
}

// Frostholm's night, the talk cleaned up, yesterday's news and the bulletins.
void CheckTheCityTheTalkAndTheBulletins(const GameDirectory& dir, const BeforeTheNight& before) {
    const auto frostholm = City(dir, 1);
    EXPECT_EQ(frostholm->city.grain, 0);
    EXPECT_EQ(frostholm->city.buildings_finished, 1);
    EXPECT_EQ(frostholm->buildings.buildings[0], 1);
    EXPECT_EQ(frostholm->city.night_paid, 1u);
    std::string kept = "remark 1\nremark 2\n";
    for (int i = 9; i <= 30; ++i) kept += "remark " + std::to_string(i) + "\n";
    EXPECT_EQ(dir.read_file("talk.txt"), kept);
    EXPECT_EQ(dir.read_file("yestday.nws"), before.global_news);
    EXPECT_FALSE(dir.exists("global.nws"));
    EXPECT_NE(dir.read_file("ranking.txt").find("Cora"), std::string::npos);
    EXPECT_NE(dir.read_file("cities.txt").find("Duskmere"), std::string::npos);
    EXPECT_TRUE(dir.exists("ranking.ans"));
    EXPECT_TRUE(dir.exists("ranking.html"));
}

// Dara's next logon pays her night, and the one after pays nothing more.
void CheckDarasNightPaidOnce(const GameDirectory& dir) {
    for (int visit = 0; visit < 2; ++visit) {
        Visit(dir, "Dara Passer");
        const UserRecord d = UserNamed(dir, "Dara");
        EXPECT_EQ(d.bank, 1100);
        EXPECT_EQ(d.loan, 110);  // by her interest rate, not her loan rate
        EXPECT_EQ(d.hp, 30);
        EXPECT_EQ(d.night_paid, 1u);
        const std::string news = dir.read_file("Dara.nws");
        EXPECT_EQ(Count(news, "You now have 1100 gold in bank, an increase of 100 gold!"), 1u);
        EXPECT_EQ(Count(news, "Your loan is now of 110 gold, an increase of 10 gold!"), 1u);
    }
}

// To a pipe the night writes plain lines (another night on this date, asked for again).
void CheckPlainLinesToAPipe(const GameDirectory& dir) {
    const ProgramResult logged = RunProgram("maint", dir.path(), {.args = {"--again"}});
    EXPECT_EQ(logged.exit_code, 0);
    EXPECT_EQ(logged.output.find('\x1b'), std::string::npos);
    for (const char* line : {"Vornhold Maintenance\n", "User maintenance\n", "Done!\n",
                             "Normal talk cleanup Nothing Deleted!\n",
                             "Working on city Frostholm\n", "Writing bulletins done\n"}) {
        EXPECT_NE(logged.output.find(line), std::string::npos) << line << logged.output;
    }
}

TEST(Night, BesideALiveNodeWithBulletins) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetDoorType(dir, 1);
    const BeforeTheNight before = MakePlayersAndCities(dir);
    PutInPlayOnNodeTwo(dir, before.dara);
    ASSERT_NO_FATAL_FAILURE(RunTheNightBesideTheLiveNode(dir));
    EXPECT_EQ(CurrentNight(dir.file(kNightsFile)), 1u);
    CheckCorasNight(dir, before);
    CheckDaraLeftAlone(dir, before);
    CheckTheCityTheTalkAndTheBulletins(dir, before);
    CheckDarasNightPaidOnce(dir);
    CheckPlainLinesToAPipe(dir);
}

// A board whose node runs without multinode: the node table names nobody, but the caller's
// session lock tells the night he is in play. He is passed over, his save after the night keeps
// his own copy, and his next logon pays the night, once.
TEST(Night, ACallerOnASingleNodeBoardIsPaidOnce) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetDoorType(dir, 1);
    NodeConfig node{};
    ASSERT_TRUE(ReadNodeConfig(dir.file("vorn1.dat"), node));
    node.multinode = false;
    ASSERT_TRUE(WriteNodeConfig(dir.file("vorn1.dat"), node));
    WriteDoorSys(dir, "Cora Founder");
    {
        GameProcess game("game", dir, {.args = {"1"}});
        NewcomerCreatesHuman(game, "Cora");
        LeaveFromTheMap(game);
    }
    ChangeUser(dir, "Cora", [](UserRecord& u) {
        u.bank = 1000;
        u.interest_rate = 15;
        u.wis = 50;  // no thief gets near
    });
    {
        GameProcess game("game", dir, {.args = {"1"}});
        ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
        ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
        ASSERT_TRUE(Answer(game, "Do you want to read the news?", "n"));
        ASSERT_TRUE(game.wait_for_text("Go in the forest")) << game.screen_text();
        const ProgramResult night = RunProgram("maint", dir.path(), {});
        EXPECT_EQ(night.exit_code, 0);
        EXPECT_NE(night.output.find("Cora is in play: passed over"), std::string::npos)
            << night.output;
        EXPECT_EQ(UserNamed(dir, "Cora").bank, 1000);
        LeaveFromTheMap(game);
    }
    for (int visit = 0; visit < 2; ++visit) {
        Visit(dir, "Cora Founder");
        EXPECT_EQ(UserNamed(dir, "Cora").bank, 1150);
        EXPECT_EQ(Count(dir.read_file("Cora.nws"), "You now have 1150 gold in bank"), 1u);
    }
}

TEST(Night, WithoutUsersEndsWith255) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    dir.write_file("global.nws", "today\n");
    const ProgramResult night = RunProgram("maint", dir.path(), {});
    EXPECT_EQ(night.exit_code, 255);
    EXPECT_NE(night.output.find("Writing yesterday news done\n\nFile users.dat Not Found!\n"),
              std::string::npos)
        << night.output;
    EXPECT_EQ(dir.read_file("yestday.nws"), "today\n");
    EXPECT_FALSE(dir.exists("users.dat"));
    EXPECT_EQ(CurrentNight(dir.file(kNightsFile)), 0u);
}

}  // namespace
}  // namespace vorn::test
