// What mkgame installed in a game directory, kept there in installed.sum: a digest of every
// screen, help topic and text as it went in, and of every world record. An upgrade compares a
// file or record with it to tell one nobody changed since (the installation's to replace) from
// one the sysop changed (his to keep).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vorn::mkgame {

inline constexpr const char* kInstalledListFile = "installed.sum";

// FNV-1a of 64 bits: it tells versions of one file apart, and nobody gains by forging one.
std::uint64_t Digest(std::string_view bytes);

// Keys are paths in the game directory ("ansi/title.ans") or a world file with the number of a
// record from 1 ("rooms.dat:12").
class InstalledList {
  public:
    // The list from its text: one "DIGEST KEY" line each, in hexadecimal; other lines are passed
    // over.
    void parse(std::string_view text);
    std::string text() const;

    std::optional<std::uint64_t> find(const std::string& key) const;
    void set(const std::string& key, std::uint64_t digest);
    // The highest record number of `file` the list knows (0 for none).
    std::uint64_t last_record(std::string_view file) const;

  private:
    std::map<std::string, std::uint64_t> entries_;
};

std::string RecordKey(std::string_view file, std::uint64_t number);

}  // namespace vorn::mkgame
