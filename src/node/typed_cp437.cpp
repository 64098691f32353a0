#include "node/typed_cp437.hpp"

namespace vorn {

std::string TypedCp437::feed(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        char32_t cp = 0;
        if (utf8_.feed(static_cast<unsigned char>(c), cp) != Utf8Decoder::Result::kCharacter) {
            continue;
        }
        const int byte = Cp437ByteOf(cp);
        if (byte >= 0) out += static_cast<char>(byte);
    }
    return out;
}

}  // namespace vorn
