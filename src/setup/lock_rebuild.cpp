#include "setup/lock_rebuild.hpp"

#include <fcntl.h>
#include <unistd.h>

#include "common/file_calls.hpp"
#include "setup/setup_state.hpp"

namespace vorn {

bool RebuildNodeLockTable(NodeLockTable& table, const std::function<void(int)>& progress) {
    for (int n = 0; n < static_cast<int>(kNodeLockTableSize); ++n) {
        progress(n);
        // Through the file calls: a root run opens no link and waits on no pipe in a node's place.
        const int fd = sys::Open(NodeFileName(n).c_str(), O_RDONLY | O_CLOEXEC);
        table[static_cast<std::size_t>(n)] = fd >= 0 ? 1 : 0;
        if (fd >= 0) sys::Close(fd);
    }
    return UpdateNodeLockTable([&table](NodeLockTable& file) {
        file = table;
        return true;
    });
}

}  // namespace vorn
