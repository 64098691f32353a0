// Display files: finding them, and streaming them through the code interpreter and the terminal
// emulation. Files are read in 1024-byte blocks; forms run the same interpreter from memory.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <string>

#include "common/directories.hpp"
#include "common/file_calls.hpp"
#include "common/record_file.hpp"
#include "common/text_case.hpp"
#include "core/session.hpp"
#include "term/template_slots.hpp"
#include "term/text_codes.hpp"
#include "term/writer.hpp"

namespace vorn {

namespace {

constexpr std::size_t kBlockSize = 1024;
// A parameter is at most 255 characters, so this much look-ahead always decides it.
constexpr std::size_t kLookAhead = 260;

bool IsHex(int c) {
    return std::isxdigit(c) != 0;
}
int HexValue(int c) {
    return IsDigit(c) ? c - '0' : Upper(static_cast<char>(c)) - 'A' + 10;
}

bool IsCodeStart(int c) {
    switch (c) {
        case '%':
        case '&':
        case '@':
        case '^':
        case '{':
        case '|':
        case '}':
        case '~':
            return true;
        default:
            return false;
    }
}

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// "\" as a directory separator like "/", and lower case unless `lower` is false.
std::string NormalName(std::string_view name, bool lower = true) {
    std::string n(name);
    for (char& c : n) {
        if (c == '\\') {
            c = '/';
        } else if (lower) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return n;
}

// Display files are looked up by their lower-cased name. Files written under a name with
// capitals (a player's news, a sysop's help topic or item text) are found as named when no
// lower-cased file exists.
template <typename Lookup>
std::string LoweredThenAsNamed(std::string_view name, const Lookup& lookup) {
    const std::string lowered = NormalName(name);
    std::string path = lookup(lowered);
    if (path.empty()) {
        const std::string as_named = NormalName(name, false);
        if (as_named != lowered) path = lookup(as_named);
    }
    return path;
}

// The bytes of a display file or form with a little look-ahead, refilled block by block.
class DisplaySource {
  public:
    explicit DisplaySource(int fd) : fd_(fd) {}
    explicit DisplaySource(std::string_view text) : data_(text), ended_(true) {}

    // Byte k after the current one, or -1 past the end.
    int peek(std::size_t k) {
        if (pos_ + k >= data_.size()) fill(k + 1);
        return pos_ + k < data_.size() ? static_cast<std::uint8_t>(data_[pos_ + k]) : -1;
    }
    void skip(std::size_t n) { pos_ = std::min(pos_ + n, data_.size()); }
    std::string_view ahead(std::size_t n) {
        fill(n);
        return std::string_view(data_).substr(pos_, n);
    }

  private:
    void fill(std::size_t wanted) {
        if (ended_ || fd_ < 0) return;
        if (pos_ > 0 && pos_ >= data_.size() / 2) {
            data_.erase(0, pos_);
            pos_ = 0;
        }
        while (!ended_ && data_.size() - pos_ < wanted) {
            char block[kBlockSize];
            const ssize_t n = sys::Read(fd_, block, sizeof block);
            if (n <= 0) {
                ended_ = true;
                break;
            }
            data_.append(block, static_cast<std::size_t>(n));
        }
    }

    int fd_ = -1;
    std::string data_;
    std::size_t pos_ = 0;
    bool ended_ = false;
};

}  // namespace

// Runs the codes of files and forms over a source and hands every other byte to the emulation.
class DisplayInterpreter {
  public:
    DisplayInterpreter(Writer& writer, DisplaySource& source, int mode, bool form, bool rip)
        : w_(writer), s_(writer.session_), src_(source), mode_(mode), form_(form), rip_(rip) {}

    void run() {
        Writer::StarSlot star;
        const bool codes = mode_ != 25;
        for (int c = src_.peek(0); c >= 0 && !s_.time.ended; c = src_.peek(0)) {
            if (codes && IsCodeStart(c) && code(c, star)) continue;
            src_.skip(1);
            if (c == 26 && src_.peek(0) < 0) break;  // the end-of-file mark is not shown
            w_.emulation_.feed(w_, static_cast<std::uint8_t>(c));
            w_.maybe_flush();
        }
        w_.restore_star(star);
    }

  private:
    // A parameter right after a code becomes the pending one and is skipped.
    void take_parameter() {
        if (src_.peek(0) != '(') return;
        std::string param;
        const std::size_t n = ParameterAt(src_.ahead(kLookAhead), 0, param);
        if (n == 0) return;
        src_.skip(n);
        s_.codes.pending_param = std::move(param);
    }

    void print_value() {
        TextCodeState& c = s_.codes;
        std::string value = c.code_value;
        if (!c.pending_param.empty()) value = FormatValue(value, c.pending_param);
        value = ShapeToWidth(value, c.pending_width, c.pending_pad);
        c.pending_param.clear();
        w_.print_coded(value);
    }

    // True when the bytes at a code start form a code, which is then carried out.
    bool code(int c, Writer::StarSlot& star) {
        if (c == '|' && rip_) return false;
        const int c1 = src_.peek(1);
        const int c2 = src_.peek(2);
        if (c1 < 0 || c2 < 0 || !IsCodeCharacter(static_cast<char>(c1)) ||
            !IsCodeCharacter(static_cast<char>(c2))) {
            return false;
        }
        const char a = Upper(static_cast<char>(c1));
        const char b = Upper(static_cast<char>(c2));
        const bool digits = IsDigit(static_cast<char>(c1)) && IsDigit(static_cast<char>(c2));
        const int number = digits ? (c1 - '0') * 10 + (c2 - '0') : 0;
        switch (c) {
            case '%': {
                const char text[3] = {'%', a, b};
                if (!ExpandValueCode(s_, std::string_view(text, 3))) {
                    // Unknown: the "%" is shown and the two characters follow as text.
                    src_.skip(1);
                    w_.emulation_.feed(w_, '%');
                    return true;
                }
                src_.skip(3);
                take_parameter();
                print_value();
                return true;
            }
            case '&':
                if (digits) w_.go_to_row(number);
                break;
            case '@':
                if (a == 'X' && IsHex(c2) && IsHex(src_.peek(3))) {
                    const int background = HexValue(c2);
                    w_.set_colours(HexValue(src_.peek(3)), background > 7 ? 0 : background);
                    src_.skip(4);
                    return true;
                }
                if (digits) w_.go_to_column(number);
                break;
            case '^':
                if (digits && !form_) MarkMarker(s_, number);
                break;
            case '{':
            case '}':
                if (digits) {
                    s_.codes.pending_width = number;
                    s_.codes.pending_pad = c == '}';
                }
                break;
            case '|':
                if (a == '*' && b == '*') {
                    star = Writer::StarSlot{true, w_.cursor_, w_.colour_};
                } else {
                    w_.extended_code(a, b);
                }
                break;
            case '~':
                if (form_) {
                    const int n = FormMarkerIndex(mode_, a, b);
                    if (n < 0) {
                        src_.skip(1);
                        w_.emulation_.feed(w_, '~');
                        return true;
                    }
                    src_.skip(3);
                    take_parameter();
                    if (n > 0) PrintFormValue(s_, n);
                    return true;
                }
                src_.skip(3);
                take_parameter();
                ApplyFileMarker(s_, mode_, a, b);
                return true;
            default:
                break;
        }
        src_.skip(3);
        return true;
    }

    Writer& w_;
    Session& s_;
    DisplaySource& src_;
    int mode_;
    bool form_;
    bool rip_;
};

namespace {

// title.ans beside title.an1 (and perhaps title.an2 .. title.an9): one of them at random.
std::string PickVariant(Session& session, const std::string& path) {
    if (path.empty()) return path;
    std::string variant = path;
    variant.back() = '1';
    if (variant == path || !IsFile(variant)) return path;
    // Draw until an existing file comes up; the file itself (draw 0) always exists, and a
    // bounded number of draws keeps a stuck random source from hanging the caller.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::uint32_t r = session.rng.random(10);
        if (r == 0) return path;
        variant.back() = static_cast<char>('0' + r);
        if (IsFile(variant)) return variant;
    }
    return path;
}

// The lookup of one spelling of the name (directory separators already made "/").
std::string FindNamed(Session& session, const std::string& name) {
    if (name.empty()) return {};
    std::string path = name;
    const bool bare = path.find('/') == std::string::npos;
    if (bare) path = session.system.text_path + path;
    const std::size_t slash = path.rfind('/');
    const bool has_extension =
        path.find('.', slash == std::string::npos ? 0 : slash + 1) != std::string::npos;
    if (!has_extension) {
        // ".ans" screens live in ./ansi/, where showing them looks too; a bare name finds them
        // there first, so a list's top, mid and bottom files are found where they are shown from.
        const std::string in_ansi = "./ansi/" + name + ".ans";
        if (bare && IsFile(in_ansi)) return PickVariant(session, in_ansi);
        if (IsFile(path + ".ans")) {
            path += ".ans";
        } else if (IsFile(path + ".asc")) {
            path += ".asc";
        } else {
            return {};
        }
    } else if (!IsFile(path)) {
        return {};
    }
    return PickVariant(session, path);
}

}  // namespace

std::string Writer::find_display_file(std::string_view name) {
    return LoweredThenAsNamed(name, [&](const std::string& n) { return FindNamed(session_, n); });
}

std::string Writer::resolve_display_file(std::string_view name) {
    const std::string lowered = NormalName(name);
    if (lowered.find("tempscr") == std::string::npos && EndsWith(lowered, ".ans")) {
        return LoweredThenAsNamed(name, [&](const std::string& n) {
            const std::string path = n.find('/') == std::string::npos ? "./ansi/" + n : n;
            return IsFile(path) ? PickVariant(session_, path) : std::string();
        });
    }
    return find_display_file(name);
}

bool Writer::show_display_file(std::string_view name, int mode, std::string* shown_path) {
    if (shown_path != nullptr) shown_path->clear();
    const std::string lowered = NormalName(name);
    std::string n = lowered;
    if (session_.users.current.alt_screens) {
        if (n == "explore.ans") n = "expalt.ans";
        if (n == "battle.ans") n = "batalt.ans";
    }
    if (session_.line.vornterm && (mode == 25 || mode == 28)) {
        // The caller's terminal program has its own copy of the screen.
        flush();
        buffer_ += "//\\\\" + n + "/" + std::to_string(mode);
        flush_unseen();
        return true;
    }
    const std::string path = resolve_display_file(n == lowered ? name : std::string_view(n));
    if (!show_file_at(path, mode)) return false;
    if (shown_path != nullptr) *shown_path = path;
    return true;
}

bool Writer::show_file_at(const std::string& path, int mode) {
    if (path.empty()) return false;
    const int fd = sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    TextCodeState& codes = session_.codes;
    codes.pending_width = kNoWidth;
    codes.pending_pad = false;
    codes.pending_param.clear();
    emulation_.reset();
    const int first_row = cursor_.row;
    DisplaySource source(fd);
    DisplayInterpreter(*this, source, mode, false, EndsWith(path, ".rip")).run();
    sys::Close(fd);
    last_file_rows_ = std::max(0, cursor_.row - first_row + 1);
    return true;
}

void Writer::show_form_text(std::string_view text, int mode) {
    TextCodeState& codes = session_.codes;
    codes.pending_width = kNoWidth;
    codes.pending_pad = false;
    codes.pending_param.clear();
    emulation_.reset();
    DisplaySource source(text);
    DisplayInterpreter(*this, source, mode, true, false).run();
}

bool Writer::load_display_file(std::string_view name) {
    const std::string path = resolve_display_file(name);
    if (path.empty()) return false;
    std::string text(kFormTextLength, '\0');
    const long n = ReadFilePrefix(path, text.data(), text.size());
    if (n < 0) return false;
    text.resize(static_cast<std::size_t>(n));
    session_.codes.form_text = std::move(text);
    return true;
}

}  // namespace vorn
