// World sources are UTF-8 (TOML demands it); the data files hold code page 437 bytes. These two
// conversions keep every byte: control bytes travel as \u00XX escapes, the upper half as the
// characters they show on screen.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// UTF-8 text of CP437 bytes, with control bytes left as they are (the TOML writer escapes them).
std::string Cp437ToUtf8(std::string_view bytes);

// CP437 bytes of UTF-8 text; nullopt when the text is not valid UTF-8 or holds a character that
// has no CP437 byte. `bad` then names the offending character (for example "U+4E2D").
std::optional<std::string> Utf8ToCp437(std::string_view text, std::string* bad);

}  // namespace vorn
