#include "play/level_up.hpp"

#include <algorithm>
#include <string>

#include "common/build_points.hpp"
#include "common/player_text.hpp"
#include "core/session.hpp"
#include "league/league_exchange.hpp"
#include "node/node_table.hpp"
#include "play/combat.hpp"
#include "play/main_sequence.hpp"
#include "player/sleeping.hpp"
#include "player/user_files.hpp"
#include "world/world_files.hpp"

namespace vorn {

namespace {

constexpr int kDragon = 7;
constexpr int kDragonLastLevel = 20;
constexpr std::uint16_t kCannotLevelUp = 0x0400;

}  // namespace

void TryLevelUp(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    out.clear_screen();
    if (user.race == kDragon && user.level >= kDragonLastLevel) {
        user.disadvantages = static_cast<std::uint16_t>(user.disadvantages | kCannotLevelUp);
        SaveUser(session, user);
    }
    if (user.disadvantages & kCannotLevelUp) {
        out.print_coded_line("You cannot level up anymore");
        return;
    }

    const int next = user.level + 1;
    // Without levels.dat the buffer would still hold another level.
    const int next_number = LoadLevel(session, next) ? session.world.level.number : next;
    session.play.clear_encounters();

    std::int32_t master = 0;
    for (std::int32_t n = 1; master == 0; ++n) {
        if (!LoadMonster(session, n) || n > session.world.monster_count) break;
        if (session.world.monster.level == next) master = n;
    }
    if (master == 0) {
        out.print_coded_line("No Monster to fight, yet, come back later!");
        return;
    }

    session.play.encounter[1] = master;
    session.play.encounter_total = 1;
    if (StartBattle(session, true, true) != BattleResult::kWon) {
        out.print_coded_line("Ha! Ha!");
        return;
    }

    out.print_coded_line("You are now at level " + std::to_string(next_number) + "!");
    TellTheLeague(LeagueNewsKind::kMasterBeaten, user.name.view(),
                  KeepOnlyColourCodes(user.name.view()) +
                      " has beaten the level master and is now at level " +
                      std::to_string(next_number));
    AnnounceToAllNodes(session, "|14" + user.name.str() +
                                    "|06 has beaten the level master and is now at level |14" +
                                    std::to_string(next_number) + "|06!");
    std::string formula = session.settings.build_points_formula.str();
    const std::int32_t points = EvaluateBuildPointsFormula(formula, user.level);
    session.settings.build_points_formula = formula;
    out.print_coded_line("You gained " + std::to_string(points) + " build points.");
    user.build_points =
        static_cast<std::uint8_t>(std::clamp<std::int64_t>(user.build_points + points, 0, 255));
    user.level = static_cast<std::uint16_t>(std::min(next, 0xFFFF));
    SaveUser(session, user);
    session.keys.pause_key();

    if (user.race == kDragon) {
        StartSleeping(session, user.level);
        out.print_coded("|04You must sleep for |12" + std::to_string(user.level) + " |04days!");
        out.new_lines(1);
        session.keys.pause_key();
        Terminate(session, true);
    }
}

}  // namespace vorn
