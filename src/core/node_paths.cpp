#include "core/node_paths.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>

#include "common/directories.hpp"
#include "core/session.hpp"

namespace vorn {

std::string NodeWorkDirectory(Session& session, char area) {
    char node[16];
    std::snprintf(node, sizeof node, "%03u", static_cast<unsigned>(session.node_number));
    std::string path = session.system.temp_path + "NODE." + node + "/";
    switch (area) {
        case 'A':
            path += "ARCH/";
            break;
        case 'D':
            path += "DESC/";
            break;
        case 'F':
            path += "FILE/";
            break;
        case 'I':
            path += "ATCH/";
            break;
        case 'M':
            path += "MSGS/";
            break;
        case 'T':
            path += "TEXT/";
            break;
        case 'Q':
            path += "QWK/";
            break;
        case 'X':
            path += "XFER/";
            break;
        default:
            break;
    }
    if (!DirectoryExists(path)) CreateDirectoryPath(path, true);
    return path;
}

namespace {

// The table is read, changed and written under an exclusive lock so two nodes starting at the
// same moment never take the same slot.
template <class Change>
std::uint8_t UpdateLockTable(Change&& change) {
    const int fd = ::open(kNodeLockFile, O_RDWR | O_CREAT | O_CLOEXEC, 0664);
    if (fd < 0) return 0;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    while (::fcntl(fd, F_OFD_SETLKW, &fl) != 0 && errno == EINTR) {
    }
    std::array<std::uint8_t, 256> table{};
    if (::pread(fd, table.data(), table.size(), 0) != static_cast<ssize_t>(table.size())) {
        table.fill(0);
    }
    const std::uint8_t result = change(table);
    (void)!::pwrite(fd, table.data(), table.size(), 0);
    ::close(fd);
    return result;
}

}  // namespace

std::uint8_t TakeDynamicNode() {
    return UpdateLockTable([](std::array<std::uint8_t, 256>& table) -> std::uint8_t {
        for (int n = 1; n <= 255; ++n) {
            if (table[n] == 0) {
                table[n] = 1;
                return static_cast<std::uint8_t>(n);
            }
        }
        return 255;
    });
}

void ReleaseDynamicNode(std::uint8_t node) {
    UpdateLockTable([node](std::array<std::uint8_t, 256>& table) -> std::uint8_t {
        table[node] = 0;
        return node;
    });
}

}  // namespace vorn
