#include "play/city_research.hpp"

#include <algorithm>
#include <string>

#include "core/session.hpp"
#include "play/city_prompts.hpp"
#include "play/town_prompts.hpp"

namespace vorn {

namespace {

constexpr int kFirstSlotRow = 6;
constexpr int kFirstLevelRow = 5;

// The editor of one slot: a science or N, then the share. The city is saved on leaving.
void EditSlot(Session& session, int slot) {
    Writer& out = session.writer;
    CityRecord& city = CurrentCity(session).city;
    out.show_display_file("scichg.ans", 28);
    out.set_attribute(15, 0, false);
    for (int j = 1; j <= kSciences; ++j) {
        out.go_to(70, kFirstLevelRow + j - 1);
        out.print_text(std::to_string(city.science_level[j - 1]));
    }
    out.go_to(40, 21);
    const char key = ReadMenuKey(session, "123456789ABCDEFN");
    if (key == 0) return;
    if (key == 'N') {
        ClearResearch(city, slot);
    } else {
        const int science = key <= '9' ? key - '0' : key - 'A' + 10;
        const int most = MostShareAllowed(city, slot);
        out.go_to(1, 24);
        out.print_coded("|03Dedicate how much % of science production? ");
        std::int64_t share = ReadAmount(session, "", 3);
        while (share > most && !session.time.ended) {
            out.go_to(1, 24);
            out.clear_to_eol();
            out.print_text("Must enter value below " + std::to_string(most) + " ");
            share = ReadAmount(session, "", 3);
        }
        if (session.time.ended) return;
        AssignResearch(city, slot, science, static_cast<int>(share));
    }
    SaveCurrentCity(session);
}

}  // namespace

int MostShareAllowed(const CityRecord& city, int slot) {
    int others = 0;
    for (int s = 0; s < kResearchSlots; ++s) {
        if (s != slot) others += city.research_share[s];
    }
    return std::max(0, 100 - others);
}

void AssignResearch(CityRecord& city, int slot, int science, int share) {
    city.research_name[slot] = ScienceName(science);
    city.research_share[slot] = static_cast<std::uint16_t>(share);
    city.research_science[slot] = static_cast<std::uint8_t>(science);
    city.research_goal[slot] = static_cast<std::uint16_t>(3 * city.science_level[science - 1]);
    city.research_progress[slot] = 0;
}

void ClearResearch(CityRecord& city, int slot) {
    city.research_name[slot] = "";
    city.research_share[slot] = 0;
    city.research_progress[slot] = 0;
    city.research_goal[slot] = 0;
}

void ResearchMenu(Session& session) {
    Writer& out = session.writer;
    CityRecord& city = CurrentCity(session).city;
    for (;;) {
        out.show_display_file("scimgt.ans", 28);
        for (int s = 0; s < kResearchSlots; ++s) {
            const int row = kFirstSlotRow + s;
            if (city.research_goal[s] == 0) city.research_goal[s] = 1;
            out.set_attribute(15, 0, false);
            out.go_to(14, row);
            out.print_text(city.research_name[s].view());
            out.set_foreground(14);
            out.go_to(42, row);
            out.print_text(std::to_string(city.research_share[s]));
            out.set_foreground(11);
            out.go_to(57, row);
            out.print_text(std::to_string(city.research_progress[s]) + "/" +
                           std::to_string(city.research_goal[s]));
        }
        out.go_to(40, 22);
        const char key = ReadMenuKey(session, "12345678Q");
        if (key == 'Q' || key == 0) return;
        EditSlot(session, key - '1');
    }
}

}  // namespace vorn
