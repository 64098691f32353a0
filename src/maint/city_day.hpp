// A city's day, run by the night for every city: production into the stocks, the upkeep taken
// from them, taxes, construction (a finished building adds its figures to the city's), research.
// Finished buildings and research are told to the founder in his personal news. Every figure
// stops at the edge of its field's range rather than turning round.
#pragma once

#include <cstdint>
#include <functional>

#include "common/city_files.hpp"
#include "common/clock.hpp"
#include "common/world_records.hpp"

namespace vorn {

// Fills the record of building type `number`; false when buildg.dat has no such type.
using BuildingTypeLoader = std::function<bool(int number, BuildingTypeRecord& type)>;

// round(points × share / 100), halves to the even neighbour.
std::int64_t ResearchShare(std::int64_t points, std::int64_t share);

// One day of the city in `buffers`. A building it finishes is noted in the city record
// (last_built), for the save. False when the founder's news could not be written.
bool PassCityDay(CityBuffers& buffers, const BuildingTypeLoader& load_type, Clock& clock);

}  // namespace vorn
