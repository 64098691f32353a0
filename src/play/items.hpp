// The player's items: the list of what he carries and the use of one, shared by the exploration
// loop, combat and the status screen.
#pragma once

namespace vorn {

struct Session;

void ListOwnedItems(Session& session);
// Uses item `item` (0 = none) at the cursor: healing, teleport, harm, messages, charges.
void UseItem(Session& session, int item);

}  // namespace vorn
