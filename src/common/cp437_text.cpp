// Code page 437 and UTF-8, both ways.
#include "common/cp437_text.hpp"

#include "common/cp437.hpp"

#include <array>
#include <cstdint>
#include <cstdio>

namespace vorn {

namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 character at text[i]; advances i. False for a malformed sequence.
bool NextCodePoint(std::string_view text, std::size_t& i, std::uint32_t& cp) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b0 = byte(i);
    int extra = 0;
    if (b0 < 0x80) {
        cp = b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        cp = b0 & 0x1F;
        extra = 1;
    } else if ((b0 & 0xF0) == 0xE0) {
        cp = b0 & 0x0F;
        extra = 2;
    } else if ((b0 & 0xF8) == 0xF0) {
        cp = b0 & 0x07;
        extra = 3;
    } else {
        return false;
    }
    if (i + static_cast<std::size_t>(extra) >= text.size() && extra > 0) return false;
    for (int k = 1; k <= extra; ++k) {
        const unsigned char b = byte(i + static_cast<std::size_t>(k));
        if ((b & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    i += static_cast<std::size_t>(extra) + 1;
    return true;
}

}  // namespace

Utf8Decoder::Result Utf8Decoder::feed(unsigned char byte, char32_t& cp) {
    if (need_ > 0 && (byte & 0xC0) == 0x80) {
        value_ = (value_ << 6) | (byte & 0x3F);
        if (--need_ > 0) return Result::kNeedMore;
        // Overlong forms, surrogates and values past Unicode are no characters.
        if (value_ < least_ || (value_ >= 0xD800 && value_ <= 0xDFFF) || value_ > 0x10FFFF) {
            return Result::kInvalid;
        }
        cp = value_;
        return Result::kCharacter;
    }
    need_ = 0;  // a character cut short is dropped; this byte starts afresh
    if (byte < 0x80) {
        cp = byte;
        return Result::kCharacter;
    }
    if ((byte & 0xE0) == 0xC0) {
        value_ = byte & 0x1F;
        need_ = 1;
        least_ = 0x80;
    } else if ((byte & 0xF0) == 0xE0) {
        value_ = byte & 0x0F;
        need_ = 2;
        least_ = 0x800;
    } else if ((byte & 0xF8) == 0xF0) {
        value_ = byte & 0x07;
        need_ = 3;
        least_ = 0x10000;
    } else {
        return Result::kInvalid;
    }
    return Result::kNeedMore;
}

int Cp437ByteOf(char32_t cp) {
    if (cp < 0x80) return static_cast<int>(cp);
    for (int b = 0x80; b < 0x100; ++b) {
        if (Cp437CodePoint(static_cast<std::uint8_t>(b)) == cp) return b;
    }
    return -1;
}

std::string Cp437ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        AppendUtf8(out, b < 0x80 ? b : static_cast<std::uint32_t>(Cp437CodePoint(b)));
    }
    return out;
}

std::optional<std::string> Utf8ToCp437(std::string_view text, std::string* bad) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::uint32_t cp = 0;
        if (!NextCodePoint(text, i, cp)) {
            if (bad != nullptr) *bad = "a malformed UTF-8 sequence";
            return std::nullopt;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
            continue;
        }
        const int byte = Cp437ByteOf(cp);
        if (byte >= 0x80) {
            out += static_cast<char>(byte);
        } else {
            if (bad != nullptr) {
                char name[16];
                std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(cp));
                *bad = name;
            }
            return std::nullopt;
        }
    }
    return out;
}

}  // namespace vorn
