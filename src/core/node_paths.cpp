#include "core/node_paths.hpp"

#include <cstdio>

#include "common/directories.hpp"
#include "common/node_lock_table.hpp"
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

std::uint8_t TakeDynamicNode() {
    std::uint8_t taken = 0;  // stays 0 when the table cannot be opened
    UpdateNodeLockTable([&taken](NodeLockTable& table) {
        taken = 255;
        for (int n = 1; n <= 255; ++n) {
            if (table[n] == 0) {
                table[n] = 1;
                taken = static_cast<std::uint8_t>(n);
                return true;
            }
        }
        return false;
    });
    return taken;
}

void ReleaseDynamicNode(std::uint8_t node) {
    UpdateNodeLockTable([node](NodeLockTable& table) {
        table[node] = 0;
        return true;
    });
}

}  // namespace vorn
