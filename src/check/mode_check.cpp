// Who besides the game's user and group may open the game's files: every file and folder of the
// game directory, the directory itself included, that other accounts of the machine can read,
// change or (a folder) enter. The player file holds the passwords and the mail folders the
// letters, so any of them open to others is a problem; the repair gives it the game's mode.
// Links are not followed, and a program the sysop keeps there (a file its owner may run) is
// left to him.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "check/check_context.hpp"
#include "common/file_calls.hpp"

namespace vorn::check {

namespace {

namespace fs = std::filesystem;

// Gives the file or folder `path` the game's mode, if it is still what was found there.
bool GiveGameMode(const std::string& path, bool folder) {
    const int fd = sys::Open(
        path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && (folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode));
    // A folder keeps the set-group-ID bit that hands its group down.
    const mode_t mode = folder ? (st.st_mode & S_ISGID) | kGameDirectoryMode : kGameFileMode;
    if (ok) ok = ::fchmod(fd, mode) == 0;
    return sys::Close(fd) == 0 && ok;
}

void CheckMode(Context& c, const std::string& name, const struct stat& st) {
    const bool folder = S_ISDIR(st.st_mode);
    if (!folder && (!S_ISREG(st.st_mode) || (st.st_mode & S_IXUSR) != 0)) return;
    const mode_t others = st.st_mode & (folder ? S_IRWXO : S_IROTH | S_IWOTH);
    if (others == 0) return;
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    const char* what = folder ? "open" : (others & S_IWOTH) != 0 ? "read and change" : "read";
    const std::string path = name != "."           ? c.path(name)
                             : c.directory.empty() ? std::string(".")
                                                   : c.directory;
    c.report.findings.push_back(
        {CheckFinding::Kind::kProblem,
         name,
         std::string("mode ") + mode + " lets every account of the machine " + what +
             " it (the game's " + (folder ? "folders are 0770)" : "files are 0660)"),
         [path, folder] { return GiveGameMode(path, folder); },
         {},
         true});
}

}  // namespace

void CheckModes(Context& c) {
    const fs::path top = c.directory.empty() ? fs::path(".") : fs::path(c.directory);
    struct stat st {};
    if (::lstat(top.c_str(), &st) == 0) CheckMode(c, ".", st);
    std::error_code ec;
    for (fs::recursive_directory_iterator it(top, ec), end; !ec && it != end; it.increment(ec)) {
        if (::lstat(it->path().c_str(), &st) != 0) continue;
        CheckMode(c, it->path().lexically_relative(top).string(), st);
    }
}

}  // namespace vorn::check
