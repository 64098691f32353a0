#include "common/io_check.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace vorn {

[[noreturn]] void RuntimeIoError(int code, std::string_view what) {
    const char* meaning = code == kIoReadPastEnd   ? "read past end of file"
                          : code == kIoWriteError  ? "disk write error"
                          : code == kIoFileNotOpen ? "file not open"
                                                   : "I/O error";
    std::string line = "Runtime error " + std::to_string(code) + ": " + meaning;
    if (!what.empty()) line += " (" + std::string(what) + ")";
    line += "\r\n";
    std::fflush(stdout);
    (void)!::write(STDOUT_FILENO, line.data(), line.size());
    std::exit(code);
}

}  // namespace vorn
