// Text typed or read as UTF-8 (world sources, setup's command line and screens) against the code
// page 437 bytes of the data files. Both conversions keep every byte: control bytes stay as they
// are (the TOML writer escapes them), the upper half travels as the characters it shows on screen.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// The byte of the upper half whose glyph is `cp`, or the character itself below 128; -1 when
// code page 437 has no such character.
int Cp437ByteOf(char32_t cp);

// UTF-8 that arrives a byte at a time, as typed keys do: a character comes out with its last byte.
class Utf8Decoder {
  public:
    enum class Result {
        kCharacter,  // `cp` holds the character
        kNeedMore,   // the byte began or continued a character
        kInvalid,    // the byte can neither begin nor continue one; what came before it is dropped
    };
    Result feed(unsigned char byte, char32_t& cp);
    bool pending() const { return need_ > 0; }
    void reset() { need_ = 0; }

  private:
    char32_t value_ = 0;
    char32_t least_ = 0;  // the smallest character a sequence of this length may carry
    int need_ = 0;
};

// UTF-8 text of CP437 bytes, with control bytes left as they are (the TOML writer escapes them).
std::string Cp437ToUtf8(std::string_view bytes);

// CP437 bytes of UTF-8 text; nullopt when the text is not valid UTF-8 or holds a character that
// has no CP437 byte. `bad` then names the offending character (for example "U+4E2D").
std::optional<std::string> Utf8ToCp437(std::string_view text, std::string* bad);

}  // namespace vorn
