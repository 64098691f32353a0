// The system strings as they are printed: a string of strings.dat with its value codes expanded
// for the session, and its markers filled in.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vorn {

struct Session;

// GetSystemString: string n with its value codes expanded (unless it starts with "%%").
std::string GetSystemString(Session& session, std::uint16_t n);
// The same with its markers %S1, %S2, ... (either case) replaced by `values` in turn, each with
// only its colour codes working.
std::string GetSystemString(Session& session, std::uint16_t n,
                            std::initializer_list<std::string_view> values);

}  // namespace vorn
