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
// A door.sys for a local caller of the given name with an hour left, in `folder` of the game
// directory ("" for the directory itself, or "node2/").
void WriteDoorSys(const GameDirectory& dir, const std::string& caller,
                  const std::string& folder = "");
// Node `node` of a game played on several nodes: its own configuration (door.sys callers,
// multinode on) and a door.sys for `caller` in its folder "node<n>/".
void SetUpNode(const GameDirectory& dir, int node, const std::string& caller);

// The user record whose character name is `name` (number 0 when there is none).
UserRecord UserNamed(const GameDirectory& dir, const std::string& name);

// Types `keys` once `text` shows on the screen; false when it never does.
bool Answer(GameProcess& game, const std::string& text, const std::string& keys);

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
