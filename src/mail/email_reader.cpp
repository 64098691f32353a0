// The e-mail reader and the new-mail notice. The notice runs on every move of the exploration
// loop, so it counts the caller's mail once and afterwards reads only the headers added since;
// a pack of the e-mail area (a new header file) makes it count again.
#include <sys/inotify.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/message_base.hpp"
#include "core/session.hpp"
#include "mail/message_areas.hpp"
#include "mail/message_post.hpp"
#include "mail/message_reader.hpp"
#include "mail/message_view.hpp"
#include "player/user_files.hpp"
#include "term/line_editor.hpp"
#include "term/system_text.hpp"
#include "term/template_slots.hpp"

namespace vorn {

namespace {

constexpr std::size_t kMaxListed = 2000;
constexpr std::size_t kHeaderBlock = 512;
constexpr int kNoticeColumn = 39;
constexpr int kNoticeRow = 23;
constexpr int kNoticeWidth = 21;  // up to the command prompt in column 61

bool ForCaller(const MessageHeader& h, const UserRecord& user) {
    return (h.status & kMessageDeleted) == 0 && IsParty(h.receiver, user, true);
}

// Calls `take(number, header)` for every message from `first` on that is for the caller (every
// message for `all`), until it returns false.
template <class Take>
void ScanMail(const MessageBase& base, std::uint32_t count, const UserRecord& user, bool all,
              std::uint32_t first, Take&& take) {
    // The notice asks on every move, mostly for nothing new: no block is made for that.
    if (first > count) return;
    std::vector<MessageHeader> block(std::min<std::size_t>(kHeaderBlock, count - first + 1));
    for (; first <= count; first += kHeaderBlock) {
        const std::size_t n = base.read_headers(first, block.size(), block.data());
        for (std::size_t i = 0; i < n; ++i) {
            if ((all || ForCaller(block[i], user)) &&
                !take(first + static_cast<std::uint32_t>(i), block[i])) {
                return;
            }
        }
        if (n < block.size()) return;
    }
}

// The e-mail area as the notice keeps it, its header file's stamp in `header`; false when it
// cannot be opened (no notice this time, the next move tries again). Whatever the notice
// leaves as the current area is the e-mail area, as when it opened the area at every move.
bool NoticeBase(Session& session, FileStamp& header) {
    MailState& mail = session.mail;
    if (!mail.notice_area_loaded) {
        if (!OpenEmailArea(session)) return false;
        mail.notice_area = mail.area;
        mail.notice_area_loaded = true;
    }
    mail.area = mail.notice_area;
    mail.area_index = 0;
    FileWatch& watch = session.watch;
    if (mail.notice_header_seen &&
        watch.unchanged(mail.notice_watch, session.clock.monotonic_ms())) {
        header = mail.notice_header;
        return true;
    }
    const bool seen =
        (mail.notice_base.header_stamp(header) && header.links > 0) ||
        (OpenAreaFiles(session, mail.notice_base) && mail.notice_base.header_stamp(header));
    if (!seen) return false;
    if (header.device != mail.notice_watch_device || header.inode != mail.notice_watch_inode) {
        watch.drop(mail.notice_watch);
        mail.notice_watch = watch.add(mail.notice_base.header_descriptor(),
                                      IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF);
        mail.notice_watch_device = header.device;
        mail.notice_watch_inode = header.inode;
    }
    watch.settle(mail.notice_watch);
    mail.notice_header = header;
    mail.notice_header_seen = true;
    return true;
}

std::uint32_t CountMail(Session& session, const MessageBase& base, const FileStamp& header) {
    MailState::NoticeCount& c = session.mail.notice;
    const std::uint32_t count = MessageBase::count_of(header);
    if (!c.valid || c.device != header.device || c.inode != header.inode || count < c.scanned) {
        c = MailState::NoticeCount{true, header.device, header.inode, 0, 0};
    }
    ScanMail(base, count, session.users.current, false, c.scanned + 1,
             [&c](std::uint32_t, const MessageHeader&) {
                 ++c.mail;
                 return true;
             });
    c.scanned = count;
    return static_cast<std::uint32_t>(std::min<std::size_t>(c.mail, kMaxListed));
}

void ShowNotice(Session& session, std::uint32_t mail) {
    Writer& out = session.writer;
    out.go_to(kNoticeColumn, kNoticeRow);
    out.set_attribute(7, 0, false);
    out.print_text(std::string(kNoticeWidth, ' '));
    out.go_to(kNoticeColumn, kNoticeRow);
    if (mail == 0) {
        out.display_line(GetSystemString(session, SystemText::kNoMailWaiting));
    } else {
        out.set_foreground(15);
        out.print_coded(std::to_string(mail) + "  |12m|04s|08g |15!|12 r|04e|08ad");
    }
}

void ShowMailList(Session& session, const MessageBase& base,
                  const std::vector<std::uint32_t>& listed) {
    const bool screens = ListScreensExist(session, "mail") && BeginListScreens(session, "mail");
    if (!screens) BuiltInListHeading(session);
    MessageHeader h;
    for (std::size_t i = 0; i < listed.size() && !session.time.ended; ++i) {
        if (!base.read_header(listed[i], h)) continue;
        const auto number = static_cast<std::uint32_t>(i + 1);
        if (screens) {
            SetListRowValues(session, 19, number, h);
            ShowListRow(session, 19);
            if (session.writer.cursor_column() != 1) session.writer.new_lines(1);
        } else {
            BuiltInListRow(session, number, h);
        }
    }
    if (screens) {
        EndListScreens(session, "mail");
    } else {
        BuiltInListEnd(session);
    }
}

// Reads the listed messages from the one the caller picks, until he leaves.
void ReadListed(Session& session, MessageBase& base, const std::vector<std::uint32_t>& listed,
                bool all) {
    Writer& out = session.writer;
    const auto count = static_cast<std::uint32_t>(listed.size());
    out.display_line(
        GetSystemString(session, SystemText::kBeginReadingMailAt, {std::to_string(count)}));
    const std::uint32_t first =
        NumberOf(session.keys.input_line("1", 2, CharacterRange('0', '9'), "", 4));
    if (first == 0 || first > count || session.time.ended) return;
    std::size_t index = first - 1;
    std::vector<std::string> lines;
    for (;;) {
        const std::uint32_t number = listed[index];
        MessageHeader h;
        if (!base.read_header(number, h)) return;
        base.read_text(h, lines);
        ShowMessage(session, static_cast<std::uint32_t>(index + 1), h, lines);
        std::int64_t typed = -1;
        const char k =
            ReaderCommand(session,
                          GetSystemString(session, SystemText::kReadingMailPrompt,
                                          {std::to_string(index + 1), std::to_string(count)}),
                          "-?ADEQRUX\r\x1b", typed);
        if (k == 0) return;
        if (typed >= 0) {
            if (typed >= 1 && typed <= count) index = static_cast<std::size_t>(typed - 1);
            continue;
        }
        switch (k) {
            case '\r':
                if (index + 1 < listed.size()) {
                    ++index;
                } else if (!all) {
                    return;
                }
                continue;
            case '-':
                if (index > 0) --index;
                continue;
            case 'Q':
            case '\x1b':
                return;
            case '?':
                out.clear_screen();
                out.show_display_file("emailhlp", 28);
                out.print_prompt_text("|PA");
                break;
            case 'D': {
                h.status = static_cast<std::uint16_t>(h.status ^ kMessageDeleted);
                const bool deleted = (h.status & kMessageDeleted) != 0;
                out.display_line_end(
                    GetSystemString(session, deleted ? SystemText::kMessageDeletedNotice
                                                     : SystemText::kMessageUndeletedNotice));
                session.log("Email message \"" + h.subject.str() + "\" from " +
                            h.sender.shown.str() + (deleted ? " deleted." : " undeleted."));
                base.write_header(number, h);
                break;
            }
            case 'E':
                if (all) EditStoredMessage(session, base, number);
                break;
            case 'R':
                if (!PostMessage(session, "", "", number)) break;
                session.log("Replied to email \"" + h.subject.str() + "\" from " +
                            h.sender.shown.str() + ".");
                base.read_header(number, h);
                h.replies = static_cast<std::uint16_t>(std::min(h.replies + 1, 65535));
                if ((h.status & kMessageDeleted) == 0) {
                    out.display_line(GetSystemString(session, SystemText::kDeleteRepliedMessage));
                    if (session.keys.ask_yes_no(true)) {
                        h.status = static_cast<std::uint16_t>(h.status | kMessageDeleted);
                        session.log("!Original email message destroyed.");
                    }
                }
                base.write_header(number, h);
                break;
            default:  // A, U and X
                break;
        }
        // A message that is gone now is passed over.
        if (!all && base.read_header(number, h) && (h.status & kMessageDeleted) != 0) {
            if (index + 1 >= listed.size()) return;
            ++index;
        }
    }
}

}  // namespace

void ReadEmail(Session& session, bool all, bool ask, bool list) {
    Writer& out = session.writer;
    if (!ask && !list) {
        FileStamp header;
        if (NoticeBase(session, header)) {
            ShowNotice(session, CountMail(session, session.mail.notice_base, header));
        }
        return;
    }
    MessageBase base;
    if (!OpenEmailArea(session) || !OpenAreaFiles(session, base)) return;
    UserRecord& user = session.users.current;
    if (!base.hold()) return;
    std::vector<std::uint32_t> listed;
    ScanMail(base, base.count(), user, all, 1,
             [&listed](std::uint32_t number, const MessageHeader&) {
                 listed.push_back(number);
                 return listed.size() < kMaxListed;
             });
    if (user.msg_pointer != listed.size()) {
        user.msg_pointer = static_cast<std::uint16_t>(listed.size());
        SaveUser(session, user);
    }
    if (listed.empty()) {
        if (ask) {
            out.display_line_end(GetSystemString(session, SystemText::kNoMailWaiting));
        } else {
            ShowNotice(session, 0);
        }
        return;
    }
    if (ask) {
        out.display_line(GetSystemString(session, SystemText::kYouHaveMail));
        if (!session.keys.ask_yes_no(true)) return;
    }
    session.log(all ? "*Read all email." : "Read email.");
    if (list) ShowMailList(session, base, listed);
    ReadListed(session, base, listed, all);
    if (all || session.time.ended) return;

    // The caller's mail left standing is offered for deletion once.
    std::vector<std::uint32_t> standing;
    for (const std::uint32_t number : listed) {
        MessageHeader h;
        if (base.read_header(number, h) && (h.status & kMessageDeleted) == 0 &&
            IsParty(h.receiver, user, false)) {
            standing.push_back(number);
        }
    }
    if (!standing.empty()) {
        out.display_line(GetSystemString(session, SystemText::kDeleteAllReadMail));
        if (session.keys.ask_yes_no(false)) {
            for (const std::uint32_t number : standing) {
                MessageHeader h;
                if (!base.read_header(number, h)) continue;
                h.status = static_cast<std::uint16_t>(h.status | kMessageDeleted);
                base.write_header(number, h);
            }
        }
    }
    out.new_lines(1);
    SaveAreaCount(session, base.count());
    base.close();
    PackCurrentArea(session);
    CountMessageAreas(session);
    session.mail.notice.valid = false;
}

}  // namespace vorn

namespace vorn {

void ReadMailCommand(Session& session) {
    session.writer.clear_screen();
    // Everybody's mail is for the sysop's eyes only: a player reads his own.
    const bool all = OpenEmailArea(session) && IsAreaSysop(session);
    ReadEmail(session, all, true, true);
    session.keys.pause_key();
    ReadEmail(session, false, false, false);
}

void SendMailCommand(Session& session) {
    session.writer.clear_screen();
    if (OpenEmailArea(session)) PostMessage(session, "", "", 0);
    session.keys.pause_key();
}

}  // namespace vorn
