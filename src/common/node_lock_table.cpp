#include "common/node_lock_table.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/file_locks.hpp"

namespace vorn {

bool UpdateNodeLockTable(const std::function<bool(NodeLockTable&)>& change) {
    const int fd = ::open(kNodeLockFile, O_RDWR | O_CREAT | O_CLOEXEC, 0664);
    if (fd < 0) return false;
    LockWholeFile(fd, F_WRLCK);
    NodeLockTable table{};
    if (::pread(fd, table.data(), table.size(), 0) != static_cast<ssize_t>(table.size())) {
        table.fill(0);
    }
    struct stat st {};
    const bool exact = ::fstat(fd, &st) == 0 && st.st_size == static_cast<off_t>(table.size());
    bool ok = true;
    if (change(table) || !exact) {
        ok = ::pwrite(fd, table.data(), table.size(), 0) == static_cast<ssize_t>(table.size()) &&
             ::ftruncate(fd, static_cast<off_t>(table.size())) == 0;
    }
    ::close(fd);
    return ok;
}

}  // namespace vorn
