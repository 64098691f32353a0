// maint: the nightly run, started by the sysop's scheduler in the game directory.
#include <unistd.h>

#include <cstdio>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "maint/console.hpp"
#include "maint/night_run.hpp"

int main() {
    vorn::SystemClock clock;
    const vorn::DateTime now = clock.now();
    vorn::SeededRandom rng(static_cast<std::uint64_t>(clock.monotonic_ms()) * 1000003u ^
                           static_cast<std::uint64_t>(now.seconds_of_day() * 100) ^
                           static_cast<std::uint64_t>(::getpid()));
    vorn::MaintConsole console(stdout, ::isatty(STDOUT_FILENO) == 1);
    vorn::MaintContext context{clock, rng, console};
    const int code = vorn::RunNight(context);
    std::fflush(stdout);
    return code;
}
