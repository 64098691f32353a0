#include "common/node_lock_table.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/file_calls.hpp"
#include "common/record_file.hpp"

namespace vorn {

bool UpdateNodeLockTable(const std::function<bool(NodeLockTable&)>& change) {
    const int fd = sys::Open(kNodeLockFile, O_RDWR | O_CREAT | O_CLOEXEC, 0664);
    if (fd < 0) return false;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    while (::fcntl(fd, F_OFD_SETLKW, &fl) != 0 && errno == EINTR) {
    }
    NodeLockTable table{};
    // A short file is a new or damaged table and starts from zeros; a read that fails says
    // nothing about the slots, which must then not be written over.
    const long got = FullPread(fd, table.data(), table.size(), 0);
    if (got < 0) {
        sys::Close(fd);
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
    sys::Close(fd);
    return ok;
}

}  // namespace vorn
