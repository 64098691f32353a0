#include "play/combat.hpp"

#include "core/session.hpp"

namespace vorn {

// Placeholder until the battlefield arrives: the monsters slip away.
BattleResult StartBattle(Session& session, bool, bool) {
    session.play.clear_encounters();
    return BattleResult::kWon;
}

int ChooseTarget(Session&, bool) {
    return 0;
}

}  // namespace vorn
