// The pass of exploration: the room loaded, its hazards applied, its event chain run, the room
// drawn, monsters rolled and one command read.
#include "play/explore.hpp"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/session.hpp"
#include "mail/message_reader.hpp"
#include "mail/news.hpp"
#include "node/node_lines.hpp"
#include "node/node_list.hpp"
#include "node/node_table.hpp"
#include "play/city_founding.hpp"
#include "play/city_menu.hpp"
#include "play/combat.hpp"
#include "play/death.hpp"
#include "play/explore_commands.hpp"
#include "play/explore_effects.hpp"
#include "play/explore_room.hpp"
#include "play/help_centre.hpp"
#include "play/items.hpp"
#include "play/main_sequence.hpp"
#include "player/attribute_checks.hpp"
#include "player/player_screens.hpp"
#include "player/racial_skills.hpp"
#include "player/user_files.hpp"
#include "term/line_editor.hpp"
#include "world/world_files.hpp"

namespace vorn {

namespace {

// Where the Sylvan effect puts a player barred from the city.
constexpr std::int32_t kForest = 2;

// Disadvantages the map tests.
constexpr std::uint16_t kNoSurface = 0x0001;
constexpr std::uint16_t kClaustrophobic = 0x0008;
constexpr std::uint16_t kGasMalus = 0x0100;
constexpr std::uint16_t kWaterOnly = 0x0800;

bool DeepWater(int terrain) {
    return terrain == 8 || terrain == 24 || terrain == 25 || terrain == 27 || terrain == 28;
}
bool WaterForMonsters(int terrain) {
    return DeepWater(terrain) || terrain == 18;
}

// A hazard the player cannot stand: carried to a random room of the map.
void CarryAway(Session& session) {
    session.users.current.room = RandomRoom(session);
    session.play.redraw = true;
}

// The hazards of the room; true when the player was carried away and the pass starts again.
bool ApplyHazards(Session& session) {
    PlayState& play = session.play;
    UserRecord& user = session.users.current;
    const RoomRecord& room = session.world.room;
    const int terrain = room.terrain;
    play.hp_tick = 1;
    if (terrain == 26 && !HasSkill(user, Skill::kImmuneGas)) {
        SetStatus(session, kStatusGas, "|12Incommodated by gas!");
        play.hp_tick = -4;
        play.cause_of_death = "gas";
        if (user.disadvantages & kGasMalus) {
            SetStatus(session, kStatusGas, "|12Incommodated by gas (heavy)!");
            play.hp_tick -= 3;
        }
        // Half immunity softens the gas.
        if (HasSkill(user, Skill::kHalfGas)) play.hp_tick += 2;
    } else {
        SetStatus(session, kStatusGas, "");
    }
    if (terrain >= 20 && terrain <= 22 && (user.disadvantages & kClaustrophobic)) {
        CarryAway(session);
        return true;
    }
    if (DeepWater(terrain) && !(user.disadvantages & (kNoSurface | kWaterOnly)) &&
        !HasSkill(user, Skill::kBreatheWater)) {
        SetStatus(session, kStatusDrowning, "|12You are drowning!");
        play.hp_tick = -6;
        play.cause_of_death = "drowning";
    } else {
        SetStatus(session, kStatusDrowning, "");
    }
    if (HasSkill(user, Skill::kRegenerate)) ++play.hp_tick;
    if (terrain >= 10 && terrain <= 19 && !HasSkill(user, Skill::kFlying) &&
        user.hazard_guard == 0) {
        CarryAway(session);
        return true;
    }
    return false;
}

int ManaInterval(Session& session) {
    const GameSettings& s = session.settings;
    const UserRecord& user = session.users.current;
    const int god = session.world.room.god;
    if (god == 0) return s.mana_recovery_secs;
    if (god == user.real_deity) return s.mana_recovery_real_god_secs;
    if (god == user.deity) return s.mana_recovery_temple_secs;
    const bool same = (user.morals == 1 && god >= 1 && god <= 4) ||
                      (user.morals == 2 && god >= 5 && god <= 8) ||
                      (user.morals == 3 && god >= 9 && god <= 12);
    return same ? s.mana_recovery_same_align_secs : s.mana_recovery_opposite_align_secs;
}

// What every pass starts from; a player out of hit points dies here.
void StartPass(Session& session) {
    PlayState& play = session.play;
    UserRecord& user = session.users.current;
    if (user.hp < 1) KillPlayer(session, play.cause_of_death);
    play.cause_of_death = session.world.monster.name.str();
    play.hp_tick = 1;
    play.hp_interval = session.settings.hp_recovery_secs;
    const std::int64_t now = NowSeconds(session);
    play.last_hp_tick = play.last_mana_tick = play.last_status_change = now;
    play.exploring = true;
    play.in_battle = false;
    user.location = "Vorn Ville";
    user.in_inn = false;
}

// The room's text, or its event chain; false when the player did not live through the chain.
bool ShowRoomOrEvent(Session& session) {
    const RoomRecord& room = session.world.room;
    if (room.event == 0) {
        PrintRoomText(session);
        return true;
    }
    RunEvent(session, room.event);
    if (session.users.current.hp < 1) return false;
    PlayState& play = session.play;
    if (play.redraw) {
        // The event's fight took the screen: all of it is drawn again.
        session.writer.show_display_file("explore.ans", 16);
        play.redraw = false;
        DrawRoomHeader(session);
        StatusTickerShow(session);
        DrawBars(session);
        PrintRoomText(session);
    }
    return true;
}

}  // namespace

std::int32_t RandomRoom(Session& session) {
    const std::uint64_t count = session.world.rooms.record_count();
    if (count == 0) return 0;
    return static_cast<std::int32_t>(session.rng.random(static_cast<std::uint32_t>(count)) + 1);
}

void RollEncounter(Session& session) {
    Writer& out = session.writer;
    PlayState& play = session.play;
    RoomRecord& room = session.world.room;
    play.clear_encounters();
    const std::uint32_t r = session.rng.random(100);
    const bool appear = r <= room.monster_chance && room.monster_chance >= 2;
    std::vector<std::pair<std::string, int>> names;
    if (appear) {
        out.go_to(3, 21);
        out.print_coded("|14A|15ttack");
        room.flags = room.flags | Bit('A');
        out.set_attribute(12, 0, false);
        std::uint32_t n = 0;
        while (n == 0 && room.monster_draw1 != 0) n = session.rng.random(room.monster_draw1 + 1u);
        for (std::uint32_t slot = 1; slot <= n && slot <= kEncounterSlots; ++slot) {
            std::uint32_t level = 0;
            while (level == 0 && room.monster_draw2 != 0) {
                level = session.rng.random(room.monster_draw2 + 1u);
            }
            LoadMonster(session, 1);
            const std::int32_t count = session.world.monster_count;
            if (count < 1) break;
            int wraps = 0;
            for (std::int32_t k = 1; wraps <= 200;) {
                if (session.rng.random(2) != 1 && LoadMonster(session, k)) {
                    const MonsterRecord& m = session.world.monster;
                    if (m.level == level && m.random_encounter) {
                        const bool water =
                            m.category == 150 || m.category == 151 || (m.abilities & 2048) != 0;
                        if (water == WaterForMonsters(room.terrain)) {
                            play.encounter[slot] = k;
                            const std::string name = m.name.str();
                            auto it = std::find_if(names.begin(), names.end(),
                                                   [&](const auto& e) { return e.first == name; });
                            if (it != names.end()) {
                                ++it->second;
                            } else if (names.size() < kEncounterSlots) {
                                names.emplace_back(name, 1);
                            }
                        }
                        break;
                    }
                }
                if (++k > count) {
                    k = 1;
                    ++wraps;
                }
            }
        }
        std::string list;
        for (const auto& [name, count] : names) {
            list += std::to_string(count) + " " + name + "/";
            play.encounter_total += count;
        }
        if (play.encounter_total > 0) {
            out.go_to(2, 14);
            out.print_coded_within(list + " ", 78);
            return;
        }
    }
    room.flags = room.flags & ~Bit('A');
    out.go_to(3, 21);
    out.print_coded("|08Attack");
}

void Explore(Session& session, bool first_entry) {
    Writer& out = session.writer;
    PlayState& play = session.play;
    UserRecord& user = session.users.current;
    play.redraw = first_entry;
    const std::int64_t start = NowSeconds(session);
    play.last_hp_tick = play.last_mana_tick = play.last_status_change = start;
    play.last_sylvan_tick = start;
    session.hooks.timed_effects = [&session] { TimedEffects(session); };
    bool first = first_entry;

    while (!session.time.ended) {
        StartPass(session);
        // A room the map does not hold (a smaller map compiled over a game in play) is the city,
        // which puts the player back on the map.
        const bool on_map = LoadRoom(session, user.room);
        if (ApplyHazards(session)) continue;

        const RoomRecord& room = session.world.room;
        const bool city = !on_map || room.terrain == 255 || user.room == 0 || user.room == 1;
        // Barred from the city while the forest itself is no room he can stand in: he waits
        // where he is until the effect wears off, rather than going round for ever.
        if (city && (user.sylvan_minutes == 0 || user.room != kForest)) {
            if (user.sylvan_minutes == 0) {
                play.exploring = false;
                UpdateNodeInfo(session, user.location.view());
                CityMenu(session);
                if (play.quit || session.time.ended) {
                    play.exploring = false;
                    session.hooks.timed_effects = nullptr;
                    return;
                }
            } else {
                user.room = kForest;
            }
            play.redraw = true;
            continue;
        }
        SetStatus(session, kStatusSylvan, SylvanText(user.sylvan_minutes));
        user.location = room.tag.view();
        SaveUser(session, user);
        if (room.event != 0) LoadEvent(session, room.event);

        if (play.redraw || first) {
            out.show_display_file("explore.ans", 16);
            out.go_to(61, 23);
            out.set_attribute(12, 0, false);
            out.print_text("Please wait...");
            StatusTickerNext(session);
            StatusTickerShow(session);
            play.redraw = false;
            first = false;
        }
        DrawRoomHeader(session);
        UpdateNodeInfo(session, room.tag.view());
        int page = user.display_choice == 0 ? 1 : user.display_choice;
        play.mana_interval = ManaInterval(session);

        // A new room is drawn over the old one without redrawing the screen: what the old
        // room left in the view (longer text lines, an offer, the monster list) goes first.
        BlankRows(out, 5, 14);
        DrawBars(session);
        if (user.hp < 1 || !ShowRoomOrEvent(session)) continue;
        ShowPlayersHere(session);
        ShowCityHere(session);
        if (room.monster_chance != 0 && room.monster_draw1 != 0 && room.monster_draw2 != 0) {
            RollEncounter(session);
        } else {
            session.world.room.flags = room.flags & ~Bit('A');
        }
        ReadEmail(session, false, false, false);  // the new-mail notice
        const Next next = Command(session, page);
        if (next == Next::kReturn) break;
        if (next == Next::kFullPass) play.redraw = true;
    }
    play.exploring = false;
    session.hooks.timed_effects = nullptr;
}

}  // namespace vorn
