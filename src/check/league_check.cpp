// The league's settings and files, when the board is in a league: league.toml must read whole
// (each fault is named with its line), and the league's record files must hold whole records.
#include "check/check_context.hpp"
#include "common/league_state_records.hpp"
#include "league/league_settings.hpp"

namespace vorn::check {

void CheckLeague(Context& c) {
    if (!SizeOf(c.path(kLeagueFile))) return;
    LeagueSettings settings;
    std::vector<std::string> errors;
    if (!ReadLeagueSettings(c.path(kLeagueFile), NetworkAddress{}, settings, errors)) {
        const std::string prefix = std::string(kLeagueFile) + ":";
        for (const std::string& e : errors) {
            c.problem(kLeagueFile, e.starts_with(prefix) ? "line " + e.substr(prefix.size()) : e);
        }
    }
    CountRecords(c, kLeagueLinksFile, sizeof(LeagueLinkRecord));
    CountRecords(c, kLeagueStandingsFile, sizeof(HeldStanding));
    CountRecords(c, kLeagueNewsFile, sizeof(HeldNews));
}

}  // namespace vorn::check
