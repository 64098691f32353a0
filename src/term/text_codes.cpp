// The value codes and the shaping of values: widths, padding and parameters.
#include "term/text_codes.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "common/player_text.hpp"
#include "common/text_case.hpp"
#include "core/session.hpp"
#include "core/startup.hpp"

namespace vorn {

namespace {

constexpr std::size_t kMaxValue = 255;

std::string TwoDigits(int n) {
    char text[4];
    std::snprintf(text, sizeof text, "%02d", n % 100);
    return text;
}

std::string TerminalType(Session& s) {
    if (s.line.vornterm) return "VornTerm";
    return s.line.ansi ? "Ansi" : "Ascii";
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

std::string FormatValue(std::string_view value, std::string_view param) {
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

namespace {

std::string Date(Session& s) {
    const DateTime t = s.clock.now();
    return TwoDigits(t.month) + "/" + TwoDigits(t.day) + "/" + std::to_string(t.year);
}

std::string TwelveHourTime(Session& s) {
    const DateTime t = s.clock.now();
    const int hour = t.hour % 12 == 0 ? 12 : t.hour % 12;
    return std::to_string(hour) + ":" + TwoDigits(t.minute) + (t.hour < 12 ? "am" : "pm");
}

std::string ClockTime(Session& s) {
    const DateTime t = s.clock.now();
    return TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

template <int kLine>
std::string SignatureLine(Session& s) {
    const UserRecord& u = s.users.current;
    return u.sig_lines >= kLine ? u.signature[kLine - 1].str() : "";
}

struct ValueCode {
    char a;
    char b;
    std::string (*value)(Session& s);
    bool known_when_empty = false;  // a code whose effect is all it does
};

// The value codes, one row per code (the letters after %).
const ValueCode kValueCodes[] = {
    {'A', '1', SignatureLine<1>},
    {'A', '2', SignatureLine<2>},
    {'A', '3', SignatureLine<3>},
    {'A', '4', SignatureLine<4>},
    {'A', '5', SignatureLine<5>},
    {'A', '6', SignatureLine<6>},
    {'A', 'L', [](Session& s) { return std::to_string(s.users.current.sig_lines); }},
    {'B', 'N', [](Session& s) { return s.system.bbs_name; }},
    {'D', 'T', Date},
    {'E', 'M', [](Session&) -> std::string { return "Ansi"; }},
    {'I', 'D', [](Session& s) { return std::to_string(s.users.current.number); }},
    {'I', 'N', [](Session&) -> std::string { return "Vornhold"; }},
    {'I', 'V', [](Session&) -> std::string { return "a20"; }},
    {'I', 'S', [](Session&) { return std::string(); }},  // no input string is kept
    {'L', 'A', [](Session&) -> std::string { return "n/a"; }},
    {'L', 'D', [](Session&) -> std::string { return "n/a"; }},
    {'L', 'C', [](Session& s) { return s.users.current.last_on.str(); }},
    {'L', 'O', [](Session& s) { return s.users.current.location.str(); }},
    {'M', 'A', [](Session& s) { return s.mail.area.area_name.str(); }},
    {'M', 'W', [](Session& s) { return std::to_string(s.users.current.msg_pointer); }},
    {'N', 'D', [](Session& s) { return std::to_string(s.nodes.number); }},
    {'P', 'A',
     [](Session& s) -> std::string {
         s.keys.pause_key();
         return "";
     },
     true},
    {'P', 'L', [](Session&) -> std::string { return "24"; }},
    {'R', 'N', [](Session& s) { return s.users.current.real_name.str(); }},
    {'R', 'T', TerminalType},
    {'S', 'R', [](Session& s) { return s.system.sysop_name; }},
    {'T', 'I', TwelveHourTime},
    {'T', 'M', ClockTime},
    {'T', 'L', [](Session& s) { return std::to_string(std::max(0L, s.keys.time_left("M"))); }},
    {'T', 'U', [](Session& s) { return WithThousands(s.users.user_count); }},
    {'U', 'E', [](Session& s) { return WithThousands(s.users.current.emails); }},
    {'U', 'P', [](Session& s) { return WithThousands(s.users.current.posts); }},
    {'U', 'I', [](Session& s) { return Initials(s.users.current.name.view()); }},
    {'U', 'N', [](Session& s) { return s.users.current.name.str(); }},
    {'U', 'O', [](Session& s) { return s.users.current.description.str(); }},
    {'V', 'L', [](Session&) -> std::string { return kLongVersion; }},
};

}  // namespace

bool ExpandValueCode(Session& s, std::string_view code) {
    std::string& v = s.codes.code_value;
    v.clear();
    if (code.size() < 3 || code[0] != '%') return false;
    const char a = Upper(code[1]);
    const char b = Upper(code[2]);
    for (const ValueCode& row : kValueCodes) {
        if (row.a != a || row.b != b) continue;
        v = row.value(s);
        if (row.known_when_empty) return true;
        break;
    }
    if (v.size() > kMaxValue) v.resize(kMaxValue);
    return !v.empty();
}

std::string ExpandText(Session& session, std::string_view text, int max_width) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '%' && i + 2 < text.size() && ExpandValueCode(session, text.substr(i, 3))) {
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
