// The code printers fed arbitrary text: basic and extended pipe codes, display lines with their
// value codes, parameters and widths, and text expansion.
#include "fuzz_session.hpp"
#include "term/text_codes.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vorn::fuzz::FuzzSession fuzz;
    if (size < 1) return 0;
    fuzz.reset();
    vorn::Writer& w = fuzz.session.writer;
    w.utf8_output = (data[0] & 0x80) == 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 6) {
        case 0:
            w.print_coded(text);
            break;
        case 1:
            w.print_prompt_text(text);
            break;
        case 2:
            w.display_line(text);
            break;
        case 3:
            w.print_text(vorn::ExpandText(fuzz.session, text, data[0] % 3 == 0 ? 0 : 20));
            break;
        case 4: {
            const std::size_t split = text.find(')');
            const std::string value =
                vorn::FormatValue(text.substr(0, split),
                                  split == std::string_view::npos ? "" : text.substr(split + 1));
            if (value.size() > 255) std::abort();
            w.print_coded(value);
            break;
        }
        default:
            w.print_at(data[0] % 90, (data[0] >> 3) % 30, text);
            break;
    }
    fuzz.check_cursor();
    w.flush();
    return 0;
}
