#include "common/file_lock.hpp"

#include <fcntl.h>

#include <cerrno>

namespace vorn {

namespace {

bool Apply(int fd, int command, short type, off_t start, off_t length) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = length;
    for (;;) {
        if (::fcntl(fd, command, &fl) == 0) return true;
        if (errno != EINTR) return false;
    }
}

short TypeOf(LockKind kind) {
    return kind == LockKind::kShared ? F_RDLCK : F_WRLCK;
}

}  // namespace

bool LockRange(int fd, LockKind kind, off_t start, off_t length) {
    return Apply(fd, F_OFD_SETLKW, TypeOf(kind), start, length);
}

bool TryLockRange(int fd, LockKind kind, off_t start, off_t length) {
    return Apply(fd, F_OFD_SETLK, TypeOf(kind), start, length);
}

void UnlockRange(int fd, off_t start, off_t length) {
    Apply(fd, F_OFD_SETLK, F_UNLCK, start, length);
}

bool LockedElsewhere(int fd, LockKind kind, off_t start, off_t length, off_t* where) {
    struct flock fl {};
    fl.l_type = TypeOf(kind);
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = length;
    if (::fcntl(fd, F_OFD_GETLK, &fl) != 0 || fl.l_type == F_UNLCK) return false;
    if (where != nullptr) *where = fl.l_start;
    return true;
}

}  // namespace vorn
