// The way in: name and password (or the caller the board vouches for), a new account and
// character for a newcomer, and the set-up of every visit before the exploration begins.
#pragma once

namespace vorn {

struct Session;

// Logs the caller on (three tries) and runs the visit; returns to the title menu when the
// exploration ends or the logon fails.
void Logon(Session& session);

// The armour class of the current player: the armour's base class and magic, and natural armour.
int ArmorClassOf(Session& session);

}  // namespace vorn
