#include "play/city_management.hpp"

#include <algorithm>
#include <cmath>

#include "core/session.hpp"
#include "play/city_army.hpp"
#include "play/city_buildings.hpp"
#include "play/city_prompts.hpp"
#include "play/city_research.hpp"
#include "play/town_prompts.hpp"

namespace vorn {

namespace {

constexpr std::uint8_t kFullBlock = 219;

void DrawGauge(Writer& out, int row, int length) {
    out.go_to(20, row);
    for (int i = 0; i < length; ++i) out.put_character(kFullBlock);
}

const char* Readiness(const CityRecord& city) {
    if (city.problem != 0) return "|08Ready Warning |12Problem";
    if (city.warning != 0) return "|08Ready |14Warning |08Problem";
    return "|10Ready |08Warning Problem";
}

}  // namespace

int GaugeLength(std::int64_t current, std::int64_t full) {
    if (full < 1) full = 1;
    const double cells = std::round(static_cast<double>(current) / static_cast<double>(full) *
                                    static_cast<double>(kGaugeWidth));
    return static_cast<int>(std::clamp(cells, 0.0, static_cast<double>(kGaugeWidth)));
}

void CityManagement(Session& session) {
    Writer& out = session.writer;
    CityBuffers& buffers = CurrentCity(session);
    CityRecord& city = buffers.city;
    for (;;) {
        out.show_display_file("ctymgt.ans", 28);
        if (city.harvest_full < 1) city.harvest_full = 1;
        if (city.expansion_full == 0) city.expansion_full = 1;
        if (city.construction_total == 0) city.construction_total = 1;
        out.set_attribute(4, 0, false);
        DrawGauge(out, 18, GaugeLength(city.harvest, city.harvest_full));
        out.set_foreground(2);
        DrawGauge(out, 20, GaugeLength(city.expansion, city.expansion_full));
        out.set_foreground(11);
        DrawGauge(out, 21, GaugeLength(city.construction_progress, city.construction_total));

        const auto& units = buffers.army.units;
        if (std::any_of(std::begin(units), std::end(units), [](const I32& n) { return n > 0; })) {
            city.warning = 0;
        }
        out.go_to(59, 18);
        out.print_coded(Readiness(city));
        out.go_to(45, 21);
        out.print_coded("|09Choose your move : ");
        switch (ReadMenuKey(session, "ABRSQCETW")) {
            case 'A':
                ArmyMenu(session);
                break;
            case 'B':
                BuildingMenu(session);
                break;
            case 'R':
                ResearchMenu(session);
                break;
            case 'S':
                ShowCityStatus(session);
                break;
            case 'Q':
            case 0:
                return;
            default:
                // Commerce, embassies, treaties and war are not open yet.
                break;
        }
    }
}

void ShowCityStatus(Session& session) {
    Writer& out = session.writer;
    const CityRecord& city = CurrentCity(session).city;
    out.show_display_file("ctystat.ans", 28);
    out.set_attribute(15, 0, false);
    PrintCodedAt(session, 18, 1, city.name.view(), 62);
    out.set_attribute(15, 0, false);
    PrintCodedAt(session, 12, 2, city.founder.view(), 68);
    out.set_attribute(15, 0, false);
    PrintCodedAt(session, 24, 8, city.construction_name.view(), 19);
    out.set_attribute(15, 0, false);

    struct Value {
        int column;
        int row;
        std::string text;
    };
    const auto n = [](std::int64_t v) { return std::to_string(v); };
    const Value values[] = {
        {24, 4, std::string(SizeClassName(city.size_class))},
        {24, 5, n(city.territory) + " acres free"},
        {24, 6, n(city.buildings_finished)},
        {24, 7, n(city.tax_percent) + " %"},
        {59, 4, n(city.renown)},
        {59, 5, n(city.unrest)},
        {59, 6, std::string(GovernmentName(city.government))},
        {59, 7, n(city.tech_level)},
        {59, 8, n(city.research_points)},
        // The resources: production over stock, and what each night uses up below.
        {13, 13, n(city.gold_production)},
        {13, 15, n(city.treasury)},
        {19, 13, n(city.metals_production)},
        {19, 15, n(city.metals)},
        {27, 13, n(city.stones_production)},
        {27, 15, n(city.stones)},
        {35, 13, n(city.lumber_production)},
        {35, 15, n(city.lumber)},
        {35, 17, n(city.lumber_upkeep)},
        {44, 13, n(city.grain_production)},
        {44, 15, n(city.grain)},
        {44, 17, n(city.grain_upkeep)},
        {51, 13, n(city.horses_production)},
        {51, 15, n(city.horses)},
        {51, 17, n(city.horses_upkeep)},
        {59, 13, n(city.folk_growth)},
        {59, 15, n(city.folk)},
        {72, 13, n(city.weapons_production)},
        {72, 15, n(city.weapons)},
        {72, 17, n(city.weapons_upkeep)},
    };
    for (const Value& v : values) {
        out.go_to(v.column, v.row);
        out.print_text(v.text);
    }
    out.go_to(1, 19);
    session.keys.pause_key();
}

}  // namespace vorn
