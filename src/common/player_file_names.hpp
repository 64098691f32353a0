// File names made from player names: the personal news file and the sleep file. A player chooses
// his own name, so it must never reach outside the game directory or into someone else's file:
// ordinary names keep their plain file names (Joe.nws, "Sir Robi.nws"), anything else is
// written in hexadecimal behind a "%" that no ordinary name can produce.
#pragma once

#include <string>
#include <string_view>

namespace vorn {

// A safe file stem for `stem` (already cut and trimmed by the caller's rule).
std::string SafeFileStem(std::string_view stem);

// The personal news file of a player: the name padded or cut to 8 characters, trimmed, ".nws".
std::string PlayerNewsFileName(std::string_view player_name);

// The sleep file: the name without blanks, cut to 8 characters, ".npl".
std::string SleepFileName(std::string_view player_name);

}  // namespace vorn
