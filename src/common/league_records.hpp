// The league packet as bytes (league/packet.hpp holds it in memory, README.md describes it for
// other programs). A 64-byte header, `record_count` records of an 8-byte record header and its
// payload, then the HMAC-SHA256 of every byte before it under the secret the two boards share.
// Little-endian throughout; the packed structs below are the fixed parts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/network_address.hpp"
#include "common/record_types.hpp"

namespace vorn {

inline constexpr char kLeaguePacketMagic[4] = {'V', 'H', 'L', 'P'};
inline constexpr std::size_t kLeagueSignatureSize = 32;

// Record kinds.
inline constexpr std::uint8_t kLeagueRecordAck = 1;  // at most one per packet
inline constexpr std::uint8_t kLeagueRecordStanding = 2;
inline constexpr std::uint8_t kLeagueRecordNews = 3;
inline constexpr std::uint8_t kLeagueRecordLetter = 4;
inline constexpr std::uint8_t kLeagueRecordReceipt = 5;

// The most a reader takes; a packet with more is refused.
inline constexpr std::size_t kLeagueMostAbove = 64;
inline constexpr std::size_t kLeagueMostStandingRows = 100;
inline constexpr std::size_t kLeagueNewsTextMost = 160;
inline constexpr std::size_t kLeagueLetterBodyMost = 20000;

// A letter body (EncodeLetterBody): from name, to name and subject, each a length byte and its
// characters; the date (8 bytes); the text, a 2-byte length and its bytes.
inline constexpr std::size_t kLetterNameMost = 36;
inline constexpr std::size_t kLetterSubjectMost = 72;
inline constexpr std::size_t kLetterTextMost = 16384;

#pragma pack(push, 1)

struct LeagueAddressRecord {
    U16 zone;
    U16 net;
    U16 node;
    U16 point;
};

struct LeaguePacketHeader {
    char magic[4];  // kLeaguePacketMagic
    U16 version;
    U16 header_size;  // where the records start: 64 in version 1
    char league[24];  // the league's name, NUL-padded
    LeagueAddressRecord from;
    LeagueAddressRecord to;
    U32 serial;
    U32 record_count;
    I64 date;  // seconds since 1970
};

struct LeagueRecordHeader {
    std::uint8_t kind;  // kLeagueRecord*
    std::uint8_t reserved[3];
    U32 payload_size;
};

// kLeagueRecordAck: then `above_count` serials of 4 bytes, ascending.
struct LeagueAckRecord {
    U32 through;
    U32 above_count;
};

// kLeagueRecordStanding: then `row_count` rows.
struct LeagueStandingRecord {
    LeagueAddressRecord board;
    U32 night;
    U16 row_count;
    std::uint8_t reserved[2];
};

struct LeagueStandingRow {
    ShortString<36> name;
    std::uint8_t race;
    U16 level;
    I32 experience;
    U16 kills;
    U16 cities;
};

// kLeagueRecordNews: the whole payload.
struct LeagueNewsRecord {
    LeagueAddressRecord board;
    U32 number;
    U32 night;
    std::uint8_t kind;  // LeagueNewsKind
    ShortString<36> player;
    ShortString<160> text;
};

// kLeagueRecordLetter: then `body_size` bytes of the body.
struct LeagueLetterRecord {
    LeagueAddressRecord from_board;
    U32 number;
    LeagueAddressRecord to_board;
    U32 body_size;
};

// kLeagueRecordReceipt: the whole payload.
struct LeagueReceiptRecord {
    LeagueAddressRecord from_board;
    U32 number;
    LeagueAddressRecord to_board;
};

#pragma pack(pop)

inline LeagueAddressRecord ToRecord(const NetworkAddress& a) {
    LeagueAddressRecord r{};
    r.zone = a.zone;
    r.net = a.net;
    r.node = a.node;
    r.point = a.point;
    return r;
}

inline NetworkAddress FromRecord(const LeagueAddressRecord& r) {
    return {r.zone, r.net, r.node, r.point};
}

static_assert(sizeof(I64) == 8 && alignof(I64) == 1);
static_assert(sizeof(LeagueAddressRecord) == 8);

static_assert(offsetof(LeaguePacketHeader, version) == 4);
static_assert(offsetof(LeaguePacketHeader, header_size) == 6);
static_assert(offsetof(LeaguePacketHeader, league) == 8);
static_assert(offsetof(LeaguePacketHeader, from) == 32);
static_assert(offsetof(LeaguePacketHeader, to) == 40);
static_assert(offsetof(LeaguePacketHeader, serial) == 48);
static_assert(offsetof(LeaguePacketHeader, record_count) == 52);
static_assert(offsetof(LeaguePacketHeader, date) == 56);
static_assert(sizeof(LeaguePacketHeader) == 64);

static_assert(offsetof(LeagueRecordHeader, payload_size) == 4);
static_assert(sizeof(LeagueRecordHeader) == 8);

static_assert(offsetof(LeagueAckRecord, above_count) == 4);
static_assert(sizeof(LeagueAckRecord) == 8);

static_assert(offsetof(LeagueStandingRecord, night) == 8);
static_assert(offsetof(LeagueStandingRecord, row_count) == 12);
static_assert(sizeof(LeagueStandingRecord) == 16);
static_assert(offsetof(LeagueStandingRow, race) == 37);
static_assert(offsetof(LeagueStandingRow, level) == 38);
static_assert(offsetof(LeagueStandingRow, experience) == 40);
static_assert(offsetof(LeagueStandingRow, kills) == 44);
static_assert(offsetof(LeagueStandingRow, cities) == 46);
static_assert(sizeof(LeagueStandingRow) == 48);

static_assert(offsetof(LeagueNewsRecord, number) == 8);
static_assert(offsetof(LeagueNewsRecord, night) == 12);
static_assert(offsetof(LeagueNewsRecord, kind) == 16);
static_assert(offsetof(LeagueNewsRecord, player) == 17);
static_assert(offsetof(LeagueNewsRecord, text) == 54);
static_assert(sizeof(LeagueNewsRecord) == 215);

static_assert(offsetof(LeagueLetterRecord, number) == 8);
static_assert(offsetof(LeagueLetterRecord, to_board) == 12);
static_assert(offsetof(LeagueLetterRecord, body_size) == 20);
static_assert(sizeof(LeagueLetterRecord) == 24);

static_assert(offsetof(LeagueReceiptRecord, number) == 8);
static_assert(offsetof(LeagueReceiptRecord, to_board) == 12);
static_assert(sizeof(LeagueReceiptRecord) == 20);

}  // namespace vorn
