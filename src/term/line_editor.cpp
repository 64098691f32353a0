// The field is a window onto the text: it scrolls sideways when the cursor leaves it, and every
// redraw sends only the cells that differ from what the window shows, so typing at the end of a
// line echoes one character and an insert redraws the rest of the line.
#include "term/line_editor.hpp"

#include <algorithm>
#include <cctype>

#include "common/text_case.hpp"
#include "core/session.hpp"

namespace vorn {

namespace {

constexpr std::uint8_t kBackspace = 8;
constexpr std::uint8_t kTab = 9;
constexpr std::uint8_t kEnter = 13;
constexpr std::uint8_t kCtrlY = 25;
constexpr std::uint8_t kCtrlZ = 26;
constexpr std::uint8_t kEscape = 27;
constexpr char kPasswordEcho = static_cast<char>(250);
constexpr int kMaxText = 255;

bool IsWordCharacter(std::uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '"' ||
           c == '\'';
}

bool IsVowel(std::uint8_t c) {
    const std::uint8_t u = Upper(c);
    return u == 'A' || u == 'E' || u == 'I' || u == 'O' || u == 'U';
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

class LineEditor {
  public:
    LineEditor(Session& session, int case_mode, const CharacterSet& allowed,
               std::string_view options, int max_length, int width);
    std::string run(std::string_view default_text);

  private:
    std::string finish(const std::string& text);
    void type(std::uint8_t c);
    bool edit(std::uint8_t code);
    void erase_before_cursor();
    void scroll();
    void redraw();
    int length() const { return static_cast<int>(text_.size()); }

    Session& session_;
    Writer& out_;
    LineEditorSwitches sw_;
    int mode_;
    const CharacterSet& allowed_;
    int max_length_;
    int start_column_;
    int width_;
    bool insert_;
    std::string text_;
    int cursor_ = 1;     // position in the text, 1 .. length + 1
    int window_ = 1;     // the first position the field shows
    std::string shown_;  // what the field shows on the screen now
    bool shown_known_ = false;
};

LineEditor::LineEditor(Session& session, int case_mode, const CharacterSet& allowed,
                       std::string_view options, int max_length, int width)
    : session_(session),
      out_(session.writer),
      sw_(ParseLineEditorSwitches(options)),
      mode_(case_mode >= 0 && case_mode <= 7 ? case_mode : 0),
      allowed_(allowed),
      max_length_(std::clamp(max_length, 0, kMaxText)),
      start_column_(std::clamp(session.writer.cursor_column(), 1, 80)),
      insert_(!sw_.no_edit && !sw_.no_insert) {
    // The field never reaches column 80: a character there would wrap the line.
    const int room = 80 - start_column_;
    width_ = width > 0 ? std::min(width, room) : max_length_;
    if (width <= 0 && start_column_ + max_length_ > 79) width_ = room;
}

std::string LineEditor::run(std::string_view default_text) {
    if (sw_.paint) {
        out_.set_foreground(10);
        out_.print_text(
            std::string(static_cast<std::size_t>(std::min(max_length_, 80 - start_column_)), ' '));
        out_.go_to_column(start_column_);
        shown_.assign(static_cast<std::size_t>(width_), ' ');
        shown_known_ = true;
    }
    for (std::size_t i = 0; i < default_text.size(); ++i) {
        const std::uint8_t c =
            ApplyCaseMode(mode_, static_cast<std::uint8_t>(default_text[i]), i == 0,
                          i == 0 ? 0 : static_cast<std::uint8_t>(text_.back()));
        text_ += allowed_[c] ? static_cast<char>(c) : ' ';
    }
    if (length() > max_length_) text_.resize(static_cast<std::size_t>(max_length_));
    const std::string initial = text_;
    cursor_ = length() + 1;
    window_ = std::max(1, length() - width_ + 1);
    redraw();

    KeyReader& keys = session_.keys;
    for (;;) {
        const std::uint8_t k = keys.read_key();
        if (session_.time.ended) return sw_.keep_spaces ? text_ : Trimmed(text_);
        if (keys.extended_key() != 0) {
            if (!sw_.no_edit) edit(keys.extended_key());
            continue;
        }
        switch (k) {
            case kBackspace:
                erase_before_cursor();
                break;
            case kTab:
                for (int i = 0; i < 4; ++i) type(' ');
                break;
            case kEnter: {
                const bool empty = sw_.keep_spaces ? text_.empty() : Trimmed(text_).empty();
                if (sw_.not_empty && empty) break;
                if (sw_.exact_length && length() != max_length_) break;
                return finish(text_);
            }
            case kCtrlY:
                if (sw_.no_edit) break;
                text_.clear();
                cursor_ = window_ = 1;
                redraw();
                break;
            case kCtrlZ:
            case kEscape:
                if (sw_.abort) return finish(initial);
                break;
            default:
                if (k < 32 || k > 254) break;
                if (sw_.wrap && length() >= max_length_ && cursor_ > length()) {
                    return finish(text_ + static_cast<char>(k));
                }
                type(k);
                break;
        }
    }
}

std::string LineEditor::finish(const std::string& text) {
    if (!sw_.no_return) out_.new_lines(1);
    return sw_.keep_spaces ? text : Trimmed(text);
}

void LineEditor::type(std::uint8_t c) {
    if (length() >= max_length_) return;
    if (cursor_ == 1 && c == ' ' && !sw_.space_first) return;
    c = ApplyCaseMode(
        mode_, c, cursor_ == 1,
        cursor_ == 1 ? 0 : static_cast<std::uint8_t>(text_[static_cast<std::size_t>(cursor_ - 2)]));
    if (!allowed_[c]) return;
    const auto at = static_cast<std::size_t>(cursor_ - 1);
    if (insert_ || cursor_ > length())
        text_.insert(at, 1, static_cast<char>(c));
    else
        text_[at] = static_cast<char>(c);
    ++cursor_;
    redraw();
}

void LineEditor::erase_before_cursor() {
    if (cursor_ <= 1) return;
    --cursor_;
    text_.erase(static_cast<std::size_t>(cursor_ - 1), 1);
    redraw();
}

// The editing keys; the others are ignored.
bool LineEditor::edit(std::uint8_t code) {
    switch (code) {
        case key::kHome:
            cursor_ = 1;
            break;
        case key::kEnd:
            cursor_ = length() + 1;
            break;
        case key::kLeft:
            if (cursor_ > 1) --cursor_;
            break;
        case key::kRight:
            if (cursor_ <= length()) ++cursor_;
            break;
        case key::kDelete:
            if (cursor_ <= length()) text_.erase(static_cast<std::size_t>(cursor_ - 1), 1);
            break;
        case key::kCtrlEnd:
            text_.resize(static_cast<std::size_t>(cursor_ - 1));
            break;
        case key::kInsert:
            if (!sw_.no_insert) insert_ = !insert_;
            return true;
        default:
            return false;
    }
    redraw();
    return true;
}

void LineEditor::scroll() {
    const int step = width_ < 6 ? 1 : 5;
    while (cursor_ < window_) window_ -= step;
    while (cursor_ > window_ + width_) window_ += step;
    window_ = std::clamp(window_, 1, cursor_);
}

void LineEditor::redraw() {
    scroll();
    std::string wanted(static_cast<std::size_t>(width_), ' ');
    for (int i = 0; i < width_; ++i) {
        const int position = window_ + i;
        if (position > length()) break;
        wanted[static_cast<std::size_t>(i)] =
            sw_.password ? kPasswordEcho : text_[static_cast<std::size_t>(position - 1)];
    }
    std::size_t first = 0;
    std::size_t last = wanted.size();
    if (shown_known_) {
        while (first < wanted.size() && wanted[first] == shown_[first]) ++first;
        while (last > first && wanted[last - 1] == shown_[last - 1]) --last;
    }
    if (first < last) {
        out_.go_to_column(start_column_ + static_cast<int>(first));
        out_.print_text(std::string_view(wanted).substr(first, last - first));
    }
    shown_ = wanted;
    shown_known_ = true;
    out_.go_to_column(start_column_ + cursor_ - window_);
}

}  // namespace

CharacterSet CharacterRange(std::uint8_t first, std::uint8_t last) {
    CharacterSet set;
    for (int c = first; c <= last; ++c) set.set(static_cast<std::size_t>(c));
    return set;
}

CharacterSet CharactersOf(std::string_view characters) {
    CharacterSet set;
    for (const char c : characters) set.set(static_cast<std::uint8_t>(c));
    return set;
}

LineEditorSwitches ParseLineEditorSwitches(std::string_view options) {
    std::string upper(options);
    for (char& c : upper) c = Upper(c);
    const auto has = [&upper](const char* s) { return upper.find(s) != std::string::npos; };
    LineEditorSwitches sw;
    sw.abort = has("/AA");
    sw.no_insert = has("/NI");
    sw.password = has("/PW");
    sw.no_return = has("/NR");
    sw.no_edit = has("/NE");
    sw.not_empty = has("/MN");
    sw.space_first = has("/SP");
    sw.exact_length = has("/RQ");
    sw.keep_spaces = has("/NC");
    sw.paint = has("/BG");
    sw.wrap = has("/WW");
    return sw;
}

std::uint8_t ApplyCaseMode(int mode, std::uint8_t c, bool at_start, std::uint8_t previous) {
    const bool word_start = at_start || !IsWordCharacter(previous);
    switch (mode) {
        case 1:
            return word_start ? Upper(c) : c;
        case 2:
            return Upper(c);
        case 3:
            return Lower(c);
        case 4:
            return word_start ? Upper(c) : Lower(c);
        case 5:
            return IsVowel(c) ? Lower(c) : Upper(c);
        case 6:
            return IsVowel(c) ? Upper(c) : Lower(c);
        case 7:
            return Upper(c) == 'I' ? 'i' : Upper(c);
        default:
            return c;
    }
}

std::string InputLine(Session& session, std::string_view default_text, int case_mode,
                      const CharacterSet& allowed, std::string_view options, int max_length,
                      int width) {
    LineEditor editor(session, case_mode, allowed, options, max_length, width);
    return editor.run(default_text);
}

std::string InputDate(Session& session, std::string_view default_text) {
    Writer& out = session.writer;
    KeyReader& keys = session.keys;
    std::string value = "  /  /  ";
    std::size_t typed = 0;
    if (default_text.empty()) {
        const int start = out.cursor_column();
        out.print_text(value);
        out.go_to_column(start);
    } else {
        const std::string_view shown = default_text.substr(0, value.size());
        out.print_text(shown);
        value.replace(0, shown.size(), shown);
        typed = shown.size();
    }
    const auto is_slash_position = [](std::size_t p) { return p == 2 || p == 5; };
    for (;;) {
        const std::uint8_t k = keys.read_key();
        if (session.time.ended) return value;
        if (keys.extended_key() != 0) continue;
        if (k == kEnter) break;
        if (k == kBackspace && typed > 0) {
            if (value[typed - 1] == '/') {
                out.cursor_left(1);
                --typed;
            }
            if (typed > 0) {
                out.erase_back(1);
                value[--typed] = ' ';
            }
        } else if (k >= '0' && k <= '9' && typed < value.size()) {
            std::string echo;
            if (is_slash_position(typed)) {
                echo += '/';
                value[typed++] = '/';
            }
            echo += static_cast<char>(k);
            value[typed++] = static_cast<char>(k);
            if (is_slash_position(typed)) {
                echo += '/';
                value[typed++] = '/';
            }
            out.print_text(echo);
        }
    }
    out.new_lines(1);
    return value;
}

}  // namespace vorn
