// The events of the map: a chain of events run when the player enters a room, each with its
// text, attribute checks, changes, offers, losses and fight.
#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "core/session.hpp"
#include "play/combat.hpp"
#include "play/explore.hpp"
#include "play/explore_room.hpp"
#include "player/attribute_checks.hpp"
#include "player/player_screens.hpp"
#include "player/user_files.hpp"
#include "world/world_files.hpp"

namespace vorn {

bool EventChecksPass(Session& session) {
    const EventRecord& event = session.world.event;
    // The event's dice are stored in the order Strength, Intelligence, Constitution, Dexterity,
    // Charisma, Wisdom, Comeliness; the checks run in the order below.
    struct Check {
        int index;
        Attribute attribute;
    };
    static constexpr Check kOrder[] = {
        {0, Attribute::kStrength},   {3, Attribute::kDexterity},    {1, Attribute::kIntelligence},
        {5, Attribute::kWisdom},     {2, Attribute::kConstitution}, {4, Attribute::kCharisma},
        {6, Attribute::kComeliness},
    };
    bool any = false;
    bool passed = false;
    for (const Check& c : kOrder) {
        const std::uint8_t die = event.check_die[c.index];
        if (die == 0) continue;
        any = true;
        if (CheckAttribute(session, c.attribute, die, event.check_bonus[c.index], true)) {
            passed = true;
        }
    }
    return !any || passed;
}

namespace {

// The event's text over the room's, or the room's again when the event is done.
void ShowEventText(Session& session, const EventRecord& event, bool done) {
    Writer& out = session.writer;
    if (event.clear_first) BlankRows(out, 5, 14);
    out.set_attribute(7, 0, false);
    for (int line = 0; line < kRoomTextLines; ++line) {
        out.go_to(2, 5 + line);
        out.print_coded(done ? session.world.room.text[line].view() : event.text[line].view());
    }
}

// Hit points, gold and experience; gold and experience stop at the ends of their range.
void ApplyEventChanges(Session& session, const EventRecord& event) {
    UserRecord& user = session.users.current;
    user.hp += event.hp_change;
    user.gold = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        static_cast<std::int64_t>(user.gold) + event.gold_change, INT32_MIN, INT32_MAX));
    user.experience = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        static_cast<std::int64_t>(user.experience) + event.xp_change, INT32_MIN, INT32_MAX));
    SaveUser(session, user);
    session.writer.go_to(68, 16);
    ShowHpBar(session);
}

// What an event offers or takes: the player's weapon and armor beside the event's.
struct EventGoods {
    WeaponRecord old_weapon;
    ArmorRecord old_armor;
    WeaponRecord offered_weapon;
    ArmorRecord offered_armor;
    int item_number;
    ItemRecord item;
};

EventGoods LoadEventGoods(Session& session, const EventRecord& event) {
    EventGoods goods{session.world.weapon, session.world.armor, session.world.weapon,
                     session.world.armor,  event.item & 0xFF,   {}};
    if (event.weapon != 0 && LoadWeapon(session, event.weapon)) {
        goods.offered_weapon = session.world.weapon;
    }
    if (event.armor != 0 && LoadArmor(session, event.armor)) {
        goods.offered_armor = session.world.armor;
    }
    if (goods.item_number != 0) LoadItem(session, goods.item_number);
    goods.item = session.world.item;
    return goods;
}

// What an unidentified item is called in an offer.
std::string OfferedItemName(const ItemRecord& item) {
    if ((item.kind & 32) == 0) return item.name.str();
    struct KindWord {
        int bit;
        const char* word;
    };
    static constexpr KindWord kWords[] = {{1, "clothe"},  {2, "misc"},    {4, "rod"},
                                          {8, "wand"},    {16, "amulet"}, {64, "potion"},
                                          {256, "scroll"}};
    for (const KindWord& k : kWords) {
        if (item.kind & k.bit) return k.word;
    }
    return "unknown item";
}

// The event's weapon, armor and items, each offered on the message row.
void OfferEventGoods(Session& session, const EventRecord& event, const EventGoods& goods) {
    Writer& out = session.writer;
    PlayState& play = session.play;
    UserRecord& user = session.users.current;
    const auto offer = [&](const std::string& question) {
        Blank(out, 2, 12, 77);
        // Room on the row for the answer: "[Y/n] " and "Yes".
        out.print_coded_within(question, 77 - 9);
        play.exploring = false;
        const bool yes = session.keys.ask_yes_no(true);
        play.exploring = true;
        return yes;
    };
    if (event.weapon != 0 && event.keep_weapon &&
        offer("Do you take the " + goods.offered_weapon.name.str() + " instead of " +
              goods.old_weapon.name.str())) {
        user.weapon = event.weapon;
    }
    if (event.armor != 0 && event.keep_armor &&
        offer("Do you take the " + goods.offered_armor.name.str() + " instead of " +
              goods.old_armor.name.str())) {
        user.armor = event.armor;
    }
    const int item_number = goods.item_number;
    if (item_number > 0 && event.item_offer &&
        offer("Do you take the " + std::to_string(event.item_quantity) + " " +
              OfferedItemName(goods.item) + " ?")) {
        const int count = user.item_count[item_number - 1] + event.item_quantity;
        user.item_count[item_number - 1] = static_cast<std::uint16_t>(std::min(count, 65535));
        user.item_charges[item_number - 1] = goods.item.charges;
    }
}

// What the event takes away, its blessing, and the room's event marked done.
void TakeEventLosses(Session& session, const EventRecord& event, const EventGoods& goods,
                     std::int32_t room_event) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    const auto loss = [&](const std::string& text, int width) {
        out.go_to(2, 12);
        out.print_coded_within(text, 78);
        out.go_to(61, 23);
        session.keys.pause_key();
        Blank(out, 2, 12, width);
    };
    if (!event.keep_weapon) {
        user.weapon = 0;
        loss("You have lost your weapon!", 26);
    }
    if (!event.keep_armor) {
        user.armor = 0;
        loss("You have lost your armor!", 25);
    }
    if (!event.item_offer && goods.item_number != 0) {
        user.item_count[goods.item_number - 1] = 0;
        loss("You have lost all your " + goods.item.name.str() + " !", 78);
    }
    if (event.blessing && user.religion_rank < 10) ++user.religion_rank;
    if (event.done_at_start == 0 && room_event >= 1 && room_event <= 255) {
        user.event_done[room_event - 1] = true;
    }
    LoadWeapon(session, user.weapon);
    LoadArmor(session, user.armor);
    SaveUser(session, user);
}

// The event's monsters; false when the player did not live through the fight.
bool EventFight(Session& session, const EventRecord& event) {
    PlayState& play = session.play;
    play.clear_encounters();
    if (event.monster == 0) return true;
    // The encounter list has 19 places; an event asking for more fills them all.
    const int count = std::min<int>(event.monster_number, kEncounterSlots);
    for (int i = 1; i <= count; ++i) play.encounter[static_cast<std::size_t>(i)] = event.monster;
    StartBattle(session, false, event.fight_mode != 0);
    play.redraw = true;
    return session.users.current.hp >= 1;
}

}  // namespace

void RunEvent(Session& session, std::int32_t number) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    const std::int32_t room_event = session.world.room.event;
    // A chain that comes back to an event it has already run this time ends there.
    std::vector<std::int32_t> seen;
    while (number != 0 && !session.time.ended) {
        if (std::find(seen.begin(), seen.end(), number) != seen.end()) return;
        seen.push_back(number);
        // A missing event would leave the last one in the buffer, to be applied a second time.
        if (!LoadEvent(session, number)) return;
        const EventRecord event = session.world.event;
        const bool numbered = number >= 1 && number <= 255;
        const bool done = numbered && user.event_done[number - 1];
        ShowEventText(session, event, done);
        if (done) {
            number = event.done_event;
            continue;
        }
        if (numbered) user.event_done[number - 1].raw = event.done_at_start;
        SaveUser(session, user);
        if (event.deadly) {
            user.hp = -2;
            session.play.cause_of_death = event.killer.str();
            return;
        }
        if (!EventChecksPass(session)) {
            number = event.fail_event;
            continue;
        }
        ApplyEventChanges(session, event);
        const EventGoods goods = LoadEventGoods(session, event);
        out.go_to(61, 23);
        out.set_attribute(9, 0, false);
        out.print_text("Your command? ");
        OfferEventGoods(session, event, goods);
        TakeEventLosses(session, event, goods, room_event);
        if (!EventFight(session, event)) return;
        number = event.next_event;
    }
}

}  // namespace vorn
