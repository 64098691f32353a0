#include "play/items.hpp"

#include <algorithm>
#include <string>

#include "common/random.hpp"
#include "core/session.hpp"
#include "play/combat.hpp"
#include "play/town_prompts.hpp"
#include "player/user_files.hpp"
#include "world/world_files.hpp"

namespace vorn {

namespace {

constexpr std::uint8_t kEffectHeal = 1;
constexpr std::uint8_t kEffectTeleport = 2;
constexpr std::uint8_t kEffectHarm = 4;
constexpr std::uint8_t kEffectMessage = 16;
constexpr std::uint16_t kKindUnidentified = 32;
constexpr std::uint16_t kKindMap = 512;
constexpr std::int64_t kAmountCeiling = 2'000'000'000;
constexpr int kRowsPerPage = 20;
// The order line of the battle screen, where an item is used in battle: columns 11 to 48.
constexpr int kOrderLineWidth = 38;

// An item number that fits the player's 255 item slots.
bool ValidItem(std::int64_t n) {
    return n >= 1 && n <= 255;
}

// Loads item n into the session's buffer; a failed load leaves the "nothing" item there rather
// than whatever was read before.
bool LoadItemFresh(Session& session, int n) {
    session.world.item = NothingItem();
    if (LoadItem(session, n)) return true;
    session.world.item = NothingItem();
    return false;
}

// Pages of twenty rows under a heading screen: `row_for` gives the row of the next entry and
// starts a new page when the last one is full.
class PagedList {
  public:
    PagedList(Session& session, const char* heading, int first_row)
        : session_(session), heading_(heading), first_row_(first_row) {
        start_page();
    }
    int next_row() {
        if (rows_ == kRowsPerPage) {
            session_.writer.new_lines(1);
            session_.keys.pause_key();
            start_page();
        }
        return first_row_ + rows_++;
    }
    void finish() {
        session_.writer.new_lines(1);
        session_.keys.pause_key();
    }

  private:
    void start_page() {
        session_.writer.clear_screen();
        session_.writer.show_display_file(heading_, 28);
        rows_ = 0;
    }
    Session& session_;
    const char* heading_;
    int first_row_;
    int rows_ = 0;
};

bool InBattle(Session& session) {
    return session.play.in_battle;
}

void RestoreAfterBattleUse(Session& session) {
    if (InBattle(session)) session.writer.restore_screen(kItemScreenSlot);
}

// In battle the player picks a monster for the item (0 = none, or himself).
int ItemTarget(Session& session) {
    if (!InBattle(session)) return 0;
    session.writer.go_to(11, 4);
    const int target = ChooseTarget(session, true);
    return target >= 1 && target <= kEncounterSlots ? target : 0;
}

std::int32_t MonsterMaximum(Session& session, int slot) {
    WorldBuffers scratch;
    scratch.directory = session.world.directory;
    if (!LoadMonster(scratch, session.play.encounter[static_cast<std::size_t>(slot)])) {
        return session.play.battle.hp[static_cast<std::size_t>(slot)];
    }
    return scratch.monster.hp_max;
}

void Heal(Session& session, const ItemRecord& item) {
    UserRecord& user = session.users.current;
    const int target = ItemTarget(session);
    const std::int64_t amount = ItemAmount(session.rng, item.effect_value, item.effect_value2);
    if (target == 0) {
        if (user.hp < user.max_hp) {
            user.hp = static_cast<std::int32_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(user.hp) + amount, user.max_hp));
        }
    } else {
        auto& hp = session.play.battle.hp[static_cast<std::size_t>(target)];
        const std::int64_t most = MonsterMaximum(session, target);
        if (hp < most) {
            hp = static_cast<std::int32_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(hp) + amount, most));
        }
    }
    RestoreAfterBattleUse(session);
}

void Harm(Session& session, const ItemRecord& item) {
    UserRecord& user = session.users.current;
    const int target = ItemTarget(session);
    const std::int64_t amount = ItemAmount(session.rng, item.effect_value, item.effect_value2);
    if (target == 0) {
        if (user.hp >= 1) {
            user.hp = amount > user.hp ? -1 : static_cast<std::int32_t>(user.hp - amount);
            if (user.hp < 1) session.play.cause_of_death = item.name.str();
        }
    } else {
        auto& hp = session.play.battle.hp[static_cast<std::size_t>(target)];
        hp = static_cast<std::int32_t>(std::max<std::int64_t>(hp - amount, 0));
    }
    RestoreAfterBattleUse(session);
}

void Teleport(Session& session, const ItemRecord& item) {
    session.users.current.room = item.effect_value;
    // The player is gone from the battlefield: the battle ends as if he had fled, so no monster
    // strikes a player who is no longer there.
    if (InBattle(session)) {
        session.play.battle.over = true;
        session.play.battle.fled = true;
    }
}

}  // namespace

std::string_view ItemKindWord(std::uint16_t kind) {
    static constexpr struct {
        std::uint16_t bit;
        const char* word;
    } kWords[] = {{1, "Clothe"},  {2, "Misc"},    {4, "Rod"},      {8, "Wand"},
                  {16, "Amulet"}, {64, "Potion"}, {256, "Scroll"}, {512, "Map"}};
    for (const auto& w : kWords) {
        if ((kind & w.bit) != 0) return w.word;
    }
    return "Unknown!";
}

std::int64_t ItemAmount(Random& random, std::int32_t sides, std::int32_t extra_draws) {
    // Draws of random(0) or random(1) are all 0: no need to make them.
    if (sides <= 1) return 0;
    std::int64_t sum = 0;
    const std::int64_t draws = static_cast<std::int64_t>(extra_draws) + 1;
    const std::int64_t thrown = std::min<std::int64_t>(draws, kItemRollDice);
    for (std::int64_t i = 0; i < thrown; ++i) {
        sum += random.random(static_cast<std::uint32_t>(sides));
        if (sum > kAmountCeiling) return sum;
    }
    if (thrown == draws) return sum;
    // sum * draws / thrown without overflow: the quotient and the remainder apart.
    return std::min(sum * (draws / thrown) + sum * (draws % thrown) / thrown, kAmountCeiling + 1);
}

void ListOwnedItems(Session& session) {
    const UserRecord& user = session.users.current;
    PagedList list(session, "itemhead.ans", 3);
    for (int n = 1; n <= 255; ++n) {
        const std::uint16_t count = user.item_count[n - 1];
        if (count == 0) continue;
        LoadItemFresh(session, n);
        const ItemRecord& item = session.world.item;
        const bool hidden = (item.kind & kKindUnidentified) != 0 && !user.item_known[n];
        const std::string_view kind = ItemKindWord(item.kind);
        const int row = list.next_row();
        TextAt(session, 1, row, 15, std::to_string(n));
        TextAt(session, 10, row, 11, hidden ? std::string(kind) : item.name.str(), 20);
        TextAt(session, 31, row, 14, std::to_string(count));
        TextAt(session, 43, row, 10, std::to_string(item.price));
        TextAt(session, 56, row, 13, kind);
        std::string charges;
        if (hidden) {
            charges = "?????";
        } else if (item.charges > 0) {
            charges = std::to_string(user.item_charges[n - 1]);
        } else {
            charges = "\xEC";  // code page 437's infinity: an item without charges lasts
        }
        TextAt(session, 64, row, 9, charges);
    }
    list.finish();
}

void ListItemsForSale(Session& session) {
    PagedList list(session, "itembuy.ans", 4);
    for (int n = 1; n <= 255; ++n) {
        if (!LoadItemFresh(session, n) || !session.world.item.sold) continue;
        const ItemRecord& item = session.world.item;
        const int row = list.next_row();
        TextAt(session, 2, row, 15, std::to_string(n));
        TextAt(session, 12, row, 11, item.name.str(), 25);
        TextAt(session, 38, row, 14, std::to_string(item.price));
    }
    list.finish();
}

void BuyItems(Session& session) {
    UserRecord& user = session.users.current;
    Writer& out = session.writer;
    ListItemsForSale(session);
    out.set_foreground(9);
    out.print_text("Which one want to buy? ");
    const std::int64_t n = ReadAmount(session, "0", 3);
    if (n == 0) {
        MessageLine(session, "|12Oh well!");
        return;
    }
    if (!ValidItem(n) || !LoadItemFresh(session, static_cast<int>(n)) || !session.world.item.sold) {
        MessageLine(session, "|12Item non existant");
        return;
    }
    const ItemRecord& item = session.world.item;
    if (user.gold < item.price) {
        MessageLine(session, "|12Not enough gold!");
        return;
    }
    out.set_foreground(9);
    out.print_coded("Buy how many " + item.name.str() + " ?");
    const std::int64_t count = ReadAmount(session, "1", 5);
    const auto slot = static_cast<std::size_t>(n - 1);
    const std::int64_t cost = count * item.price;
    if (cost > user.gold) {
        MessageLine(session, "|12Not enough gold!");
        return;
    }
    const std::int64_t new_count = user.item_count[slot] + count;
    const std::int64_t new_charges = user.item_charges[slot] + count * item.charges;
    if (new_count > kMostItems || new_charges > kMostItems) {
        MessageLine(session, "|12You can't carry that many!");
        return;
    }
    user.gold = CappedMoney(user.gold - cost);
    user.item_count[slot] = static_cast<std::uint16_t>(new_count);
    user.item_known[static_cast<std::size_t>(n)] = true;
    user.item_charges[slot] = static_cast<std::uint16_t>(new_charges);
    SaveUser(session, user);
    MessageWait(session);
}

void SellItems(Session& session) {
    UserRecord& user = session.users.current;
    Writer& out = session.writer;
    ListOwnedItems(session);
    out.set_foreground(9);
    out.print_text(" Which Item do you want to sell? ");
    const std::int64_t n = ReadAmount(session, "0", 3);
    if (n == 0) {
        MessageLine(session, "|12Oh well!");
        return;
    }
    if (!ValidItem(n) || user.item_count[static_cast<std::size_t>(n - 1)] == 0) {
        MessageLine(session, "|12You don't have any of them!");
        return;
    }
    const auto slot = static_cast<std::size_t>(n - 1);
    if (!LoadItemFresh(session, static_cast<int>(n)) || !session.world.item.bought) {
        MessageLine(session, "|12I don't want it!");
        return;
    }
    const ItemRecord& item = session.world.item;
    const std::int64_t owned = user.item_count[slot];
    std::int64_t count = 1;
    if (owned > 1) {
        out.set_foreground(9);
        out.print_text("How many of them?");
        // Never more than he has: the count must not fall below zero.
        count = std::min(ReadAmount(session, std::to_string(owned), 3), owned);
    }
    if (item.charges > 0) {
        while (count > 0 && count * item.charges > user.item_charges[slot]) --count;
    }
    const std::int64_t total = count * (item.price / 2);
    user.gold = CappedMoney(user.gold + total);
    user.item_count[slot] = static_cast<std::uint16_t>(owned - count);
    user.item_charges[slot] = static_cast<std::uint16_t>(
        std::max<std::int64_t>(user.item_charges[slot] - count * item.charges, 0));
    SaveUser(session, user);
    MessageLine(session, "|10Here is your " + std::to_string(total) + " gold!");
}

void UseItem(Session& session, int n) {
    UserRecord& user = session.users.current;
    Writer& out = session.writer;
    if (n == 0) {
        out.print_coded("|04Aborted!");
        return;
    }
    if (!ValidItem(n) || user.item_count[static_cast<std::size_t>(n - 1)] == 0) {
        out.print_coded("|12You don't have one!");
        return;
    }
    const auto slot = static_cast<std::size_t>(n - 1);
    if (!LoadItemFresh(session, n)) {
        out.print_coded("|12Nothing Happens!");
        return;
    }
    const ItemRecord item = session.world.item;
    if (item.charges > 0) {
        if (user.item_charges[slot] == 0) {
            out.print_coded("|12Nothing Happens!");
            return;
        }
        user.item_charges[slot] = static_cast<std::uint16_t>(user.item_charges[slot] - 1);
    }
    const bool map = (item.kind & kKindMap) != 0;
    if ((item.effect & kEffectMessage) != 0 && !map) {
        if (item.use_text.empty()) {
            RestoreAfterBattleUse(session);
            out.print_coded_within(item.description.view(),
                                   InBattle(session) ? kOrderLineWidth : kScreenColumns);
        } else {
            out.show_display_file(item.use_text.view(), 28);
            session.keys.pause_key();
            RestoreAfterBattleUse(session);
        }
    } else if (map) {
        out.show_display_file(item.use_text.view(), 28);
        out.go_to(18, 24);
        out.print_text(std::to_string(user.room));
        out.new_lines(1);
        session.keys.pause_key();
        RestoreAfterBattleUse(session);
    } else {
        if ((item.effect & kEffectHeal) != 0) Heal(session, item);
        if ((item.effect & kEffectHarm) != 0) Harm(session, item);
        if ((item.effect & kEffectTeleport) != 0) Teleport(session, item);
    }
    SaveUser(session, user);
}

void ItemMenu(Session& session) {
    ListOwnedItems(session);
    session.writer.set_foreground(9);
    session.writer.print_text("Use which item? ");
    const std::int64_t n = ReadAmount(session, "", 3);
    if (n > 0) UseItem(session, static_cast<int>(n));
    session.writer.new_lines(1);
    session.keys.pause_key();
}

}  // namespace vorn
