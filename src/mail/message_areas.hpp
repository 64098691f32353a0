// The current message area of the call (the e-mail area or a public one from msgarea.dat), its
// files, the caller's last-read record in it, and what the caller may do with its messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/message_area_record.hpp"
#include "common/message_base.hpp"

namespace vorn {

struct Session;
struct UserRecord;

// Loads email.dat (written with its defaults when missing) as the current area.
bool OpenEmailArea(Session& session);
// Public area n (from 1) of msgarea.dat as the current area.
bool OpenPublicArea(Session& session, std::uint32_t n);
// Sets the number of public areas from the size of msgarea.dat.
void CountMessageAreas(Session& session);

bool IsEmailArea(const MessageAreaRecord& area);
// The message files of the current area, opened.
bool OpenAreaFiles(Session& session, MessageBase& base);
// Writes the number of messages back into the current area's record (email.dat or msgarea.dat).
void SaveAreaCount(Session& session, std::uint32_t count);
// Packs the current area unless somebody reads it, and records the messages it kept.
PackResult PackCurrentArea(Session& session);

// The caller's last-read record of the current area (rebuilt when the file is short).
bool ReadCallerLastRead(Session& session, LastReadRecord& record);
bool WriteCallerLastRead(Session& session, const LastReadRecord& record);

// The caller is this party: character name or real name equal, exactly or ignoring case.
bool IsParty(const MessageParty& party, const UserRecord& user, bool ignore_case);
// The area's sysop: a local session whose real name is the area's `area_sysop`, and he may
// read the area.
bool IsAreaSysop(Session& session);
bool MayReadArea(Session& session);
bool MayPost(Session& session);
bool MayRead(Session& session, const MessageHeader& header);
bool MayEdit(Session& session, const MessageHeader& header);
bool MayDelete(Session& session, const MessageHeader& header);

// "[Deleted] [Private]", or "[Normal]".
std::string StatusText(const MessageHeader& header);
// The time a message was written: "12/07/2026" and "10:15am".
std::string MessageDate(std::uint32_t written);
std::string MessageTime(std::uint32_t written);

// The system log line of a changed message: -Message "subject" in area "name" deleted.
void LogMessageChange(Session& session, const MessageHeader& header, std::string_view change);

}  // namespace vorn
