#include "common/directories.hpp"

#include <sys/stat.h>

#include "common/file_calls.hpp"

namespace vorn {

std::string NativePath(std::string_view path) {
    std::string out(path);
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

bool DirectoryExists(std::string_view path) {
    std::string p = NativePath(path);
    while (!p.empty() && p.back() == '/') p.pop_back();
    p += "/.";
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void CreateDirectoryPath(std::string_view path, bool /*keep_directory*/) {
    std::string p = NativePath(path);
    if (p.empty()) return;
    if (p.back() != '/') p += '/';
    // Create each prefix ending at a "/" in turn; existing ones simply fail with EEXIST.
    for (std::size_t i = 1; i < p.size(); ++i) {
        if (p[i] != '/') continue;
        const std::string prefix = p.substr(0, i);
        if (prefix == "." || prefix == "..") continue;
        sys::MakeDirectory(prefix.c_str(), kGameDirectoryMode);
    }
}

}  // namespace vorn
