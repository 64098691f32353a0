// What a board keeps of its league, in the folder league/ of the game directory:
// - links.dat: one record per board it exchanges packets with (how far each side has come);
// - standings.dat: the latest standing of every board of the league, its own among them;
// - news.dat: the league's news, its own among them, in the order they arrived;
// - letters.dat and letters/FROM_NUMBER.let: the letters this board wrote (until the receiving
//   board's receipt came back), those it took in, and on the hub those it passes on;
// - receipts.dat: the receipts this board gave for the letters it took in, and on the hub those
//   it passes on;
// - sent/ADDRESS/SERIAL.lpk: the packets sent and not yet acknowledged, to send again;
// - bad/: packets refused, kept for the sysop.
// The records' arrival numbers say what a board has still to pass on to each other board.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/league_records.hpp"
#include "common/record_types.hpp"

namespace vorn {

inline constexpr const char* kLeagueFolder = "league";
inline constexpr const char* kLeagueLinksFile = "league/links.dat";
inline constexpr const char* kLeagueStandingsFile = "league/standings.dat";
inline constexpr const char* kLeagueNewsFile = "league/news.dat";
inline constexpr const char* kLeagueSentFolder = "league/sent";
inline constexpr const char* kLeagueBadFolder = "league/bad";
inline constexpr const char* kLeagueLettersFile = "league/letters.dat";
inline constexpr const char* kLeagueLetterFolder = "league/letters";
inline constexpr const char* kLeagueReceiptsFile = "league/receipts.dat";
// The deeds the game noted since the last export (appended by every node as they happen).
inline constexpr const char* kLeagueDeedsFile = "league/deeds.dat";

#pragma pack(push, 1)

// One other board. Record 0 is this board itself: its counters of news told and of arrivals.
struct LeagueLinkRecord {
    LeagueAddressRecord address;
    U32 last_serial;      // the last packet made for this board
    U32 acked_through;    // every packet up to this one arrived there
    U64 acked_above;      // bit i: packet acked_through + 2 + i arrived there too
    U32 applied_through;  // every packet of this board's up to this one was applied here
    U32 ack_due;          // 1: a packet of theirs was applied since the last packet to them
    U64 applied_above;    // bit i: packet applied_through + 2 + i was applied here too
    I64 last_contact;     // the last packet applied from this board, seconds since 1970
    I64 last_sent;
    U32 relayed_through;  // arrivals up to this one went to this board (or need not)
    U32 letters;          // record 0 only: the letters this board wrote
    std::uint8_t reserved[16];
};
static_assert(sizeof(LeagueLinkRecord) == 80);
static_assert(offsetof(LeagueLinkRecord, last_serial) == 8);
static_assert(offsetof(LeagueLinkRecord, acked_through) == 12);
static_assert(offsetof(LeagueLinkRecord, acked_above) == 16);
static_assert(offsetof(LeagueLinkRecord, applied_through) == 24);
static_assert(offsetof(LeagueLinkRecord, ack_due) == 28);
static_assert(offsetof(LeagueLinkRecord, applied_above) == 32);
static_assert(offsetof(LeagueLinkRecord, last_contact) == 40);
static_assert(offsetof(LeagueLinkRecord, last_sent) == 48);
static_assert(offsetof(LeagueLinkRecord, relayed_through) == 56);
static_assert(offsetof(LeagueLinkRecord, letters) == 60);
// In record 0: last_serial counts the news this board told, relayed_through the arrivals.

struct HeldStanding {
    LeagueAddressRecord board;
    U32 night;
    U32 arrival;
    I64 received;  // seconds since 1970
    U16 count;
    std::uint8_t reserved[6];
    LeagueStandingRow rows[kLeagueMostStandingRows];
};
static_assert(sizeof(HeldStanding) == 32 + 4800);
static_assert(offsetof(HeldStanding, night) == 8);
static_assert(offsetof(HeldStanding, arrival) == 12);
static_assert(offsetof(HeldStanding, received) == 16);
static_assert(offsetof(HeldStanding, count) == 24);
static_assert(offsetof(HeldStanding, rows) == 32);

struct HeldNews {
    LeagueAddressRecord board;
    U32 number;
    U32 night;
    U32 arrival;
    I64 received;
    std::uint8_t kind;
    ShortString<36> player;
    ShortString<160> text;
    std::uint8_t reserved[13];
};
static_assert(sizeof(HeldNews) == 240);
static_assert(offsetof(HeldNews, number) == 8);
static_assert(offsetof(HeldNews, night) == 12);
static_assert(offsetof(HeldNews, arrival) == 16);
static_assert(offsetof(HeldNews, received) == 20);
static_assert(offsetof(HeldNews, kind) == 28);
static_assert(offsetof(HeldNews, player) == 29);
static_assert(offsetof(HeldNews, text) == 66);

// What becomes of a letter here.
inline constexpr std::uint8_t kLetterOnItsWay =
    0;  // written here or passed on: sent until receipted
inline constexpr std::uint8_t kLetterReceipted = 1;  // written here, and the receipt came back
inline constexpr std::uint8_t kLetterTakenIn = 2;    // for a player here, put in his e-mail

struct HeldLetter {
    LeagueAddressRecord from_board;
    U32 number;  // the writing board's count of its letters
    LeagueAddressRecord to_board;
    U32 arrival;
    I64 sent;  // a letter written here: when it was last sent
    std::uint8_t state;
    std::uint8_t reserved[15];
};
static_assert(sizeof(HeldLetter) == 48);
static_assert(offsetof(HeldLetter, number) == 8);
static_assert(offsetof(HeldLetter, to_board) == 12);
static_assert(offsetof(HeldLetter, arrival) == 20);
static_assert(offsetof(HeldLetter, sent) == 24);
static_assert(offsetof(HeldLetter, state) == 32);

struct HeldReceipt {
    LeagueAddressRecord from_board;  // the letter's: where the receipt goes
    U32 number;
    LeagueAddressRecord to_board;  // the board that took the letter in
    U32 arrival;
    std::uint8_t reserved[8];
};
static_assert(sizeof(HeldReceipt) == 32);
static_assert(offsetof(HeldReceipt, number) == 8);
static_assert(offsetof(HeldReceipt, to_board) == 12);
static_assert(offsetof(HeldReceipt, arrival) == 20);

// A deed worth telling the league, as the game noted it.
struct DeedRecord {
    std::uint8_t kind;  // a LeagueNewsKind
    ShortString<36> player;
    ShortString<160> text;
    std::uint8_t reserved;
};
static_assert(sizeof(DeedRecord) == 200);
static_assert(offsetof(DeedRecord, player) == 1);
static_assert(offsetof(DeedRecord, text) == 38);

#pragma pack(pop)

}  // namespace vorn
