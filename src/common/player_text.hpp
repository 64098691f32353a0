// Text that players type (character and city names, tavern talk, node lines, messages) reaches
// other callers' screens through printers that carry out codes: display files and news take
// "%", "&", "@", "^", "{", "|", "}" and "~" codes, prompts and form values the "|" codes that clear
// the screen, move the cursor or wait for a key. Such text keeps its colour codes, which are part
// of a player's name; every other code loses what makes it one.
#pragma once

#include <string>
#include <string_view>

namespace vorn {

// Characters that may follow a code start in files and forms: "*", digits and letters.
constexpr bool IsCodeCharacter(char c) {
    return c == '*' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The text as any printer of the writer may show it: colour codes ("|00".."|23", "|U0".."|U9",
// "|B0".."|B7" and "@X" + two hexadecimal digits) stay and work; every other code loses its first
// character ("|CS" shows as "CS", "%PA" as "PA"), and so does a "%" that would open a line mode
// ("%%", "%|", "%>") at the start; control bytes become blanks. What is left never forms a code
// again, and text that holds no code comes back unchanged.
std::string KeepOnlyColourCodes(std::string_view text);

// True when `text` holds no code but colour codes and no control byte: what a name question
// accepts.
bool HoldsOnlyColourCodes(std::string_view text);

// The first thing in `text` that a name question refuses, for telling the caller which it is: a
// code other than a colour code (its first three characters, "&Co" of "Smith&Co"), a control
// byte, or a "%" that opens a line mode at the start. Empty when there is none.
std::string_view FirstRefusedCode(std::string_view text);

}  // namespace vorn
