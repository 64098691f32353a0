#include "common/game_directory_calls.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vorn {

GameDirectoryCalls::GameDirectoryCalls() {
    struct stat st {};
    const bool known = ::stat(".", &st) == 0;
    group_ = known ? st.st_gid : ::getegid();
    // A folder with the set-group-ID bit hands its group down by itself.
    regroup_ = known && group_ != ::getegid() && (st.st_mode & S_ISGID) == 0;
}

void GameDirectoryCalls::claim(int fd, mode_t mode) const {
    struct stat st {};
    // A folder keeps the set-group-ID bit it inherited, so its own new files keep the group.
    const mode_t inherited =
        ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) ? st.st_mode & S_ISGID : 0;
    if (::fchmod(fd, inherited | (mode & 07777)) != 0) {
        // A file system without modes: what it gives is all there is.
    }
    if (regroup_ && ::fchown(fd, static_cast<uid_t>(-1), group_) != 0) {
        // A user outside the directory's group keeps his own: the sysop puts him in it.
    }
}

int GameDirectoryCalls::open(const char* path, int flags, mode_t mode) {
    if ((flags & O_CREAT) == 0) return ::open(path, flags);
    // Made here, or found: an exclusive creation tells which (another process may make or remove
    // the file in between).
    int fd = -1;
    for (int tries = 0; tries < 8; ++tries) {
        fd = ::open(path, flags | O_EXCL, mode);
        if (fd >= 0) {
            claim(fd, mode);
            return fd;
        }
        if (errno != EEXIST || (flags & O_EXCL) != 0) return -1;
        fd = ::open(path, flags & ~O_CREAT);
        if (fd >= 0 || errno != ENOENT) break;
    }
    return fd;
}

int GameDirectoryCalls::make_temporary(char* path) {
    const int fd = ::mkostemp(path, O_CLOEXEC);
    if (fd >= 0) claim(fd, S_IRUSR | S_IWUSR);
    return fd;
}

int GameDirectoryCalls::mkdir(const char* path, mode_t mode) {
    if (::mkdir(path, mode) != 0) return -1;
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        claim(fd, mode);
        ::close(fd);
    }
    return 0;
}

}  // namespace vorn
