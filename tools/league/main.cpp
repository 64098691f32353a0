// league: the league's exchange by hand or from binkd's exec hook, in the game directory (the
// working directory). `league import` applies the packets that arrived, `league export` sends
// each board of the league what it has still to have (the board's standing of its last night
// among it), `league status` shows the league as this board knows it. maint imports before its
// night and exports after it; these do the same at any other time, safely beside the nodes,
// maint and each other.
#include <getopt.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "common/clock.hpp"
#include "common/game_directory_calls.hpp"
#include "common/night_file.hpp"
#include "common/system_log.hpp"
#include "league/league_exchange.hpp"
#include "league/league_settings.hpp"

namespace {

constexpr int kUsage = 2;
constexpr int kFailed = 1;

void Usage() {
    std::fputs(
        "usage: league [-d GAME-DIR] import|export|status\n"
        "  In the game directory (-d, or the working directory), after league.toml:\n"
        "  import  applies the league packets that arrived for this board\n"
        "  export  sends every board of the league what it has still to have\n"
        "  status  shows the league, its boards and their last contact\n",
        stderr);
}

int Status(const vorn::LeagueSettings& settings) {
    std::printf("League %s: this board %s (%s)", settings.name.c_str(),
                vorn::AddressText(settings.address).c_str(), settings.short_name.c_str());
    if (settings.hub) std::printf(", hub %s", vorn::AddressText(*settings.hub).c_str());
    std::printf("\n");
    vorn::LeagueView view;
    const bool known = vorn::ReadLeagueView(view);
    std::printf("%-16s %-24s %-16s %8s %8s\n", "Board", "Name", "Last contact", "Players",
                "Waiting");
    for (const vorn::LeagueBoard& b : settings.boards) {
        const vorn::BoardSummary summary = vorn::SummaryOf(view, b.address);
        std::printf("%-16s %-24s %-16s %8zu %8u\n", vorn::AddressText(b.address).c_str(),
                    b.name.c_str(), vorn::ContactText(summary.last_contact).c_str(),
                    summary.players, summary.unacknowledged);
    }
    if (!known)
        std::printf("No packet has been exchanged yet.\n");
    else
        std::printf("%zu league news items held.\n", view.news.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    static const option kOptions[] = {{"directory", required_argument, nullptr, 'd'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0}};
    int c = 0;
    while ((c = ::getopt_long(argc, argv, "d:h", kOptions, nullptr)) != -1) {
        if (c != 'd') {
            Usage();
            return c == 'h' ? 0 : kUsage;
        }
        if (::chdir(optarg) != 0) {
            std::fprintf(stderr, "league: cannot enter %s\n", optarg);
            return kFailed;
        }
    }
    if (optind != argc - 1) {
        Usage();
        return kUsage;
    }
    const std::string_view command = argv[optind];
    if (command != "import" && command != "export" && command != "status") {
        Usage();
        return kUsage;
    }
    vorn::GameDirectoryCalls files;
    vorn::SetFileCalls(&files);
    vorn::SystemClock clock;
    const vorn::LogTarget log{"./logs/", false, 0};

    vorn::LeagueSettings settings;
    std::vector<std::string> errors;
    if (!vorn::ReadLeagueSettings(vorn::kLeagueFile, vorn::NetworkAddress{}, settings, errors)) {
        if (errors.empty())
            std::fprintf(stderr, "league: no %s in this directory\n", vorn::kLeagueFile);
        for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
        return kFailed;
    }
    if (command == "status") return Status(settings);

    const std::int64_t now = vorn::SecondsSince1970(clock.now());
    vorn::ExchangeReport report;
    bool ok = false;
    if (command == "import") {
        ok = vorn::ImportPackets(settings, now, report);
    } else {
        const vorn::Standing own = vorn::BoardStanding(settings.address, vorn::CurrentNight());
        ok = vorn::ExportPackets(settings, now, &own, vorn::TakeDeeds(own.night), report);
    }
    for (const std::string& note : report.notes) {
        vorn::WriteSystemLog(log, clock, note);
        std::printf("%s\n", note.c_str());
    }
    std::printf("league %s: %d applied, %d duplicates, %d refused, %d sent, %d sent again\n",
                std::string(command).c_str(), report.applied, report.duplicates, report.refused,
                report.sent, report.resent);
    return ok ? 0 : kFailed;
}
