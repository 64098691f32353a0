// The run-time I/O check: a transfer that nobody checks itself and that fails ends the program at
// once with the I/O error number as exit code, after one report line on standard output.
#pragma once

#include <string_view>

namespace vorn {

inline constexpr int kIoReadPastEnd = 100;
inline constexpr int kIoWriteError = 101;
inline constexpr int kIoFileNotOpen = 103;

// Prints "Runtime error <code>: <what>" and exits with `code`. Exit handlers registered with
// std::atexit (the terminal layer restores the caller's terminal mode there) still run.
[[noreturn]] void RuntimeIoError(int code, std::string_view what);

}  // namespace vorn
