#include "player/religion.hpp"

#include <cctype>

namespace vorn {

namespace {

struct Deity {
    const char* name;
    char key;
};

constexpr Deity kDeities[] = {
    {"None", 0},         {"Honor", 'A'},       {"Health", 'B'},
    {"Love", 'C'},       {"White Magic", 'D'}, {"Nature", 'F'},
    {"Death", 'K'},      {"Life", 'E'},        {"Neutral Magic", 'L'},
    {"War", 'G'},        {"Greed", 'H'},       {"Treachery", 'I'},
    {"Dark Magic", 'J'}, {"Atheist", 'M'},
};

constexpr const char* kRanks[] = {"Follower",  "Major Follower", "Low Preacher", "Zealot",
                                  "Theoricus", "Praticus",       "High Priest",  "Aquarius",
                                  "Minore",    "Majore"};

}  // namespace

std::string_view DeityName(int deity) {
    return deity >= 0 && deity <= 13 ? kDeities[deity].name : "Error";
}

std::string_view ReligionRankName(int rank) {
    return rank >= 1 && rank <= 10 ? kRanks[rank - 1] : "Error";
}

int DeityForKey(char key) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(key)));
    for (int d = 1; d <= 13; ++d) {
        if (kDeities[d].key == upper) return d;
    }
    return 0;
}

}  // namespace vorn
