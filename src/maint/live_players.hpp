// Who is playing on a live node (heartbeat younger than 120 s) while the night runs. A node saves
// its player's whole record whenever he changes, so a record the night rewrote under him would be
// overwritten, or would overwrite his progress: the night passes such players (and their cities)
// over. The node table is read again at most once a second, so a caller who logs on during the
// run is seen soon.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.hpp"
#include "common/node_records.hpp"

namespace vorn {

class LivePlayers {
  public:
    explicit LivePlayers(Clock& clock, std::string path = kNodeInfoFileName)
        : clock_(clock), path_(std::move(path)) {}

    // The node the user plays on, 0 when none. A node that names no user number is matched by
    // the name.
    int node_of(std::uint16_t number, std::string_view name);

  private:
    Clock& clock_;
    std::string path_;
    bool read_ = false;
    std::int64_t read_at_ms_ = 0;
    std::vector<NodeInfoRecord> live_;
};

}  // namespace vorn
