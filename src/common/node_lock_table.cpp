#include "common/node_lock_table.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "common/config_files.hpp"
#include "common/file_calls.hpp"
#include "common/file_lock.hpp"
#include "common/record_file.hpp"

namespace vorn {

namespace {

// The byte whose lock guards every change of the table.
constexpr off_t kChangeLockOffset = static_cast<off_t>(kNodeLockTableSize);

bool Lock(int fd, short type, off_t offset, bool wait) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = offset;
    fl.l_len = 1;
    for (;;) {
        if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
        if (errno != EINTR) return false;
    }
}

// Another open file description (another game) holds node `n`.
bool HeldElsewhere(int fd, int n) {
    return LockedElsewhere(fd, LockKind::kExclusive, n, 1);
}

bool Reserved(int n) {
    return ::access(NodeConfigFileName(std::to_string(n)).c_str(), F_OK) == 0;
}

int OpenTable(int flags) {
    return sys::Open(kNodeLockFile, flags | O_CLOEXEC, kGameFileMode);
}

// The change of the table under its lock, on a descriptor the caller has opened.
bool UpdateOn(int fd, const std::function<bool(NodeLockTable&)>& change) {
    if (!Lock(fd, F_WRLCK, kChangeLockOffset, true)) return false;
    NodeLockTable table{};
    // A short file is a new or damaged table and starts from zeros; a read that fails says
    // nothing about the slots, which must then not be written over.
    const long got = FullPread(fd, table.data(), table.size(), 0);
    if (got < 0) {
        Lock(fd, F_UNLCK, kChangeLockOffset, false);
        return false;
    }
    if (got != static_cast<long>(table.size())) table.fill(0);
    struct stat st {};
    const bool exact = ::fstat(fd, &st) == 0 && st.st_size == static_cast<off_t>(table.size());
    bool ok = true;
    if (change(table) || !exact) {
        ok = FullPwrite(fd, table.data(), table.size(), 0) == static_cast<long>(table.size()) &&
             sys::Truncate(fd, static_cast<off_t>(table.size())) == 0;
    }
    Lock(fd, F_UNLCK, kChangeLockOffset, false);
    return ok;
}

}  // namespace

bool UpdateNodeLockTable(const std::function<bool(NodeLockTable&)>& change) {
    const int fd = OpenTable(O_RDWR | O_CREAT);
    if (fd < 0) return false;
    const bool ok = UpdateOn(fd, change);
    sys::Close(fd);
    return ok;
}

NodeHold::~NodeHold() {
    if (fd_ >= 0) sys::Close(fd_);
}

void NodeHold::release() {
    if (fd_ >= 0 && dynamic_) {
        const int n = node_;
        // Still held while the byte is cleared, so no other start can take the node in between.
        UpdateOn(fd_, [n](NodeLockTable& table) {
            table[static_cast<std::size_t>(n)] = 0;
            return true;
        });
    }
    if (fd_ >= 0) sys::Close(fd_);
    fd_ = -1;
    node_ = 0;
    dynamic_ = false;
}

bool TakeFreeNode(NodeHold& hold) {
    hold.release();
    const int fd = OpenTable(O_RDWR | O_CREAT);
    if (fd < 0) return false;
    int taken = 0;
    const bool ok = UpdateOn(fd, [fd, &taken](NodeLockTable& table) {
        for (int n = 1; n <= kLastDynamicNode; ++n) {
            const std::uint8_t byte = table[static_cast<std::size_t>(n)];
            if (HeldElsewhere(fd, n) || (byte != 0 && Reserved(n))) continue;
            if (!Lock(fd, F_WRLCK, n, false)) continue;
            table[static_cast<std::size_t>(n)] = 1;
            taken = n;
            return true;
        }
        return false;
    });
    if (!ok) {
        sys::Close(fd);
        return false;
    }
    if (taken == 0) {
        sys::Close(fd);
        hold.node_ = kLastDynamicNode;
        return true;
    }
    hold.fd_ = fd;
    hold.node_ = taken;
    hold.dynamic_ = true;
    return true;
}

int FirstHeldNode(const std::string& path) {
    const int fd = sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    off_t node = -1;
    // The node bytes only: the byte past them is locked for a moment by every change.
    if (!LockedElsewhere(fd, LockKind::kExclusive, 0, kNodeLockTableSize, &node)) node = -1;
    sys::Close(fd);
    return static_cast<int>(node);
}

bool HoldNode(NodeHold& hold, int node) {
    hold.release();
    if (node < 0 || node >= static_cast<int>(kNodeLockTableSize)) return true;
    const int fd = OpenTable(O_RDWR);
    if (fd < 0) return true;
    if (!Lock(fd, F_WRLCK, node, false)) {
        sys::Close(fd);
        return false;
    }
    hold.fd_ = fd;
    hold.node_ = node;
    return true;
}

}  // namespace vorn
