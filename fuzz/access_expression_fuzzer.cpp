// Access expressions fed arbitrary text: the evaluation always ends with an answer.
#include "fuzz_session.hpp"
#include "term/access_expression.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vorn::fuzz::FuzzSession fuzz;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool once = vorn::CheckAccess(fuzz.session, text);
    // Same caller, same moment: the same answer.
    if (vorn::CheckAccess(fuzz.session, text) != once) std::abort();
    fuzz.check_cursor();
    return 0;
}
