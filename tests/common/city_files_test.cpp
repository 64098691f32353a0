// The city files: founding numbers the cities in step across the three files, even with several
// nodes founding at once; saving writes a city back at its number, even one whose records carry a
// damaged number; a city that cannot be read whole leaves the buffers alone; stocks stop at the
// edges of their fields.
#include "common/city_files.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <set>

#include "common/record_file.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

std::unique_ptr<CityBuffers> NewCity(const std::string& name) {
    auto c = std::make_unique<CityBuffers>();
    c->city = NewCityRecord();
    c->city.name = name;
    return c;
}

std::int32_t Found(const std::string& name) {
    auto c = NewCity(name);
    const CityFilesLock lock;
    return AppendCity(*c, lock);
}

TEST(CityFiles, FoundingNumbersSavingAndLoading) {
    test::TempDir dir;
    EXPECT_EQ(CountCities(), 0);
    auto a = NewCity("Ashford");
    {
        const CityFilesLock lock;
        EXPECT_EQ(AppendCity(*a, lock), 1);
    }
    EXPECT_EQ(Found("Brightwater"), 2);
    EXPECT_EQ(CountCities(), 2);
    EXPECT_EQ(a->army.number, 1);
    EXPECT_EQ(a->buildings.number, 1);
    EXPECT_EQ(test::ReadFile(kCityArmiesFile).size(), 2 * sizeof(CityArmyRecord));

    a->army.units[16379] = 7;  // the last unit type
    a->buildings.buildings[0] = 2;
    ASSERT_TRUE(SaveCity(*a));
    auto back = NewCity("");
    ASSERT_TRUE(LoadCity(*back, 1));
    EXPECT_EQ(back->city.name.view(), "Ashford");
    EXPECT_EQ(back->army.units[16379], 7);
    EXPECT_EQ(back->buildings.buildings[0], 2);
    ASSERT_TRUE(LoadCity(*back, 2));
    EXPECT_EQ(back->city.name.view(), "Brightwater");

    // A city whose records carry a damaged number is saved back at its place all the same.
    for (const std::int32_t damaged : {0, 1000}) {
        a->city.number = a->army.number = a->buildings.number = damaged;
        ASSERT_TRUE(WriteFilePrefix(kCitiesFile, &a->city, sizeof a->city));
        ASSERT_TRUE(LoadCity(*back, 1));
        ASSERT_TRUE(SaveCity(*back));
        EXPECT_EQ(CountCities(), 2) << damaged;
        EXPECT_EQ(test::ReadFile(kCityArmiesFile).size(), 2 * sizeof(CityArmyRecord)) << damaged;
        EXPECT_EQ(back->city.number, 1);
    }
    ASSERT_TRUE(LoadCity(*back, 2));

    // A number with no whole record behind it, in any of the files, loads nothing.
    for (const std::int32_t n : {0, -1, 3}) EXPECT_FALSE(LoadCity(*back, n)) << n;
    ::truncate(kCityBuildingsFile, sizeof(CityBuildingsRecord) + 10);
    EXPECT_FALSE(LoadCity(*back, 2));
    EXPECT_EQ(back->city.name.view(), "Brightwater");

    // A city whose file has gone is founded anew.
    ::unlink(kCitiesFile);
    ASSERT_TRUE(SaveCity(*a));
    EXPECT_EQ(a->city.number, 1);
    EXPECT_EQ(CountCities(), 1);
}

TEST(CityFiles, NodesFoundingAtOnceEachGetTheirOwnNumber) {
    test::TempDir dir;
    constexpr int kNodes = 6;
    constexpr int kCitiesEach = 25;
    // The nodes wait at a closed pipe, so they all start founding at the same moment.
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> children;
    for (int node = 0; node < kNodes; ++node) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(start[1]);
            char byte;
            if (::read(start[0], &byte, 1) != 0) ::_exit(2);
            for (int i = 0; i < kCitiesEach; ++i) {
                if (Found("N" + std::to_string(node) + "C" + std::to_string(i)) == 0) ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    ::close(start[0]);
    ::close(start[1]);
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ASSERT_EQ(CountCities(), kNodes * kCitiesEach);
    std::set<std::string> names;
    auto c = NewCity("");
    for (int n = 1; n <= kNodes * kCitiesEach; ++n) {
        ASSERT_TRUE(LoadCity(*c, n));
        EXPECT_EQ(c->city.number, n);
        EXPECT_EQ(c->army.number, n);
        EXPECT_EQ(c->buildings.number, n);
        names.insert(c->city.name.str());
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kNodes * kCitiesEach));
}

TEST(CityRecords, SumsStopAtTheEdgesOfTheirFields) {
    CityBuffers c{};
    c.city.weapons = 2'147'483'000;
    AddCapped(c.city.weapons, 1000);
    EXPECT_EQ(c.city.weapons, 2'147'483'647);
    c.city.stones = 10;
    AddCapped(c.city.stones, -50);
    EXPECT_EQ(c.city.stones, 0);
    c.army.units[0] = -2'147'483'000;
    AddCapped(c.army.units[0], -1000);
    EXPECT_EQ(c.army.units[0], -2'147'483'647 - 1);
}

}  // namespace
}  // namespace vorn
