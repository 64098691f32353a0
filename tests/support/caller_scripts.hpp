// Scripts a caller follows through the real game in the end-to-end tests: the drop file of a
// board, the creation of a character, and a look at the records the game wrote.
#pragma once

#include <string>

#include "common/user_records.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace vorn::test {

// Node 1 takes its callers from a drop file in the game directory (door type 1 or 2), or from
// the game's own logon (door type 4).
void SetDoorType(const GameDirectory& dir, int door_type);
// A door.sys for a local caller of the given name with an hour left.
void WriteDoorSys(const GameDirectory& dir, const std::string& caller);

// A small world for fights: Vornville (room 1); the forest road leads to a glade (2) where a
// harmless Grass Beetle always waits, and east of it a pit (3) where a Pit Horror kills whoever
// enters.
void WriteTestWorld(const GameDirectory& dir);

// The user record whose character name is `name` (number 0 when there is none).
UserRecord UserNamed(const GameDirectory& dir, const std::string& name);

// Types `keys` once `text` shows on the screen; false when it never does.
bool Answer(GameProcess& game, const std::string& text, const std::string& keys);

// From the first key pause through the game's own logon as a new caller (password "pw") to the
// city, with a Human called `character` (as CreateHuman).
void EnterAsNewCaller(GameProcess& game, const std::string& caller, const std::string& character);

// From the character name question to the city: a Human of the given sub-race menu choice,
// male, lawful good, worshipping Honor, no news; the player then stands in Vornville.
void CreateHuman(GameProcess& game, const std::string& name);

}  // namespace vorn::test
