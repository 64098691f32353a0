// Combat: the player against the monsters of the encounter list on the battlefield of the battle
// screen, turn by turn, until the monsters are dead, the player is dead or the player has fled.
#pragma once

#include <cstdint>

namespace vorn {

struct Session;
class Random;

enum class BattleResult { kWon, kLost, kFled };

// Fights the monsters of session.play.encounter. `end_when_cleared` ends the battle the moment
// the last monster falls (the trainer's level fight); `run_allowed` lets the player flee.
BattleResult StartBattle(Session& session, bool end_when_cleared, bool run_allowed);

// The turn loop of a battle already set up by StartBattle.
BattleResult BattleTurns(Session& session, bool end_when_cleared, bool run_allowed);

// Everybody moves, the player's strike lands, every monster within reach strikes back.
void ResolveTurn(Session& session);

// Monsters step toward the player's next cell, then all steps (the player's too) are taken.
void MoveAll(Session& session);

// Which of the eight directions the player may step in, into session.play.battle.open.
void OpenDirections(Session& session);

// Asks for a direction and sets the player's step. False when no direction is open.
bool ChooseDirection(Session& session);

// Lets the player pick a monster: one beside him for a weapon, any for a spell. 0 for none.
int ChooseTarget(Session& session, bool spell);

// Sends a bolt from the player to the target's cell for one mana: 1 (its damage), or 0 without
// mana.
int CastBolt(Session& session, int target_column, int target_row, int player_column,
             int player_row);

// The player strikes the monster in `slot` (weapon, or the bolt while casting).
void PlayerStrike(Session& session, int slot);

// The monster in `slot` strikes the player when he is within its reach.
void MonsterStrike(Session& session, int slot);

// The opponent panel: three slots from the panel start with their hit points.
void ShowOpponents(Session& session);

// `dice` throws of a die that shows 1 to sides - 1; a die of fewer than two sides shows 1.
std::int64_t RollDamageDice(Random& random, int dice, int sides);

}  // namespace vorn
