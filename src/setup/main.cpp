// setup: the sysop's configuration editor. With a node number (or none) it opens the full-screen
// editor on that node; "?" or "help" prints the usage; arguments beginning with "--" are the
// non-interactive form for installers and scripts.
#include <cstdio>
#include <string>
#include <vector>

#include "common/clock.hpp"
#include "common/game_directory_calls.hpp"
#include "setup/command_line.hpp"
#include "setup/console.hpp"
#include "setup/screens.hpp"
#include "setup/setup_state.hpp"

namespace {

constexpr int kExitUsage = 255;
constexpr int kExitNoTerminal = 1;

}  // namespace

int main(int argc, char** argv) {
    // The files setup makes are rw-rw---- (folders rwxrwx---) whatever the sysop's own mask, of
    // the game directory's group (and owner, run as root): the board's user and the sysop share
    // the game through that group.
    vorn::GameDirectoryCalls files;
    vorn::SetFileCalls(&files);
    const std::vector<std::string> args(argv + 1, argv + argc);
    vorn::SystemClock clock;
    if (vorn::IsCommandLineForm(args)) return vorn::RunCommandLine(args, clock, stdout, stderr);
    const std::string first = args.empty() ? "" : args[0];
    if (vorn::UsageRequested(first)) {
        vorn::ClearTerminal();
        std::puts("Usage:");
        std::puts("      Setup <cfgname>");
        return kExitUsage;
    }

    vorn::SetupState state;
    vorn::LoadStartFiles(state, vorn::NodeFromArgument(first));

    vorn::Console console;
    std::string error;
    if (!console.open(error)) {
        std::fprintf(stderr, "setup: %s\n", error.c_str());
        return kExitNoTerminal;
    }
    vorn::SetupScreens screens(console, state, clock);
    screens.run();
    console.close();
    return 0;
}
