#include "maint/city_day.hpp"

#include <algorithm>
#include <string>

#include "common/news_files.hpp"

namespace vorn {

namespace {

template <class T>
void TakeUpkeep(LeInt<T>& stock, std::int64_t upkeep) {
    AddCapped(stock, -upkeep);
    if (stock < 0) stock = 0;
}

std::uint8_t ByteUp(std::uint8_t value) {
    return value == 255 ? value : value + 1;
}

// The founder hears of it under the city's heading line.
bool TellFounder(const CityRecord& city, const std::string& text, Clock& clock) {
    const std::string founder = city.founder.str();
    return AddPlayerNews(
               std::string(20, ' ') + "Vornhold city news for the city of " + city.name.str(),
               founder, clock, false) &&
           AddPlayerNews(text, founder, clock);
}

void Produce(CityRecord& c) {
    AddCapped(c.stones, c.stones_production);
    AddCapped(c.metals, c.metals_production);
    AddCapped(c.lumber, c.lumber_production);
    AddCapped(c.grain, c.grain_production);
    AddCapped(c.horses, c.horses_production);
    AddCapped(c.weapons, c.weapons_production);
    AddCapped(c.folk, c.folk_growth);
    AddCapped(c.treasury, c.gold_production);

    TakeUpkeep(c.grain, c.grain_upkeep);
    TakeUpkeep(c.horses, c.horses_upkeep);
    TakeUpkeep(c.lumber, c.lumber_upkeep);
    TakeUpkeep(c.weapons, c.weapons_upkeep);

    if (c.taxes_on != 0) {
        AddCapped(c.treasury, static_cast<std::int64_t>(c.folk) * c.tax_percent);
    }
}

// What a finished building adds to the city's figures, less its upkeep.
void ApplyBuilding(CityRecord& c, const BuildingTypeRecord& b) {
    AddCapped(c.gold_production, b.gold_production - b.gold_upkeep);
    AddCapped(c.metals_production, b.metals_production - b.metals_upkeep);
    AddCapped(c.stones_production, b.stones_production - b.stones_upkeep);
    AddCapped(c.folk_growth, b.growth - b.growth_upkeep);
    AddCapped(c.lumber_production, b.lumber_production - b.lumber_upkeep);
    AddCapped(c.grain_production, b.column5_production - b.column5_upkeep);
    AddCapped(c.horses_production, b.column6_production - b.column6_upkeep);
    AddCapped(c.weapons_production, b.weapons_production - b.weapons_upkeep);
    for (I32& figure : c.science_figures) AddCapped(figure, b.science_bonus);
    AddCapped(c.expansion_growth, b.gauge_bonus);
    AddCapped(c.construction_rate, b.construction_bonus);
    AddCapped(c.figure_528, b.figure_528_bonus);
}

bool Construct(CityBuffers& buffers, const BuildingTypeLoader& load_type, Clock& clock) {
    CityRecord& c = buffers.city;
    AddCapped(c.construction_progress, c.construction_rate);
    AddCapped(c.expansion, c.expansion_growth);
    const int number = c.construction_number;
    if (number == 0 || c.construction_progress < c.construction_total) return true;

    c.buildings_finished = ByteUp(c.buildings_finished);
    // A type gone from buildg.dat still ends the construction, adding nothing.
    BuildingTypeRecord type{};
    if (number <= kBuildingTypes && load_type(number, type)) ApplyBuilding(c, type);
    if (number <= kBuildingTypes) {
        AddCapped(buffers.buildings.buildings[number - 1], 1);
        c.last_built = static_cast<std::uint16_t>(number);
        c.last_built_count = buffers.buildings.buildings[number - 1];
    }
    c.construction_progress = 0;
    c.construction_total = 1;
    const bool told = TellFounder(
        c, "Finished construction of " + c.construction_name.str() + " in " + c.name.str(), clock);
    c.construction_name = "";
    c.construction_number = 0;
    return told;
}

bool Research(CityRecord& c, Clock& clock) {
    bool ok = true;
    for (int s = 0; s < kResearchSlots; ++s) {
        // An idle slot studies nothing: a slot cleared by its founder keeps its science number
        // with a goal of 0, and would otherwise finish that science for free every night.
        const int science = c.research_science[s];
        if (c.research_name[s].empty() || science < 1 || science > kSciences) continue;
        AddCapped(c.research_progress[s],
                  ResearchShare(c.research_points, c.research_share[s]) + c.research_bonus);
        if (c.research_progress[s] < c.research_goal[s]) continue;
        ok = TellFounder(c, "Finished research in " + c.research_name[s].str(), clock) && ok;
        c.science_level[science - 1] = ByteUp(c.science_level[science - 1]);
        c.research_progress[s] = 0;
        c.research_goal[s] = 1;
        c.research_name[s] = "";
        c.research_science[s] = 0;
        c.research_share[s] = 0;
        c.tech_level = ByteUp(c.tech_level);
    }
    return ok;
}

}  // namespace

std::int64_t ResearchShare(std::int64_t points, std::int64_t share) {
    const std::int64_t product = points * share;
    std::int64_t quotient = product / 100;
    std::int64_t remainder = product % 100;
    if (remainder < 0) {  // floor division, so the remainder is 0..99
        quotient -= 1;
        remainder += 100;
    }
    if (remainder > 50 || (remainder == 50 && quotient % 2 != 0)) quotient += 1;
    return quotient;
}

bool PassCityDay(CityBuffers& buffers, const BuildingTypeLoader& load_type, Clock& clock) {
    Produce(buffers.city);
    const bool built = Construct(buffers, load_type, clock);
    return Research(buffers.city, clock) && built;
}

}  // namespace vorn
