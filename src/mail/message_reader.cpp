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
    for (int rows = 0; n != 0 && rows < kListRows && !session.session_ended; ++rows) {
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
    if (!read_last_read(session, lr)) lr.high_water = 0;
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

}  // namespace

bool read_messages(Session& session, std::uint32_t start, bool scan_mode, bool announce) {
    Writer& out = session.writer;
    MessageBase base;
    if (!OpenAreaFiles(session, base) || !base.hold()) {
        out.print_coded_line("|12The message area cannot be opened.");
        return false;
    }
    std::uint32_t count = base.count();
    if (count == 0) {
        if (announce) out.display_line_end(GetSystemString(session, 12));
        return false;
    }
    LastReadRecord lr{};
    lr.first = 1;
    if (!read_last_read(session, lr)) {
        lr.first = 1;
        lr.high_water = 0;
    }
    MessageHeader h;
    if (start == 0) {
        const std::string top = std::to_string(count);
        const std::uint32_t first_new = std::min(base.first_written_after(lr.high_water), count);
        const std::uint32_t offered = FirstReadable(session, base, first_new, h);
        out.display_line(GetSystemString(session, 13, {top}));
        const std::string typed =
            session.keys.input_line(std::to_string(offered != 0 ? offered : first_new), 2,
                                    CharacterRange('0', '9'), "", static_cast<int>(top.size()));
        start = typed.empty() ? 1 : NumberOf(typed);
    }
    std::uint32_t number =
        FirstReadable(session, base, std::clamp<std::uint32_t>(start, 1, count), h);
    bool shown = false;
    bool show = true;
    bool reading = number != 0;
    std::vector<std::string> lines;
    while (reading && !session.session_ended) {
        if (show) {
            base.read_text(h, lines);
            ShowMessage(session, number, h, lines);
            shown = true;
            if (h.written > lr.high_water) {
                lr.high_water = h.written;
                write_last_read(session, lr);
            }
        }
        show = true;
        std::int64_t typed = -1;
        const char k = ReaderCommand(
            session, GetSystemString(session, 14, {std::to_string(number), std::to_string(count)}),
            "\r-A?DEHILPRQ\x1bSCMX", typed);
        if (k == 0) break;
        if (typed >= 0) {
            MessageHeader target;
            const auto n = static_cast<std::uint32_t>(typed);
            if (n >= 1 && n <= count && base.read_header(n, target) && MayRead(session, target)) {
                number = n;
                h = target;
            }
            continue;
        }
        bool next = false;
        switch (k) {
            case '\r':
                next = true;
                break;
            case '-': {
                MessageHeader previous;
                if (const std::uint32_t n = NextReadable(session, base, number, -1, previous)) {
                    number = n;
                    h = previous;
                }
                break;
            }
            case '?':
                out.clear_screen();
                out.show_display_file("readhelp", 28);
                out.print_prompt_text("|PA");
                break;
            case 'D':
                // Nobody but the writer, the receiver of a private message and the area's sysop
                // deletes a message.
                if (!MayDelete(session, h)) {
                    show = false;
                    break;
                }
                base.read_header(number, h);
                h.status = static_cast<std::uint16_t>(h.status ^ kMessageDeleted);
                out.display_line_end(
                    GetSystemString(session, h.status & kMessageDeleted ? 19 : 20));
                LogMessageChange(session, h, h.status & kMessageDeleted ? "deleted" : "undeleted");
                base.write_header(number, h);
                next = true;
                break;
            case 'E':
                if (MayEdit(session, h) && EditStoredMessage(session, base, number)) {
                    LogMessageChange(session, h, "edited");
                    base.read_header(number, h);
                }
                break;
            case 'H':
                out.display_line_end(GetSystemString(session, 31));
                lr.high_water = h.written;
                write_last_read(session, lr);
                show = false;
                break;
            case 'I':
                if (scan_mode) {
                    out.display_line_end(GetSystemString(session, 25));
                    show = false;
                    break;
                }
                if (MessageHeader last; base.read_header(count, last)) {
                    lr.high_water = last.written;
                }
                reading = false;
                break;
            case 'L':
                ShowPublicList(session, base, number);
                break;
            case 'P':
            case 'R':
                if (!MayPost(session)) {
                    out.display_line_end(GetSystemString(session, 8));
                } else if (post_message(session, "", "", k == 'R' ? number : 0) && k == 'R') {
                    base.read_header(number, h);
                    h.replies = static_cast<std::uint16_t>(std::min(h.replies + 1, 65535));
                    base.write_header(number, h);
                }
                session.keys.pause_key();
                count = base.count();
                break;
            case 'X':
                if (ExportToOwnMail(session, base, number)) {
                    out.print_coded_line("|08- |11A copy of the message is in your mail|08.");
                    session.keys.pause_key();
                }
                break;
            case 'C':
            case 'M':
                show = false;
                break;
            default:  // Q, ESC and S
                if (scan_mode) {
                    out.display_line_end(GetSystemString(session, 25));
                    show = false;
                } else {
                    reading = false;
                }
                break;
        }
        if (!next) continue;
        MessageHeader following;
        if (const std::uint32_t n = NextReadable(session, base, number, 1, following)) {
            number = n;
            h = following;
            continue;
        }
        // The end of the area.
        if (MayPost(session)) {
            out.display_line(GetSystemString(session, 15));
            if (session.keys.ask_yes_no(false) && post_message(session, "", "", 0)) {
                session.keys.pause_key();
            }
        } else if (announce) {
            out.display_line_end(GetSystemString(session, 8));
        }
        reading = false;
    }
    write_last_read(session, lr);
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
        count_message_areas(session);
        out.clear_screen();
        out.print_coded_line("|15 Message boards of " +
                             KeepOnlyColourCodes(session.system.bbs_name));
        out.print_coded_line("|U4 Num  Board                                      Messages   New");
        out.set_foreground(9);
        out.print_line(std::string(79, '\xC4'));
        out.page_counter = 1;
        out.page_lines(3);
        std::vector<std::uint32_t> readable;
        for (std::uint32_t n = 1; n <= session.mail.area_count && !session.session_ended; ++n) {
            MessageBase base;
            if (!open_public_area(session, n) || !MayReadArea(session) ||
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
        if (typed.empty() || session.session_ended) return;
        const std::uint32_t n = NumberOf(typed);
        if (std::find(readable.begin(), readable.end(), n) == readable.end() ||
            !open_public_area(session, n)) {
            continue;
        }
        out.clear_screen();
        out.print_coded_line("|15" + KeepOnlyColourCodes(session.mail.area.area_name.view()));
        if (!read_messages(session, 0, false, true)) {
            // An empty board: offer the first message.
            if (MayPost(session)) {
                out.display_line(GetSystemString(session, 15));
                if (session.keys.ask_yes_no(false)) post_message(session, "", "", 0);
            }
            session.keys.pause_key();
        }
    }
}

}  // namespace vorn
