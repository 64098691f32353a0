// The player editor from a script: `--show player P`, `--set player P NAME VALUE`, `--delete
// player P` and `--undelete player P`, P being a player's number or name. Names and values are
// UTF-8 as a shell passes them, shown and stored as the code page 437 of the records.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "common/clock.hpp"

namespace vorn {

// Whether the arguments are a command of the player editor.
bool IsPlayerCommand(const std::vector<std::string>& args);
// Runs it; returns the exit code of the non-interactive form (command_line.hpp).
int RunPlayerCommand(const std::vector<std::string>& args, Clock& clock, std::FILE* out,
                     std::FILE* err);

}  // namespace vorn
