// The full-screen editor keeps the text as lines of at most 79 characters (the cursor may stand
// after the last one, in column 80) and draws only what a key changed: the rest of the line for
// a typed character, the rows below for a new or removed line, the whole text area when the view
// scrolls. Word wrap moves the last word of a full line to a new line below it.
#include "mail/message_editor.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <string>

#include "common/message_area_files.hpp"
#include "common/message_area_record.hpp"
#include "common/player_text.hpp"
#include "common/system_log.hpp"
#include "core/session.hpp"
#include "mail/message_areas.hpp"
#include "node/node_lines.hpp"
#include "term/line_editor.hpp"
#include "term/system_text.hpp"
#include "term/template_slots.hpp"
#include "term/text_codes.hpp"

namespace vorn {

namespace {

constexpr int kLineWidth = 79;
constexpr int kTabStop = 8;
constexpr int kLastTextRow = 24;  // row 25 belongs to the sysop's status line
constexpr int kMaxSignatureLines = 6;
constexpr std::size_t kMaxLines = kMessageMaxLines;

constexpr std::uint8_t kCtrlB = 2;
constexpr std::uint8_t kCtrlD = 4;
constexpr std::uint8_t kBackspace = 8;
constexpr std::uint8_t kTab = 9;
constexpr std::uint8_t kCtrlK = 11;
constexpr std::uint8_t kCtrlL = 12;
constexpr std::uint8_t kEnter = 13;
constexpr std::uint8_t kCtrlU = 21;
constexpr std::uint8_t kCtrlV = 22;
constexpr std::uint8_t kCtrlX = 24;
constexpr std::uint8_t kCtrlY = 25;
constexpr std::uint8_t kEscape = 27;

// Header slots of the "fseditor" screen.
enum Slot {
    kSlotSubject = 1,
    kSlotFrom = 2,
    kSlotTo = 3,
    kSlotDate = 4,
    kSlotTime = 5,
    kSlotArea = 6,
    kSlotTimeLeft = 7,
    kSlotLinesLeft = 8,
    kSlotAnonymous = 9,
    kSlotSignature = 10,
    kSlotInsert = 11,
    kSlotLine = 12,
    kSlotColumn = 13,
    kSlotText = 14,
};

std::string WithoutColours(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsColourCode(text, i)) {
            i += 2;
            continue;
        }
        out += text[i];
    }
    return out;
}

bool HasSignature(const Session& session, const MessageDraft& draft) {
    const int n = session.users.current.sig_lines;
    return n >= 1 && n <= kMaxSignatureLines && !draft.anonymous;
}

// Trailing empty lines are not part of a message.
void TrimEnd(std::vector<std::string>& lines) {
    while (!lines.empty() && lines.back().find_first_not_of(' ') == std::string::npos) {
        lines.pop_back();
    }
}

// Asks for the range of the quoted message to take, first and last line; each prompt starts
// where `place_prompt` puts the cursor. False when the caller gives no valid range.
bool AskQuoteRange(Session& session, std::size_t count, const std::function<void()>& place_prompt,
                   const char* options, std::size_t& first, std::size_t& last) {
    const std::string top = std::to_string(count);
    const auto number = [&](const std::string& prompt, std::size_t fallback) -> std::size_t {
        place_prompt();
        session.writer.display_line(prompt);
        const std::string typed =
            session.keys.input_line(std::to_string(fallback), 0, CharacterRange('0', '9'), options,
                                    static_cast<int>(top.size()));
        return typed.empty() || session.time.ended ? 0 : std::stoul(typed);
    };
    first = number(GetSystemString(session, SystemText::kFirstQuoteLine, {top}), 1);
    if (first < 1 || first > count) return false;
    last =
        number(GetSystemString(session, SystemText::kSecondQuoteLine, {std::to_string(first), top}),
               count);
    return last >= first && last <= count;
}

// Control bytes of a stored line show as spaces, so every character takes one column.
std::string Printable(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    }
    return text;
}

class ScreenEditor {
  public:
    ScreenEditor(Session& session, MessageDraft& draft)
        : s_(session), out_(session.writer), d_(draft), lines_(draft.lines) {
        for (std::string& line : lines_) {
            line = Printable(line);
            if (static_cast<int>(line.size()) > kLineWidth) line.resize(kLineWidth);
        }
        if (lines_.size() > kMaxLines) lines_.resize(kMaxLines);
        if (lines_.empty()) lines_.emplace_back();
        signature_ = HasSignature(session, draft);
    }

    bool run();

  private:
    enum class Menu { kContinue, kSave, kAbort };

    std::string& line() { return lines_[static_cast<std::size_t>(line_)]; }
    int length() const { return static_cast<int>(lines_[static_cast<std::size_t>(line_)].size()); }
    int count() const { return static_cast<int>(lines_.size()); }
    bool room() const { return lines_.size() < kMaxLines; }
    int row_of(int index) const { return first_row_ + index - top_; }

    void draw_screen();
    void draw_header();
    void draw_status();
    void draw_rows(int from_index);
    void draw_line_from(int index, int column);
    void place_cursor();
    void follow_cursor();
    void move_to(int index, int column);

    void type(char c);
    void wrap();
    void split(bool move_down);
    void backspace();
    void delete_under_cursor();
    void tab();
    void cut_line();
    void paste_line();
    void delete_line();
    void word_left();
    void word_right();
    void extended(std::uint8_t code);
    void quote();
    Menu menu();
    void bottom_prompt(const std::string& text);
    void text_full();

    Session& s_;
    Writer& out_;
    MessageDraft& d_;
    std::vector<std::string>& lines_;
    int line_ = 0;    // index of the cursor's line
    int column_ = 0;  // characters before the cursor
    int top_ = 0;     // index of the first line shown
    int first_row_ = 6;
    int rows_ = kLastTextRow - 6 + 1;
    TextColour text_colour_;
    bool insert_ = true;
    bool signature_ = false;
    bool notice_ = false;  // the bottom row tells the text is full until the next key
    std::string cut_;
};

bool ScreenEditor::run() {
    draw_screen();
    for (bool saving = false; !saving;) {
        place_cursor();
        const std::uint8_t k = s_.keys.read_key();
        if (s_.time.ended) return false;
        if (notice_) {
            notice_ = false;
            draw_line_from(top_ + rows_ - 1, 0);
        }
        if (s_.keys.extended_key() != 0) {
            extended(s_.keys.extended_key());
        } else if (k == kEscape || (k == '/' && column_ == 0)) {
            const Menu m = menu();
            if (m == Menu::kAbort) return false;
            saving = m == Menu::kSave;
        } else {
            switch (k) {
                case kEnter:
                    split(true);
                    break;
                case kCtrlB:
                    split(false);
                    break;
                case kBackspace:
                    backspace();
                    break;
                case kCtrlD:
                    delete_under_cursor();
                    break;
                case kTab:
                    tab();
                    break;
                case kCtrlK:
                    cut_line();
                    break;
                case kCtrlU:
                    paste_line();
                    break;
                case kCtrlY:
                    delete_line();
                    break;
                case kCtrlV:
                    insert_ = !insert_;
                    break;
                case kCtrlL:
                    draw_screen();
                    break;
                case kCtrlX:
                    bottom_prompt(GetSystemString(s_, SystemText::kSavingMessage));
                    saving = true;
                    break;
                default:
                    if (k >= 32 && k != 127) type(static_cast<char>(k));
                    break;
            }
        }
        draw_status();
    }
    TrimEnd(lines_);
    d_.sig_start = signature_ ? AppendSignature(s_, lines_) : 0;
    return true;
}

void ScreenEditor::draw_screen() {
    out_.clear_screen();
    if (out_.show_display_file("fseditor", 9) && GoToSlot(s_, kSlotText)) {
        first_row_ = std::min(out_.cursor_row(), kLastTextRow);
        text_colour_ = out_.colour();
    } else {
        // Without the screen: a plain header of four rows.
        out_.go_to(1, 1);
        out_.print_coded_line("|15To: |07" + KeepOnlyColourCodes(d_.to));
        out_.print_coded_line("|15From: |07" + KeepOnlyColourCodes(d_.from));
        out_.print_coded_line("|15Subject: |07" + KeepOnlyColourCodes(d_.subject));
        out_.print_coded_line("|08" + std::string(79, '-'));
        first_row_ = 5;
        text_colour_ = TextColour{};
    }
    rows_ = kLastTextRow - first_row_ + 1;
    draw_header();
    draw_status();
    draw_rows(top_);
}

void ScreenEditor::draw_header() {
    const DateTime now = s_.clock.now();
    const auto value = [&](int slot, const std::string& text, std::size_t width) {
        if (!GoToSlot(s_, slot)) return;
        out_.print_text(std::string(width, ' '));
        GoToSlot(s_, slot);
        out_.print_coded(CutVisible(KeepOnlyColourCodes(text), width));
    };
    value(kSlotTo, d_.to, 36);
    value(kSlotFrom, d_.from, 36);
    value(kSlotSubject, d_.subject, 40);
    value(kSlotDate, MessageDate(PackDosDateTime(now)), 10);
    value(kSlotTime, LogTime(now), 7);
    value(kSlotArea, d_.area, 18);
    value(kSlotTimeLeft, std::to_string(std::max(0L, s_.keys.time_left("M"))), 5);
    value(kSlotAnonymous, d_.anonymous ? "Yes" : "No", 3);
}

void ScreenEditor::draw_status() {
    const auto value = [&](int slot, const std::string& text, std::size_t width) {
        if (!GoToSlot(s_, slot)) return;
        std::string shown = text;
        shown.resize(width, ' ');
        out_.print_text(shown);
    };
    value(kSlotInsert, insert_ ? "On" : "Off", 3);
    value(kSlotLine, std::to_string(line_ + 1), 3);
    value(kSlotColumn, std::to_string(column_ + 1), 2);
    value(kSlotLinesLeft, std::to_string(kMaxLines - lines_.size()), 3);
    value(kSlotSignature, HasSignature(s_, d_) ? (signature_ ? "On" : "Off") : "--", 3);
}

// Rows from line `from_index` down to the bottom of the text area.
void ScreenEditor::draw_rows(int from_index) {
    for (int index = std::max(from_index, top_); index < top_ + rows_; ++index) {
        draw_line_from(index, 0);
    }
}

void ScreenEditor::draw_line_from(int index, int column) {
    if (index < top_ || index >= top_ + rows_) return;
    out_.go_to(column + 1, row_of(index));
    out_.set_colour(text_colour_);
    if (index < count()) {
        const std::string& text = lines_[static_cast<std::size_t>(index)];
        if (column < static_cast<int>(text.size())) {
            out_.print_text(text.substr(static_cast<std::size_t>(column)));
        }
    }
    if (out_.cursor_row() == row_of(index)) out_.clear_to_eol();
}

void ScreenEditor::place_cursor() {
    out_.go_to(column_ + 1, row_of(line_));
    out_.set_colour(text_colour_);
}

// Scrolls the view by half a screen when the cursor has left it.
void ScreenEditor::follow_cursor() {
    if (line_ >= top_ && line_ < top_ + rows_) return;
    const int half = std::max(1, rows_ / 2);
    top_ = line_ < top_ ? std::max(0, line_ - half) : std::max(0, line_ - rows_ + half);
    draw_rows(top_);
}

void ScreenEditor::move_to(int index, int column) {
    line_ = std::clamp(index, 0, count() - 1);
    column_ = std::clamp(column, 0, length());
    follow_cursor();
}

void ScreenEditor::type(char c) {
    std::string& text = line();
    if (insert_ || column_ >= length()) {
        if (length() >= kLineWidth && !room()) {
            text_full();
            return;
        }
        text.insert(static_cast<std::size_t>(column_), 1, c);
    } else {
        text[static_cast<std::size_t>(column_)] = c;
    }
    ++column_;
    if (length() > kLineWidth) {
        wrap();
    } else {
        draw_line_from(line_, column_ - 1);
    }
}

// The line has grown past its width: its last word (or its last character, when it is one long
// word) goes to a new line below it, and the cursor follows the text it stood in.
void ScreenEditor::wrap() {
    std::string& text = line();
    const std::size_t space = text.rfind(' ', static_cast<std::size_t>(kLineWidth));
    const bool one_word = space == std::string::npos || space == 0;
    const std::size_t cut = one_word ? kLineWidth : space + 1;
    const std::string tail = text.substr(cut);
    text.erase(one_word ? cut : space);
    const bool cursor_moves = column_ > static_cast<int>(text.size());
    const int tail_column = column_ - static_cast<int>(cut);
    lines_.insert(lines_.begin() + line_ + 1, tail);
    draw_rows(line_);
    if (cursor_moves) move_to(line_ + 1, std::max(0, tail_column));
}

void ScreenEditor::split(bool move_down) {
    if (!room()) {
        // Only overwrite mode moves on without a new line.
        const bool moves_on = move_down && line_ + 1 < count();
        if (moves_on) move_to(line_ + 1, 0);
        if (!moves_on || insert_) text_full();
        return;
    }
    if (move_down && !insert_) {
        if (line_ + 1 == count()) lines_.emplace_back();
        draw_rows(line_ + 1);
        move_to(line_ + 1, 0);
        return;
    }
    std::string rest = line().substr(static_cast<std::size_t>(column_));
    line().erase(static_cast<std::size_t>(column_));
    lines_.insert(lines_.begin() + line_ + 1, rest);
    draw_rows(line_);
    if (move_down) move_to(line_ + 1, 0);
}

void ScreenEditor::backspace() {
    if (column_ > 0) {
        line().erase(static_cast<std::size_t>(--column_), 1);
        draw_line_from(line_, column_);
        return;
    }
    if (line_ == 0) return;
    const std::string text = line();
    std::string& above = lines_[static_cast<std::size_t>(line_ - 1)];
    const int joint = static_cast<int>(above.size());
    if (joint + static_cast<int>(text.size()) > kLineWidth) {
        move_to(line_ - 1, joint);
        return;
    }
    above += text;
    lines_.erase(lines_.begin() + line_);
    move_to(line_ - 1, joint);
    draw_rows(line_);
}

void ScreenEditor::delete_under_cursor() {
    if (column_ < length()) {
        line().erase(static_cast<std::size_t>(column_), 1);
        draw_line_from(line_, column_);
        return;
    }
    if (line_ + 1 >= count()) return;
    const std::string below = lines_[static_cast<std::size_t>(line_ + 1)];
    if (length() + static_cast<int>(below.size()) > kLineWidth) return;
    line() += below;
    lines_.erase(lines_.begin() + line_ + 1);
    draw_rows(line_);
}

void ScreenEditor::tab() {
    const int stop = std::min(kLineWidth, (column_ / kTabStop + 1) * kTabStop);
    if (!insert_) {
        if (stop > length()) line().resize(static_cast<std::size_t>(stop), ' ');
        column_ = stop;
        return;
    }
    while (column_ < stop && length() < kLineWidth) type(' ');
}

void ScreenEditor::cut_line() {
    cut_ = line();
    delete_line();
}

void ScreenEditor::paste_line() {
    if (!room()) {
        text_full();
        return;
    }
    lines_.insert(lines_.begin() + line_, cut_);
    column_ = 0;
    draw_rows(line_);
}

void ScreenEditor::delete_line() {
    if (count() == 1) {
        line().clear();
    } else {
        lines_.erase(lines_.begin() + line_);
    }
    move_to(line_, 0);
    draw_rows(line_);
}

void ScreenEditor::word_left() {
    if (column_ == 0) {
        if (line_ > 0) move_to(line_ - 1, static_cast<int>(lines_[line_ - 1].size()));
        return;
    }
    const std::string& text = line();
    int c = column_;
    while (c > 0 && text[static_cast<std::size_t>(c - 1)] == ' ') --c;
    while (c > 0 && text[static_cast<std::size_t>(c - 1)] != ' ') --c;
    column_ = c;
}

void ScreenEditor::word_right() {
    if (column_ >= length()) {
        if (line_ + 1 < count()) move_to(line_ + 1, 0);
        return;
    }
    const std::string& text = line();
    int c = column_;
    while (c < length() && text[static_cast<std::size_t>(c)] != ' ') ++c;
    while (c < length() && text[static_cast<std::size_t>(c)] == ' ') ++c;
    column_ = c;
}

// The cursor keys and the other extended keys.
void ScreenEditor::extended(std::uint8_t code) {
    switch (code) {
        case key::kUp:
            move_to(line_ - 1, column_);
            break;
        case key::kDown:
            move_to(line_ + 1, column_);
            break;
        case key::kLeft:
            if (column_ > 0) {
                --column_;
            } else if (line_ > 0) {
                move_to(line_ - 1, static_cast<int>(lines_[line_ - 1].size()));
            }
            break;
        case key::kRight:
            if (column_ < length()) {
                ++column_;
            } else if (line_ + 1 < count()) {
                move_to(line_ + 1, 0);
            }
            break;
        case key::kHome:
            column_ = 0;
            break;
        case key::kEnd:
            column_ = length();
            break;
        case key::kPageUp:
            move_to(line_ - rows_, column_);
            break;
        case key::kPageDown:
            move_to(line_ + rows_, column_);
            break;
        case key::kCtrlLeft:
            word_left();
            break;
        case key::kCtrlRight:
            word_right();
            break;
        case key::kDelete:
            delete_under_cursor();
            break;
        case key::kInsert:
            insert_ = !insert_;
            break;
        default:
            break;
    }
}

// A prompt on the last row of the text area, which is drawn again afterwards.
void ScreenEditor::bottom_prompt(const std::string& text) {
    out_.go_to(1, kLastTextRow);
    out_.set_attribute(7, 0, false);
    out_.clear_to_eol();
    out_.display_line(text);
}

// No line can be added: the caller is told on the bottom row, which his next key gives back.
void ScreenEditor::text_full() {
    bottom_prompt("|12The text is full.");
    notice_ = true;
}

// Lines of the message replied to, put in above the cursor's line.
void ScreenEditor::quote() {
    if (d_.quote.empty()) return;
    // The message is listed in the text area, a screen at a time, before the range is asked.
    out_.go_to(1, first_row_);
    out_.set_attribute(7, 0, false);
    int row = first_row_;
    for (std::size_t i = 0; i < d_.quote.size() && !s_.time.ended; ++i) {
        if (row == kLastTextRow) {
            out_.go_to(1, kLastTextRow);
            s_.keys.pause_key();
            row = first_row_;
        }
        out_.go_to(1, row);
        out_.clear_to_eol();
        out_.print_text(KeepOnlyColourCodes(
            CutVisible(std::to_string(i + 1) + ": " + WithoutColours(d_.quote[i]), kLineWidth)));
        ++row;
    }
    for (; row < kLastTextRow; ++row) {
        out_.go_to(1, row);
        out_.clear_to_eol();
    }
    std::size_t first = 0, last = 0;
    if (AskQuoteRange(
            s_, d_.quote.size(), [this] { bottom_prompt(""); }, "/NR", first, last)) {
        int at = line_;
        for (std::size_t i = first; i <= last && room(); ++i) {
            lines_.insert(lines_.begin() + at++, QuotedLine(d_.quote[i - 1], d_.quote_initials));
        }
        move_to(at, 0);
    }
    draw_screen();
}

ScreenEditor::Menu ScreenEditor::menu() {
    for (;;) {
        bottom_prompt(GetSystemString(s_, SystemText::kCommandPrompt));
        const std::uint8_t k = s_.keys.read_key();
        if (s_.time.ended) return Menu::kAbort;
        const bool plain = s_.keys.extended_key() == 0;
        const char c = static_cast<char>(std::toupper(k));
        if (!plain) continue;
        switch (c) {
            case kEnter:
            case kEscape:
            case 'I':
            case 'N':
                draw_rows(top_);
                return Menu::kContinue;
            case '?':
                out_.clear_screen();
                out_.show_display_file("fshelp", 28);
                draw_screen();
                return Menu::kContinue;
            case 'A':
                bottom_prompt(GetSystemString(s_, SystemText::kAbortMessage));
                if (s_.keys.ask_yes_no(false)) return Menu::kAbort;
                draw_rows(top_);
                return Menu::kContinue;
            case 'S':
                bottom_prompt(GetSystemString(s_, SystemText::kSavingMessage));
                return Menu::kSave;
            case 'T': {
                bottom_prompt(GetSystemString(s_, SystemText::kNewMessageTitle) + " ");
                const std::string subject =
                    s_.keys.input_line(d_.subject, 0, CharacterRange(32, 254), "/NR", 40);
                d_.subject = subject.empty() ? "None" : subject;
                draw_screen();
                return Menu::kContinue;
            }
            case 'U':
                if (HasSignature(s_, d_)) signature_ = !signature_;
                draw_rows(top_);
                return Menu::kContinue;
            case 'Q':
                quote();
                return Menu::kContinue;
            case 'R':
                bottom_prompt(GetSystemString(s_, SystemText::kUntitled));
                if (s_.keys.ask_yes_no(false)) {
                    lines_.assign(1, std::string());
                    line_ = column_ = top_ = 0;
                }
                draw_rows(top_);
                return Menu::kContinue;
            default:
                break;
        }
    }
}

// "  7: "
std::string LineNumber(std::size_t n) {
    std::string text = std::to_string(n);
    return std::string(text.size() < 3 ? 3 - text.size() : 0, ' ') + text + ": ";
}

// The line editor's text after its numbered prompt reaches column 79 and no further.
constexpr int kLineEditorWidth = kLineWidth - 5;

// `typed` ran one character past the line: the line keeps what stands before its last word,
// and the word (with the character) goes on to the next one, whose text it returns. A line that
// is one long word is cut at the end. The word is taken off the screen.
std::string CarryLastWord(Session& session, std::string& typed) {
    const std::size_t space = typed.rfind(' ');
    const bool one_word = space == std::string::npos || space == 0;
    const std::size_t keep = one_word ? kLineEditorWidth : space;
    std::string carried = typed.substr(one_word ? keep : keep + 1);
    session.writer.erase_back(kLineEditorWidth - static_cast<int>(keep));
    typed.resize(keep);
    return carried;
}

// The line editor: one line at a time with a numbered prompt; commands start with "/" at the
// start of a line.
bool LineByLine(Session& session, MessageDraft& draft) {
    Writer& out = session.writer;
    std::vector<std::string>& lines = draft.lines;
    out.new_lines(1);
    out.print_coded_line("|07Up to " + std::to_string(kMaxLines) +
                         " lines: |15/S|07 saves, |15/A|07 abandons, |15/L|07 lists, |15/Q|07 "
                         "quotes, |15/?|07 helps.");
    out.print_coded_line("|08An empty line also saves.");
    std::string carried;
    for (;;) {
        if (session.time.ended) return false;
        if (lines.size() >= kMaxLines) {
            out.print_coded_line("|12The text is full.");
            break;
        }
        out.print_coded("|08" + LineNumber(lines.size() + 1) + "|07");
        std::string text = session.keys.input_line(carried, 0, CharacterRange(32, 254), "/NC/NR/WW",
                                                   kLineEditorWidth);
        carried.clear();
        if (session.time.ended) return false;
        if (static_cast<int>(text.size()) > kLineEditorWidth) {
            if (lines.size() + 1 < kMaxLines) {
                carried = CarryLastWord(session, text);
            } else {
                text.resize(kLineEditorWidth);  // the last line: nowhere to carry the word
            }
        }
        out.new_lines(1);
        std::string command = text.size() == 2 && text[0] == '/' ? text : "";
        for (char& c : command) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (command.empty() && text.find_first_not_of(' ') == std::string::npos) break;
        if (command == "/S") break;
        if (command == "/A") {
            out.display_line(GetSystemString(session, SystemText::kAbortMessage));
            if (session.keys.ask_yes_no(false)) return false;
        } else if (command == "/L") {
            out.page_counter = 1;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                out.print_coded_line("|08" + LineNumber(i + 1) + "|07" +
                                     KeepOnlyColourCodes(lines[i]));
                out.page_lines(1);
            }
            out.page_counter = 0;
        } else if (command == "/Q") {
            std::size_t first = 0, last = 0;
            if (!draft.quote.empty() && AskQuoteRange(
                                            session, draft.quote.size(), [] {}, "", first, last)) {
                for (std::size_t i = first; i <= last && lines.size() < kMaxLines; ++i) {
                    lines.push_back(QuotedLine(draft.quote[i - 1], draft.quote_initials));
                    out.print_coded_line("|08" + KeepOnlyColourCodes(lines.back()));
                }
            }
        } else if (command == "/?") {
            out.print_coded_line(
                "|15/S|07 save  |15/A|07 abandon  |15/L|07 list the text  |15/Q|07 quote the "
                "message replied to");
        } else {
            lines.push_back(text);
        }
    }
    out.display_line_end(GetSystemString(session, SystemText::kSavingMessage));
    TrimEnd(lines);
    draft.sig_start = HasSignature(session, draft) ? AppendSignature(session, lines) : 0;
    return true;
}

}  // namespace

std::string QuotedLine(std::string_view line, std::string_view initials) {
    std::string quoted = WithoutColours(line);
    if (quoted.substr(0, 3).find('>') == std::string::npos) {
        quoted = std::string(initials) + "> " + quoted;
    }
    if (quoted.size() > static_cast<std::size_t>(kLineWidth)) quoted.resize(kLineWidth);
    return quoted;
}

std::uint16_t AppendSignature(Session& session, std::vector<std::string>& lines) {
    const UserRecord& user = session.users.current;
    const int n = user.sig_lines;
    if (n < 1 || n > kMaxSignatureLines || lines.size() > kMaxLines - 1 - kMaxSignatureLines) {
        return 0;
    }
    const auto before = static_cast<std::uint16_t>(lines.size());
    lines.emplace_back();
    for (int i = 0; i < n; ++i) lines.push_back(user.signature[i].str());
    return before;
}

bool EditMessageText(Session& session, MessageDraft& draft) {
    if (session.users.current.line_editor) return LineByLine(session, draft);
    ScreenEditor editor(session, draft);
    bool saved = false;
    {
        const NodeLinesWait lines_wait(session);
        saved = editor.run();
    }
    session.writer.set_attribute(7, 0, false);
    session.writer.clear_screen();
    return saved;
}

}  // namespace vorn
