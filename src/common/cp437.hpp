// Code page 437 on a UTF-8 wire: the text of the game is code page 437, and a terminal that
// wants UTF-8 gets each character as the glyph a PC screen would have shown for it.
#pragma once

#include <cstdint>
#include <string_view>

namespace vorn {

// The Unicode code point of code-page-437 character `c` as a PC screen shows it: the standard
// IBM mapping for 128..255 (255 is the no-break space), the display glyphs for the control
// codes 1..31 and 127, and the character itself for the rest.
char32_t Cp437CodePoint(std::uint8_t c);

// The UTF-8 bytes of Cp437CodePoint(c), from a table built once.
std::string_view Cp437Utf8(std::uint8_t c);

// The ASCII character nearest to code-page-437 character `c`, for a terminal that shows neither
// UTF-8 nor code page 437: letters lose their accents, lines become "-", "|" and "+", blocks "#";
// what has no near kin (the control glyphs, "½") becomes "?".
char Cp437Ascii(std::uint8_t c);

// True for the characters put_character sends as a glyph when the wire is UTF-8: 1..7, 11, 12,
// 14..31, 127 and 128..255. The cursor-moving controls 8, 9, 10 and 13 are never among them.
constexpr bool Cp437NeedsGlyph(std::uint8_t c) {
    return (c >= 1 && c <= 7) || c == 11 || c == 12 || (c >= 14 && c <= 31) || c >= 127;
}

}  // namespace vorn
