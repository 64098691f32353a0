#include "core/node_paths.hpp"

#include <cstdio>

#include "common/directories.hpp"
#include "core/session.hpp"

namespace vorn {

std::string NodeWorkDirectory(Session& session, char area) {
    char node[16];
    std::snprintf(node, sizeof node, "%03u", static_cast<unsigned>(session.nodes.number));
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

}  // namespace vorn
