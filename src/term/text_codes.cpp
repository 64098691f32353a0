#include "term/text_codes.hpp"

namespace vorn {

std::string expand_text(Session&, std::string_view text, int) {
    return std::string(text);
}

}  // namespace vorn
