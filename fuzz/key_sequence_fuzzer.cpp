// Random bytes and pauses into the key sequence parser: it must never stay undecided after the
// escape timeout and never produce more keys than it was given bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "term/key_sequences.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorn::KeySequenceParser parser(250);
    std::size_t fed = 0;
    std::size_t keys = 0;
    vorn::Key key;
    // Bytes come in pairs: a pause before the key (its low bits, in steps of 50 ms) and the byte.
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        if ((data[i] & 7) != 0) parser.quiet((data[i] & 7) * 50);
        if (data[i] & 8) parser.input_paused();
        if (parser.feed(data[i + 1]) == vorn::KeySequenceParser::Result::kNotMine) ++keys;
        ++fed;
        while (parser.next(key)) ++keys;
        if (keys > fed) std::abort();
    }
    parser.quiet(250);
    while (parser.next(key)) ++keys;
    if (parser.pending() || keys > fed + 1) std::abort();
    return 0;
}
