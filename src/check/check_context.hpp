// What the parts of the checker share while they look at one game directory: its path, the
// record counts found so far (later parts check references against them) and the report, with
// the few file operations the repairs are made of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "check/game_check.hpp"
#include "common/record_file.hpp"
#include "worldc/world_kinds.hpp"

namespace vorn::check {

struct Context {
    Context(std::string dir, const DateTime& when, CheckReport& into)
        : directory(std::move(dir)), now(when), report(into) {}

    std::string directory;  // ends in "/"
    DateTime now;
    CheckReport& report;

    // Whole records of each world file, of cities.dat and of users.dat (0 when missing).
    std::uint64_t world[kWorldKindCount] = {};
    bool world_present[kWorldKindCount] = {};
    std::vector<std::uint8_t> world_bytes[kWorldKindCount];  // each world file as read
    std::uint64_t cities = 0;
    std::uint64_t users = 0;

    std::string path(std::string_view name) const { return directory + std::string(name); }
    std::uint64_t count_of(WorldKind kind) const { return world[static_cast<int>(kind)]; }

    void problem(std::string file, std::string text, std::function<bool()> repair = {});
    void note(std::string file, std::string text, std::function<bool()> repair = {});
};

// The size of a file, nothing when it does not exist.
std::optional<std::uint64_t> SizeOf(const std::string& path);

// Whole records of `name` (nothing when the file is missing). Bytes past the last whole record
// are reported, with their cut as the repair.
std::optional<std::uint64_t> CountRecords(Context& c, const std::string& name,
                                          std::size_t record_size);

// Repairs: cut a file to `records` records; add records up to `records`, each made by
// `make(index, bytes)`; write record `index`.
bool CutToRecords(const std::string& path, std::size_t record_size, std::uint64_t records);
bool ExtendToRecords(const std::string& path, std::size_t record_size, std::uint64_t records,
                     const std::function<void(std::uint64_t, std::vector<std::uint8_t>&)>& make);
bool RewriteRecord(const std::string& path, std::size_t record_size, std::uint64_t index,
                   const void* record);

// A repair of record `index` of a file of `Record`s: read, changed by `change`, written back.
template <class Record>
std::function<bool()> Mend(const std::string& path, std::uint64_t index,
                           std::function<void(Record&)> change) {
    return [=] {
        RecordFile file;
        Record r;
        if (!file.open(path, sizeof r, RecordFile::Access::kReadWrite) ||
            !file.read_record(index, r)) {
            return false;
        }
        change(r);
        return file.write_record(index, r);
    };
}

// A repair that reports a file `name` holding `have` records where `want` belong: cut or
// extended (with `make`; nothing to extend with leaves it to the sysop).
void ReportOutOfStep(Context& c, const std::string& name, std::size_t record_size,
                     std::uint64_t have, std::uint64_t want, const std::string& against,
                     const std::function<void(std::uint64_t, std::vector<std::uint8_t>&)>& make);

// The parts, in the order they run: each may use the counts of those before it.
void CheckModes(Context& c);
void CheckWorld(Context& c);
void CheckCities(Context& c);
void CheckPlayers(Context& c);
void CheckWorldReferences(Context& c);
void CheckNights(Context& c);
void CheckNodes(Context& c);
void CheckSettings(Context& c);
void CheckMessageAreas(Context& c);
void CheckLeague(Context& c);

// "3 records" / "1 record".
std::string Records(std::uint64_t n);

}  // namespace vorn::check
