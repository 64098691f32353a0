// The code-page-437 glyph table and its UTF-8 forms.
#include "common/cp437.hpp"

#include <array>

namespace vorn {

namespace {

constexpr char32_t kControlGlyphs[32] = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,  // 0..7
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,  // 8..15
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,  // 16..23
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,  // 24..31
};

constexpr char32_t kHighHalf[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 128
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 136
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 144
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,  // 152
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // 160
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // 168
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // 176
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // 184
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // 192
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // 200
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // 208
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // 216
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // 224
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // 232
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // 240
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // 248
};

// The ASCII kin of 128..255, sixteen to a line.
constexpr std::string_view kHighHalfAscii =
    "CueaaaaceeeiiiAA"   // 128
    "EaAooouuyOUcLYPf"   // 144
    "aiounNao?--??i<>"   // 160
    "###|++++++|+++++"   // 176
    "++++-++++++++=++"   // 192
    "+++++++++++#####"   // 208
    "aBGpSsutFOOd8fen"   // 224
    "=+><()/~o..vn2# ";  // 240

struct Utf8Form {
    char bytes[4];
    std::uint8_t size;
};

constexpr Utf8Form Encode(char32_t cp) {
    Utf8Form f{};
    if (cp < 0x80) {
        f.bytes[0] = static_cast<char>(cp);
        f.size = 1;
    } else if (cp < 0x800) {
        f.bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
        f.bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
        f.size = 2;
    } else {
        f.bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
        f.bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        f.bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
        f.size = 3;
    }
    return f;
}

constexpr char32_t CodePointOf(std::uint8_t c) {
    if (c < 32) return c == 0 ? 0 : kControlGlyphs[c];
    if (c == 127) return 0x2302;
    if (c >= 128) return kHighHalf[c - 128];
    return c;
}

constexpr std::array<Utf8Form, 256> BuildTable() {
    std::array<Utf8Form, 256> table{};
    for (int c = 0; c < 256; ++c) table[c] = Encode(CodePointOf(static_cast<std::uint8_t>(c)));
    return table;
}

constexpr std::array<Utf8Form, 256> kUtf8 = BuildTable();

}  // namespace

char32_t Cp437CodePoint(std::uint8_t c) {
    return CodePointOf(c);
}

std::string_view Cp437Utf8(std::uint8_t c) {
    return {kUtf8[c].bytes, kUtf8[c].size};
}

char Cp437Ascii(std::uint8_t c) {
    if (c >= 128) return kHighHalfAscii[c - 128];
    return c >= 32 && c < 127 ? static_cast<char>(c) : '?';
}

}  // namespace vorn
