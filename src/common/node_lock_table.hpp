// The node lock table lockfile.lck: 256 bytes, byte n set while node n is reserved or in use.
// setup creates and rebuilds it; game takes and frees dynamic node slots in it. Every change is
// made under an exclusive open-file-description lock on the file, so two programs never
// interleave their read and write.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace vorn {

inline constexpr const char* kNodeLockFile = "lockfile.lck";
inline constexpr std::size_t kNodeLockTableSize = 256;

using NodeLockTable = std::array<std::uint8_t, kNodeLockTableSize>;

// Opens the table in the working directory (created rw-rw-r-- when missing), locks it and reads
// it; a table shorter than 256 bytes reads as all free. `change` may edit the table and returns
// whether it did. The 256 bytes are written back (and anything past them cut off) when it did or
// when the file was not exactly 256 bytes long. False when the file cannot be opened, read or
// written; a table that cannot be read is left as it is.
bool UpdateNodeLockTable(const std::function<bool(NodeLockTable&)>& change);

}  // namespace vorn
