// The league's settings, league.toml in the game directory: the league's name, this board's
// address and short name, the hub (when the league has one), how packets travel, and the other
// boards with the secret this board shares with each.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/network_address.hpp"

namespace vorn {

inline constexpr const char* kLeagueFile = "league.toml";

// Longest names the packets carry.
inline constexpr std::size_t kLeagueNameLength = 24;
inline constexpr std::size_t kBoardNameLength = 24;

struct LeagueBoard {
    NetworkAddress address;
    std::string name;    // the board's short name: players write to Name@name
    std::string secret;  // shared with this board; empty for a board reached only through the hub
};

enum class LeagueTransport {
    kBinkd,   // packets named in binkd's outbound flow files, taken from its inbound folder
    kFolder,  // packets put in a folder, taken from another; something else carries them
};

struct LeagueSettings {
    std::string name;
    NetworkAddress address;  // this board's
    std::string short_name;
    std::optional<NetworkAddress> hub;
    LeagueTransport transport = LeagueTransport::kBinkd;
    std::string outbound;  // binkd: its outbound folder for the default zone; folder: where to put
    std::string inbound;   // where packets for this board arrive
    std::uint16_t default_zone = 0;   // binkd: the zone of the outbound folder (0: this board's)
    std::vector<LeagueBoard> boards;  // the other boards; this board's own entry is left out

    // The board of that address or name (any case); nullptr when the league has none.
    const LeagueBoard* board(const NetworkAddress& address) const;
    const LeagueBoard* board_named(std::string_view name) const;
    // Where a packet for `to` goes first: the hub, unless this board is the hub or `to` is.
    NetworkAddress next_hop(const NetworkAddress& to) const;
    bool is_hub() const { return hub && *hub == address; }
    // The boards this one exchanges packets with: the hub alone for a board of a league with a
    // hub, every other board otherwise (and for the hub).
    std::vector<const LeagueBoard*> peers() const;
};

// Reads `path`. False when it is missing (`errors` empty) or wrong: then every fault is in
// `errors` as "league.toml:LINE: what is wrong". `first_address` is the board's first network
// address from its settings, taken when the file gives none (zero for none).
bool ReadLeagueSettings(const std::string& path, const NetworkAddress& first_address,
                        LeagueSettings& settings, std::vector<std::string>& errors);

}  // namespace vorn
