// The line editor every prompt for a name, a number or a password goes through, with its option
// switches and case modes, and the date input that types over a "  /  /  " mask.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

struct Session;

// The bytes a field accepts.
using CharacterSet = std::bitset<256>;
CharacterSet CharacterRange(std::uint8_t first, std::uint8_t last);
CharacterSet CharactersOf(std::string_view characters);

// The switches of the option string; each is on when its text occurs anywhere in it.
struct LineEditorSwitches {
    bool abort = false;         // /AA: Ctrl-Z or ESC ends the input with the default text
    bool no_insert = false;     // /NI: overwrite only
    bool password = false;      // /PW: every character echoed as byte 250
    bool no_return = false;     // /NR: no CR LF at the end
    bool no_edit = false;       // /NE: no editing keys, overwrite only
    bool not_empty = false;     // /MN: Enter refused while the text is empty
    bool space_first = false;   // /SP: a space may be typed at position 1
    bool exact_length = false;  // /RQ: Enter refused until the text is max_length long
    bool keep_spaces = false;   // /NC: leading and trailing spaces kept
    bool paint = false;         // /BG: the field is painted before editing
    // /WW: a character typed at the end of a full text ends the input and is returned after it
    // (one character more than max_length), for the caller to carry its last word to a new line.
    bool wrap = false;
};
LineEditorSwitches ParseLineEditorSwitches(std::string_view options);

// Case mode 0..8 applied to `c` typed at the start of the text (`at_start`) or after `previous`.
std::uint8_t ApplyCaseMode(int mode, std::uint8_t c, bool at_start, std::uint8_t previous);

// The editor: a field of `width` columns (0: as wide as `max_length` allows before column 80)
// at the cursor, holding at most `max_length` characters. Returns the text, or the text as it
// stands when the session ends during input.
std::string InputLine(Session& session, std::string_view default_text, int case_mode,
                      const CharacterSet& allowed, std::string_view options, int max_length,
                      int width);

std::string InputDate(Session& session, std::string_view default_text);

}  // namespace vorn
