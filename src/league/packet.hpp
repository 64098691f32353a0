// League packets: what one board of a league sends another, as one file. A packet is a header
// (the league, the board it is from and the board it is for, the sender's serial number for that
// board, the date and the number of records), the records, and an HMAC-SHA256 of all of it under
// the secret the two boards share. The layout is in common/league_records.hpp; README.md
// describes it for other programs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/network_address.hpp"

namespace vorn {

// One player of a board's standing.
struct StandingRow {
    std::string name;  // at most 36 characters
    std::uint8_t race = 0;
    std::uint16_t level = 0;
    std::int32_t experience = 0;
    std::uint16_t kills = 0;
    std::uint16_t cities = 0;

    friend bool operator==(const StandingRow&, const StandingRow&) = default;
};

// A board's best players after its night `night`. A newer standing of a board replaces the older.
struct Standing {
    NetworkAddress board;
    std::uint32_t night = 0;
    std::vector<StandingRow> rows;  // at most 100, best first

    friend bool operator==(const Standing&, const Standing&) = default;
};

// What a league news item tells.
enum class LeagueNewsKind : std::uint8_t {
    kDragonSlain = 1,
    kMasterBeaten = 2,
    kCityFounded = 3,
    kPlayerOfTheDay = 4,
};

// A deed worth telling the league, numbered by the board it happened on.
struct LeagueNews {
    NetworkAddress board;
    std::uint32_t number = 0;  // the board's own count of the news it told
    std::uint32_t night = 0;
    LeagueNewsKind kind = LeagueNewsKind::kPlayerOfTheDay;
    std::string player;  // at most 36 characters
    std::string text;    // one line, at most 160 characters

    friend bool operator==(const LeagueNews&, const LeagueNews&) = default;
};

// A letter between players of two boards. Only the board it is for opens its body: a hub passes
// the bytes on as they came.
struct LeagueLetter {
    NetworkAddress from_board;
    std::uint32_t number = 0;  // the sending board's own count of its letters
    NetworkAddress to_board;
    std::string body;  // EncodeLetterBody's bytes

    friend bool operator==(const LeagueLetter&, const LeagueLetter&) = default;
};

// What a letter says.
struct LetterBody {
    std::string from_name;  // at most 36 characters each
    std::string to_name;
    std::string subject;    // at most 72 characters
    std::int64_t date = 0;  // seconds since 1970
    std::string text;       // lines ended by CR, at most 16,384 bytes

    friend bool operator==(const LetterBody&, const LetterBody&) = default;
};
std::string EncodeLetterBody(const LetterBody& body);
// False for a body that is not EncodeLetterBody's form (short, a length past the end).
bool DecodeLetterBody(std::string_view bytes, LetterBody& body);

// The board that received a letter says so to the board that wrote it (through the hub when the
// league has one).
struct LetterReceipt {
    NetworkAddress from_board;  // the letter's: the receipt goes there
    std::uint32_t number = 0;
    NetworkAddress to_board;  // the board that took the letter in

    friend bool operator==(const LetterReceipt&, const LetterReceipt&) = default;
};

// The packets of one sender a receiver has applied: every serial up to `through`, and those
// listed above it. Sent in every packet, so the sender can let go of what arrived and send again
// what did not.
struct PacketAck {
    std::uint32_t through = 0;
    std::vector<std::uint32_t> above;  // at most 64, ascending

    friend bool operator==(const PacketAck&, const PacketAck&) = default;
};

struct LeaguePacket {
    std::string league;  // the league's name, at most 24 characters
    NetworkAddress from;
    NetworkAddress to;
    // The sender's count of the packets it made for this receiver, from 1. 0: a packet that only
    // acknowledges, which is neither acknowledged nor sent again.
    std::uint32_t serial = 0;
    std::int64_t date = 0;  // seconds since 1970
    std::optional<PacketAck> ack;
    std::vector<Standing> standings;
    std::vector<LeagueNews> news;
    std::vector<LeagueLetter> letters;
    std::vector<LetterReceipt> receipts;

    friend bool operator==(const LeaguePacket&, const LeaguePacket&) = default;
};

// The version this program writes; a packet of a later one is refused.
inline constexpr std::uint16_t kLeaguePacketVersion = 1;

// Why a packet was refused.
enum class PacketProblem {
    kNone,
    kShort,          // shorter than its header and signature, or its records run past the end
    kNotAPacket,     // no packet's magic
    kFutureVersion,  // written by a later version of the game
    kBadSignature,   // the HMAC does not match the secret
    kMalformed,      // a record of unknown kind, or one whose contents break the format
};
std::string_view PacketProblemText(PacketProblem problem);

// The packet's bytes, signed with `secret`. Strings longer than their field are cut.
std::string WritePacket(const LeaguePacket& packet, std::string_view secret);

// The HMAC-SHA256 of a packet's bytes before its signature, under `secret`: the packet's last
// 32 bytes.
std::string PacketSignature(std::string_view signed_bytes, std::string_view secret);

// The header alone, unchecked: who the packet says it is from and for, so the reader can pick
// the secret. kNone, or kShort, kNotAPacket or kFutureVersion.
PacketProblem ReadPacketHeader(std::string_view bytes, LeaguePacket& header);
// The whole packet, its signature checked with `secret` before anything else is read.
PacketProblem ReadPacket(std::string_view bytes, std::string_view secret, LeaguePacket& packet);

}  // namespace vorn
