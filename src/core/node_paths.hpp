// The node's own work directory under the temp path, and the dynamic node slot of lockfile.lck.
#pragma once

#include <cstdint>
#include <string>

#include "common/node_lock_table.hpp"

namespace vorn {

struct Session;

// temp_path + "NODE.nnn/" + the sub-directory of `area`, every missing directory created.
std::string NodeWorkDirectory(Session& session, char area);

// Takes the first free node 1..255 (255 when none is free) in the lock table and marks it.
std::uint8_t TakeDynamicNode();
// Frees a node taken with TakeDynamicNode.
void ReleaseDynamicNode(std::uint8_t node);

}  // namespace vorn
