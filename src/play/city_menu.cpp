#include "play/city_menu.hpp"

#include <string>

#include "core/session.hpp"
#include "play/bank.hpp"
#include "play/equipment_shops.hpp"
#include "play/healer.hpp"
#include "play/items.hpp"
#include "play/tavern.hpp"
#include "play/town_prompts.hpp"
#include "play/training.hpp"
#include "player/attribute_checks.hpp"
#include "player/player_screens.hpp"
#include "player/user_files.hpp"

namespace vorn {

namespace {

constexpr int kForest = 2;

void Option(Session& session, int column, int row, char key, const std::string& label) {
    Writer& out = session.writer;
    out.go_to(column, row);
    out.print_coded(std::string("|15[|14") + key + "|15]");
    out.set_foreground(12);
    out.print_coded(label);
}

const char* BumLabel(std::uint8_t law) {
    switch (law) {
        case 1:
            return " Help a Bum";
        case 2:
            return " Help/Kill a Bum";
        case 3:
            return " Help a Bum out of his misery";
        default:
            return "";
    }
}

void DrawOptions(Session& session) {
    Option(session, 5, 9, 'U', BumLabel(session.users.current.law));
    Option(session, 40, 9, 'B', " Vornville's Bank");
    Option(session, 5, 11, 'I', " Vornville's Inn");
    Option(session, 40, 11, 'W', " Vornville's WeaponShop");
    Option(session, 5, 13, 'A', " Vornville's Armor");
    Option(session, 40, 13, 'K', " Vornville's Backalley");
    Option(session, 40, 17, 'F', " Go in the forest");
    Option(session, 40, 15, 'H', " The Healer");
    Option(session, 5, 17, 'S', " Store");
    Option(session, 5, 15, 'T', " Trainer");
    Option(session, 5, 21, 'Q', " Quit game");
    Option(session, 5, 19, 'V', " View your Statistics");
    Option(session, 40, 19, 'G', " Gymnasium");
}

// The Sylvan elf who cannot stand the city: a failed wisdom check sends him into the forest.
bool DrivenOut(Session& session) {
    UserRecord& user = session.users.current;
    if ((user.disadvantages & kHatesCity) == 0) return false;
    const auto die = static_cast<std::uint8_t>(2 * (user.wis % 128));
    if (CheckWisdom(session, die, true, false)) return false;
    user.room = kForest;
    user.sylvan_minutes = static_cast<std::uint8_t>(session.rng.random(100));
    session.play.last_sylvan_tick = session.clock.monotonic_ms();
    SaveUser(session, user);
    return true;
}

}  // namespace

void CityMenu(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    session.play.quit = false;
    for (;;) {
        // A player killed at the trainer or by his own item: the exploration loop's next pass
        // handles the death before it comes back to the city.
        if (user.hp < 1) return;
        if (user.sylvan_minutes > 0) {
            user.room = kForest;
            SaveUser(session, user);
            return;
        }
        user.room = 1;
        SaveUser(session, user);
        out.clear_screen();
        session.play.exploring = false;
        session.play.in_battle = false;
        out.show_display_file("humcity.ans", 28);
        DrawOptions(session);
        if (DrivenOut(session)) return;
        out.go_to(70, 23);
        switch (ReadMenuKey(session, "ABFGHIKQSTUVW")) {
            case 'A':
                ArmorShop(session);
                break;
            case 'B':
                BankMenu(session);
                break;
            case 'F':
                user.room = kForest;
                SaveUser(session, user);
                return;
            case 'G':
                Gymnasium(session);
                break;
            case 'H':
                Healer(session);
                break;
            case 'I':
                Tavern(session);
                break;
            case 'S':
                ItemStore(session);
                break;
            case 'T':
                Trainer(session);
                break;
            case 'V':
                ShowStatus(session, [&session] { ItemMenu(session); });
                break;
            case 'W':
                WeaponShop(session);
                break;
            case 'Q':
            case 0:
                if (user.room == 0 || user.room == 1) session.play.quit = true;
                return;
            default:
                break;
        }
    }
}

void ItemStore(Session& session) {
    for (;;) {
        session.writer.clear_screen();
        session.writer.show_display_file("store.ans", 28);
        switch (ReadMenuKey(session, "BQS")) {
            case 'B':
                BuyItems(session);
                break;
            case 'S':
                SellItems(session);
                break;
            default:
                return;
        }
    }
}

}  // namespace vorn
