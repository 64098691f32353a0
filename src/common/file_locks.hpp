// Cross-process locks on shared files: open-file-description (OFD) record locks, which hold
// between two opens in one process as well as between processes, work over NFS, and end with the
// descriptor, so a crashed holder lets go. A length of 0 reaches to the end of the file and past.
#pragma once

#include <fcntl.h>

#include <cstdint>

namespace vorn {

// Waits for the lock (F_RDLCK, F_WRLCK) or lets it go (F_UNLCK). False when the system refuses.
bool LockBytes(int fd, short type, std::uint64_t start, std::uint64_t length);
inline bool LockWholeFile(int fd, short type) {
    return LockBytes(fd, type, 0, 0);
}

// Takes an exclusive lock on the whole file without waiting; false when someone holds a lock on
// any part of it (or the system refuses).
bool TryLockWholeFile(int fd);

}  // namespace vorn
