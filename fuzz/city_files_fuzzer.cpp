// The city files as a crash, a full disk or a hand may leave them: cities.dat, cities2.dat,
// cities3.dat and the players' users.dat, in that order in the input. Every city is loaded as the
// game loads it, the checker reads the directory, and a night of maint passes over the players and
// the cities (their day with figures from anywhere, the founders' news, the bulletins). Nothing
// may fault; the night ends with one of its own exit codes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "check/game_check.hpp"
#include "common/city_files.hpp"
#include "fuzz_files.hpp"
#include "maint/console.hpp"
#include "maint/night_run.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vorn::fuzz::GameScratch game;
    static std::FILE* const quiet = std::fopen("/dev/null", "w");
    game.remove_all_but_world();
    vorn::fuzz::WriteFileParts(data, size,
                               {"cities.dat", "cities2.dat", "cities3.dat", "users.dat"});

    const std::int32_t count = vorn::CountCities();
    vorn::CityBuffers city{};
    for (std::int32_t n = 0; n <= count + 1 && n <= 200; ++n) vorn::LoadCity(city, n);
    const vorn::CheckReport report = vorn::CheckGameDirectory(".", game.clock.now());
    (void)report.lines();

    vorn::MaintConsole console(quiet, false);
    vorn::MaintContext context{game.clock, game.dice, console};
    const int code = vorn::RunNight(context);
    if (code != vorn::kMaintDone && code != vorn::kMaintNoUsers) std::abort();
    return 0;
}
