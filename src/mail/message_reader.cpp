// The public-area reader and the boards. The reader holds the area for as long as it runs, so
// no pack renumbers the messages under it; the caller's last-read record is written back each
// time its high-water mark moves on and when the reader ends.
#include "mail/message_reader.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "common/message_base.hpp"
#include "common/player_text.hpp"
#include "core/session.hpp"
#include "mail/message_areas.hpp"
#include "mail/message_post.hpp"
#include "mail/message_view.hpp"
#include "term/line_editor.hpp"
#include "term/system_text.hpp"
#include "term/template_slots.hpp"
#include "term/text_codes.hpp"

namespace vorn {

namespace {

// Rows of the message list: one screen below its top and above its bottom.
constexpr int kListRows = 17;
// Headers read at once when the new messages of a board are counted.
constexpr std::size_t kHeaderBlock = 512;

// The next message the caller may read from `from` on in direction `step`; 0 when none.
std::uint32_t NextReadable(Session& session, const MessageBase& base, std::uint32_t from, int step,
                           MessageHeader& header) {
    const std::uint32_t count = base.count();
    for (std::int64_t n = static_cast<std::int64_t>(from) + step; n >= 1 && n <= count; n += step) {
        if (base.read_header(static_cast<std::uint32_t>(n), header) && MayRead(session, header)) {
            return static_cast<std::uint32_t>(n);
        }
    }
    return 0;
}

// The list from the message shown on, its row highlighted.
void ShowPublicList(Session& session, const MessageBase& base, std::uint32_t current) {
    Writer& out = session.writer;
    out.clear_screen();
    const bool screens = ListScreensExist(session, "msgl") && BeginListScreens(session, "msgl");
    if (!screens) BuiltInListHeading(session);
    const bool highlight = !out.find_display_file("msglhil").empty();
    MessageHeader h;
    std::uint32_t n = current;
    if (!base.read_header(n, h) || !MayRead(session, h)) n = NextReadable(session, base, n, 1, h);
    for (int rows = 0; n != 0 && rows < kListRows && !session.time.ended; ++rows) {
        if (screens) {
            SetListRowValues(session, 21, n, h);
            if (n == current && highlight) out.load_display_file("msglhil");
            ShowListRow(session, 21);
            if (out.cursor_column() != 1) out.new_lines(1);
            if (n == current && highlight) out.load_display_file("msglmid");
        } else {
            BuiltInListRow(session, n, h);
        }
        n = NextReadable(session, base, n, 1, h);
    }
    if (screens) {
        EndListScreens(session, "msgl");
    } else {
        BuiltInListEnd(session);
    }
    session.keys.pause_key();
}

// The new messages of the current area for the caller: those written after his last-read mark
// that he may read, his own posts and the deleted ones left out.
std::uint32_t NewMessages(Session& session, const MessageBase& base) {
    LastReadRecord lr{};
    if (!ReadCallerLastRead(session, lr)) lr.high_water = 0;
    const std::uint32_t count = base.count();
    std::vector<MessageHeader> block(kHeaderBlock);
    std::uint32_t fresh = 0;
    for (std::uint32_t first = base.first_written_after(lr.high_water); first <= count;
         first += kHeaderBlock) {
        const std::size_t n = base.read_headers(first, block.size(), block.data());
        for (std::size_t i = 0; i < n; ++i) {
            const MessageHeader& h = block[i];
            fresh += (h.status & kMessageDeleted) == 0 &&
                     !IsParty(h.sender, session.users.current, false) && MayRead(session, h);
        }
        if (n < block.size()) break;
    }
    return fresh;
}

// Where the reading starts: message `wanted` when the caller may read it, else the first one
// after it he may read (a board that makes room leaves its oldest messages retired), else the
// last one before it; 0 when he may read none.
std::uint32_t FirstReadable(Session& session, const MessageBase& base, std::uint32_t wanted,
                            MessageHeader& header) {
    if (const std::uint32_t n = NextReadable(session, base, wanted - 1, 1, header)) return n;
    return NextReadable(session, base, wanted, -1, header);
}

// The state of one reading: the area held, the caller's last-read record and the message shown.
struct Reading {
    Session& session;
    MessageBase& base;
    LastReadRecord lr;
    MessageHeader h;
    std::uint32_t number;
    std::uint32_t count;
    bool scan_mode;
};

// What the reader does after a command.
enum class Step {
    kShow,   // shows the current message again
    kStay,   // prompts again without showing it
    kNext,   // moves on to the next message, or ends at the end of the area
    kLeave,  // ends the reading
};

// Quitting a scan is refused: the scan goes on to the next area instead.
Step LeaveUnlessScanning(Reading& r) {
    if (!r.scan_mode) return Step::kLeave;
    r.session.writer.display_line_end(GetSystemString(r.session, SystemText::kMustReadAllMessages));
    return Step::kStay;
}

Step Previous(Reading& r) {
    MessageHeader previous;
    if (const std::uint32_t n = NextReadable(r.session, r.base, r.number, -1, previous)) {
        r.number = n;
        r.h = previous;
    }
    return Step::kShow;
}

Step Help(Reading& r) {
    Writer& out = r.session.writer;
    out.clear_screen();
    out.show_display_file("readhelp", 28);
    out.print_prompt_text("|PA");
    return Step::kShow;
}

// Nobody but the writer, the receiver of a private message and the area's sysop deletes a
// message; D again takes the mark away.
Step ToggleDeleted(Reading& r) {
    if (!MayDelete(r.session, r.h)) return Step::kStay;
    r.base.read_header(r.number, r.h);
    r.h.status = static_cast<std::uint16_t>(r.h.status ^ kMessageDeleted);
    const bool deleted = (r.h.status & kMessageDeleted) != 0;
    r.session.writer.display_line_end(
        GetSystemString(r.session, deleted ? SystemText::kMessageDeletedNotice
                                           : SystemText::kMessageUndeletedNotice));
    LogMessageChange(r.session, r.h, deleted ? "deleted" : "undeleted");
    r.base.write_header(r.number, r.h);
    return Step::kNext;
}

Step Edit(Reading& r) {
    if (MayEdit(r.session, r.h) && EditStoredMessage(r.session, r.base, r.number)) {
        LogMessageChange(r.session, r.h, "edited");
        r.base.read_header(r.number, r.h);
    }
    return Step::kShow;
}

// Marks the area read up to the message shown.
Step HighWater(Reading& r) {
    r.session.writer.display_line_end(GetSystemString(r.session, SystemText::kNewScanPointerSet));
    r.lr.high_water = r.h.written;
    WriteCallerLastRead(r.session, r.lr);
    return Step::kStay;
}

// Leaves with the whole area marked read.
Step Ignore(Reading& r) {
    if (r.scan_mode) return LeaveUnlessScanning(r);
    if (MessageHeader last; r.base.read_header(r.count, last)) r.lr.high_water = last.written;
    return Step::kLeave;
}

Step List(Reading& r) {
    ShowPublicList(r.session, r.base, r.number);
    return Step::kShow;
}

// P posts a new message, R a reply to the one shown.
Step Post(Reading& r, bool reply) {
    Session& session = r.session;
    if (!MayPost(session)) {
        session.writer.display_line_end(GetSystemString(session, SystemText::kNoPostAccess));
    } else if (PostMessage(session, "", "", reply ? r.number : 0) && reply) {
        r.base.read_header(r.number, r.h);
        r.h.replies = static_cast<std::uint16_t>(std::min(r.h.replies + 1, 65535));
        r.base.write_header(r.number, r.h);
    }
    session.keys.pause_key();
    r.count = r.base.count();
    return Step::kShow;
}

Step Export(Reading& r) {
    if (ExportToOwnMail(r.session, r.base, r.number)) {
        r.session.writer.print_coded_line("|08- |11A copy of the message is in your mail|08.");
        r.session.keys.pause_key();
    }
    return Step::kShow;
}

struct ReaderKey {
    char key;
    Step (*run)(Reading&);
};

// The reader's commands, one row per key. C and M are taken and do nothing.
constexpr ReaderKey kReaderKeys[] = {
    {'\r', [](Reading&) { return Step::kNext; }},
    {'-', Previous},
    {'?', Help},
    {'D', ToggleDeleted},
    {'E', Edit},
    {'H', HighWater},
    {'I', Ignore},
    {'L', List},
    {'P', [](Reading& r) { return Post(r, false); }},
    {'R', [](Reading& r) { return Post(r, true); }},
    {'X', Export},
    {'C', [](Reading&) { return Step::kStay; }},
    {'M', [](Reading&) { return Step::kStay; }},
    {'A', LeaveUnlessScanning},
    {'Q', LeaveUnlessScanning},
    {'S', LeaveUnlessScanning},
    {'\x1b', LeaveUnlessScanning},
};

const std::string& ReaderKeyList() {
    static const std::string keys = [] {
        std::string list;
        for (const ReaderKey& row : kReaderKeys) list += row.key;
        return list;
    }();
    return keys;
}

Step RunReaderKey(Reading& r, char key) {
    for (const ReaderKey& row : kReaderKeys) {
        if (row.key == key) return row.run(r);
    }
    return Step::kStay;
}

// Moves on to the next message; at the end of the area offers a post. False when the reading
// ends there.
bool MoveOn(Reading& r, bool announce) {
    Session& session = r.session;
    MessageHeader following;
    if (const std::uint32_t n = NextReadable(session, r.base, r.number, 1, following)) {
        r.number = n;
        r.h = following;
        return true;
    }
    Writer& out = session.writer;
    if (MayPost(session)) {
        out.display_line(GetSystemString(session, SystemText::kPostInThisArea));
        if (session.keys.ask_yes_no(false) && PostMessage(session, "", "", 0)) {
            session.keys.pause_key();
        }
    } else if (announce) {
        out.display_line_end(GetSystemString(session, SystemText::kNoPostAccess));
    }
    return false;
}

// Where the reading starts when the caller was not given a message: he is asked, the first new
// one offered.
std::uint32_t AskStart(Session& session, const MessageBase& base, const LastReadRecord& lr,
                       std::uint32_t count) {
    MessageHeader h;
    const std::string top = std::to_string(count);
    const std::uint32_t first_new = std::min(base.first_written_after(lr.high_water), count);
    const std::uint32_t offered = FirstReadable(session, base, first_new, h);
    session.writer.display_line(GetSystemString(session, SystemText::kStartReadingAt, {top}));
    const std::string typed =
        session.keys.input_line(std::to_string(offered != 0 ? offered : first_new), 2,
                                CharacterRange('0', '9'), "", static_cast<int>(top.size()));
    return typed.empty() ? 1 : NumberOf(typed);
}

// Shows messages and runs the caller's commands until he leaves; true when one was shown.
bool ReadLoop(Reading& r, bool announce) {
    Session& session = r.session;
    bool shown = false;
    bool show = true;
    std::vector<std::string> lines;
    while (!session.time.ended) {
        if (show) {
            r.base.read_text(r.h, lines);
            ShowMessage(session, r.number, r.h, lines);
            shown = true;
            if (r.h.written > r.lr.high_water) {
                r.lr.high_water = r.h.written;
                WriteCallerLastRead(session, r.lr);
            }
        }
        show = true;
        std::int64_t typed = -1;
        const char k =
            ReaderCommand(session,
                          GetSystemString(session, SystemText::kReadingMessagePrompt,
                                          {std::to_string(r.number), std::to_string(r.count)}),
                          ReaderKeyList(), typed);
        if (k == 0) break;
        if (typed >= 0) {
            MessageHeader target;
            const auto n = static_cast<std::uint32_t>(typed);
            if (n >= 1 && n <= r.count && r.base.read_header(n, target) &&
                MayRead(session, target)) {
                r.number = n;
                r.h = target;
            }
            continue;
        }
        const Step step = RunReaderKey(r, k);
        if (step == Step::kLeave) break;
        if (step == Step::kStay) show = false;
        if (step == Step::kNext && !MoveOn(r, announce)) break;
    }
    return shown;
}

}  // namespace

bool ReadMessages(Session& session, std::uint32_t start, bool scan_mode, bool announce) {
    Writer& out = session.writer;
    MessageBase base;
    if (!OpenAreaFiles(session, base) || !base.hold()) {
        out.print_coded_line("|12The message area cannot be opened.");
        return false;
    }
    const std::uint32_t count = base.count();
    if (count == 0) {
        if (announce) out.display_line_end(GetSystemString(session, SystemText::kMessageBaseEmpty));
        return false;
    }
    Reading r{session, base, {}, {}, 0, count, scan_mode};
    r.lr.first = 1;
    if (!ReadCallerLastRead(session, r.lr)) {
        r.lr.first = 1;
        r.lr.high_water = 0;
    }
    if (start == 0) start = AskStart(session, base, r.lr, count);
    r.number = FirstReadable(session, base, std::clamp<std::uint32_t>(start, 1, count), r.h);
    const bool shown = r.number != 0 && ReadLoop(r, announce);
    WriteCallerLastRead(session, r.lr);
    SaveAreaCount(session, base.count());
    base.close();
    // Posts made here retired messages the pack could not take out while the area was held.
    if (session.mail.pack_wanted == session.mail.area.area_file.view()) {
        session.mail.pack_wanted.clear();
        PackCurrentArea(session);
    }
    out.new_lines(1);
    return shown;
}

void MessageBoards(Session& session) {
    Writer& out = session.writer;
    for (;;) {
        CountMessageAreas(session);
        out.clear_screen();
        out.print_coded_line("|15 Message boards of " +
                             KeepOnlyColourCodes(session.system.bbs_name));
        out.print_coded_line("|U4 Num  Board                                      Messages   New");
        out.set_foreground(9);
        out.print_line(std::string(79, '\xC4'));
        out.page_counter = 1;
        out.page_lines(3);
        std::vector<std::uint32_t> readable;
        for (std::uint32_t n = 1; n <= session.mail.area_count && !session.time.ended; ++n) {
            MessageBase base;
            if (!OpenPublicArea(session, n) || !MayReadArea(session) ||
                !OpenAreaFiles(session, base)) {
                continue;
            }
            readable.push_back(n);
            out.print_coded_line(
                "|14" + PadVisible(std::to_string(n), 4) + " |11" +
                PadVisible(KeepOnlyColourCodes(session.mail.area.area_name.view()), 42) + " |07" +
                PadVisible(std::to_string(base.count()), 10) + " |15" +
                std::to_string(NewMessages(session, base)));
            out.page_lines(1);
        }
        out.page_counter = 0;
        if (readable.empty()) {
            out.print_coded_line("|12There are no boards for you to read.");
            session.keys.pause_key();
            return;
        }
        out.new_lines(1);
        out.print_coded("|15Read which board? |07(|15Enter|07 leaves) ");
        const std::string typed = session.keys.input_line("", 0, CharacterRange('0', '9'), "", 4);
        if (typed.empty() || session.time.ended) return;
        const std::uint32_t n = NumberOf(typed);
        if (std::find(readable.begin(), readable.end(), n) == readable.end() ||
            !OpenPublicArea(session, n)) {
            continue;
        }
        out.clear_screen();
        out.print_coded_line("|15" + KeepOnlyColourCodes(session.mail.area.area_name.view()));
        if (!ReadMessages(session, 0, false, true)) {
            // An empty board: offer the first message.
            if (MayPost(session)) {
                out.display_line(GetSystemString(session, SystemText::kPostInThisArea));
                if (session.keys.ask_yes_no(false)) PostMessage(session, "", "", 0);
            }
            session.keys.pause_key();
        }
    }
}

}  // namespace vorn
