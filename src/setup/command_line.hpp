// setup's command line: the node to edit, the usage request, and the non-interactive form for
// installers and scripts, which shows and sets the same fields as the screens by their names.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.hpp"

namespace vorn {

// "?" or "help", exactly: print the usage and stop.
bool UsageRequested(std::string_view argument);
// The first node to edit: the argument's value, 1 when it is missing, not a number or below 1,
// and at most 9999.
int NodeFromArgument(std::string_view argument);

// True when the arguments ask for the non-interactive form (the first begins with "--").
bool IsCommandLineForm(const std::vector<std::string>& args);
// The exit codes of the non-interactive form.
inline constexpr int kExitDone = 0;
inline constexpr int kExitWriteFailed = 1;
inline constexpr int kExitWrongCommand = 2;
inline constexpr int kExitPlayerInPlay = 3;  // the player editor: a game holds the player

// Runs the non-interactive form; returns the exit code. The clock stamps the log lines of the
// player editor.
int RunCommandLine(const std::vector<std::string>& args, Clock& clock, std::FILE* out,
                   std::FILE* err);
// The message of a wrong command on `err`, with the pointer to --help; returns its exit code.
int WrongCommand(std::FILE* err, const std::string& message);

}  // namespace vorn
