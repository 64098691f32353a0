// The exploration loop: the hub of play. The player stands in a room of the map; each pass
// applies the room's hazards, runs its event chain, draws it, rolls for wandering monsters and
// reads one command from a menu of three pages.
#pragma once

#include <cstdint>

namespace vorn {

struct Session;

// Runs until the player quits (back to the title menu) or the program ends from inside.
void Explore(Session& session, bool first_entry);

// The event chain starting at event `number`.
void RunEvent(Session& session, std::int32_t number);
// The attribute checks of the current event: true when it has none or one passes.
bool EventChecksPass(Session& session);
// The wandering-monster roll of the current room.
void RollEncounter(Session& session);
// The periodic work while the caller is at a prompt: recovery, status line, Sylvan countdown.
void TimedEffects(Session& session);
void StatusTickerNext(Session& session);
void StatusTickerShow(Session& session);

// The room a player is carried to when the current one will not have him.
std::int32_t RandomRoom(Session& session);

}  // namespace vorn
