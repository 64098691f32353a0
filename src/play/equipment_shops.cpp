#include "play/equipment_shops.hpp"

#include <cstdint>
#include <string>

#include "core/session.hpp"
#include "play/town_prompts.hpp"
#include "player/user_files.hpp"
#include "world/world_files.hpp"

namespace vorn {

namespace {

// What sets the two shops apart.
struct Shop {
    bool weapons;
    const char* menu_screen;
    const char* buy_screen;
    const char* sell_screen;
    int menu_column;
    int menu_row;
    int thanks_colour;
};

constexpr Shop kWeaponShop{true, "weapon.ans", "weapbuy.ans", "weapsell.ans", 46, 21, 10};
constexpr Shop kArmorShop{false, "armor.ans", "armbuy.ans", "armsell.ans", 48, 2, 11};

std::uint16_t Owned(Session& session, const Shop& shop) {
    const UserRecord& u = session.users.current;
    return shop.weapons ? u.weapon : u.armor;
}

void SetOwned(Session& session, const Shop& shop, std::uint16_t number) {
    UserRecord& u = session.users.current;
    if (shop.weapons) {
        u.weapon = number;
    } else {
        u.armor = number;
    }
}

bool Load(Session& session, const Shop& shop, std::int32_t number) {
    return shop.weapons ? LoadWeapon(session, number) : LoadArmor(session, number);
}

// The buffer of the shop's kind holds the player's own record again: combat and the status
// screen read it.
void ReloadOwned(Session& session, const Shop& shop) {
    Load(session, shop, Owned(session, shop));
}

std::string LoadedName(Session& session, const Shop& shop) {
    return shop.weapons ? session.world.weapon.name.str() : session.world.armor.name.str();
}

std::int32_t LoadedPrice(Session& session, const Shop& shop) {
    return shop.weapons ? session.world.weapon.price : session.world.armor.price;
}

bool Sell(Session& session, const Shop& shop) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    ReloadOwned(session, shop);
    const std::int32_t sale = LoadedPrice(session, shop) / 2;
    out.clear_screen();
    out.show_display_file(shop.sell_screen, 28);
    TextAt(session, 32, 5, 14, LoadedName(session, shop));
    TextAt(session, 32, 6, 14, std::to_string(sale));
    out.go_to(15, 9);
    // A caller who hangs up at the question keeps what he carries: the default is no answer.
    if (!session.keys.ask_yes_no(true) || session.time.ended) {
        MessageAt(session, 1, 11, 12, "Guess you want to keep it");
        return false;
    }
    user.gold = CappedMoney(static_cast<std::int64_t>(user.gold) + sale);
    SetOwned(session, shop, 0);
    ReloadOwned(session, shop);
    SaveUser(session, user);
    MessageAt(session, 1, 11, shop.thanks_colour,
              "Thanks for the business, here are your " + std::to_string(sale));
    return true;
}

void Buy(Session& session, const Shop& shop) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    for (;;) {
        out.clear_screen();
        out.show_display_file(shop.buy_screen, 28);
        TextAt(session, 39, 19, 14, std::to_string(user.gold) + " gold");
        std::string keys = "Q";
        for (int d = 1; d <= 9; ++d) {
            // The list ends at the first record the file does not hold.
            if (!Load(session, shop, d)) break;
            TextAt(session, 6, 6 + d, 11, LoadedName(session, shop), 17);
            TextAt(session, 24, 6 + d, 10, std::to_string(LoadedPrice(session, shop)));
            keys += static_cast<char>('0' + d);
        }
        ReloadOwned(session, shop);
        TextAt(session, 40, 3, 15, LoadedName(session, shop));
        out.go_to(19, 20);
        const char key = ReadMenuKey(session, keys);
        if (key == 'Q' || key == 0) return;

        if (Owned(session, shop) != 0 && !Sell(session, shop)) {
            MessageAt(session, 1, 12, 12,
                      shop.weapons ? "Aborted" : "You must sell your armor first");
            return;
        }
        const int number = key - '0';
        if (!Load(session, shop, number)) {
            ReloadOwned(session, shop);
            return;
        }
        const std::int32_t price = LoadedPrice(session, shop);
        if (user.gold < price) {
            ReloadOwned(session, shop);
            MessageAt(session, 1, 22, 12, "Not enough money");
        } else {
            user.gold = CappedMoney(static_cast<std::int64_t>(user.gold) - price);
            SetOwned(session, shop, static_cast<std::uint16_t>(number));
            SaveUser(session, user);
        }
        if (!shop.weapons) return;
    }
}

void ShopMenu(Session& session, const Shop& shop) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    for (;;) {
        ReloadOwned(session, shop);
        out.clear_screen();
        out.show_display_file(shop.menu_screen, 28);
        TextAt(session, shop.menu_column, shop.menu_row, 14, LoadedName(session, shop));
        TextAt(session, shop.menu_column, shop.menu_row + 1, 14, std::to_string(user.gold));
        out.go_to(2, 23);
        switch (ReadMenuKey(session, "BQS")) {
            case 'B':
                Buy(session, shop);
                break;
            case 'S':
                Sell(session, shop);
                break;
            default:
                SaveUser(session, user);
                return;
        }
    }
}

}  // namespace

void WeaponShop(Session& session) {
    ShopMenu(session, kWeaponShop);
}

void ArmorShop(Session& session) {
    ShopMenu(session, kArmorShop);
}

void BuyWeapon(Session& session) {
    Buy(session, kWeaponShop);
}

void BuyArmor(Session& session) {
    Buy(session, kArmorShop);
}

bool SellWeapon(Session& session) {
    return Sell(session, kWeaponShop);
}

bool SellArmor(Session& session) {
    return Sell(session, kArmorShop);
}

}  // namespace vorn
