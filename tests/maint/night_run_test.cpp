// The night run on a manual clock, in a child process: Cora, her bank and her city Frostholm
// (whose farmstead the first night finishes) through nights that are counted on from the stamps
// when nights.dat goes back, one night a date, and nights killed at every moment and run again,
// which pay everything once.
#include "maint/night_run.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <memory>

#include "check/game_check.hpp"
#include "common/city_files.hpp"
#include "common/night_file.hpp"
#include "common/record_file.hpp"
#include "support/game_in_child.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

template <class Record>
void WriteOne(const char* file, const Record& record) {
    test::WriteFile(file, std::string(reinterpret_cast<const char*>(&record), sizeof record));
}

void LayOutCorasGame() {
    UserRecord cora = DefaultUserRecord();
    cora.name = "Cora";
    cora.bank = 1000;
    cora.interest_rate = 15;
    cora.wis = 50;  // no thief gets near
    WriteOne(kUsersFile, cora);
    UserExtraRecord extra{};
    extra.number = 1;
    extra.cities[0] = 1;
    WriteOne(kUserExtraFile, extra);
    WriteOne(kUserIndexFile, IndexEntryFor(cora));
    RoomRecord room{};
    room.number = room.city = 1;
    WriteOne(kRoomsFile, room);
    auto city = std::make_unique<CityBuffers>();
    city->city = NewCityRecord();
    city->city.number = city->army.number = city->buildings.number = 1;
    city->city.name = "Frostholm";
    city->city.founder = "Cora";
    city->city.founder_number = 1;
    city->city.construction_number = 1;
    city->city.construction_total = 2;  // two points a night finish it
    WriteOne(kCitiesFile, city->city);
    WriteOne(kCityArmiesFile, city->army);
    WriteOne(kCityBuildingsFile, city->buildings);
}

// 7, 8, 9 ... December 2026.
DateTime Day(int day) {
    return test::MakeTime(2026, 12, day, 0, 5, 0);
}

test::ChildOutcome NightOn(int day, bool again = false) {
    return test::RunInChild({.directory = std::filesystem::current_path().string()},
                            test::RunMaint(Day(day), again));
}

UserRecord Cora(const std::string& directory = ".") {
    UserRecord u{};
    EXPECT_GE(ReadFilePrefix(directory + "/" + kUsersFile, &u, sizeof u), 0);
    return u;
}

std::string Findings(int day) {
    std::string out;
    for (const std::string& line : CheckGameDirectory(".", Day(day)).lines()) out += line + "\n";
    return out;
}

TEST(NightRun, TheCountGoesOnFromTheStampsWhenNightsDatGoesBack) {
    for (const bool lost : {true, false}) {
        SCOPED_TRACE(lost ? "nights.dat lost" : "nights.dat put back from the first night");
        test::TempDir dir;
        LayOutCorasGame();
        ASSERT_EQ(NightOn(7).exit_code, kMaintDone);
        const std::string first = test::ReadFile(kNightsFile);
        ASSERT_EQ(NightOn(8).exit_code, kMaintDone);
        lost ? void(::unlink(kNightsFile)) : test::WriteFile(kNightsFile, first);
        EXPECT_NE(
            Findings(8).find(std::string("nights.dat: ") + (lost ? "missing" : "counts 1 nights") +
                             ", but users.dat player 1 was paid for night 2: the count "
                             "went back [repairable]"),
            std::string::npos)
            << Findings(8);

        // The next night is the third: Cora and her city have it.
        ASSERT_EQ(NightOn(9).exit_code, kMaintDone);
        EXPECT_EQ(CurrentNight(), 3u);
        EXPECT_EQ(Cora().night_paid, 3u);
        auto city = std::make_unique<CityBuffers>();
        ASSERT_TRUE(LoadCity(*city, 1));
        EXPECT_EQ(city->city.night_paid, 3u);
        EXPECT_EQ(Findings(9).find("nights.dat"), std::string::npos);
    }
}

TEST(NightRun, OneNightADateUnlessAskedAgain) {
    test::TempDir dir;
    LayOutCorasGame();
    ASSERT_EQ(NightOn(7).exit_code, kMaintDone);
    EXPECT_EQ(Cora().bank, 1150);

    // A cron line and a timer on one date: the second writes the bulletins and nothing else.
    ::unlink("ranking.txt");
    const test::ChildOutcome second = NightOn(7);
    EXPECT_EQ(second.exit_code, kMaintDone);
    EXPECT_NE(second.output.find("The night of 12/07/2026 (night 1) has been run already: only "
                                 "the bulletins are written."),
              std::string::npos)
        << second.output;
    EXPECT_TRUE(test::FileExists("ranking.txt"));
    EXPECT_EQ(Cora().bank, 1150);
    EXPECT_EQ(CurrentNight(), 1u);

    // Asked for again, it is another night.
    EXPECT_EQ(NightOn(7, true).exit_code, kMaintDone);
    EXPECT_EQ(Cora().night_paid, 2u);
}

// The night killed at each of its calls on the game's files, then run again on the same date: the
// second run finishes the night, and the files come out as from a night never killed. The
// farmstead finished that night is counted once in cities3.dat, and so is everything else.
TEST(NightRun, KilledAtAnyMomentAndRunAgainPaysEverythingOnce) {
    test::TempDir game;
    LayOutCorasGame();
    const auto night = test::RunMaint(Day(7));
    const test::ScratchCopy clean(game.path());
    const test::ChildOutcome whole = test::RunInChild({.directory = clean.path()}, night);
    ASSERT_EQ(whole.exit_code, kMaintDone) << whole.output;
    ASSERT_GT(whole.record.calls, 50);
    const std::string cities = test::ReadFile(clean.file(kCitiesFile));
    const std::string buildings = test::ReadFile(clean.file(kCityBuildingsFile));
    ASSERT_EQ(reinterpret_cast<const CityBuildingsRecord*>(buildings.data())->buildings[0], 1);

    for (long call = 1; call <= whole.record.calls; ++call) {
        const test::ScratchCopy copy(game.path());
        const test::ChildOutcome killed = test::RunInChild(
            {.directory = copy.path(), .fault = {.call = call, .kill = true}}, night);
        const std::string where = "killed at " + std::string(killed.record.what);
        ASSERT_EQ(killed.signal, SIGKILL) << where << "\n" << killed.output;
        ASSERT_EQ(test::RunInChild({.directory = copy.path()}, night).exit_code, kMaintDone)
            << where;
        EXPECT_EQ(test::ReadFile(copy.file(kCitiesFile)), cities) << where;
        EXPECT_EQ(test::ReadFile(copy.file(kCityBuildingsFile)), buildings) << where;
        EXPECT_EQ(Cora(copy.path()).bank, 1150) << where;
        EXPECT_EQ(Cora(copy.path()).night_paid, 1u) << where;
        EXPECT_EQ(CurrentNight(copy.file(kNightsFile)), 1u) << where;
    }
}

}  // namespace
}  // namespace vorn
