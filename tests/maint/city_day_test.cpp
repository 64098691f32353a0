// A city's day: what production, upkeep and taxes do to the stocks, a building finished with the
// figures of its type, research shared out and finished, and fields that stop at their edges.
#include "maint/city_day.hpp"

#include <gtest/gtest.h>

#include <memory>

#include "support/test_session.hpp"

namespace vorn {
namespace {

struct Day {
    test::TempDir dir;
    ManualClock clock{test::SampleTime()};
    std::unique_ptr<CityBuffers> buffers = std::make_unique<CityBuffers>();
    CityRecord& city = buffers->city;
    BuildingTypeRecord type{};
    bool type_exists = true;

    Day() {
        city = NewCityRecord();
        city.name = "Frostholm";
        city.founder = "Cora";
    }
    bool pass() {
        return PassCityDay(
            *buffers,
            [this](int, BuildingTypeRecord& t) {
                t = type;
                return type_exists;
            },
            clock);
    }
};

TEST(CityDay, ProductionUpkeepTaxesAndTheirEdges) {
    Day d;
    CityRecord& c = d.city;
    c.stones_production = 7;
    c.metals_production = 3;
    c.lumber_production = 4;
    c.grain_production = 0;
    c.horses_production = 6;
    c.weapons_production = 2;
    c.gold_production = 11;
    c.grain = 3;  // less than the night eats: the stock ends at 0
    c.grain_upkeep = 5;
    c.taxes_on = 1;
    c.tax_percent = 10;
    c.treasury = 5;
    ASSERT_TRUE(d.pass());
    EXPECT_EQ(c.stones, 57);
    EXPECT_EQ(c.metals, 53);
    EXPECT_EQ(c.lumber, 50 + 4 - 3);
    EXPECT_EQ(c.grain, 0);
    EXPECT_EQ(c.horses, 100 + 6 - 5);
    EXPECT_EQ(c.weapons, 100 + 2 - 1);
    EXPECT_EQ(c.folk, 110);
    // Gold production, then the taxes on the grown folk at the percentage byte.
    EXPECT_EQ(c.treasury, 5 + 11 + 110 * 10);
    EXPECT_EQ(c.construction_progress, 2);

    // Stocks and gauges stop at the edges of their fields.
    c.stones = 65530;
    c.stones_production = 100;
    c.treasury = 2'147'483'000;
    c.gold_production = 1'000'000;
    c.construction_progress = 65535;
    c.expansion_growth = -5;
    c.expansion = 3;
    ASSERT_TRUE(d.pass());
    EXPECT_EQ(c.stones, 65535);
    EXPECT_EQ(c.treasury, 2'147'483'647);
    EXPECT_EQ(c.construction_progress, 65535);
    EXPECT_EQ(c.expansion, 0);
    EXPECT_FALSE(test::FileExists("Cora.nws"));
}

TEST(CityDay, AFinishedBuildingAddsItsFigures) {
    for (const bool exists : {true, false}) {
        Day d;
        CityRecord& c = d.city;
        c.construction_number = 4;
        c.construction_name = "|10Farmstead";
        c.construction_total = 3;
        c.construction_progress = 1;  // + 2 tonight reaches the total
        d.type_exists = exists;
        d.type.gold_production = 20;
        d.type.gold_upkeep = 3;
        d.type.column5_production = 9;
        d.type.column5_upkeep = 1;
        d.type.growth = 2;
        d.type.science_bonus = -1;
        d.type.construction_bonus = 1;
        ASSERT_TRUE(d.pass());
        EXPECT_EQ(c.buildings_finished, 1);
        EXPECT_EQ(d.buffers->buildings.buildings[3], 1);
        EXPECT_EQ(c.construction_number, 0);
        EXPECT_TRUE(c.construction_name.empty());
        EXPECT_EQ(c.construction_progress, 0);
        EXPECT_EQ(c.construction_total, 1);
        // A type gone from the building file adds nothing.
        EXPECT_EQ(c.gold_production, exists ? 17 : 0);
        EXPECT_EQ(c.grain_production, exists ? 8 : 0);
        EXPECT_EQ(c.folk_growth, exists ? 12 : 10);
        EXPECT_EQ(c.science_figures[14], exists ? -1 : 0);
        EXPECT_EQ(c.construction_rate, exists ? 3 : 2);
        const std::string news = test::ReadFile("Cora.nws");
        EXPECT_NE(news.find(std::string(20, ' ') +
                            "Vornhold city news for the city of Frostholm\n"
                            "Finished construction of |10Farmstead in Frostholm\n"),
                  std::string::npos)
            << news;
    }
}

TEST(CityDay, ResearchIsSharedOutAndFinished) {
    struct Share {
        std::int64_t points, share, result;
    };
    for (const Share& s :
         {Share{2, 60, 1}, Share{2, 25, 0}, Share{2, 75, 2}, Share{5, 50, 2}, Share{7, 50, 4},
          Share{-3, 50, -2}, Share{2'000'000'000, 100, 2'000'000'000}}) {
        EXPECT_EQ(ResearchShare(s.points, s.share), s.result) << s.points << " " << s.share;
    }

    Day d;
    CityRecord& c = d.city;
    c.research_bonus = 1;
    // Slot 1 studies Geology (9) with 60 % and finishes tonight; slot 2 was cleared by its
    // founder (no name, goal 0, its science number left behind) and studies nothing.
    c.research_name[0] = "Geology";
    c.research_science[0] = 9;
    c.research_share[0] = 60;
    c.research_goal[0] = 3;
    c.research_progress[0] = 1;
    c.research_science[1] = 4;
    c.research_goal[1] = 0;
    c.research_name[2] = "Magic";
    c.research_science[2] = 15;
    c.research_goal[2] = 100;
    c.research_progress[2] = 65535;
    ASSERT_TRUE(d.pass());
    EXPECT_TRUE(c.research_name[0].empty());
    EXPECT_EQ(c.research_science[0], 0);
    EXPECT_EQ(c.research_share[0], 0);
    EXPECT_EQ(c.research_goal[0], 1);
    EXPECT_EQ(c.research_progress[0], 0);
    EXPECT_EQ(c.science_level[8], 2);
    EXPECT_EQ(c.science_level[3], 1);
    EXPECT_EQ(c.research_progress[1], 0);
    // Finished at its edge rather than turned round to nothing.
    EXPECT_EQ(c.science_level[14], 2);
    EXPECT_EQ(c.tech_level, 2);
    const std::string news = test::ReadFile("Cora.nws");
    EXPECT_NE(news.find("Finished research in Geology\n"), std::string::npos);
    EXPECT_NE(news.find("Finished research in Magic\n"), std::string::npos);
    EXPECT_EQ(news.find("Finished research in \n"), std::string::npos) << news;
}

}  // namespace
}  // namespace vorn
