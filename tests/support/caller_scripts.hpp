// Scripts a caller follows through the real game in the end-to-end tests: the drop file of a
// board, the creation of a character, and a look at the records the game wrote.
#pragma once

#include <functional>
#include <string>

#include "common/user_records.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace vorn::test {

// Node 1 takes its callers from a drop file in the game directory (door type 1 or 2), or from
// the game's own logon (door type 4).
void SetDoorType(const GameDirectory& dir, int door_type);
// A door.sys for a local caller of the given name with an hour left, in the game directory.
void WriteDoorSys(const GameDirectory& dir, const std::string& caller);

// Node `node` of a game where several nodes play: its own vorn<node>.dat (door.sys in its own
// folder, multinode on, sysop keys when asked) and a door.sys naming `caller` at `baud` bits per
// second (0: a local caller).
void SetUpDoorNode(const GameDirectory& dir, int node, const std::string& caller, int baud = 0,
                   bool sysop_keys = false);

// A small world for fights: Vornville (room 1); the forest road leads to a glade (2) where a
// harmless Grass Beetle always waits, and east of it a pit (3) where a Pit Horror kills whoever
// enters.
void WriteTestWorld(const GameDirectory& dir);

// Two rooms of the forest joined east and west below Vornville, without monsters or events:
// "Pine Walk" (room 2) and "Cedar Ridge" (room 3). No letter of one name stands where the same
// letter stands in the other, so the whole name comes back with every move even from a writer
// that sends only the cells that change.
void WriteWalkingWorld(const GameDirectory& dir);

// users.dat and users.idx of `players` players ("Player n" of caller "Caller n", standing in
// Vornville, experience from 5,000 values so that many are tied) and a sparse user2.dat; false
// when user2.dat cannot be sized.
bool WritePlayers(const GameDirectory& dir, int players);

// Every log the game wrote in logs/, one after the other.
std::string AllLogs(const GameDirectory& dir);

// The user record whose character name is `name` (number 0 when there is none).
UserRecord UserNamed(const GameDirectory& dir, const std::string& name);
// Changes that user's record in users.dat while no game runs (gold for a scenario, say).
void ChangeUser(const GameDirectory& dir, const std::string& name,
                const std::function<void(UserRecord&)>& change);

// Types `keys` once `text` shows on the screen; false when it never does.
bool Answer(GameProcess& game, const std::string& text, const std::string& keys);

// A caller new to the game goes from the title through the guide to the character name question
// and creates a Human there (CreateHuman below).
void NewcomerCreatesHuman(GameProcess& game, const std::string& name);

// From the title screen into the game on a board's node: a new character (created as
// CreateHuman does, who then stands in Vornville), or one who plays again and skips the news.
void EnterGame(GameProcess& game, const std::string& name, bool new_character);

// From the map: Q to the title menu, Q there, the key after the credits, and a normal end.
void LeaveFromTheMap(GameProcess& game);

// From the first key pause through the game's own logon as a new caller (password "pw") to the
// city, with a Human called `character` (as CreateHuman).
void EnterAsNewCaller(GameProcess& game, const std::string& caller, const std::string& character);

// From the character name question to the city: a Human of the given sub-race menu choice,
// male, lawful good, worshipping Honor, no news; the player then stands in Vornville.
void CreateHuman(GameProcess& game, const std::string& name);
// Answers the questions of a new message (receiver, subject) and types its text on the
// full-screen desk, sending it with Ctrl-X. An empty `to` takes what the question offers.
void WriteMessage(GameProcess& game, const std::string& to, const std::string& subject,
                  const std::string& text);
// From the road: "!" opens the caller's letters at the first, which shows `text`.
void ReadFirstLetter(GameProcess& game, const std::string& text);
// From the start to the forest edge: a new caller creates a Human named `name` (and takes the
// woodcutter's draughts), a returning one (empty `name`) skips the news.
void EnterTheForest(GameProcess& game, const std::string& name = "");

}  // namespace vorn::test
