// The player's death: the death screen, the news and the word to every node, and back to town
// with 1 hit point.
#pragma once

#include <string_view>

namespace vorn {

struct Session;

void KillPlayer(Session& session, std::string_view killer);

}  // namespace vorn
