// Redo lockfile: the node lock table rebuilt from the node files present in the game directory.
#pragma once

#include <functional>

#include "common/node_lock_table.hpp"

namespace vorn {

// Byte n of `table` becomes 1 exactly when vorn<n>.dat can be opened, for n from 0 to 255;
// `progress` hears each n before it is looked at. The table then replaces lockfile.lck. False
// when the file cannot be written.
bool RebuildNodeLockTable(NodeLockTable& table, const std::function<void(int)>& progress);

}  // namespace vorn
