// A message area as the game stores it: msgarea.dat holds one record per public area, email.dat
// the single record of the e-mail area (300 bytes each). Per area, in the message directory: a
// file of message headers (.jhr), one of text lines (.jdt) and one of last-read records (.jlr).
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/network_address.hpp"
#include "common/record_types.hpp"

namespace vorn {

// The e-mail area: its one record, and the file base of its message files in the message path.
inline constexpr const char* kEmailAreaFile = "email.dat";
inline constexpr const char* kEmailFileBase = "EMAIL";
// The message files of an area: file base + one of these.
inline constexpr const char* kMessageHeaderExtension = ".jhr";
inline constexpr const char* kMessageTextExtension = ".jdt";
inline constexpr const char* kLastReadExtension = ".jlr";
// The list of public areas, in the data path.
inline constexpr const char* kMessageAreaListFile = "msgarea.dat";

// Values of the area record.
inline constexpr std::uint8_t kAreaKindEmail = 0;
inline constexpr std::uint8_t kAreaKindPublic = 1;
inline constexpr std::uint8_t kAreaKindNetworked = 2;
inline constexpr std::uint8_t kAreaOptionRealNames = 1;
inline constexpr std::uint8_t kAreaOptionPrivateReplies = 2;
inline constexpr std::uint16_t kEmailMaxMessages = 64000;

// Message status bits.
inline constexpr std::uint16_t kMessageDeleted = 1;
inline constexpr std::uint16_t kMessageSent = 2;
inline constexpr std::uint16_t kMessageAnonymous = 4;
inline constexpr std::uint16_t kMessageNetworked = 8;
inline constexpr std::uint16_t kMessagePrivate = 16;
inline constexpr std::uint16_t kMessageForwarded = 32;
// Bits of flags2.
inline constexpr std::uint16_t kFlags2Private = 0x0001;
inline constexpr std::uint16_t kFlags2Always = 0x0200;

// A message holds at most this many lines of at most 80 characters.
inline constexpr int kMessageMaxLines = 200;
inline constexpr int kMessageLineLength = 80;

// The board's addresses; an area names one of them (area_address, from 1) as its origin.
inline constexpr std::size_t kNetworkAddressCount = 20;

#pragma pack(push, 1)

struct MessageAreaRecord {
    ShortString<40> area_name;
    ShortString<8> area_file;  // file base of the area's .jhr, .jdt and .jlr files
    ShortString<40> text_50;   // empty in the defaults; its use is open
    ShortString<36> area_sysop;
    ShortString<20> read_access;  // access expression; empty: everyone
    ShortString<20> post_access;
    U16 max_messages;
    U16 message_count;
    std::uint8_t reserved_174[21];
    std::uint8_t area_options;  // 1: "From" shows real names; 2: replies always private
    std::uint8_t area_kind;     // 0 e-mail, 1 public, 2 networked public
    std::uint8_t byte_197;      // 1 in the defaults
    std::uint8_t area_address;  // 1-based index of the network address used as origin
    std::uint8_t reserved_199[101];
};

// One side of a message: the writer or the receiver.
struct MessageParty {
    U16 user_number;  // 0 when not a player
    ShortString<36> name;
    ShortString<36> real_name;
    ShortString<36> shown;  // "From" / "To" as displayed
    ShortString<40> description;
    U16 zone;
    U16 net;
    U16 node;
    U16 point;
};

// One record of .jhr: message n is record n - 1.
struct MessageHeader {
    MessageParty sender;
    MessageParty receiver;
    U32 text_start;  // 1-based record of the first line in .jdt
    U16 text_lines;
    std::uint8_t reserved_330[2];
    U32 written;  // when saved, packed as DosDateTime
    U16 status;   // kMessage* bits
    U16 replies;
    ShortString<40> subject;
    std::uint8_t reserved_381;
    U16 flags2;     // kFlags2* bits
    U16 sig_start;  // lines before the appended signature; 0 when none
    U16 attachment;
    U16 reserved_388;
    std::uint8_t reserved_390[54];
};

// One record of .jdt: a line of text.
using MessageTextLine = ShortString<80>;

// One record of .jlr: record n - 1 belongs to user n.
struct LastReadRecord {
    U32 first;       // 1 in a new record
    U32 high_water;  // the latest `written` the player has read
};

#pragma pack(pop)

static_assert(offsetof(MessageAreaRecord, area_file) == 41);
static_assert(offsetof(MessageAreaRecord, text_50) == 50);
static_assert(offsetof(MessageAreaRecord, area_sysop) == 91);
static_assert(offsetof(MessageAreaRecord, read_access) == 128);
static_assert(offsetof(MessageAreaRecord, post_access) == 149);
static_assert(offsetof(MessageAreaRecord, max_messages) == 170);
static_assert(offsetof(MessageAreaRecord, message_count) == 172);
static_assert(offsetof(MessageAreaRecord, area_options) == 195);
static_assert(offsetof(MessageAreaRecord, area_kind) == 196);
static_assert(offsetof(MessageAreaRecord, byte_197) == 197);
static_assert(offsetof(MessageAreaRecord, area_address) == 198);
static_assert(sizeof(MessageAreaRecord) == 300);

static_assert(offsetof(MessageParty, user_number) == 0);
static_assert(offsetof(MessageParty, name) == 2);
static_assert(offsetof(MessageParty, real_name) == 39);
static_assert(offsetof(MessageParty, shown) == 76);
static_assert(offsetof(MessageParty, description) == 113);
static_assert(offsetof(MessageParty, zone) == 154);
static_assert(offsetof(MessageParty, point) == 160);
static_assert(sizeof(MessageParty) == 162);

static_assert(offsetof(MessageHeader, sender) == 0);
static_assert(offsetof(MessageHeader, receiver) == 162);
static_assert(offsetof(MessageHeader, text_start) == 324);
static_assert(offsetof(MessageHeader, text_lines) == 328);
static_assert(offsetof(MessageHeader, written) == 332);
static_assert(offsetof(MessageHeader, status) == 336);
static_assert(offsetof(MessageHeader, replies) == 338);
static_assert(offsetof(MessageHeader, subject) == 340);
static_assert(offsetof(MessageHeader, flags2) == 382);
static_assert(offsetof(MessageHeader, sig_start) == 384);
static_assert(offsetof(MessageHeader, attachment) == 386);
static_assert(offsetof(MessageHeader, reserved_388) == 388);
static_assert(sizeof(MessageHeader) == 444);

static_assert(sizeof(MessageTextLine) == 81);
static_assert(offsetof(LastReadRecord, high_water) == 4);
static_assert(sizeof(LastReadRecord) == 8);

}  // namespace vorn
