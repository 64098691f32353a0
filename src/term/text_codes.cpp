// The value codes and the shaping of values: widths, padding and parameters.
#include "term/text_codes.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "common/player_text.hpp"
#include "core/session.hpp"
#include "core/startup.hpp"

namespace vorn {

namespace {

constexpr std::size_t kMaxValue = 255;

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string TwoDigits(int n) {
    char text[4];
    std::snprintf(text, sizeof text, "%02d", n % 100);
    return text;
}

std::string TerminalType(const Session& s) {
    if (s.vornterm_detected) return "VornTerm";
    return s.ansi_terminal ? "Ansi" : "Ascii";
}

// Reads decimal digits at param[i], advancing i; large numbers stop growing.
int ReadNumber(std::string_view param, std::size_t& i) {
    int n = 0;
    while (i < param.size() && IsDigit(param[i])) {
        n = std::min(n * 10 + (param[i] - '0'), 100000);
        ++i;
    }
    return n;
}

bool IsWordCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '"' || c == '\'';
}

bool IsVowel(char c) {
    switch (Lower(c)) {
        case 'a':
        case 'e':
        case 'i':
        case 'o':
        case 'u':
            return true;
        default:
            return false;
    }
}

void ApplyCase(std::string& v, char mode) {
    switch (mode) {
        case 'U':
        case 'u':
            for (char& c : v) c = Upper(c);
            break;
        case 'l':
        case 'L':
            for (char& c : v) c = Lower(c);
            break;
        case 'C':
        case 'c': {
            bool after_word = false;
            for (char& c : v) {
                const bool word = IsWordCharacter(c);
                c = after_word ? Lower(c) : Upper(c);
                after_word = word;
            }
            break;
        }
        case 'w':
        case 'W':
            for (char& c : v) c = IsVowel(c) ? Lower(c) : Upper(c);
            break;
        case '3':
            for (char& c : v) {
                switch (Lower(c)) {
                    case 'a':
                        c = '4';
                        break;
                    case 'e':
                        c = '3';
                        break;
                    case 'l':
                        c = '1';
                        break;
                    case 'o':
                        c = '0';
                        break;
                    case 't':
                        c = '7';
                        break;
                    default:
                        break;
                }
            }
            break;
        default:
            break;
    }
}

std::string Word(std::string_view v, int n) {
    std::size_t i = 0;
    for (int k = 1;; ++k) {
        while (i < v.size() && v[i] == ' ') ++i;
        if (i >= v.size()) return {};
        const std::size_t end = std::min(v.find(' ', i), v.size());
        if (k == n) return std::string(v.substr(i, end - i));
        i = end;
    }
}

}  // namespace

std::string Initials(std::string_view name) {
    if (name.empty()) return {};
    std::size_t split = name.find(' ');
    if (split == std::string_view::npos) split = name.find('-');
    if (split != std::string_view::npos && split + 1 < name.size()) {
        const char second = name[split + 1];
        if (second != ' ' && second != '-') return {name[0], second};
    }
    return std::string(name.substr(0, 2));
}

bool IsColourCode(std::string_view text, std::size_t i) {
    if (i + 2 >= text.size() || text[i] != '|') return false;
    const char a = Upper(text[i + 1]);
    return (IsDigit(a) || a == 'B' || a == 'U') && IsDigit(text[i + 2]);
}

std::size_t VisibleLength(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsColourCode(text, i)) {
            i += 2;
        } else {
            ++n;
        }
    }
    return n;
}

std::string CutVisible(std::string_view text, std::size_t width) {
    std::size_t seen = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsColourCode(text, i)) {
            i += 3;
            continue;
        }
        if (seen == width) break;
        ++seen;
        ++i;
    }
    return std::string(text.substr(0, i));
}

std::string PadVisible(std::string_view text, std::size_t width) {
    width = std::min(width, kMaxValue);
    std::string v = CutVisible(text, width);
    const std::size_t visible = VisibleLength(v);
    if (visible < width) v.append(width - visible, ' ');
    return v;
}

std::string ShapeToWidth(std::string_view value, int width, bool pad) {
    const auto w = static_cast<std::size_t>(std::clamp(width, 0, 255));
    return pad ? PadVisible(value, w) : CutVisible(value, w);
}

std::string WithThousands(long long n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return n < 0 ? "-" + out : out;
}

std::size_t ParameterAt(std::string_view text, std::size_t i, std::string& param) {
    if (i >= text.size() || text[i] != '(') return 0;
    for (std::size_t j = i + 1; j < text.size() && j - i <= kMaxValue + 1; ++j) {
        if (text[j] == '(') return 0;
        if (text[j] == ')') {
            param.assign(text.substr(i + 1, j - i - 1));
            return j - i + 1;
        }
    }
    return 0;
}

std::string format_value(std::string_view value, std::string_view param) {
    std::string v(value);
    std::size_t i = 0;
    // A command needs at least one character after it, so the last one is never a command.
    while (i + 1 < param.size()) {
        const char command = param[i++];
        switch (command) {
            case 'c':
            case 'C': {
                const bool coloured = v.find('|') != std::string::npos;
                for (std::size_t k = 0; i < param.size() && IsDigit(param[i]); ++k) {
                    const int n = ReadNumber(param, i);
                    if (!coloured) {
                        const std::string code =
                            "|" + (n < 10 ? "0" + std::to_string(n) : std::to_string(n));
                        v.insert(std::min(4 * k, v.size()), code);
                    }
                    if (i < param.size() && param[i] == ',') ++i;
                }
                break;
            }
            case 'f':
            case 'F':
                ApplyCase(v, param[i++]);
                break;
            case 'm':
            case 'M':
                v = PadVisible(v, static_cast<std::size_t>(ReadNumber(param, i)));
                break;
            case 'w':
            case 'W':
                v = Word(v, ReadNumber(param, i));
                break;
            default:
                break;
        }
        if (v.size() > kMaxValue * 2) v.resize(kMaxValue * 2);
    }
    if (v.size() > kMaxValue) v.resize(kMaxValue);
    return v;
}

bool expand_value_code(Session& s, std::string_view code) {
    std::string& v = s.codes.code_value;
    v.clear();
    if (code.size() < 3 || code[0] != '%') return false;
    const char a = Upper(code[1]);
    const char b = Upper(code[2]);
    const UserRecord& u = s.users.current;
    switch (a) {
        case 'A':
            if (b >= '1' && b <= '6') {
                const int n = b - '0';
                if (u.sig_lines >= n) v = u.signature[n - 1].str();
            } else if (b == 'L') {
                v = std::to_string(u.sig_lines);
            }
            break;
        case 'B':
            if (b == 'N') v = s.system.bbs_name;
            break;
        case 'D':
            if (b == 'T') {
                const DateTime t = s.clock.now();
                v = TwoDigits(t.month) + "/" + TwoDigits(t.day) + "/" + std::to_string(t.year);
            }
            break;
        case 'E':
            if (b == 'M') v = "Ansi";
            break;
        case 'I':
            if (b == 'D') v = std::to_string(u.number);
            if (b == 'N') v = "Vornhold";
            if (b == 'V') v = "a20";
            if (b == 'S') v = s.input_string;
            break;
        case 'L':
            if (b == 'A' || b == 'D') v = "n/a";
            if (b == 'C') v = u.last_on.str();
            if (b == 'O') v = u.location.str();
            break;
        case 'M':
            if (b == 'A') v = s.mail.area.area_name.str();
            if (b == 'W') v = std::to_string(u.msg_pointer);
            break;
        case 'N':
            if (b == 'D') v = std::to_string(s.node_number);
            break;
        case 'P':
            if (b == 'A') {
                // A known code with nothing to show: the pause is its whole effect.
                s.keys.pause_key();
                return true;
            }
            if (b == 'L') v = "24";
            break;
        case 'R':
            if (b == 'N') v = u.real_name.str();
            if (b == 'T') v = TerminalType(s);
            break;
        case 'S':
            if (b == 'R') v = s.system.sysop_name;
            break;
        case 'T': {
            if (b == 'I' || b == 'M') {
                const DateTime t = s.clock.now();
                if (b == 'I') {
                    const int hour = t.hour % 12 == 0 ? 12 : t.hour % 12;
                    v = std::to_string(hour) + ":" + TwoDigits(t.minute) +
                        (t.hour < 12 ? "am" : "pm");
                } else {
                    v = TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second);
                }
            }
            if (b == 'L') v = std::to_string(std::max(0L, s.keys.time_left("M")));
            if (b == 'U') v = WithThousands(s.users.user_count);
            break;
        }
        case 'U':
            if (b == 'E') v = WithThousands(u.emails);
            if (b == 'P') v = WithThousands(u.posts);
            if (b == 'I') v = Initials(u.name.view());
            if (b == 'N') v = u.name.str();
            if (b == 'O') v = u.description.str();
            break;
        case 'V':
            if (b == 'L') v = kLongVersion;
            break;
        default:
            break;
    }
    if (v.size() > kMaxValue) v.resize(kMaxValue);
    return !v.empty();
}

std::string expand_text(Session& session, std::string_view text, int max_width) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '%' && i + 2 < text.size() &&
            expand_value_code(session, text.substr(i, 3))) {
            // The text is printed with its codes later; a value (a name, a signature line) is
            // shown as text but for its colours.
            out += KeepOnlyColourCodes(session.codes.code_value);
            i += 3;
        } else {
            out += text[i++];
        }
    }
    if (max_width > 0) out = CutVisible(out, static_cast<std::size_t>(max_width));
    return out;
}

}  // namespace vorn
