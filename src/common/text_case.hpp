// Names and keys compared without regard to case, the way the user index and the message areas
// compare them: the letters A to Z only, every other byte as it is.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace vorn {

inline std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace vorn
