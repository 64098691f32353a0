#include "play/city_menu.hpp"

#include "core/session.hpp"
#include "player/user_files.hpp"

namespace vorn {

// Until the town is built, the city gate leads straight out into the forest.
void CityMenu(Session& session) {
    session.play.quit = false;
    session.users.current.room = 2;
    SaveUser(session, session.users.current);
}

}  // namespace vorn
