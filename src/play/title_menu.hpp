// The title menu: the first screen after start-up, from which the caller logs on and plays.
#pragma once

namespace vorn {

struct Session;

void TitleMenu(Session& session, bool first_entry);

}  // namespace vorn
