// Levelling up at the trainer: the fight against the master of the next level, the build points
// it earns, and the sleep a Dragon must take afterwards.
#pragma once

namespace vorn {

struct Session;

void TryLevelUp(Session& session);

}  // namespace vorn
