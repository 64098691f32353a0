// What the screens of a player's own city share: the city in the session's buffers, saving it with
// the player, a number read until it lies in its range, and texts kept to their place on screen.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/city_files.hpp"

namespace vorn {

struct Session;

// The city the player is working on (loaded by the city command).
CityBuffers& CurrentCity(Session& session);

// Saves the city; one that cannot be written ends the program with the I/O error.
void SaveCurrentCity(Session& session);
// Saves the city, then the player. A city that cannot be written ends the program with the I/O
// error before the player is saved, so nothing is paid for what was not stored.
void SaveCityAndPlayer(Session& session);

// Reads up to `digits` digits at the cursor until the answer is 0 (also for an empty answer or a
// caller who has gone) or lies within 1..`most`; an answer beyond is erased and read again.
std::int64_t ReadNumberUpTo(Session& session, int digits, std::int64_t most);

// Prints `text` with its colour codes at (column, row), cut to `width` cells.
void PrintCodedAt(Session& session, int column, int row, std::string_view text, int width);

}  // namespace vorn
