// A player's own cities, seen from the map: the line that tells whoever passes that a city stands
// in the room, the city command that leads its founder into its management, and the founding of
// a new city where none stands.
#pragma once

#include <cstdint>

#include "common/user_records.hpp"

namespace vorn {

struct Session;

inline constexpr std::int32_t kCityPrice = 10000;
// Who holds this much is offered the founding with "yes" as the default answer.
inline constexpr std::int32_t kCityPriceAtEase = 15000;

// The first free entry (0-based) of the player's list of cities, -1 when all are in use.
int FreeCitySlot(const UserExtraRecord& extra);

// At (2,13) "The city of ... is present here" when the room holds a city that loads; the city's
// letter Y then joins the room's letters (on screen only: the room file is not changed).
void ShowCityHere(Session& session);

// The city command: the founder of the city standing here enters its management, anybody else is
// turned away; where no city stands, the founding starts.
void EnterCity(Session& session);

// The whole founding, from the first question to the news line: everything that follows from a
// new city belongs at its end.
void FoundCity(Session& session);

}  // namespace vorn
