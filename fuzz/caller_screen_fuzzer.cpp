// The caller's screen model fed arbitrary output in arbitrary flushes: it never fails, and what it
// sends for a flush it cannot follow is the flush itself.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "term/caller_screen.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    vorn::CallerScreen screen;
    // The first byte: a code page 437 wire, and flushes a sysop watches.
    screen.set_utf8((data[0] & 1) == 0);
    const bool watched = (data[0] & 2) != 0;
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string sent;
    while (!rest.empty()) {
        // 0xFE ends a flush, 0xFD makes the model forget the screen.
        const std::size_t end = rest.find_first_of("\xFE\xFD");
        const std::string_view flush = rest.substr(0, end);
        screen.convert(flush, !watched, sent);
        if (watched && sent.size() < flush.size()) std::abort();
        if (end == std::string_view::npos) break;
        if (rest[end] == '\xFD') screen.forget();
        rest.remove_prefix(end + 1);
    }
    return 0;
}
