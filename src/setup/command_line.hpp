// setup's command line: the node to edit, the usage request, and the non-interactive form for
// installers and scripts, which shows and sets the same fields as the screens by their names.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// "?" or "help", exactly: print the usage and stop.
bool UsageRequested(std::string_view argument);
// The first node to edit: the argument's value, 1 when it is missing, not a number or below 1,
// and at most 9999.
int NodeFromArgument(std::string_view argument);

// True when the arguments ask for the non-interactive form (the first begins with "--").
bool IsCommandLineForm(const std::vector<std::string>& args);
// Runs the non-interactive form; returns the exit code (0 done, 1 a file could not be written,
// 2 a wrong command, name or value).
int RunCommandLine(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace vorn
