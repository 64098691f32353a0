#include "play/items.hpp"

#include "core/session.hpp"

namespace vorn {

void ListOwnedItems(Session&) {}

void UseItem(Session&, int) {}

}  // namespace vorn
