// A message area as the game stores it: msgarea.dat holds one record per public area, email.dat
// the single record of the e-mail area. 300 bytes; strings are length-prefixed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/record_types.hpp"

namespace vorn {

// The e-mail area: its one record, and the file base of its message files in the message path.
inline constexpr const char* kEmailAreaFile = "email.dat";
inline constexpr const char* kEmailFileBase = "EMAIL";
// The message files of an area: file base + one of these.
inline constexpr const char* kMessageHeaderExtension = ".jhr";
inline constexpr const char* kMessageTextExtension = ".jdt";
inline constexpr const char* kLastReadExtension = ".jlr";

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

}  // namespace vorn
