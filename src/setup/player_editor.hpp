// The player editor of setup: finds players in users.dat and users.idx and changes them. A change
// is made only while no game holds the player: the editor takes his session lock for the moment
// of the change, so no logon loads him half changed and no game writes an older copy over it.
// The record is read and written whole under the lock of its bytes in users.dat (of the whole
// file when a name changes, as adding a player locks it), the index entry follows when a name or
// the deleted mark changes, and the day's system log gets a line with the old and new values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/clock.hpp"
#include "common/user_records.hpp"
#include "setup/player_fields.hpp"

namespace vorn {

struct PlayerEdit {
    enum class Outcome {
        kDone,        // changed (or nothing to change)
        kRefused,     // a value, a name or a player the editor does not take
        kPlaying,     // a game holds the player
        kWriteFailed  // a file could not be read or written: nothing changed
    };
    Outcome outcome = Outcome::kDone;
    // What was done ("Bob (3): gold 100 -> 5000"), or why not ("Bob is playing on node 2").
    std::string message;
};

// Whole records of users.dat that carry a user number.
std::uint64_t PlayerCount();
// A player by his number ("12") or by his name, whatever its case; a player not deleted comes
// before a deleted one of the same name. 0 when there is none.
std::uint16_t FindPlayer(std::string_view number_or_name);
bool ReadPlayer(std::uint16_t number, UserRecord& user);
// The node a game holding the player plays on: -1 when the game does not say; nullopt when no
// game holds him.
std::optional<int> PlayingNode(std::uint16_t number);
// "Bob is playing on node 2".
std::string PlayingText(std::string_view name, int node);

// A field set to a typed value (code page 437); the index entry follows a new name.
PlayerEdit SetPlayerField(Clock& clock, std::uint16_t number, const PlayerField& field,
                          std::string_view typed);
// The record marked deleted, or the mark taken away while his place is still his.
PlayerEdit DeletePlayer(Clock& clock, std::uint16_t number);
PlayerEdit UndeletePlayer(Clock& clock, std::uint16_t number);

}  // namespace vorn
