// Random drop files into the door32.sys reader: a file it takes has its eleven lines, numbers in
// range (or their stand-ins) and a name without control characters, never longer than a drop-file
// line; only a short file or one without a name is refused.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "term/drop_files.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string problem;
    const auto info =
        vorn::ParseDoor32Sys(std::string_view(reinterpret_cast<const char*>(data), size), problem);
    if (!info) {
        if (problem.empty()) std::abort();
        return 0;
    }
    if (info->comm_type < 0 || info->comm_type > 2) std::abort();
    if (info->handle < -1 || (info->comm_type != 2 && info->handle != -1)) std::abort();
    if (info->minutes_left < 0 || info->emulation < 0 || info->node < 0) std::abort();
    if (info->real_name.empty() && info->alias.empty()) std::abort();
    for (const std::string* name : {&info->real_name, &info->alias}) {
        if (name->size() > 255) std::abort();
        for (const char c : *name) {
            if (static_cast<unsigned char>(c) < 32 || c == 127) std::abort();
        }
    }
    return 0;
}
