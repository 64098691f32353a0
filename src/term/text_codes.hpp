// Value codes ("%" and two characters), widths, parameters and template markers of display files
// and prompt texts.
#pragma once

#include <string>
#include <string_view>

namespace vorn {

struct Session;

// Replaces every known value code in `text` by its value; a `max_width` other than 0 cuts the
// result to that many visible characters.
std::string expand_text(Session& session, std::string_view text, int max_width);

}  // namespace vorn
