#include "play/title_menu.hpp"

namespace vorn {

// The menu arrives with door play; until then the game goes straight on to its orderly end.
void TitleMenu(Session&, bool) {}

}  // namespace vorn
