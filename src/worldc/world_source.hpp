// The world compiler's core: TOML sources in, record bytes out, and back. Every refusal names the
// file, the line and the field, so a sysop can find the fault without reading the compiler.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "worldc/world_kinds.hpp"

namespace vorn {

struct SourceError {
    std::string file;
    int line = 0;       // 0 when the fault is not on one line
    std::string field;  // empty when the fault is not in one field
    std::string message;

    // "rooms/forest.toml:12: field 'north': room 99 does not exist"
    std::string text() const;
};

struct SourceRecord {
    std::vector<std::uint8_t> bytes;
    std::string file;
    int line = 0;
    std::map<std::string, int, std::less<>> field_lines;
};

// Everything read from the sources so far, and everything found wrong with it.
struct WorldSource {
    std::array<std::map<std::int64_t, SourceRecord>, kWorldKindCount> records;
    std::array<bool, kWorldKindCount> present{};
    std::vector<SourceError> errors;
    // Values kept although the game gives them no meaning (it caps or ignores them).
    std::vector<SourceError> warnings;

    std::map<std::int64_t, SourceRecord>& of(WorldKind kind) {
        return records[static_cast<std::size_t>(kind)];
    }
    const std::map<std::int64_t, SourceRecord>& of(WorldKind kind) const {
        return records[static_cast<std::size_t>(kind)];
    }
};

// Reads one source file of `kind` into `world`; faults are added to world.errors.
void ParseWorldSource(WorldSource& world, WorldKind kind, std::string_view text,
                      const std::string& file_name);

// The checks that need the whole world: numbering without gaps, references to records that
// exist, monsters whose hit points can be drawn, event chains that end.
void CheckWorld(WorldSource& world);

// The .dat image of one kind: its records back to back from number 1.
std::vector<std::uint8_t> BuildWorldFile(const WorldSource& world, WorldKind kind);

// The source text of a .dat image. Anything that cannot be carried over exactly (a partial last
// record, a length byte beyond its field) is described in `notes`.
std::string DecompileWorldFile(WorldKind kind, std::span<const std::uint8_t> bytes,
                               std::vector<std::string>& notes);

// `worldc compile`: every kind found in `source_dir` is checked and, when nothing is wrong,
// written to `out_dir`. Nothing is written when there is any fault; warnings stop nothing.
bool CompileWorldDirectory(const std::string& source_dir, const std::string& out_dir,
                           std::vector<SourceError>& errors,
                           std::vector<SourceError>* warnings = nullptr);

// `worldc decompile`: the source of every world file found in `game_dir`, one file per kind.
bool DecompileWorldDirectory(const std::string& game_dir, const std::string& out_dir,
                             std::vector<std::string>& notes);

}  // namespace vorn
