// The night run in the test's own process, on a manual clock: Cora, her bank and her city
// Frostholm (whose farmstead the first night finishes) through nights that are counted on from
// the stamps when nights.dat goes back, one night a date, and nights killed at every moment and
// run again, which pay everything once.
#include "maint/night_run.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
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
    room.number = 1;
    room.city = 1;
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

struct Night {
    int code = -1;
    std::string output;
};

Night RunNightOn(int day, bool again = false) {
    ManualClock clock(Day(day));
    SeededRandom rng(7);
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* out = ::open_memstream(&text, &size);
    Night night;
    {
        MaintConsole console(out, false);
        MaintContext context{clock, rng, console, again};
        night.code = RunNight(context);
    }
    std::fclose(out);
    night.output.assign(text, size);
    std::free(text);
    return night;
}

UserRecord Cora() {
    UserRecord u{};
    RecordFile f;
    EXPECT_TRUE(f.open(kUsersFile, sizeof u, RecordFile::Access::kRead) && f.read_record(0, u));
    return u;
}

std::string Lines(const CheckReport& report) {
    std::string out;
    for (const std::string& line : report.lines()) out += line + "\n";
    return out;
}

TEST(NightRun, TheCountGoesOnFromTheStampsWhenNightsDatGoesBack) {
    struct Case {
        const char* what;
        bool lost;  // else put back from the copy of the first night
        const char* finding;
    };
    for (const Case& c :
         {Case{"nights.dat lost", true,
               "nights.dat: missing, but users.dat player 1 was paid for "
               "night 2: the count went back [repairable]"},
          Case{"nights.dat from an older copy", false,
               "nights.dat: counts 1 nights, but users.dat player 1 was paid for night 2"}}) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        LayOutCorasGame();
        ASSERT_EQ(RunNightOn(7).code, kMaintDone);
        const std::string first = test::ReadFile(kNightsFile);
        ASSERT_EQ(RunNightOn(8).code, kMaintDone);
        const std::int32_t bank = Cora().bank;
        if (c.lost) {
            ::unlink(kNightsFile);
        } else {
            test::WriteFile(kNightsFile, first);
        }
        EXPECT_NE(Lines(CheckGameDirectory(".", Day(8))).find(c.finding), std::string::npos)
            << Lines(CheckGameDirectory(".", Day(8)));

        // The next night is the third: Cora and her city have it.
        ASSERT_EQ(RunNightOn(9).code, kMaintDone);
        EXPECT_EQ(CurrentNight(), 3u);
        EXPECT_GT(Cora().bank, bank);
        EXPECT_EQ(Cora().night_paid, 3u);
        auto city = std::make_unique<CityBuffers>();
        ASSERT_TRUE(LoadCity(*city, 1));
        EXPECT_EQ(city->city.night_paid, 3u);
        EXPECT_EQ(Lines(CheckGameDirectory(".", Day(9))).find("nights.dat"), std::string::npos);
    }
}

TEST(NightRun, OneNightADateUnlessAskedAgain) {
    test::TempDir dir;
    LayOutCorasGame();
    ASSERT_EQ(RunNightOn(7).code, kMaintDone);
    EXPECT_EQ(Cora().bank, 1150);

    // A cron line and a timer on one date: the second writes the bulletins and nothing else.
    ::unlink("ranking.txt");
    const Night second = RunNightOn(7);
    EXPECT_EQ(second.code, kMaintDone);
    EXPECT_NE(second.output.find("The night of 12/07/2026 (night 1) has been run already: only "
                                 "the bulletins are written."),
              std::string::npos)
        << second.output;
    EXPECT_EQ(second.output.find("User maintenance"), std::string::npos);
    EXPECT_TRUE(test::FileExists("ranking.txt"));
    EXPECT_EQ(Cora().bank, 1150);
    EXPECT_EQ(CurrentNight(), 1u);

    // Asked for again, it is another night.
    EXPECT_EQ(RunNightOn(7, true).code, kMaintDone);
    EXPECT_EQ(Cora().night_paid, 2u);
    EXPECT_GT(Cora().bank, 1150);
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
    const std::string cities = test::ReadFile(clean.file(kCitiesFile));
    const std::string buildings = test::ReadFile(clean.file(kCityBuildingsFile));
    ASSERT_EQ(reinterpret_cast<const CityBuildingsRecord*>(buildings.data())->buildings[0], 1);

    for (long call = 1; call <= whole.record.calls; ++call) {
        const test::ScratchCopy copy(game.path());
        const test::ChildOutcome killed = test::RunInChild(
            {.directory = copy.path(), .fault = {.call = call, .kill = true}}, night);
        const std::string where =
            "killed at call " + std::to_string(call) + " (" + killed.record.what + ")";
        ASSERT_EQ(killed.signal, SIGKILL) << where << "\n" << killed.output;
        ASSERT_EQ(test::RunInChild({.directory = copy.path()}, night).exit_code, kMaintDone)
            << where;
        EXPECT_EQ(test::ReadFile(copy.file(kCitiesFile)), cities) << where;
        EXPECT_EQ(test::ReadFile(copy.file(kCityBuildingsFile)), buildings) << where;
        UserRecord cora{};
        ASSERT_GE(ReadFilePrefix(copy.file(kUsersFile), &cora, sizeof cora), 0);
        EXPECT_EQ(cora.bank, 1150) << where;
        EXPECT_EQ(cora.night_paid, 1u) << where;
        EXPECT_EQ(CurrentNight(copy.file(kNightsFile)), 1u) << where;
    }
}

}  // namespace
}  // namespace vorn
