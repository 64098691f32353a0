// The system calls under the record and text-file layer. A program puts its GameDirectoryCalls in
// place (the modes and owner of what it creates, no links followed by a root run); a test puts its
// own FileCalls there to fail a chosen call (an error, an interruption, a short transfer) and see
// what the layer above makes of it.
//
// The sys:: functions are what the layer calls. They go on after an interruption (EINTR) by
// themselves, so no caller has to; every other failure and every short transfer is the
// caller's to handle. With nothing in place a call costs the system call and the test of one
// pointer.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>

namespace vorn {

// The modes the game's files and folders are made with: the game's user and its group (the
// board's user, the sysop) read and write them, nobody else. GameDirectoryCalls makes them
// exact whatever the umask.
inline constexpr mode_t kGameFileMode = 0660;
inline constexpr mode_t kGameDirectoryMode = 0770;

// One method per call. The defaults are the system's, so a test overrides only what it watches
// and calls these for the real work.
class FileCalls {
  public:
    virtual ~FileCalls() = default;
    virtual int open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
    // mkostemp with O_CLOEXEC: `path` ends in "XXXXXX", which is replaced by the name made.
    virtual int make_temporary(char* path) { return ::mkostemp(path, O_CLOEXEC); }
    virtual int close(int fd) { return ::close(fd); }
    virtual ssize_t read(int fd, void* data, std::size_t size) { return ::read(fd, data, size); }
    virtual ssize_t pread(int fd, void* data, std::size_t size, off_t offset) {
        return ::pread(fd, data, size, offset);
    }
    virtual ssize_t write(int fd, const void* data, std::size_t size) {
        return ::write(fd, data, size);
    }
    virtual ssize_t pwrite(int fd, const void* data, std::size_t size, off_t offset) {
        return ::pwrite(fd, data, size, offset);
    }
    virtual int rename(const char* from, const char* to) { return ::rename(from, to); }
    virtual int fsync(int fd) { return ::fsync(fd); }
    virtual int ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }
    virtual int unlink(const char* path) { return ::unlink(path); }
    virtual int mkdir(const char* path, mode_t mode) { return ::mkdir(path, mode); }
};

// Puts `calls` in place for the whole process (a program's GameDirectoryCalls, or a test's);
// nullptr gives the system back.
void SetFileCalls(FileCalls* calls);

namespace sys {

namespace detail {
// The calls a test has put in place; nullptr (always, in the programs) means the system's.
extern FileCalls* installed;

// Calls `call` again while it is interrupted by a signal.
template <class Call>
auto Retried(Call&& call) {
    for (;;) {
        const auto result = call();
        if (!(result < 0 && errno == EINTR)) return result;
    }
}
}  // namespace detail

inline int Open(const char* path, int flags, mode_t mode = 0) {
    return detail::Retried([&] {
        return detail::installed ? detail::installed->open(path, flags, mode)
                                 : ::open(path, flags, mode);
    });
}
inline int MakeTemporary(char* path) {
    return detail::Retried([&] {
        return detail::installed ? detail::installed->make_temporary(path)
                                 : ::mkostemp(path, O_CLOEXEC);
    });
}
// Never repeated: after an interrupted close the descriptor is gone all the same.
inline int Close(int fd) {
    return detail::installed ? detail::installed->close(fd) : ::close(fd);
}
inline ssize_t Read(int fd, void* data, std::size_t size) {
    return detail::Retried([&] {
        return detail::installed ? detail::installed->read(fd, data, size) : ::read(fd, data, size);
    });
}
inline ssize_t Pread(int fd, void* data, std::size_t size, off_t offset) {
    return detail::Retried([&] {
        return detail::installed ? detail::installed->pread(fd, data, size, offset)
                                 : ::pread(fd, data, size, offset);
    });
}
inline ssize_t Write(int fd, const void* data, std::size_t size) {
    return detail::Retried([&] {
        return detail::installed ? detail::installed->write(fd, data, size)
                                 : ::write(fd, data, size);
    });
}
inline ssize_t Pwrite(int fd, const void* data, std::size_t size, off_t offset) {
    return detail::Retried([&] {
        return detail::installed ? detail::installed->pwrite(fd, data, size, offset)
                                 : ::pwrite(fd, data, size, offset);
    });
}
inline int Rename(const char* from, const char* to) {
    return detail::Retried([&] {
        return detail::installed ? detail::installed->rename(from, to) : ::rename(from, to);
    });
}
inline int Sync(int fd) {
    return detail::Retried(
        [&] { return detail::installed ? detail::installed->fsync(fd) : ::fsync(fd); });
}
inline int Truncate(int fd, off_t length) {
    return detail::Retried([&] {
        return detail::installed ? detail::installed->ftruncate(fd, length)
                                 : ::ftruncate(fd, length);
    });
}
inline int Unlink(const char* path) {
    return detail::Retried(
        [&] { return detail::installed ? detail::installed->unlink(path) : ::unlink(path); });
}
inline int MakeDirectory(const char* path, mode_t mode) {
    return detail::Retried([&] {
        return detail::installed ? detail::installed->mkdir(path, mode) : ::mkdir(path, mode);
    });
}

}  // namespace sys

}  // namespace vorn
