// maint: the nightly run, started by the sysop's scheduler in the game directory.
// `maint --again` runs another night on a date whose night has been run.
#include <unistd.h>

#include <cstdio>
#include <string_view>

#include "common/clock.hpp"
#include "common/game_directory_calls.hpp"
#include "common/random.hpp"
#include "maint/console.hpp"
#include "maint/night_run.hpp"

int main(int argc, char** argv) {
    bool again = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) != "--again") {
            std::fputs(
                "usage: maint [--again]\n"
                "  Runs the night in the game directory (the working directory). A night\n"
                "  already run on this date is not run again: only the bulletins are\n"
                "  written, unless --again asks for another night.\n",
                stderr);
            return vorn::kMaintUsage;
        }
        again = true;
    }
    // A night run as root leaves files the game's user owns, and follows no link inside the
    // directory.
    vorn::GameDirectoryCalls files;
    vorn::SetFileCalls(&files);
    vorn::SystemClock clock;
    const vorn::DateTime now = clock.now();
    vorn::SeededRandom rng(static_cast<std::uint64_t>(clock.monotonic_ms()) * 1000003u ^
                           static_cast<std::uint64_t>(now.seconds_of_day() * 100) ^
                           static_cast<std::uint64_t>(::getpid()));
    vorn::MaintConsole console(stdout, ::isatty(STDOUT_FILENO) == 1);
    vorn::MaintContext context{clock, rng, console, again};
    const int code = vorn::RunNight(context);
    std::fflush(stdout);
    return code;
}
