#include "common/player_text.hpp"

#include <cctype>

#include "common/text_case.hpp"

namespace vorn {

namespace {

bool IsHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// "|00".."|23", "|U0".."|U9", "|B0".."|B7": the pipe codes that set a colour in every printer.
// "|24".."|99", "|B8" and "|B9" show as text in some and vanish in others.
bool IsWorkingColour(std::string_view text) {
    if (text.size() < 3 || !IsDigit(text[2])) return false;
    const char a = static_cast<char>(std::toupper(static_cast<unsigned char>(text[1])));
    if (a == 'U') return true;
    if (a == 'B') return text[2] <= '7';
    return IsDigit(a) && (a - '0') * 10 + (text[2] - '0') <= 23;
}

// Whether `text`, which starts with a code character, opens a code other than a colour.
bool OpensOtherCode(std::string_view text) {
    const bool two = text.size() >= 3 && IsCodeCharacter(text[1]) && IsCodeCharacter(text[2]);
    switch (text[0]) {
        case '|':
            // Prompts take "|" and any letter or digit as a code, whatever follows it.
            return !IsWorkingColour(text) && text.size() >= 2 && IsCodeCharacter(text[1]);
        case '@':
            return two && !(text.size() >= 4 && (text[1] == 'X' || text[1] == 'x') &&
                            IsHex(text[2]) && IsHex(text[3]));
        case '%':
        case '&':
        case '^':
        case '{':
        case '}':
        case '~':
            return two;
        default:
            return false;
    }
}

bool OpensLineMode(std::string_view text) {
    return text.size() >= 2 && text[0] == '%' &&
           (text[1] == '%' || text[1] == '|' || text[1] == '>');
}

}  // namespace

std::string KeepOnlyColourCodes(std::string_view text) {
    // Built from the end: whether a character opens a code is decided on what will really
    // follow it, so a "|" dropped from "||CS" never leaves the other one in front of "CS".
    std::string shown(text.size(), ' ');
    std::size_t start = shown.size();
    for (std::size_t i = text.size(); i-- > 0;) {
        const auto c = static_cast<unsigned char>(text[i]);
        shown[start - 1] = c < 32 || c == 127 ? ' ' : static_cast<char>(c);
        if (!OpensOtherCode(std::string_view(shown).substr(start - 1))) --start;
    }
    while (OpensLineMode(std::string_view(shown).substr(start))) ++start;
    return shown.substr(start);
}

bool HoldsOnlyColourCodes(std::string_view text) {
    return KeepOnlyColourCodes(text) == text;
}

std::string_view FirstRefusedCode(std::string_view text) {
    if (OpensLineMode(text)) return text.substr(0, 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 32 || c == 127) return text.substr(i, 1);
        if (OpensOtherCode(text.substr(i))) return text.substr(i, 3);
    }
    return {};
}

}  // namespace vorn
