// The weapon shop and the armour shop of Vornville. Both are built alike: a menu, a buying screen
// listing the first nine records of the shop's file, and the sale of what the player carries at
// half its price, which must come before a purchase.
#pragma once

namespace vorn {

struct Session;

void WeaponShop(Session& session);
void ArmorShop(Session& session);
void BuyWeapon(Session& session);
void BuyArmor(Session& session);
// True when the player sold what he carried; false when he kept it.
bool SellWeapon(Session& session);
bool SellArmor(Session& session);

}  // namespace vorn
