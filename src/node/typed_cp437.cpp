#include "node/typed_cp437.hpp"

#include "common/cp437_text.hpp"

namespace vorn {

namespace {

// The length of the UTF-8 sequence `lead` starts; 0 when it starts none.
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

bool Continuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

}  // namespace

std::string TypedCp437::feed(std::string_view bytes) {
    std::string text = pending_;
    text.append(bytes);
    pending_.clear();
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        const std::size_t length = SequenceLength(lead);
        std::size_t have = 1;
        while (have < length && i + have < text.size() &&
               Continuation(static_cast<unsigned char>(text[i + have]))) {
            ++have;
        }
        if (length == 0 || (have < length && i + have < text.size())) {
            ++i;  // no UTF-8: the byte goes, what follows it is read afresh
            continue;
        }
        if (have < length) {
            pending_ = text.substr(i);
            break;
        }
        char32_t cp = lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        const int byte = Cp437ByteOf(cp);
        if (byte >= 0x80) out += static_cast<char>(byte);
        i += length;
    }
    return out;
}

}  // namespace vorn
