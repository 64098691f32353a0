// The night, step by step: the settings, the heading, yesterday's news, every user, the tavern
// talk, every city, and the bulletins. Safe beside live nodes: their players and cities are passed
// over and paid later, talk.txt is trimmed under the tavern's lock, and a second run at the same
// time ends without touching anything. One night a date: a second run on a date whose night is
// done writes the bulletins only (unless told to run again), and one on a date whose night was
// cut short finishes that night.
#pragma once

#include "common/clock.hpp"
#include "common/random.hpp"
#include "maint/console.hpp"

namespace vorn {

inline constexpr int kMaintDone = 0;
// Another run holds nights.dat, or it cannot be opened: nothing was touched.
inline constexpr int kMaintRefused = 1;
// A wrong command line: nothing was touched.
inline constexpr int kMaintUsage = 2;
inline constexpr int kMaintNoUsers = 255;

struct MaintContext {
    Clock& clock;
    Random& rng;
    MaintConsole& console;
    bool again = false;  // a new night even when today's has been run (maint --again)
};

// Runs the night in the working directory (the game directory); returns the exit code.
int RunNight(MaintContext& context);

}  // namespace vorn
