// Who is playing while the night runs. A node saves its player's whole record whenever he
// changes, so a record the night rewrote under him would be overwritten, or would overwrite his
// progress: the night passes such players (and their cities) over. A player is in play when a
// game holds his session lock, on any kind of node (one of several, the only node of a board
// without multinode, node 0, a node playing alone), or when a live node of the node table
// (heartbeat younger than 120 s) names him. The node table is read again at most once a second,
// so a caller who logs on during the run is seen soon.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.hpp"
#include "common/node_records.hpp"
#include "common/player_locks.hpp"

namespace vorn {

struct InPlay {
    bool playing = false;
    int node = 0;  // the node the node table names him on; 0 when it names none
};

class LivePlayers {
  public:
    explicit LivePlayers(Clock& clock, std::string path = kNodeInfoFileName)
        : clock_(clock), path_(std::move(path)) {}

    // Whether the user plays now, and where. A node that names no user number is matched by the
    // name.
    InPlay find(std::uint16_t number, std::string_view name);

  private:
    Clock& clock_;
    std::string path_;
    PlayerLocks locks_;
    bool read_ = false;
    std::int64_t read_at_ms_ = 0;
    std::vector<NodeInfoRecord> live_;
};

}  // namespace vorn
