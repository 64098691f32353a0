// The barracks of a player's city: training army units, paid in gold and in the city's weapons,
// and the muster roll of every unit the city has.
#pragma once

#include <cstdint>

#include "common/city_files.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"

namespace vorn {

struct Session;

// The unit numbers the training question takes (below this), and the most trained at once.
inline constexpr int kTrainableUnitTypes = 38;
inline constexpr std::int64_t kMostUnitsAtOnce = 99999;

// How many units of a type the player's gold with the treasury, and the weapons stock, pay for;
// kNoBound where the cost is 0.
inline constexpr std::int64_t kNoBound = -1;
struct TrainingBounds {
    std::int64_t by_gold = kNoBound;
    std::int64_t by_weapons = kNoBound;
};
TrainingBounds BoundsFor(std::int32_t player_gold, const CityRecord& city,
                         const ArmyUnitRecord& unit);
// The smaller of the bounds that exist (kMostUnitsAtOnce when neither does).
std::int64_t MostUnits(const TrainingBounds& bounds);

// Pays for `count` units: the weapons from the stock, the gold from the player's purse first and
// the rest from the treasury, neither going below 0; the units join the city's army.
void TrainUnits(UserRecord& user, CityBuffers& city, int unit_type, const ArmyUnitRecord& unit,
                std::int64_t count);

// The army menu of the city in the session's buffers; loops until Q.
void ArmyMenu(Session& session);

}  // namespace vorn
