// The league's exchange of packets: the import applies every packet that arrived for this board
// once, the export makes one packet for each board this one exchanges with, holding what that
// board has not had yet, and sends again what did not arrive. Both run in the game directory,
// under the league's lock, so they are safe beside each other and beside the nodes reading the
// league's files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "league/league_settings.hpp"
#include "league/packet.hpp"

namespace vorn {

// What one import or export did.
struct ExchangeReport {
    int applied = 0;                 // packets applied
    int duplicates = 0;              // packets applied before, let go
    int refused = 0;                 // packets kept aside in league/bad/
    int sent = 0;                    // new packets
    int resent = 0;                  // packets sent again
    std::vector<std::string> notes;  // lines for the system log
};

// Applies the packets in the inbound folder and removes each one applied, let go or refused.
// False, with the reason in the report's notes, when the league's files cannot be used.
bool ImportPackets(const LeagueSettings& settings, std::int64_t now, ExchangeReport& report);

// Takes this board's own standing and news (when given) into the league's files, then sends every
// other board what it has still to have, with the acknowledgement of what came from it, and sends
// again the packets it did not acknowledge: at once when it has told of a gap, else after a day.
bool ExportPackets(const LeagueSettings& settings, std::int64_t now, const Standing* own_standing,
                   const std::vector<LeagueNews>& own_news, ExchangeReport& report);

// Notes a deed worth telling the league as it happens (on a board in a league; nothing otherwise).
// The next export tells it.
void TellTheLeague(LeagueNewsKind kind, std::string_view player, std::string_view text);
// The deeds noted since the last export, as news of night `night`; the noted file is emptied.
std::vector<LeagueNews> TakeDeeds(std::uint32_t night);

// This board's standing after night `night`: its best players from users.dat (and their cities
// from user2.dat), at most 100, in the order of the game's ranking.
Standing BoardStanding(const NetworkAddress& board, std::uint32_t night);

// What the league's files hold, for the game's league page, the bulletins and `status`.
struct LeagueView {
    std::vector<Standing> standings;  // every board's latest, this board's among them
    std::vector<LeagueNews> news;     // in the order they arrived
    struct Link {
        NetworkAddress board;
        std::int64_t last_contact = 0;  // 0: never
        std::uint32_t unacknowledged = 0;
    };
    std::vector<Link> links;
};
// False when the league's files are missing or cannot be read.
bool ReadLeagueView(LeagueView& view);

// One board as the view knows it: its last contact, its packets not yet acknowledged and the
// players of its latest standing.
struct BoardSummary {
    std::int64_t last_contact = 0;
    std::uint32_t unacknowledged = 0;
    std::size_t players = 0;
};
BoardSummary SummaryOf(const LeagueView& view, const NetworkAddress& board);
// A last contact as "mm/dd/yyyy hh:mm"; "never" for none.
std::string ContactText(std::int64_t seconds);

// The short name of the board at `address` (this board's own too); its address when the league
// does not list it.
std::string BoardName(const LeagueSettings& settings, const NetworkAddress& address);

// One row of the league's ranking.
struct LeagueRankRow {
    std::string board;  // the board's short name
    StandingRow row;
};
// Every board's latest standing merged, by experience, highest first; equal players keep the
// order of their boards in the league's files and their places in their boards' standings.
std::vector<LeagueRankRow> LeagueRanking(const LeagueSettings& settings, const LeagueView& view);

// The name of a packet's file: from, to and serial ("21-1-100-0_21-1-1-0_00000017.lpk"); an
// acknowledgement alone is named by its time instead ("..._a1765000000.lpk").
std::string PacketFileName(const LeaguePacket& packet);
inline constexpr const char* kPacketSuffix = ".lpk";

}  // namespace vorn
