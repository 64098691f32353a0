#include "player/level_up.hpp"

#include "core/session.hpp"

namespace vorn {

void TryLevelUp(Session& session) {
    session.writer.clear_screen();
    session.writer.print_line("No Monster to fight, yet, come back later!");
}

}  // namespace vorn
