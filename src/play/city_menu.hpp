// The city of Vornville: the menu of the town square and the places it leads to.
#pragma once

namespace vorn {

struct Session;

// Runs until the player walks out into the forest, quits (session.play.quit) or rents a room.
void CityMenu(Session& session);

}  // namespace vorn
