#include "mail/message_view.hpp"

#include <algorithm>
#include <cctype>

#include "common/player_text.hpp"
#include "core/session.hpp"
#include "mail/message_areas.hpp"
#include "term/template_slots.hpp"
#include "term/text_codes.hpp"

namespace vorn {

namespace {

// The place in "mailhead" where the text starts.
constexpr int kTextSlot = 11;
constexpr std::size_t kMaxTypedDigits = 5;

std::string Fit(std::string_view text, std::size_t width) {
    return PadVisible(KeepOnlyColourCodes(text), width);
}

}  // namespace

void ShowMessage(Session& session, std::uint32_t number, const MessageHeader& header,
                 const std::vector<std::string>& lines) {
    Writer& out = session.writer;
    const std::string values[] = {MessageTime(header.written),
                                  MessageDate(header.written),
                                  KeepOnlyColourCodes(header.sender.shown.view()),
                                  KeepOnlyColourCodes(header.receiver.shown.view()),
                                  KeepOnlyColourCodes(header.subject.view()),
                                  std::to_string(number),
                                  KeepOnlyColourCodes(session.mail.area.area_name.view()),
                                  std::to_string(header.replies),
                                  StatusText(header),
                                  KeepOnlyColourCodes(session.users.current.name.view())};
    for (int n = 1; n <= 10; ++n) SetFormValue(session, n, values[n - 1]);
    out.clear_screen();
    if (out.show_display_file("mailhead", 24)) {
        if (!GoToSlot(session, kTextSlot)) out.new_lines(1);
    } else {
        out.print_coded_line("|09From: |15" + values[2] + "  |09To: |15" + values[3]);
        out.print_coded_line("|09Subj: |14" + values[4] + "  |09" + values[1] + " " + values[0]);
        out.print_coded_line("|09Msg " + values[5] + " |08" + values[8]);
        out.new_lines(1);
    }
    out.set_attribute(7, 0, false);
    out.page_counter = static_cast<std::uint16_t>(out.cursor_row());
    for (const std::string& line : lines) {
        if (session.time.ended) break;
        out.print_coded_line(KeepOnlyColourCodes(line));
        out.set_attribute(7, 0, false);
        out.page_lines(1);
    }
    out.page_counter = 0;
}

void SetListRowValues(Session& session, int form_mode, std::uint32_t number,
                      const MessageHeader& header) {
    const std::string mn = std::to_string(number);
    const std::string sn = KeepOnlyColourCodes(header.sender.shown.view());
    const std::string rn = KeepOnlyColourCodes(header.receiver.shown.view());
    const std::string ti = MessageTime(header.written);
    const std::string dt = MessageDate(header.written);
    const std::string mt = KeepOnlyColourCodes(header.subject.view());
    // Mode 19: MT SN RN TI DT MN; mode 21: MN SN RN TI DT MT.
    SetFormValue(session, 1, form_mode == 19 ? mt : mn);
    SetFormValue(session, 2, sn);
    SetFormValue(session, 3, rn);
    SetFormValue(session, 4, ti);
    SetFormValue(session, 5, dt);
    SetFormValue(session, 6, form_mode == 19 ? mn : mt);
}

void BuiltInListHeading(Session& session) {
    Writer& out = session.writer;
    out.print_coded_line(
        "|U4 Num  Message Title          Sender          Reciever        Date      Time");
    out.set_foreground(9);
    out.print_line(std::string(79, '\xC4'));
    out.page_counter = 1;
    out.page_lines(2);
}

void BuiltInListRow(Session& session, std::uint32_t number, const MessageHeader& header) {
    // The date takes ten places: cut to nine, its year would lose a digit.
    session.writer.print_coded_line(
        "|07" + Fit(std::to_string(number), 4) + " " + Fit(header.subject.view(), 22) + " " +
        Fit(header.sender.shown.view(), 15) + " " + Fit(header.receiver.shown.view(), 15) + " " +
        Fit(MessageDate(header.written), 10) + " " + MessageTime(header.written).substr(0, 8));
    session.writer.page_lines(1);
}

void BuiltInListEnd(Session& session) {
    session.writer.page_counter = 0;
}

std::uint32_t NumberOf(std::string_view digits) {
    std::uint64_t n = 0;
    for (const char c : digits) {
        if (c >= '0' && c <= '9') n = std::min<std::uint64_t>(n * 10 + (c - '0'), UINT32_MAX);
    }
    return static_cast<std::uint32_t>(n);
}

char ReaderCommand(Session& session, const std::string& prompt, std::string_view commands,
                   std::int64_t& number) {
    Writer& out = session.writer;
    out.display_line(prompt);
    std::string digits;
    number = -1;
    for (;;) {
        const std::uint8_t k = session.keys.read_key();
        if (session.time.ended) return 0;
        if (session.keys.extended_key() != 0) continue;
        if (k >= '0' && k <= '9') {
            if (digits.size() < kMaxTypedDigits) {
                digits += static_cast<char>(k);
                out.put_character(k);
            }
            continue;
        }
        if (k == 8) {
            if (!digits.empty()) {
                digits.pop_back();
                out.erase_back(1);
            }
            continue;
        }
        const char c = static_cast<char>(std::toupper(k));
        if (c != 0 && commands.find(c) != std::string_view::npos) {
            if (c == '\r' && !digits.empty()) number = NumberOf(digits);
            out.new_lines(1);
            return c;
        }
    }
}

}  // namespace vorn
