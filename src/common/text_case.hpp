// Case and digits of single bytes, and names and keys compared without regard to case, the way
// the user index and the message areas compare them: the letters A to Z only, every other byte
// as it is.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace vorn {

inline char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

inline char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

inline std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = Upper(c);
    return out;
}

inline std::string LowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = Lower(c);
    return out;
}

}  // namespace vorn
