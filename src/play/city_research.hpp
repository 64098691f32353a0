// The scholars of a player's city: eight research slots, each studying one science with a share
// of the city's research points, which the night turns into progress.
#pragma once

#include "common/city_records.hpp"

namespace vorn {

struct Session;

// The most share slot `slot` (0-based) may take: 100 % less what the seven others hold, so a
// slot already holding some can always keep it.
int MostShareAllowed(const CityRecord& city, int slot);

// Slot `slot` starts on `science` (1..15) with `share` %: progress 0, goal three times the
// science's level.
void AssignResearch(CityRecord& city, int slot, int science, int share);
// Slot `slot` goes idle.
void ClearResearch(CityRecord& city, int slot);

// The research menu of the city in the session's buffers; loops until Q.
void ResearchMenu(Session& session);

}  // namespace vorn
