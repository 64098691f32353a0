// Who is online, and a line sent to another node or to all of them: commands of the exploration
// loop's second menu page.
#pragma once

namespace vorn {

struct Session;

// The list of the nodes in play: drawn with nodetop/nodemid/nodebot when all three exist, as
// plain text otherwise; prompt text 40 when the node plays alone.
void ShowNodeList(Session& session);

// The list, the choice of a node (a number, a player's name, or * for all), the line, and it is
// on its way.
void SendNodeLine(Session& session);

}  // namespace vorn
