#include "mail/message_areas.hpp"

#include <cctype>
#include <cstdio>

#include "common/message_area_files.hpp"
#include "common/system_log.hpp"
#include "common/text_case.hpp"
#include "core/session.hpp"
#include "term/access_expression.hpp"
#include "term/text_codes.hpp"

namespace vorn {

namespace {

bool SameName(std::string_view a, std::string_view b, bool ignore_case) {
    if (a.empty() || b.empty()) return false;
    return ignore_case ? SameUserName(a, b) : a == b;
}

std::string AreaRecordPath(const Session& session) {
    return session.system.data_path +
           (IsEmailArea(session.mail.area) ? kEmailAreaFile : kMessageAreaListFile);
}

std::string LastReadPath(const Session& session) {
    return MessageFilePath(session.system.message_path, session.mail.area.area_file.view(),
                           kLastReadExtension);
}

}  // namespace

bool OpenEmailArea(Session& session) {
    MessageAreaRecord area;
    if (!LoadEmailArea(session.system.data_path + kEmailAreaFile, session.system.sysop_name,
                       area)) {
        return false;
    }
    session.mail.area = area;
    session.mail.area_index = 0;
    return true;
}

bool OpenPublicArea(Session& session, std::uint32_t n) {
    MessageAreaRecord area;
    if (n == 0 || !ReadAreaRecord(session.system.data_path + kMessageAreaListFile, n - 1, area)) {
        return false;
    }
    // A public area always counts as one, whatever its kind byte says.
    if (IsEmailArea(area)) area.area_kind = kAreaKindPublic;
    session.mail.area = area;
    session.mail.area_index = n;
    return true;
}

void CountMessageAreas(Session& session) {
    session.mail.area_count = CountAreaRecords(session.system.data_path + kMessageAreaListFile);
}

bool IsEmailArea(const MessageAreaRecord& area) {
    return area.area_kind == kAreaKindEmail;
}

bool OpenAreaFiles(Session& session, MessageBase& base) {
    session.mail.notice_header_seen = false;
    const std::string_view file = session.mail.area.area_file.view();
    return !file.empty() && base.open(session.system.message_path, file);
}

void SaveAreaCount(Session& session, std::uint32_t count) {
    session.mail.area.message_count =
        static_cast<std::uint16_t>(std::min<std::uint32_t>(count, 65535));
    const std::uint32_t index = session.mail.area_index == 0 ? 0 : session.mail.area_index - 1;
    StoreAreaMessageCount(AreaRecordPath(session), index, count);
}

PackResult PackCurrentArea(Session& session) {
    session.mail.notice_header_seen = false;
    const PackResult packed =
        PackMessageBase(session.system.message_path, session.mail.area.area_file.view());
    if (packed.ok) SaveAreaCount(session, packed.kept);
    return packed;
}

bool ReadCallerLastRead(Session& session, LastReadRecord& record) {
    const auto users = static_cast<std::uint32_t>(session.users.users_read.record_count());
    return ReadLastRead(LastReadPath(session), session.users.current.number, users, record);
}

bool WriteCallerLastRead(Session& session, const LastReadRecord& record) {
    return WriteLastRead(LastReadPath(session), session.users.current.number, record);
}

bool IsParty(const MessageParty& party, const UserRecord& user, bool ignore_case) {
    return SameName(party.name.view(), user.name.view(), ignore_case) ||
           SameName(party.real_name.view(), user.real_name.view(), ignore_case);
}

bool IsAreaSysop(Session& session) {
    // Only at the sysop's own console (a local session), by the real name: a remote caller types
    // whatever name he likes at the game's logon, the sysop's too, and a character could take
    // any name.
    return session.line.local && MayReadArea(session) &&
           SameName(session.users.current.real_name.view(), session.mail.area.area_sysop.view(),
                    true);
}

bool MayReadArea(Session& session) {
    return CheckAccess(session, session.mail.area.read_access.view());
}

bool MayPost(Session& session) {
    return MayReadArea(session) && CheckAccess(session, session.mail.area.post_access.view());
}

bool MayRead(Session& session, const MessageHeader& header) {
    const UserRecord& user = session.users.current;
    if ((header.status & (kMessagePrivate | kMessageDeleted)) == 0) return true;
    return IsParty(header.receiver, user, false) || IsParty(header.sender, user, false) ||
           IsAreaSysop(session);
}

bool MayEdit(Session& session, const MessageHeader& header) {
    return IsParty(header.sender, session.users.current, false) || IsAreaSysop(session);
}

bool MayDelete(Session& session, const MessageHeader& header) {
    const bool receiver = (header.status & kMessagePrivate) != 0 &&
                          IsParty(header.receiver, session.users.current, false);
    return receiver || MayEdit(session, header);
}

std::string StatusText(const MessageHeader& header) {
    std::string text;
    const std::uint16_t s = header.status;
    if (s & kMessageDeleted) text += "[Deleted] ";
    if (s & kMessageSent) text += "[Sent] ";
    if (s & kMessagePrivate) text += "[Private] ";
    if (s & kMessageForwarded) text += "[Forward] ";
    if (header.attachment != 0) text += "[File] ";
    if (s & kMessageAnonymous) text += "[Anonymous]";
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text.empty() ? "[Normal]" : text;
}

std::string MessageDate(std::uint32_t written) {
    const DateTime t = UnpackDosDateTime(written);
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", t.month % 100, t.day % 100, t.year % 10000);
    return text;
}

std::string MessageTime(std::uint32_t written) {
    return LogTime(UnpackDosDateTime(written));
}

void LogMessageChange(Session& session, const MessageHeader& header, std::string_view change) {
    session.log("-Message \"" + header.subject.str() + "\" in area \"" +
                session.mail.area.area_name.str() + "\" " + std::string(change));
}

}  // namespace vorn
