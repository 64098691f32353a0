// The city of Vornville: the menu of the town square and the places it leads to.
#pragma once

#include <cstdint>

namespace vorn {

struct Session;

// The disadvantage of the Sylvan elves that can drive them out of the city.
inline constexpr std::uint16_t kHatesCity = 0x0010;

// Runs until the player walks out into the forest, quits (session.play.quit) or rents a room.
void CityMenu(Session& session);

// The item store: buying and selling items.
void ItemStore(Session& session);

}  // namespace vorn
