// What setup works on: the records of the node being edited, the game and the maintenance
// settings, and the node lock table. Every change goes to its file at once, whole records with
// the writers the game's own files use; a file that cannot be written is named in `problem` for
// the screen to show.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/config_files.hpp"
#include "common/node_lock_table.hpp"
#include "setup/field_table.hpp"

namespace vorn {

inline constexpr int kFirstNode = 1;
inline constexpr int kLastNode = 9999;

struct SetupState {
    int node_number = kFirstNode;
    SetupRecords records{};
    NodeLockTable locks{};
    std::string problem;
};

// "vorn" + n + ".dat".
std::string NodeFileName(int node);

// Nodes first to last, both included.
struct NodeRange {
    int first = kFirstNode;
    int last = kFirstNode;
};
// "5" (that node alone) or "1-32", in digits only, each node from `lowest` to `highest` and the
// first not above the last; nullopt for anything else.
std::optional<NodeRange> ParseNodeRange(std::string_view text, int lowest, int highest);

// The start-up: the node file of `node`, maint.dat and setup.dat, each loaded or written with
// its defaults, then the lock table, created with 256 zero bytes when it is missing.
bool LoadStartFiles(SetupState& state, int node);
// Loads one file with its defaults; the node file is that of `node_number`.
bool LoadSettings(SetupState& state, SettingsFile file);
// Loads `node` (1..9999) with defaults, so paging through nodes creates their files.
bool LoadNode(SetupState& state, int node);
// Writes the node file, then moves `delta` nodes on, not past 1 or 9999, and loads that node.
bool StepNode(SetupState& state, int delta);
// Writes the whole record of one file.
bool SaveSettings(SetupState& state, SettingsFile file);

}  // namespace vorn
