#include "mail/message_post.hpp"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "common/message_area_files.hpp"
#include "common/player_text.hpp"
#include "common/text_case.hpp"
#include "core/session.hpp"
#include "mail/message_areas.hpp"
#include "mail/message_editor.hpp"
#include "node/node_table.hpp"
#include "player/player_screens.hpp"
#include "player/user_files.hpp"
#include "term/line_editor.hpp"
#include "term/system_text.hpp"
#include "term/text_codes.hpp"

namespace vorn {

namespace {

constexpr const char* kTearLine = "--- quorvik/2";
constexpr int kNameLength = 36;
constexpr int kSubjectLength = 40;

MessageHeader ZeroHeader() {
    MessageHeader h;
    std::memset(&h, 0, sizeof h);
    return h;
}

void RaiseCounter(U16& counter) {
    if (counter < 65535) ++counter;
}

void SetAddress(MessageParty& party, const NetworkAddress& a) {
    party.zone = a.zone;
    party.net = a.net;
    party.node = a.node;
    party.point = a.point;
}

NetworkAddress AreaAddress(const Session& session) {
    const int n = session.mail.area.area_address;
    return n >= 1 && n <= static_cast<int>(session.system.network_addresses.size())
               ? session.system.network_addresses[static_cast<std::size_t>(n - 1)]
               : NetworkAddress{};
}

// Looks for a player by character name, then by real name; for a private message the partial
// search with its questions follows. The caller's own record stays the current one.
bool FindReceiver(Session& session, std::string_view typed, bool search, UserRecord& found,
                  bool& exact) {
    const std::uint16_t own = session.users.current.number;
    UserRecord key{};
    key.name = typed;
    key.real_name = typed;
    exact = FindUser(session, key, false, true) || FindUser(session, key, false, false);
    bool ok = exact;
    if (!ok && search) {
        key.name = typed;
        ok = SearchUser(session, key, false);
    }
    session.users.current.number = own;
    return ok && key.number != 0 && session.users.users_read.read_record(key.number - 1u, found);
}

// "Name@Board" in e-mail on a board in a league: a player of another board, as the league
// knows him.
bool FindLeagueReceiver(Session& session, std::string_view typed, MessageHeader& h) {
    const std::size_t at = typed.rfind('@');
    std::string player, board;
    NetworkAddress address;
    if (!session.mail.league.find ||
        !session.mail.league.find(typed.substr(0, at), typed.substr(at + 1), player, board,
                                  address)) {
        return false;
    }
    h.receiver.shown = player + " (" + board + ")";
    h.receiver.name = player;
    h.receiver.real_name = player;
    h.receiver.description = "None";
    SetAddress(h.receiver, address);
    return true;
}

// Whether the message goes to the league rather than into this board's e-mail: a letter to a
// player of another board, named by his board's address.
bool ForTheLeague(const Session& session, const MessageHeader& h) {
    return IsEmailArea(session.mail.area) && h.receiver.user_number == 0 &&
           (h.receiver.zone != 0 || h.receiver.net != 0 || h.receiver.node != 0) &&
           session.mail.league.send;
}

// Step 4 of posting: who the new message is for. False when posting ends here.
bool ChooseReceiver(Session& session, std::string_view to, MessageHeader& h) {
    Writer& out = session.writer;
    const bool email = IsEmailArea(session.mail.area);
    out.display_line(GetSystemString(session, SystemText::kDestinationPrompt));
    std::string typed(to);
    if (typed.empty()) {
        typed = session.keys.input_line(email ? "" : "All", 0, CharacterRange(32, 254), "",
                                        kNameLength);
    } else {
        out.print_coded_line(KeepOnlyColourCodes(typed));
    }
    if (typed.empty() || session.time.ended) return false;
    if (email && typed.find('@') != std::string::npos && session.mail.league.find) {
        if (FindLeagueReceiver(session, typed, h)) return true;
        out.display_line_end(GetSystemString(session, SystemText::kUserNotFound));
        return false;
    }
    h.receiver.shown = typed;
    UserRecord player{};
    bool exact = false;
    if (FindReceiver(session, typed, (h.status & kMessagePrivate) != 0, player, exact)) {
        h.receiver.user_number = player.number;
        h.receiver.name = player.name.view();
        h.receiver.real_name = player.real_name.view();
        h.receiver.description = player.description.view();
        // A name picked from the partial search is shown as the player's own.
        if (!exact) h.receiver.shown = player.name.view();
    } else if (email) {
        out.display_line_end(GetSystemString(session, SystemText::kUserNotFound));
        return false;
    } else {
        h.receiver.name = "None";
        h.receiver.real_name = "None";
        h.receiver.description = "None";
    }
    if (session.mail.area.area_kind == kAreaKindNetworked) {
        SetAddress(h.receiver, AreaAddress(session));
    }
    return true;
}

// A reply goes back to the sender of the message it answers, under its subject.
void AddressReply(const MessageAreaRecord& area, const MessageHeader& replied, MessageHeader& h) {
    std::string s = replied.subject.str();
    if (UpperCase(s.substr(0, 3)) != "RE:") s = "Re: " + s;
    h.subject = s;
    h.receiver = replied.sender;
    if (area.area_options & kAreaOptionPrivateReplies) h.status = h.status | kMessagePrivate;
    if (IsEmailArea(area)) {
        h.sender.zone = replied.receiver.zone;
        h.sender.net = replied.receiver.net;
        h.sender.node = replied.receiver.node;
        h.sender.point = replied.receiver.point;
    }
}

// A new message: the caller names who it is for (unless `to` does) and its title (unless
// `subject` does). False when posting ends here.
bool AddressNewMessage(Session& session, std::string_view to, std::string_view subject,
                       MessageHeader& h) {
    if (!ChooseReceiver(session, to, h)) return false;
    std::string title(subject);
    if (title.empty()) {
        session.writer.display_line(GetSystemString(session, SystemText::kMessageTitlePrompt));
        title = session.keys.input_line("", 0, CharacterRange(32, 254), "", kSubjectLength);
    }
    if (title.empty() || session.time.ended) return false;
    h.subject = title;
    return true;
}

// The caller is the sender, under the name the area shows.
void SignAsSender(Session& session, const MessageAreaRecord& area, bool reply, MessageHeader& h) {
    const UserRecord& user = session.users.current;
    h.sender.user_number = user.number;
    h.sender.name = user.name.view();
    h.sender.real_name = user.real_name.view();
    h.sender.shown =
        (area.area_options & kAreaOptionRealNames) ? user.real_name.view() : user.name.view();
    h.sender.description = user.description.view();
    if (area.area_kind == kAreaKindNetworked && !reply) {
        SetAddress(h.sender, AreaAddress(session));
    }
    h.replies = 0;
    const bool is_private = (h.status & kMessagePrivate) != 0;
    h.flags2 = static_cast<std::uint16_t>(kFlags2Always | (is_private ? kFlags2Private : 0));
}

MessageDraft DraftFor(const MessageAreaRecord& area, const MessageHeader& h,
                      const MessageHeader& replied, const std::vector<std::string>& replied_text) {
    MessageDraft draft;
    draft.to = h.receiver.shown.str();
    draft.from = h.sender.shown.str();
    draft.subject = h.subject.str();
    draft.area = area.area_name.str();
    draft.quote = replied_text;
    draft.quote_initials = (replied.status & kMessageAnonymous)
                               ? std::string("??")
                               : Initials(replied.sender.shown.view());
    return draft;
}

// A message of a networked area ends with the tear line and the board's origin.
void AddOrigin(const Session& session, std::vector<std::string>& lines) {
    if (lines.size() > kMessageMaxLines - 2) lines.resize(kMessageMaxLines - 2);
    lines.emplace_back(kTearLine);
    lines.push_back(" * Origin: " + session.system.bbs_name + " (" +
                    AddressText(AreaAddress(session)) + ")");
}

// Tells the caller that the message is sent and logs it.
void AnnounceSent(Session& session, const MessageAreaRecord& area, const MessageHeader& h) {
    Writer& out = session.writer;
    if (IsEmailArea(area)) {
        out.display_line_end(
            GetSystemString(session, SystemText::kMailSentTo, {h.receiver.shown.view()}));
        session.log("Email sent");
    } else {
        out.print_coded_line("|08- |11Message posted in |15" +
                             KeepOnlyColourCodes(area.area_name.view()) + "|08.");
    }
    session.log("  Title: \"" + h.subject.str() + "\",  From: " + h.sender.shown.str() +
                ",  To: " + h.receiver.shown.str());
}

}  // namespace

StoreResult AppendMessage(Session& session, const std::vector<std::string>& lines,
                          MessageHeader& header, bool update_area) {
    MessageBase base;
    if (!OpenAreaFiles(session, base)) return StoreResult::kFailed;
    const MessageAreaRecord& area = session.mail.area;
    const bool email = IsEmailArea(area);
    MessageLimit limit;
    limit.max_messages = area.max_messages == 0 ? 65535u : area.max_messages;
    limit.make_room = !email;
    StoreInfo info;
    const StoreResult result = base.append(lines, header, limit, &info);
    if (result != StoreResult::kStored) return result;
    const std::uint32_t count = base.count();
    base.close();
    if (update_area) SaveAreaCount(session, count);
    // Messages retired to make room are taken out once they have piled up, if nobody reads. A
    // post made from inside the reader finds the area held by that reader, which then packs it.
    if (info.deleted > 0 && info.deleted >= limit.max_messages / 8 &&
        PackCurrentArea(session).busy) {
        session.mail.pack_wanted = area.area_file.str();
    }
    return result;
}

bool RewriteMessage(Session& session, std::uint32_t number, const std::vector<std::string>& lines,
                    MessageHeader& header) {
    MessageBase base;
    return OpenAreaFiles(session, base) && base.rewrite(number, lines, header);
}

bool PostMessage(Session& session, std::string_view to, std::string_view subject,
                 std::uint32_t reply_to) {
    Writer& out = session.writer;
    const MessageAreaRecord area = session.mail.area;
    const bool email = IsEmailArea(area);

    MessageHeader replied = ZeroHeader();
    std::vector<std::string> replied_text;
    if (reply_to != 0) {
        MessageBase base;
        if (!OpenAreaFiles(session, base) || !base.read_header(reply_to, replied) ||
            !base.read_text(replied, replied_text)) {
            return false;
        }
    }

    MessageHeader h = ZeroHeader();
    if (email) h.status = kMessagePrivate;
    if (area.area_kind == kAreaKindNetworked) h.status = h.status | kMessageNetworked;
    if (reply_to != 0) {
        AddressReply(area, replied, h);
    } else if (!AddressNewMessage(session, to, subject, h)) {
        return false;
    }
    const bool is_private = (h.status & kMessagePrivate) != 0;
    SignAsSender(session, area, reply_to != 0, h);

    MessageDraft draft = DraftFor(area, h, replied, replied_text);
    if (!EditMessageText(session, draft)) return false;
    h.subject = draft.subject;
    h.sig_start = draft.sig_start;
    if (area.area_kind == kAreaKindNetworked) AddOrigin(session, draft.lines);
    // The time of a message is the time it was saved.
    h.written = PackDosDateTime(session.clock.now());

    if (ForTheLeague(session, h)) {
        if (!session.mail.league.send(h, draft.lines)) {
            out.print_coded_line("|12The letter could not be sent to the league.");
            session.log("xA letter to " + h.receiver.shown.str() + " could not be kept");
            return false;
        }
        AnnounceSent(session, area, h);
        UserRecord& me = session.users.current;
        RaiseCounter(me.emails);
        SaveUser(session, me);
        return true;
    }
    const StoreResult stored = AppendMessage(session, draft.lines, h, true);
    if (stored == StoreResult::kFull) {
        out.print_coded_line("|12The mail area is full: the message was not sent.");
        session.log("xThe mail area is full");
        return false;
    }
    if (stored != StoreResult::kStored) {
        out.print_coded_line("|12The message could not be saved.");
        session.log("xCould not save a message in " + area.area_name.str());
        return false;
    }
    AnnounceSent(session, area, h);
    UserRecord& me = session.users.current;
    RaiseCounter(is_private ? me.emails : me.posts);
    SaveUser(session, me);
    if (email) NotifyReceiver(session, h.receiver.user_number);
    return true;
}

bool EditStoredMessage(Session& session, MessageBase& base, std::uint32_t number) {
    MessageHeader h;
    MessageDraft draft;
    if (!base.read_header(number, h) || !base.read_text(h, draft.lines)) return false;
    // The signature is put on again when the text is saved.
    if (h.sig_start != 0 && h.sig_start < draft.lines.size()) draft.lines.resize(h.sig_start);
    draft.to = h.receiver.shown.str();
    draft.from = h.sender.shown.str();
    draft.subject = h.subject.str();
    draft.area = session.mail.area.area_name.str();
    draft.anonymous = (h.status & kMessageAnonymous) != 0;
    if (!EditMessageText(session, draft)) return false;
    h.subject = draft.subject;
    h.sig_start = draft.sig_start;
    return RewriteMessage(session, number, draft.lines, h);
}

bool ExportToOwnMail(Session& session, MessageBase& base, std::uint32_t number) {
    MessageHeader h;
    std::vector<std::string> lines;
    if (!base.read_header(number, h) || !base.read_text(h, lines)) return false;
    const UserRecord& user = session.users.current;
    h.receiver.user_number = user.number;
    h.receiver.name = user.name.view();
    h.receiver.real_name = user.real_name.view();
    h.receiver.shown = user.name.view();
    h.receiver.description = user.description.view();
    h.status = static_cast<std::uint16_t>((h.status & kMessageAnonymous) | kMessagePrivate |
                                          kMessageForwarded);
    h.flags2 = kFlags2Always | kFlags2Private;
    h.replies = 0;
    const MessageAreaRecord saved_area = session.mail.area;
    const std::uint32_t saved_index = session.mail.area_index;
    bool ok =
        OpenEmailArea(session) && AppendMessage(session, lines, h, true) == StoreResult::kStored;
    session.mail.area = saved_area;
    session.mail.area_index = saved_index;
    return ok;
}

void NotifyReceiver(Session& session, std::uint16_t user_number) {
    // Wherever the receiver plays, the new-mail notice shows the letter at his next move; on
    // another node he is told at once as well.
    NotifyPlayerElsewhere(session, user_number,
                          "|11New mail for you from |15" +
                              KeepOnlyColourCodes(session.users.current.name.view()) + "|11!");
}

}  // namespace vorn
