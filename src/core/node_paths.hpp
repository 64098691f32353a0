// The node's own work directory under the temp path.
#pragma once

#include <string>

namespace vorn {

struct Session;

// temp_path + "NODE.nnn/" + the sub-directory of `area`, every missing directory created.
std::string NodeWorkDirectory(Session& session, char area);

}  // namespace vorn
