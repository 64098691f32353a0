// The league page (L on the second page of commands, on a board in a league): the ranking of
// every board's players together, the league's news of the last nights and the boards with their
// last contact.
#pragma once

#include <string>
#include <vector>

#include "league/league_exchange.hpp"
#include "league/league_settings.hpp"

namespace vorn {

struct Session;

// Whether the board plays in a league: league.toml is there.
bool InLeague();

void ShowLeague(Session& session);

// E-mail to "Name@Board" goes to the league: sets the session's league mail.
void InstallLeagueMail(Session& session);

}  // namespace vorn
