// worldc compile on a world of the default installation's size: 100 rooms in five area files,
// 60 events, 80 monsters and the shop, level, unit and building lists. Target: under 1 s.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "worldc/world_source.hpp"

namespace {

namespace fs = std::filesystem;

std::string Line(int n) {
    return "\"|0" + std::to_string(n % 7 + 2) + "A line of room text that runs on for a while, " +
           std::to_string(n) + ".\"";
}

void WriteWorld(const fs::path& dir) {
    fs::create_directories(dir / "rooms");
    for (int area = 0; area < 5; ++area) {
        std::ofstream out(dir / "rooms" / ("area" + std::to_string(area) + ".toml"));
        for (int r = area * 20 + 1; r <= area * 20 + 20; ++r) {
            const int x = (r - 1) % 10, y = (r - 1) / 10;
            out << "[room." << r << "]\ntag = \"Place " << r << "\"\nflags = \"NSEWQLF\"\n";
            if (y > 0) out << "north = " << r - 10 << "\n";
            if (y < 9) out << "south = " << r + 10 << "\n";
            if (x > 0) out << "west = " << r - 1 << "\n";
            if (x < 9) out << "east = " << r + 1 << "\n";
            if (r <= 60) out << "event = " << r << "\n";
            out << "monster_chance = " << r % 50
                << "\nmonster_draw1 = 3\nmonster_draw2 = " << 1 + r / 5 << "\nterrain = " << r % 30
                << "\ntext = [\n";
            for (int l = 0; l < 7; ++l) out << "    " << Line(r * 7 + l) << ",\n";
            out << "]\n\n";
        }
    }
    std::ofstream events(dir / "events.toml");
    for (int e = 1; e <= 60; ++e) {
        events << "[event." << e << "]\ndone_at_start = 1\ntext = [" << Line(e) << ", "
               << Line(e + 1) << "]\ngold_change = " << e * 3 << "\nxp_change = " << e * 10
               << "\ncheck_die = [0, 0, 0, " << e % 20 << ", 0, 0, 0]\nkeep_weapon = true\n"
               << "keep_armor = true\nitem_offer = true\nitem = " << 1 + e % 20
               << "\nitem_quantity = 1\nmonster = " << e << "\nmonster_number = 2\n";
        if (e < 60) events << "next_event = " << e + 1 << "\n";
        events << "\n";
    }
    std::ofstream monsters(dir / "monsters.toml");
    for (int m = 1; m <= 80; ++m) {
        monsters << "[monster." << m << "]\nname = \"Beast " << m << "\"\nhp_max = " << 10 + m
                 << "\nhp_min = " << m / 2 << "\nlevel = " << 1 + m / 4 << "\nreward = " << m * 5
                 << "\nattack_dice = 2\nattack_sides = 6\ncategory = " << 1 + m % 5
                 << "\nrandom_encounter = true\nmoves = 1\nreach = 1\n\n";
    }
    std::ofstream weapons(dir / "weapons.toml"), armors(dir / "armors.toml");
    for (int w = 1; w <= 9; ++w) {
        weapons << "[weapon." << w << "]\nname = \"Blade " << w << "\"\ndice = " << w
                << "\nsides = 6\nprice = " << w * w * 100 << "\ntype = " << 1 + w % 4 << "\n\n";
        armors << "[armor." << w << "]\nname = \"Mail " << w << "\"\nbase_class = " << w
               << "\nprice = " << w * w * 90 << "\n\n";
    }
    std::ofstream items(dir / "items.toml");
    for (int i = 1; i <= 20; ++i) {
        items << "[item." << i << "]\nname = \"Trinket " << i
              << "\"\neffect = 1\neffect_value = 8\ndescription = \"Something useful.\"\n"
              << "price = " << i * 25 << "\nsold = true\nbought = true\nkind = 64\ncharges = 1\n\n";
    }
    std::ofstream levels(dir / "levels.toml");
    for (int l = 1; l <= 21; ++l) {
        levels << "[level." << l << "]\nexperience = " << (l - 1) * (l - 1) * 150 << "\n\n";
    }
    std::ofstream units(dir / "units.toml");
    for (int u = 1; u <= 30; ++u) {
        units << "[unit." << u << "]\nname = \"Company " << u << "\"\nweapons_cost = " << u
              << "\ngold_cost = " << u * 10 << "\ntech_level = " << u / 3 << "\n\n";
    }
    std::ofstream buildings(dir / "buildings.toml");
    for (int b = 1; b <= 40; ++b) {
        buildings << "[building." << b << "]\nname = \"|07Works " << b
                  << "\"\ngold_cost = " << b * 100 << "\nbuild_time = " << 4 + b << "\n";
        if (b > 1) buildings << "prerequisites = [" << b - 1 << "]\n";
        buildings << "\n";
    }
}

void BM_CompileDefaultSizeWorld(benchmark::State& state) {
    char pattern[] = "/tmp/vorn-worldc-bench-XXXXXX";
    const fs::path root = ::mkdtemp(pattern);
    WriteWorld(root / "src");
    for (auto _ : state) {
        std::vector<vorn::SourceError> errors;
        if (!vorn::CompileWorldDirectory((root / "src").string(), (root / "out").string(),
                                         errors)) {
            state.SkipWithError(errors.empty() ? "failed" : errors.front().text().c_str());
            break;
        }
    }
    fs::remove_all(root);
}
BENCHMARK(BM_CompileDefaultSizeWorld)->Unit(benchmark::kMillisecond);

}  // namespace
