#include "play/city_buildings.hpp"

#include <string>

#include "core/session.hpp"
#include "play/city_prompts.hpp"
#include "play/town_prompts.hpp"
#include "term/text_codes.hpp"
#include "world/world_files.hpp"

namespace vorn {

namespace {

constexpr int kFirstListRow = 11;
// Lists page before row 24, so the key pause after the last row never falls on row 25, which
// belongs to the sysop's status bar.
constexpr int kLastListRow = 23;

std::string NameOfType(Session& session, int type) {
    return LoadBuildingType(session, type) ? session.world.building.name.str() : "unknown building";
}

// One row of a building list: a number in colour 9 at column 3, a name in colour 7 at 12.
void ListRow(Session& session, int row, const std::string& number, std::string_view name) {
    Writer& out = session.writer;
    out.set_attribute(9, 0, false);
    out.go_to(3, row);
    out.print_text(number);
    out.set_attribute(7, 0, false);
    PrintCodedAt(session, 12, row, name, 68);
}

void ListCityBuildings(Session& session) {
    Writer& out = session.writer;
    const CityBuildingsRecord& standing = CurrentCity(session).buildings;
    out.show_display_file("buillist.ans", 28);
    int row = kFirstListRow;
    for (int b = 1; b <= kBuildingTypes && !session.time.ended; ++b) {
        const int count = standing.buildings[b - 1];
        if (count == 0) continue;
        ListRow(session, row, std::to_string(count) + " ", NameOfType(session, b));
        out.new_lines(1);
        if (++row > kLastListRow) {
            session.keys.pause_key();
            out.show_display_file("buillist.ans", 28);
            row = kFirstListRow;
        }
    }
    session.keys.pause_key();
}

void ListBuildingTypes(Session& session) {
    Writer& out = session.writer;
    out.clear_screen();
    out.show_display_file("buillist.ans", 28);
    int row = kFirstListRow;
    for (int b = 1; b <= kBuildingTypes && !session.time.ended; ++b) {
        if (!LoadBuildingType(session, b)) break;
        ListRow(session, row, std::to_string(b), session.world.building.name.view());
        if (++row > kLastListRow) {
            out.new_lines(1);
            session.keys.pause_key();
            out.show_display_file("buillist.ans", 28);
            row = kFirstListRow;
        }
    }
    out.new_lines(1);
    session.keys.pause_key();
}

// The plan of a building: what it makes, what it uses up each night and what it costs, by
// resource, then the acres it takes and its workers.
void ShowBuildingSheet(Session& session, const BuildingTypeRecord& type) {
    Writer& out = session.writer;
    out.show_display_file("bstat.ans", 28);
    out.set_attribute(15, 0, false);
    PrintCodedAt(session, 16, 4, type.name.view(), 64);
    struct Line {
        int row;
        int colour;
        std::int64_t makes;
        std::int64_t uses;
        std::string costs;
    };
    const auto n = [](std::int64_t v) { return std::to_string(v); };
    const Line lines[] = {
        {8, 9, type.gold_production, type.gold_upkeep, n(type.gold_cost)},
        {9, 3, type.metals_production, type.metals_upkeep, n(type.metals_cost)},
        {11, 9, type.stones_production, type.stones_upkeep, n(type.stones_cost)},
        {12, 3, type.growth, type.growth_upkeep, "N/A"},
        {14, 9, type.lumber_production, type.lumber_upkeep, n(type.lumber_cost)},
        {15, 3, type.column5_production, type.column5_upkeep, "N/A"},
        {17, 9, type.column6_production, type.column6_upkeep, "N/A"},
        {18, 3, type.weapons_production, type.weapons_upkeep, "N/A"},
    };
    for (const Line& line : lines) {
        out.set_attribute(line.colour, 0, false);
        out.go_to(15, line.row);
        out.print_text(n(line.makes));
        out.go_to(34, line.row);
        out.print_text(n(line.uses));
        out.go_to(49, line.row);
        out.print_text(line.costs);
    }
    out.set_attribute(9, 0, false);
    out.go_to(16, 20);
    out.print_text(n(type.territory_cost));
    out.go_to(16, 22);
    out.print_text(n(type.sheet_figure));
}

// The choice of a building to raise; returns once a choice has been handled.
void Construct(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    CityBuffers& buffers = CurrentCity(session);
    for (;;) {
        ListBuildingTypes(session);
        out.new_lines(1);
        out.set_attribute(15, 0, false);
        out.print_text("Witch building to construct? ");
        // 0 or an empty answer goes back to the builder, so a city without plans is no trap.
        const int number = static_cast<int>(ReadNumberUpTo(session, 5, kBuildingTypes));
        if (number == 0) return;
        if (!LoadBuildingType(session, number)) {
            MessageLine(session, "Building does not exist");
            continue;
        }
        const BuildingTypeRecord type = session.world.building;
        const std::string_view refusal = BuildingRefusal(buffers, number, type);
        if (!refusal.empty()) {
            MessageLine(session, refusal);
            continue;
        }
        ShowBuildingSheet(session, type);
        out.new_lines(1);
        out.set_attribute(15, 0, false);
        // Cut so the question and its answer stay on one row.
        out.print_coded("Are you sure you want to build a " + CutVisible(type.name.view(), 36) +
                        "|15? ");
        if (!session.keys.ask_yes_no(true) || session.time.ended) return;
        const std::string_view shortage = BuildingShortage(buffers.city, user.gold, type);
        if (!shortage.empty()) {
            MessageLine(session, shortage);
            return;
        }
        StartBuilding(user, buffers.city, number, type);
        SaveCityAndPlayer(session);
        return;
    }
}

}  // namespace

std::string_view BuildingRefusal(const CityBuffers& city, int type_number,
                                 const BuildingTypeRecord& type) {
    for (const std::uint16_t p : type.prerequisites) {
        if (p != 0 && (p > kBuildingTypes || city.buildings.buildings[p - 1] == 0)) {
            return "You don't have the prerequisite to build it";
        }
    }
    for (int j = 0; j < kSciences; ++j) {
        if (type.science_levels[j] != 0 && city.city.science_level[j] < type.science_levels[j]) {
            return "You don't have the prerequisite to build it";
        }
    }
    if (type.limit != 0 && city.buildings.buildings[type_number - 1] >= type.limit) {
        return "You have reached the limit for this building";
    }
    return {};
}

std::string_view BuildingShortage(const CityRecord& city, std::int32_t player_gold,
                                  const BuildingTypeRecord& type) {
    if (type.metals_cost > city.metals) return "Not enough metals";
    if (type.stones_cost > city.stones) return "Not enough stones";
    if (type.lumber_cost > city.lumber) return "Not enough lumber";
    if (type.territory_cost > city.territory) return "Not enough territory";
    if (static_cast<std::int64_t>(city.treasury) + player_gold < type.gold_cost) {
        return "Not enough gold";
    }
    return {};
}

void StartBuilding(UserRecord& user, CityRecord& city, int type_number,
                   const BuildingTypeRecord& type) {
    AddCapped(city.metals, -type.metals_cost);
    AddCapped(city.stones, -type.stones_cost);
    AddCapped(city.lumber, -type.lumber_cost);
    AddCapped(city.territory, -type.territory_cost);
    const std::int64_t treasury = static_cast<std::int64_t>(city.treasury) - type.gold_cost;
    if (treasury < 0) {
        user.gold = CappedMoney(user.gold + treasury);
        city.treasury = 0;
    } else {
        city.treasury = static_cast<std::int32_t>(treasury);
    }
    city.construction_name = type.name.view();
    city.construction_number = static_cast<std::uint16_t>(type_number);
    city.construction_progress = 0;
    city.construction_total = type.build_time;
}

void BuildingMenu(Session& session) {
    Writer& out = session.writer;
    const CityRecord& city = CurrentCity(session).city;
    for (;;) {
        out.show_display_file("builmgt.ans", 28);
        out.set_attribute(15, 0, false);
        PrintCodedAt(session, 16, 19, city.construction_name.view(), 64);
        out.set_attribute(3, 0, false);
        out.go_to(16, 21);
        out.print_text(std::to_string(city.construction_progress) + " / " +
                       std::to_string(city.construction_total));
        out.new_lines(2);
        out.set_attribute(9, 0, false);
        out.print_text("Choose your command: ");
        switch (ReadMenuKey(session, "123Q")) {
            case '1':
                ListCityBuildings(session);
                break;
            case '2':
                ListBuildingTypes(session);
                break;
            case '3':
                Construct(session);
                break;
            default:
                return;
        }
    }
}

}  // namespace vorn
