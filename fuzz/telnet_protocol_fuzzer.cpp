// Random client bytes into the telnet parser: it never hands the game more bytes than came in,
// answers each command at most once, and settles; its output escaping undoes exactly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "term/telnet_protocol.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorn::TelnetProtocol telnet;
    telnet.opening();
    std::size_t data_bytes = 0;
    std::size_t replies = 0;
    for (std::size_t i = 0; i < size; ++i) {
        std::uint8_t byte = 0;
        switch (telnet.feed(data[i])) {
            case vorn::TelnetProtocol::Result::kNotMine:
                ++data_bytes;
                break;
            case vorn::TelnetProtocol::Result::kComplete:
                if (telnet.take_data(byte)) ++data_bytes;
                break;
            case vorn::TelnetProtocol::Result::kNeedMore:
                break;
        }
        replies += telnet.take_replies().size();
    }
    // Every answer is three bytes and answers a command of at least three bytes.
    if (data_bytes > size || replies % 3 != 0 || replies > size) std::abort();

    // What the game sends: 255 doubled, a bare CR followed by NUL. Taking those out again gives
    // the original bytes.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string wire = telnet.escape(text);
    const bool binary = telnet.local_enabled(vorn::telnet::kBinary);
    std::string back;
    for (std::size_t i = 0; i < wire.size(); ++i) {
        const char c = wire[i];
        back += c;
        const char next = i + 1 < wire.size() ? wire[i + 1] : '\x01';
        if (c == '\xff') {
            if (next != '\xff') std::abort();
            ++i;
        } else if (c == '\r' && !binary && next != '\n') {
            if (next != '\0') std::abort();
            ++i;
        }
    }
    if (back != text) std::abort();
    return 0;
}
