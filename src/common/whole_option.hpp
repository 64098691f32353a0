// The sysop's tools take each option whole, as their usage spells it: "-d DIR", "--backup DIR".
// getopt_long alone would also take "-dDIR", "--backup=DIR" and a long name cut short ("--back").
#pragma once

#include <getopt.h>

#include <string_view>

namespace vorn {

// True when the argument `given` is the option getopt_long just returned as `c` (`index` the
// place of a long one in `options`, -1 for a short one), spelled out and nothing more.
inline bool IsWholeOption(std::string_view given, int c, const option* options, int index) {
    if (index >= 0) return given.starts_with("--") && given.substr(2) == options[index].name;
    return given.size() == 2 && given[0] == '-' && given[1] == c;
}

}  // namespace vorn
