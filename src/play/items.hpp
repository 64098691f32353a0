// The player's items: the list of what he carries, the store's list, buying and selling at the
// store, and the use of one item, shared by the exploration loop, combat and the status screen.
#pragma once

#include <cstdint>
#include <string_view>

namespace vorn {

struct Session;
class Random;

// Combat saves its screen in this slot before the item list; a use in battle restores it.
inline constexpr int kItemScreenSlot = 3;

// The word for an item's kind bits: "Clothe", "Misc", ..., "Unknown!".
std::string_view ItemKindWord(std::uint16_t kind);

// The strength of a heal or harm: (extra_draws + 1) draws of random(sides), stopping once the
// sum passes 2,000,000,000. Past kItemRollDice draws the sum of that many is scaled up to the
// whole number, so a roll of two billion dice costs no more than one of ten thousand.
std::int64_t ItemAmount(Random& random, std::int32_t sides, std::int32_t extra_draws);

void ListOwnedItems(Session& session);
void ListItemsForSale(Session& session);
void BuyItems(Session& session);
void SellItems(Session& session);

// Uses item `item` (0 = none) at the cursor: healing, teleport, harm, messages, charges.
void UseItem(Session& session, int item);

// The status screen's item key: the list, "Use which item? ", the use and a pause.
void ItemMenu(Session& session);

}  // namespace vorn
