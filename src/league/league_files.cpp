#include "league/league_files.hpp"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace vorn {

std::string AddressName(const NetworkAddress& a) {
    return std::to_string(a.zone) + "-" + std::to_string(a.net) + "-" + std::to_string(a.node) +
           "-" + std::to_string(a.point);
}

std::string Padded(std::uint32_t n) {
    char text[16];
    std::snprintf(text, sizeof text, "%08u", n);
    return text;
}

std::vector<std::string> FilesEndingIn(const std::string& folder, std::string_view suffix) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name.size() > suffix.size() && name.ends_with(suffix) && name[0] != '.') {
            names.emplace_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadSmallFile(const std::string& path, std::string& bytes) {
    const std::optional<std::string> text = ReadTextFile(path, kLargestPacket + 1);
    if (!text) return false;
    bytes = *text;
    return true;
}

}  // namespace vorn
