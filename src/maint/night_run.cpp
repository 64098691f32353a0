#include "maint/night_run.hpp"

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/city_files.hpp"
#include "common/config_files.hpp"
#include "common/directories.hpp"
#include "common/file_lock.hpp"
#include "common/io_check.hpp"
#include "common/news_files.hpp"
#include "common/night_file.hpp"
#include "common/player_file_names.hpp"
#include "common/record_file.hpp"
#include "common/system_log.hpp"
#include "common/talk_file.hpp"
#include "common/user_night.hpp"
#include "common/user_records.hpp"
#include "league/league_exchange.hpp"
#include "league/league_settings.hpp"
#include "maint/bulletins.hpp"
#include "maint/city_day.hpp"
#include "maint/live_players.hpp"

namespace vorn {

namespace {

constexpr const char* kLogDirectory = "./logs/";

void Log(MaintContext& context, std::string_view message) {
    WriteSystemLog({kLogDirectory, false, 0}, context.clock, message);
}

// The league's bulletin beside the board's own.
void WriteLeagueBoard(MaintContext& context, const LeagueSettings& settings,
                      const BulletinBoard& board) {
    LeagueView view;
    ReadLeagueView(view);
    LeagueBulletin league{settings.name, {}, {}};
    for (const LeagueRankRow& r : LeagueRanking(settings, view)) {
        league.players.push_back({r.row.name, r.board, r.row.level, r.row.experience});
    }
    for (const LeagueNews& n : view.news) {
        league.news.push_back({BoardName(settings, n.board), n.night, n.text});
    }
    if (!WriteLeagueBulletins(league, board))
        Log(context, "xThe league's bulletins could not be written");
}

// The league's exchange, when the board is in a league (league.toml): the packets that arrived
// are applied before the night, and after it every board is sent what it has still to have, this
// board's new standing among it. A league that cannot be read is noted; the night runs anyway.
void ExchangeWithLeague(MaintContext& context, bool import, const BulletinBoard& board,
                        bool new_night = false) {
    LeagueSettings league;
    std::vector<std::string> errors;
    if (!ReadLeagueSettings(kLeagueFile, NetworkAddress{}, league, errors)) {
        if (import) {
            for (const std::string& e : errors) {
                context.console.note(e);
                Log(context, "x" + e);
            }
        }
        return;
    }
    const std::int64_t now = SecondsSince1970(context.clock.now());
    ExchangeReport report;
    if (import) {
        ImportPackets(league, now, report);
    } else {
        const Standing own = BoardStanding(league.address, board.night);
        // The deeds the game noted, and after a new night its best player.
        std::vector<LeagueNews> news = TakeDeeds(board.night);
        if (new_night && !own.rows.empty()) {
            const StandingRow& best = own.rows.front();
            news.push_back({{},
                            0,
                            board.night,
                            LeagueNewsKind::kPlayerOfTheDay,
                            best.name,
                            StripColourCodes(best.name) + " leads " + league.short_name +
                                " at level " + std::to_string(best.level) + " with " +
                                std::to_string(best.experience) + " experience"});
        }
        ExportPackets(league, now, &own, news, report);
        WriteLeagueBoard(context, league, board);
    }
    for (const std::string& note : report.notes) Log(context, "x" + note);
    const std::string what = import ? "League: " + std::to_string(report.applied) +
                                          " packets applied, " + std::to_string(report.refused) +
                                          " refused"
                                    : "League: " + std::to_string(report.sent) + " packets sent, " +
                                          std::to_string(report.resent) + " sent again";
    context.console.line(what);
    Log(context, ">" + what);
}

// Someone in play: the console and the log say who was passed over, and when he has his night.
void NotePassedOver(MaintContext& context, const std::string& who, const InPlay& where,
                    const std::string& later) {
    const std::string node = where.node != 0 ? " on node " + std::to_string(where.node) : "";
    const std::string what = who + " is in play" + node + ": passed over, " + later;
    context.console.note(what);
    Log(context, "*" + what);
}

int Percent(std::uint64_t done, std::uint64_t total) {
    return static_cast<int>((200 * done + total) / (2 * total));
}

struct Tally {
    std::uint64_t users = 0;
    std::uint64_t passed_over = 0;
    std::int32_t cities = 0;
};

PlayerStanding StandingOf(const UserRecord& user) {
    return {user.name.str(), user.race_name.str(), user.level, user.experience, InRanking(user)};
}

CityStanding StandingOf(const CityRecord& city, std::int32_t number) {
    return {city.name.str(), city.founder.str(), city.size_class, city.folk, number};
}

// One user, read and written back under the lock of his bytes in users.dat, so a node saving him
// at the same moment is neither lost nor torn.
void NightOfUser(MaintContext& context, RecordFile& users, RecordFile& index, std::uint64_t i,
                 std::uint32_t night, const NightTerms& terms, LivePlayers& live, Tally& tally,
                 std::vector<PlayerStanding>& standings) {
    const std::uint64_t at = i * sizeof(UserRecord);
    LockRange(users.fd(), LockKind::kExclusive, at, sizeof(UserRecord));
    UserRecord user;
    users.read_checked(i, &user);
    // Records past the last user number (none a game makes) belong to no one on a node.
    const auto number = static_cast<std::uint16_t>(i < kMaxUsers ? i + 1 : 0);
    const InPlay in_play = live.find(number, user.name.view());
    if (in_play.playing) {
        ++tally.passed_over;
        NotePassedOver(context, user.name.str(), in_play, "the night is paid at the next logon");
    } else if (OwedNights(user.night_paid, night) > 0) {
        // Nights owed from before (a player passed over and not back since) come first; the
        // thieves call only tonight.
        bool ok = true;
        PayOwedNights(user, night, terms, context.rng, context.clock, ok);
        ok = VisitThieves(user, context.rng, context.clock) && ok;
        if (!ok) RuntimeIoError(kIoWriteError, PlayerNewsFileName(user.name.view()));
        users.write_checked(i, &user);
        const UserIndexEntry entry = IndexEntryFor(user);
        if (index.is_open()) index.write_checked(i, &entry);
    }
    UnlockRange(users.fd(), at, sizeof(UserRecord));
    standings.push_back(StandingOf(user));
}

void UsersNight(MaintContext& context, RecordFile& users, std::uint32_t night,
                const NightTerms& terms, LivePlayers& live, Tally& tally,
                std::vector<PlayerStanding>& standings) {
    // A missing index is not created here, as a save of the game would not create it.
    RecordFile index;
    index.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kReadWrite);
    const std::uint64_t count = users.record_count();
    standings.reserve(count);
    context.console.begin_users();
    for (std::uint64_t i = 0; i < count; ++i) {
        context.console.users_percent(Percent(i + 1, count));
        NightOfUser(context, users, index, i, night, terms, live, tally, standings);
    }
    tally.users = count;
    context.console.end_users();
}

void TalkCleanup(MaintContext& context) {
    context.console.text("Normal talk cleanup");
    const long deleted = TrimTalkFile(kTalkFile);
    if (deleted < 0) RuntimeIoError(kIoWriteError, kTalkFile);
    context.console.line(deleted == 0 ? " Nothing Deleted!"
                                      : " " + std::to_string(deleted) + " lines deleted.");
}

// A city's day is written in an order a run cut short and run again recognises: a building
// finished on the last day is counted into cities3.dat before anything else changes, and the
// day goes into cities.dat (with the count of a building it finished) before cities3.dat.
void CitiesDay(MaintContext& context, std::uint32_t night, LivePlayers& live, Tally& tally,
               std::vector<CityStanding>& standings) {
    RecordFile types;
    types.open(kBuildingTypesFile, sizeof(BuildingTypeRecord), RecordFile::Access::kRead);
    const BuildingTypeLoader load_type = [&types](int number, BuildingTypeRecord& type) {
        return types.is_open() && types.read_record(static_cast<std::uint64_t>(number - 1), type);
    };
    if (::access(kCitiesFile, F_OK) == 0) {
        const CityFilesLock lock;
        const std::string what = CutFoundingText(MendCutFounding(lock));
        if (!what.empty()) {
            context.console.note(what);
            Log(context, "x" + what);
        }
    }
    auto buffers = std::make_unique<CityBuffers>();
    CityRecord& city = buffers->city;
    context.console.begin_cities();
    std::int32_t number = 1;
    for (; LoadCity(*buffers, number); ++number) {
        context.console.city(city.name.view());
        // Only the founder governs a city; while he plays, his node may hold it in memory.
        const InPlay in_play = live.find(city.founder_number, city.founder.view());
        if (in_play.playing) {
            NotePassedOver(context, "The founder of " + city.name.str(), in_play,
                           "the city has its day on the next night");
        } else if (city.last_built != 0 && !SaveCityBuildings(*buffers)) {
            RuntimeIoError(kIoWriteError, kCityBuildingsFile);
        }
        const std::uint32_t owed = in_play.playing ? 0 : OwedNights(city.night_paid, night);
        if (owed > 0) {
            city.last_built = 0;
            city.last_built_count = 0;
        }
        for (std::uint32_t day = 0; day < owed; ++day) {
            if (!PassCityDay(*buffers, load_type, context.clock)) {
                RuntimeIoError(kIoWriteError, PlayerNewsFileName(city.founder.view()));
            }
        }
        if (owed > 0) {
            city.night_paid = night;
            if (!SaveCityDay(*buffers)) RuntimeIoError(kIoWriteError, kCitiesFile);
        }
        standings.push_back(StandingOf(city, number));
    }
    tally.cities = number - 1;
    context.console.end_cities(tally.cities);
}

// The standings as the files hold them, for the bulletins of a night already run.
void ReadStandings(BulletinBoard& board) {
    std::vector<PlayerStanding> players;
    RecordFile users;
    if (users.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kRead)) {
        UserRecord user;
        for (std::uint64_t i = 0; users.read_record(i, user); ++i) {
            players.push_back(StandingOf(user));
        }
    }
    board.players = RankPlayers(players);
    auto buffers = std::make_unique<CityBuffers>();
    for (std::int32_t number = 1; LoadCity(*buffers, number); ++number) {
        board.cities.push_back(StandingOf(buffers->city, number));
    }
}

void WriteBoard(MaintContext& context, BulletinBoard& board, std::uint32_t night) {
    SortCitiesBySize(board.cities);
    board.night = night;
    board.date = context.clock.now();
    context.console.text("Writing bulletins");
    const bool written = WriteBulletins(board);
    context.console.line(written ? " done" : " failed");
    if (!written) Log(context, "xThe bulletins could not be written");
}

// A second run on a date that had its night: the bulletins, and nothing else.
int BulletinsOnly(MaintContext& context, const NightFile& nights) {
    const std::string what = "The night of " + nights.date() + " (night " +
                             std::to_string(nights.night()) + ") has been run already";
    context.console.line(what + ": only the bulletins are written.");
    context.console.line("To run another night on this date: maint --again");
    Log(context, ">" + what + ": only the bulletins were written");
    BulletinBoard board;
    ReadStandings(board);
    WriteBoard(context, board, nights.night());
    ExchangeWithLeague(context, false, board);
    return kMaintDone;
}

}  // namespace

int RunNight(MaintContext& context) {
    MaintConsole& console = context.console;
    CreateDirectoryPath("logs");
    NightFile nights;
    switch (nights.take()) {
        case NightFile::Hold::kHeld:
            break;
        case NightFile::Hold::kBusy:
            console.line("Maintenance is already running in this game directory.");
            console.line("This run ends without changing anything.");
            Log(context, "xA second maintenance run was refused: one is already running");
            return kMaintRefused;
        case NightFile::Hold::kFailed:
            console.line(std::string("Cannot open ") + kNightsFile + ": the night is not run.");
            Log(context, std::string("xThe night was not run: cannot open ") + kNightsFile);
            return kMaintRefused;
    }

    MaintSettings settings;
    NightTerms terms;
    if (ReadMaintSettings(kMaintSettingsFile, settings)) {
        terms.heal_everything = settings.heal_everything;
    } else {
        console.line("Maint.dat missing run setup");
        Log(context, "xmaint.dat missing: the night runs without healing");
    }

    console.heading();
    ExchangeWithLeague(context, true, BulletinBoard{});
    const DateTime today = context.clock.now();
    const bool dated_today = nights.date() == NightDate(today);
    if (dated_today && nights.state() == NightState::kDone && !context.again) {
        return BulletinsOnly(context, nights);
    }
    // A night of today cut short (a crash, a kill) is finished rather than counted again: the
    // users and cities it paid carry its stamp and are passed by.
    const bool finishing = dated_today && nights.state() != NightState::kDone && !context.again;

    RecordFile users;
    const bool have_users =
        users.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kReadWrite);
    if (have_users && !finishing && !nights.begin_night(today, HighestNightPaid().night)) {
        RuntimeIoError(kIoWriteError, kNightsFile);
    }
    console.text("Writing yesterday news");
    // A night cut short at its rotation moved the news already when there is none for today.
    if (!finishing || (nights.state() == NightState::kBegun && ::access("global.nws", F_OK) == 0)) {
        RotateNews();
        console.line(" done");
    } else {
        console.line(" done before");
    }
    console.normal_colour();
    if (!have_users) {
        console.line();
        console.line("File users.dat Not Found!");
        Log(context, "xThe night ended early: users.dat not found");
        context.clock.sleep_ms(100);
        return kMaintNoUsers;
    }
    if (!nights.set_state(NightState::kNewsMoved)) RuntimeIoError(kIoWriteError, kNightsFile);
    const std::uint32_t night = nights.night();
    if (finishing) {
        const std::string what = "The night of " + nights.date() + " (night " +
                                 std::to_string(night) + ") was cut short: this run finishes it";
        console.note(what);
        Log(context, "*" + what);
    } else {
        Log(context, ">Night " + std::to_string(night) + " begins");
    }

    LivePlayers live(context.clock);
    Tally tally;
    BulletinBoard board;
    std::vector<PlayerStanding> players;
    UsersNight(context, users, night, terms, live, tally, players);
    users.close();
    TalkCleanup(context);
    CitiesDay(context, night, live, tally, board.cities);
    if (!nights.set_state(NightState::kDone)) RuntimeIoError(kIoWriteError, kNightsFile);
    console.show_notes();

    board.players = RankPlayers(players);
    WriteBoard(context, board, night);
    ExchangeWithLeague(context, false, board, true);

    Log(context, ">Night " + std::to_string(night) + " done: " + std::to_string(tally.users) +
                     " users (" + std::to_string(tally.passed_over) + " passed over), " +
                     std::to_string(tally.cities) + " cities");
    return kMaintDone;
}

}  // namespace vorn
