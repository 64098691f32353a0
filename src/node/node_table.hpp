// The node table and the messages between nodes. Every running node claims its record of
// nodeinfo.dat (who plays, where, doing what, and a heartbeat) and owns a data file that is its
// outgoing message stream; the others read the table and the streams in the key reader's round.
// Whatever fails, the node goes on alone ("in isolation") with multinode switched off.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/node_records.hpp"

namespace vorn {

struct Session;

// Closes nodeinfo.dat when it is open and opens it again for reading and writing. 0, or the errno
// of the failed open.
int OpenNodeInfo(Session& session);

// The whole table as it stands, empty when it cannot be read. The records are the node's own copy
// and stay good until the next call.
std::span<const NodeInfoRecord> ReadNodeTable(Session& session);

// Called by the logon before the exploration loop: claims this node's slot.
void JoinNodeTable(Session& session);
// Rewrites this node's record with the player's data and `activity`, and the heartbeat.
void UpdateNodeInfo(Session& session, std::string_view activity);
// Record n of the table; false when the file is shorter or the slot is not node n's.
bool ReadNodeRecord(Session& session, int n, NodeInfoRecord& record);
// Called once when the caller leaves: the slot is emptied and the data file removed.
void LeaveNodeTable(Session& session);

// Queues a message for the other nodes (written out at once when the queue is full).
void PostNodeMessage(Session& session, std::uint8_t kind, std::uint8_t target,
                     std::string_view text);
// Writes the queued messages out, then reads what the other nodes wrote for this one.
void ExchangeNodeData(Session& session);
// Writes the queued messages out now.
void FlushNodeMessages(Session& session);
// How a caller's line from another node starts on the screen: "Aldric (2): ", or
// "Aldric (2, to all): ", with pipe colour codes.
std::string NodeLinePrefix(std::string_view name, int node, bool to_all);

// A line every other node shows its caller: a player slain, a level master beaten, a city
// founded. Pipe colour codes are allowed.
void AnnounceToAllNodes(Session& session, std::string_view text);
// A line for the player numbered `user_number` when he plays on another live node (new mail for
// him, say); nothing when he does not. True when the line went out.
bool NotifyPlayerElsewhere(Session& session, std::uint16_t user_number, std::string_view text);

// The node's share of the key reader's round: the sysop's knock, delivery, the heartbeat and
// the lines waiting for the screen.
void NodeRound(Session& session);

// "You see a Male Highland Human, a Female ..." for the other players in the player's room;
// empty when there are none or the node plays alone.
std::string PlayersHereText(Session& session);
// The same on the message row of the exploration screen (column 2, row 12).
void ShowPlayersHere(Session& session);

}  // namespace vorn
