// The checker of a game directory: every record file is looked at for what the programs rely on
// (whole records, the player files and the city files in step, index entries that match their
// players, names taken once, numbers that name records which exist, a sane node table, message
// headers that point into their text), and every file and folder for what other accounts of the
// machine could open. Used by the sysop tool checkgame and by the tests, which take it as the
// judge of what a fault left behind.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/clock.hpp"

namespace vorn {

struct CheckFinding {
    enum class Kind {
        kProblem,  // something the programs would trip over, or a player would lose
        kNote,     // worth knowing, mended by the programs themselves on their next run
    };
    Kind kind = Kind::kProblem;
    std::string file;  // the file the line is about, relative to the game directory
    std::string text;
    // Mends the finding; empty when a sysop has to decide. It changes `file` and the files in
    // `also_changes` only, and only while no game runs.
    std::function<bool()> repair;
    std::vector<std::string> also_changes;
    // The repair changes the mode of `file` only, not its bytes: no copy is kept of it.
    bool mode_only = false;
};

struct CheckReport {
    std::vector<CheckFinding> findings;

    int problems() const;
    int repairable() const;
    bool clean() const { return problems() == 0; }
    // One plain line per finding ("users.idx: entry 3 names ..."), then a summary line.
    std::vector<std::string> lines() const;
};

// Looks at the game directory `directory` as it is now. `now` tells which nodes are in play.
CheckReport CheckGameDirectory(const std::string& directory, const DateTime& now);

struct RepairResult {
    bool done = false;                  // false: nothing was changed (see `refusal`)
    std::string refusal;                // why the repair was not started
    std::string backup;                 // the directory holding the copies of the changed files
    std::vector<std::string> repaired;  // one line per repair made
    std::vector<std::string> failed;    // one line per repair that could not be made
    CheckReport after;                  // the directory as the repairs left it
};

// Checks, copies every file a repair will change into `backup` (created; it must not exist yet)
// and then makes the repairs. Refused while a game runs (a live node in the node table, a node
// held in lockfile.lck, a player's session held) or when the copies cannot be made.
RepairResult RepairGameDirectory(const std::string& directory, const std::string& backup,
                                 const DateTime& now);

}  // namespace vorn
