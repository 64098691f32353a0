// Where the screens of setup put things and in which colours: shared by the files that draw them.
#pragma once

#include <cctype>

namespace vorn::screen {

// Menu colours: the key, its label, the value.
inline constexpr int kKeyColour = 2;
inline constexpr int kLabelColour = 4;
inline constexpr int kValueColour = 15;
inline constexpr int kNoteColour = 7;
inline constexpr int kWarningColour = 12;

inline constexpr int kLeft = 3;  // column of the menu keys
inline constexpr int kTop = 2;   // row of the first menu line
inline constexpr int kPromptRow = 21;
inline constexpr int kProblemRow = 22;
inline constexpr int kBottomRow = 25;

// Keys are compared upper-cased; code page 437 bytes above 127 stay as they are.
inline int Upper(int key) {
    return key < 128 ? std::toupper(key) : key;
}

}  // namespace vorn::screen
