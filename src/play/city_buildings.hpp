// The master builder of a player's city: the buildings standing, the plans of every building
// type, and the construction of one building at a time, paid from the city's stocks, its
// treasury and the player's purse.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/city_files.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"

namespace vorn {

struct Session;

// Why a building type cannot be started in a city, before its costs are looked at; empty when it
// can. The limit is the most of the type a city may hold.
std::string_view BuildingRefusal(const CityBuffers& city, int type_number,
                                 const BuildingTypeRecord& type);
// The first cost the city (with the player's gold) cannot meet, in the order metals, stones,
// lumber, territory, gold; empty when it can pay.
std::string_view BuildingShortage(const CityRecord& city, std::int32_t player_gold,
                                  const BuildingTypeRecord& type);
// Pays for the building: every cost from the city, gold from the treasury and what it lacks
// from the player's purse; then the building is the one under construction.
void StartBuilding(UserRecord& user, CityRecord& city, int type_number,
                   const BuildingTypeRecord& type);

// The building menu of the city in the session's buffers; loops until Q.
void BuildingMenu(Session& session);

}  // namespace vorn
