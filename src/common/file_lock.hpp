// Cross-process locks on byte ranges of shared files. They belong to the open file description
// (not the process), so two handles of one process exclude each other like two nodes do, and
// closing the handle lets the lock go. A lock may lie past the end of the file: such a byte then
// serves as a named lock that no read or write of the data ever touches. A length of 0 reaches to
// the end of the file and past. The locks work over NFS, and a crashed holder lets go.
#pragma once

#include <sys/types.h>

namespace vorn {

enum class LockKind { kShared, kExclusive };

// Waits for the lock. False only when the system refuses it (a signal wakes the wait and it goes
// on waiting).
bool LockRange(int fd, LockKind kind, off_t start, off_t length);
// Takes the lock only when it is free now.
bool TryLockRange(int fd, LockKind kind, off_t start, off_t length);
void UnlockRange(int fd, off_t start, off_t length);
// Whether another open file description holds a lock on part of the range that a lock of `kind`
// would have to wait for; `where` (when given) gets the start of the first such lock. Takes
// nothing. False too when the system cannot tell.
bool LockedElsewhere(int fd, LockKind kind, off_t start, off_t length, off_t* where = nullptr);

inline bool LockWholeFile(int fd, LockKind kind) {
    return LockRange(fd, kind, 0, 0);
}
inline bool TryLockWholeFile(int fd) {
    return TryLockRange(fd, LockKind::kExclusive, 0, 0);
}
inline void UnlockWholeFile(int fd) {
    UnlockRange(fd, 0, 0);
}

}  // namespace vorn
