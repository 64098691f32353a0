// The list of what mkgame installed: parsing, writing and the digest.
#include "installed_list.hpp"

#include <charconv>
#include <cstdio>

namespace vorn::mkgame {

std::uint64_t Digest(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

void InstalledList::parse(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos || space + 1 == line.size()) continue;
        std::uint64_t digest = 0;
        const auto [ptr, error] = std::from_chars(line.data(), line.data() + space, digest, 16);
        if (error != std::errc{} || ptr != line.data() + space) continue;
        entries_[std::string(line.substr(space + 1))] = digest;
    }
}

std::string InstalledList::text() const {
    std::string out =
        "# What mkgame installed here, for mkgame --upgrade: a digest of each file and world\n"
        "# record as installed. A file or record that no longer matches was changed here.\n";
    for (const auto& [key, digest] : entries_) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(digest));
        out += std::string(hex) + " " + key + "\n";
    }
    return out;
}

std::optional<std::uint64_t> InstalledList::find(const std::string& key) const {
    const auto it = entries_.find(key);
    if (it == entries_.end()) return std::nullopt;
    return it->second;
}

void InstalledList::set(const std::string& key, std::uint64_t digest) {
    entries_[key] = digest;
}

std::uint64_t InstalledList::last_record(std::string_view file) const {
    const std::string prefix = std::string(file) + ":";
    std::uint64_t last = 0;
    for (auto it = entries_.lower_bound(prefix);
         it != entries_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
        std::uint64_t number = 0;
        const char* digits = it->first.data() + prefix.size();
        const char* end = it->first.data() + it->first.size();
        const auto [ptr, error] = std::from_chars(digits, end, number);
        if (error == std::errc{} && ptr == end && number > last) last = number;
    }
    return last;
}

std::string RecordKey(std::string_view file, std::uint64_t number) {
    return std::string(file) + ":" + std::to_string(number);
}

}  // namespace vorn::mkgame
