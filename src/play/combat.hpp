// Combat: the player against the monsters of the encounter list on the battlefield of the battle
// screen, turn by turn, until the monsters are dead, the player is dead or the player has fled.
#pragma once

namespace vorn {

struct Session;

enum class BattleResult { kWon, kLost, kFled };

// Fights the monsters of session.play.encounter. `end_when_cleared` ends the battle the moment
// the last monster falls (the trainer's level fight); `run_allowed` lets the player flee.
BattleResult StartBattle(Session& session, bool end_when_cleared, bool run_allowed);

// Lets the player pick a monster: one beside him for a weapon, any for a spell. 0 for none.
int ChooseTarget(Session& session, bool spell);

}  // namespace vorn
