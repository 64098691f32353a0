// The files around the messages of the areas: the area records of msgarea.dat and email.dat, the
// last-read file of each area, and the packed date in which a message's time is kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/clock.hpp"
#include "common/message_area_record.hpp"

namespace vorn {

// The e-mail area as a new email.dat describes it.
MessageAreaRecord DefaultEmailArea(std::string_view sysop_name);
// Reads email.dat; when it is missing or shorter than a record it is written with the defaults,
// which are then the result. False when it cannot be read (and is left alone) or written.
bool LoadEmailArea(const std::string& path, std::string_view sysop_name, MessageAreaRecord& area);

// Whole records of a file of area records (0 when it is missing).
std::uint32_t CountAreaRecords(const std::string& path);
// Record `index` (from 0).
bool ReadAreaRecord(const std::string& path, std::uint32_t index, MessageAreaRecord& area);
// Sets message_count of record `index` to `count` (held at 65535), the rest of the record as the
// file has it now: a change made meanwhile by another program survives.
bool StoreAreaMessageCount(const std::string& path, std::uint32_t index, std::uint32_t count);

// The last-read record of user `user` (from 1). A file that is missing or too short for the
// user is first extended with new records {1, 0} up to `users` records (the players of the
// game); false when it still cannot be read. A longer file is never cut: its last records may
// belong to players another node has just added.
bool ReadLastRead(const std::string& path, std::uint16_t user, std::uint32_t users,
                  LastReadRecord& record);
bool WriteLastRead(const std::string& path, std::uint16_t user, const LastReadRecord& record);

// Date and time packed in 32 bits: high half (year - 1980) * 512 + month * 32 + day, low half
// hour * 2048 + minute * 32 + second / 2. Later times give larger numbers.
std::uint32_t PackDosDateTime(const DateTime& t);
DateTime UnpackDosDateTime(std::uint32_t packed);

}  // namespace vorn
