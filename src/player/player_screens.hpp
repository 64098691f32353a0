// The player's own screens: the ranking of all players, the search for a player by part of a
// name, the option screen and the status screen.
#pragma once

#include <functional>
#include <string_view>

namespace vorn {

struct Session;
struct UserRecord;

// Sorts a copy of the players by experience and lists them (paged).
void ShowRanking(Session& session);

// After a row of a paged list: at the bottom of the screen asks "More [Y/n]?" (or waits the
// node's pause). False when the caller stops the list or the session ends.
bool NextListRow(Session& session);

// Partial, case-insensitive search of the index's character names by `name`, asking "Did you
// mean ...?" for each candidate; sets the record's number. False when nobody was taken.
bool SearchUser(Session& session, UserRecord& user, bool include_deleted);

// The option screen (display_choice, delays, toggles), saved after every change.
void EditUserOptions(Session& session);

// The status screen. `item_menu` runs the item list and item use of the "I" key; when it is
// empty the key does nothing.
void ShowStatus(Session& session, const std::function<void()>& item_menu = {});

}  // namespace vorn
