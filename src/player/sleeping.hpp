// Sleeping players: a Dragon that gains a level must sleep for days, kept in a sleep file that
// the nightly run counts down; until it is gone the player cannot play.
#pragma once

#include <string>

namespace vorn {

struct Session;

// Creates the current player's sleep file holding the days to sleep. False when it cannot.
bool StartSleeping(Session& session, int days);

// At logon: a sleeping player is told so and the call ends through the orderly shutdown.
void CheckSleeping(Session& session);

}  // namespace vorn
