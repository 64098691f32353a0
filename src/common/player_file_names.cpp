#include "common/player_file_names.hpp"

#include <cctype>

namespace vorn {

namespace {

bool Ordinary(std::string_view stem) {
    if (stem.empty() || stem.front() == '.') return false;
    for (char c : stem) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E || c == '/' || c == '\\' || c == '%') return false;
    }
    std::string lower(stem);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // The two shared news files belong to everybody.
    return lower != "global" && lower != "yestday";
}

}  // namespace

std::string SafeFileStem(std::string_view stem) {
    if (Ordinary(stem)) return std::string(stem);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "%";
    for (char c : stem) {
        const auto u = static_cast<unsigned char>(c);
        out += kHex[u >> 4];
        out += kHex[u & 15];
    }
    return out;
}

std::string PlayerNewsFileName(std::string_view player_name) {
    std::string name(player_name.substr(0, 8));
    name.resize(8, ' ');
    const auto first = name.find_first_not_of(' ');
    const auto last = name.find_last_not_of(' ');
    const std::string stem = first == std::string::npos ? "" : name.substr(first, last - first + 1);
    return SafeFileStem(stem) + ".nws";
}

std::string SleepFileName(std::string_view player_name) {
    std::string stem;
    for (char c : player_name) {
        if (c != ' ') stem += c;
    }
    return SafeFileStem(stem.substr(0, 8)) + ".npl";
}

}  // namespace vorn
