#include "common/city_records.hpp"

#include <array>
#include <cstring>

namespace vorn {

namespace {

constexpr std::array<std::string_view, 10> kSizeClasses = {
    "Small Village", "Medium Village",   "Large Village",     "Small City",       "Medium City",
    "Large City",    "Small Metropolis", "Medium Metropolis", "Large Metropolis", "Megapole"};

constexpr std::array<std::string_view, 6> kGovernments = {
    "Despotism", "Communism", "Democracy", "Republic", "Fundamentalism", "Anarchy"};

constexpr std::array<std::string_view, kSciences> kSciencesNames = {
    "Agriculture", "Biology", "Astronomy",     "Mathematics", "Chemistry",
    "Weaponry",    "Armors",  "Physics",       "Geology",     "Philosophy",
    "Psychology",  "Fire",    "Communication", "Physiology",  "Magic"};

template <std::size_t N>
std::string_view NameOf(const std::array<std::string_view, N>& names, int number) {
    if (number < 1 || number > static_cast<int>(N)) return {};
    return names[static_cast<std::size_t>(number - 1)];
}

}  // namespace

CityRecord NewCityRecord() {
    CityRecord c;
    std::memset(&c, 0, sizeof c);
    c.size_class = 1;
    c.folk = 100;
    c.folk_growth = 10;
    c.metals = 50;
    c.weapons = 100;
    c.lumber = 50;
    c.grain = 100;
    c.horses = 100;
    c.grain_upkeep = 10;
    c.horses_upkeep = 5;
    c.lumber_upkeep = 3;
    c.weapons_upkeep = 1;
    c.territory = 300;
    c.warning = 1;
    c.government = 1;
    for (U16& goal : c.research_goal) goal = 1;
    for (std::uint8_t& level : c.science_level) level = 1;
    c.figure_528 = 2;
    c.figure_530 = 2;
    c.stones = 50;
    c.construction_rate = 2;
    c.research_points = 2;
    return c;
}

std::string_view SizeClassName(int size_class) {
    return NameOf(kSizeClasses, size_class);
}

std::string_view GovernmentName(int government) {
    return NameOf(kGovernments, government);
}

std::string_view ScienceName(int science) {
    return NameOf(kSciencesNames, science);
}

}  // namespace vorn
