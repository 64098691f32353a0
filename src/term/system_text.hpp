// The system strings as they are printed: a string of strings.dat with its value codes expanded
// for the session, and its markers filled in.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "core/system_strings.hpp"

namespace vorn {

struct Session;

// GetSystemString: the string with its value codes expanded (unless it starts with "%%").
std::string GetSystemString(Session& session, SystemText which);
// The same with its markers %S1, %S2, ... (either case) replaced by `values` in turn, each with
// only its colour codes working.
std::string GetSystemString(Session& session, SystemText which,
                            std::initializer_list<std::string_view> values);

}  // namespace vorn
