#include "common/file_locks.hpp"

#include <unistd.h>

#include <cerrno>

namespace vorn {

namespace {

struct flock Range(short type, std::uint64_t start, std::uint64_t length) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(start);
    fl.l_len = static_cast<off_t>(length);
    return fl;
}

}  // namespace

bool LockBytes(int fd, short type, std::uint64_t start, std::uint64_t length) {
    struct flock fl = Range(type, start, length);
    while (::fcntl(fd, F_OFD_SETLKW, &fl) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

bool TryLockWholeFile(int fd) {
    struct flock fl = Range(F_WRLCK, 0, 0);
    while (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

}  // namespace vorn
