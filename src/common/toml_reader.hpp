// The TOML reader, for every part of the program that reads TOML: used header-only and without
// exceptions. Its internal assertions are switched off rather than turned into optimiser
// assumptions (its default under NDEBUG): some malformed table headers ("[%x]") break one of them,
// and only the code after the assumption reports the fault soundly. Every file includes it this
// way, so all see the same definitions.
#pragma once

#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#define TOML_ASSERT(expr) static_cast<void>(0)
#pragma push_macro("NDEBUG")
#undef NDEBUG
#include <toml++/toml.h>
#pragma pop_macro("NDEBUG")
