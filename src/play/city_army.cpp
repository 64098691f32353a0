#include "play/city_army.hpp"

#include <algorithm>
#include <string>

#include "core/session.hpp"
#include "play/city_prompts.hpp"
#include "play/town_prompts.hpp"
#include "term/line_editor.hpp"
#include "term/text_codes.hpp"
#include "world/world_files.hpp"

namespace vorn {

namespace {

constexpr int kListRows = 20;
constexpr int kFirstListRow = 4;

std::int64_t Bound(std::int64_t have, std::int64_t cost) {
    return cost == 0 ? kNoBound : std::max<std::int64_t>(have, 0) / cost;
}

// The unit types in two columns of twenty, grey where the city lacks the technology.
void ListUnitTypes(Session& session) {
    Writer& out = session.writer;
    const CityRecord& city = CurrentCity(session).city;
    for (int u = 1; u <= 2 * kListRows && LoadUnitType(session, u); ++u) {
        const ArmyUnitRecord& unit = session.world.unit;
        const int offset = u <= kListRows ? 0 : 41;
        const int row = kFirstListRow + (u - 1) % kListRows;
        out.set_attribute(unit.tech_level > city.tech_level ? 8 : 15, 0, false);
        out.go_to(offset + 2, row);
        out.print_text(std::to_string(u));
        out.go_to(offset + 5, row);
        out.print_text(CutVisible(unit.name.view(), 16));
        out.go_to(offset + 22, row);
        out.print_text(std::to_string(unit.weapons_cost));
        out.go_to(offset + 31, row);
        out.print_text(std::to_string(unit.gold_cost));
    }
}

void Refuse(Session& session, std::string_view message) {
    session.writer.print_coded(message);
    MessageWait(session);
}

// One round of the training ground; false when the player leaves it.
bool TrainOnce(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    CityBuffers& buffers = CurrentCity(session);
    out.show_display_file("armybuy.ans", 28);
    ListUnitTypes(session);
    int type = 0;
    for (;;) {
        out.go_to(1, 24);
        out.clear_to_eol();
        out.set_attribute(15, 0, false);
        out.print_text("Which army unit you want to train? ");
        type = static_cast<int>(ReadNumberUpTo(session, 2, kTrainableUnitTypes - 1));
        if (type == 0) {
            if (!session.time.ended) SaveCityAndPlayer(session);
            return false;
        }
        // A number with no unit type behind it is asked again.
        if (LoadUnitType(session, type)) break;
    }
    const ArmyUnitRecord unit = session.world.unit;
    out.go_to(1, 24);
    out.clear_to_eol();
    if (unit.tech_level > buffers.city.tech_level) {
        Refuse(session, "|04Not enough technology!");
        return false;
    }
    const TrainingBounds bounds = BoundsFor(user.gold, buffers.city, unit);
    if (bounds.by_gold == 0 || bounds.by_weapons == 0) {
        Refuse(session, std::string("Not enough ") + (bounds.by_gold == 0 ? "gold " : "") +
                            (bounds.by_weapons == 0 ? "weapons." : ""));
        return false;
    }
    const std::int64_t most = MostUnits(bounds);
    std::int64_t count = 0;
    for (;;) {
        out.go_to(1, 24);
        out.clear_to_eol();
        out.print_text("How many units [" + std::to_string(most) + "] ? ");
        const std::string answer = session.keys.input_line("", 0, CharacterRange('0', '9'), "", 5);
        if (session.time.ended) return false;
        count = answer.empty() ? most : ParseAmount(answer);
        if (count <= most) break;
    }
    if (count > 0) {
        TrainUnits(user, buffers, type, unit, count);
        SaveCityAndPlayer(session);
    }
    return true;
}

void ListArmy(Session& session) {
    Writer& out = session.writer;
    const CityArmyRecord& army = CurrentCity(session).army;
    out.show_display_file("armymgt.ans", 28);
    out.print_coded_line("|09Complete unit listing");
    int line = 11;
    for (int u = 1; u <= kUnitTypes && !session.time.ended; ++u) {
        const std::int32_t count = army.units[u - 1];
        if (count <= 0) continue;
        const std::string name =
            LoadUnitType(session, u) ? session.world.unit.name.str() : "unknown units";
        out.set_attribute(7, 0, false);
        out.print_coded_line(CutVisible(std::to_string(count) + " units of " + name, 79));
        if (++line > 23) {
            session.keys.pause_key();
            out.clear_screen();
            line = 1;
        }
    }
    session.keys.pause_key();
}

}  // namespace

TrainingBounds BoundsFor(std::int32_t player_gold, const CityRecord& city,
                         const ArmyUnitRecord& unit) {
    const std::int64_t gold =
        std::max<std::int64_t>(player_gold, 0) + std::max<std::int64_t>(city.treasury, 0);
    return {Bound(gold, unit.gold_cost), Bound(city.weapons, unit.weapons_cost)};
}

std::int64_t MostUnits(const TrainingBounds& bounds) {
    std::int64_t most = kMostUnitsAtOnce;
    for (const std::int64_t b : {bounds.by_gold, bounds.by_weapons}) {
        if (b != kNoBound) most = std::min(most, b);
    }
    return most;
}

void TrainUnits(UserRecord& user, CityBuffers& city, int unit_type, const ArmyUnitRecord& unit,
                std::int64_t count) {
    const std::int64_t gold = count * unit.gold_cost;
    const std::int64_t from_player = std::clamp<std::int64_t>(user.gold, 0, gold);
    user.gold = static_cast<std::int32_t>(user.gold - from_player);
    AddCapped(city.city.treasury, -(gold - from_player));
    AddCapped(city.city.weapons, -count * unit.weapons_cost);
    AddCapped(city.army.units[unit_type - 1], count);
}

void ArmyMenu(Session& session) {
    for (;;) {
        session.writer.show_display_file("armymgt2.ans", 28);
        switch (ReadMenuKey(session, "1234Q")) {
            case '1':
                while (TrainOnce(session)) {
                }
                break;
            case '4':
                ListArmy(session);
                break;
            case 'Q':
            case 0:
                return;
            default:
                // Drilling and marching to war are not open yet.
                break;
        }
    }
}

}  // namespace vorn
