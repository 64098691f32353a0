// The fields of a player's record that the player editor of setup shows and changes, one row
// each: its name (on the screen and in the non-interactive form), where it lies in UserRecord and
// the values it takes. The Players screen and the command line both work from this table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/user_records.hpp"

namespace vorn {

enum class PlayerFieldKind {
    kText,        // code page 437 characters, at most `size`
    kName,        // the character name: colour codes only, unique among all players
    kCallerName,  // the caller's name from the board, unique among the players not deleted
    kPassword,    // shown only as set or not; stored in the record's form
    kNumber,      // a whole number of `size` bytes (4: signed) from `lowest` to `highest`
    kFlag,        // yes or no
    kDeleted,     // yes or no: the place is free for a new player; the index entry follows it
    kSex,         // male or female
    kShown,       // shown only: the game keeps it in step with other fields
};

// A number that names a record of a world file goes no higher than the file's count.
enum class WorldLimit { kNone, kRooms, kWeapons, kArmors };

struct PlayerField {
    std::string_view name;
    PlayerFieldKind kind;
    std::size_t offset;  // in UserRecord
    std::size_t size;    // text: capacity in characters; number: bytes
    std::int64_t lowest = 0;
    std::int64_t highest = 0;
    WorldLimit world = WorldLimit::kNone;
};

std::span<const PlayerField> PlayerFields();
// By name, in any case; nullptr when there is none.
const PlayerField* FindPlayerField(std::string_view name);

// The highest value a number takes now: its own, or the record count of the world file it names
// in the game directory when that is lower.
std::int64_t HighestValue(const PlayerField& field);
// What the field takes, for help and messages: "0 to 2147483647", "yes or no".
std::string PlayerFieldRange(const PlayerField& field);

// The value as the screen shows it (code page 437).
std::string PlayerFieldText(const PlayerField& field, const UserRecord& user);
// A typed value (code page 437) into the record. False, with the reason in `error` and the record
// unchanged, when it is not one the field takes. Whether a name is free is for the caller to ask.
bool SetPlayerFieldValue(const PlayerField& field, UserRecord& user, std::string_view typed,
                         std::string& error);

}  // namespace vorn
