// The node lock table lockfile.lck: 256 bytes, byte n not 0 while node n is reserved or in use.
// setup creates and rebuilds it; game takes and frees dynamic node slots in it.
//
// Two kinds of open-file-description lock guard it, and neither keeps anyone waiting long:
// - every change of the table is made under an exclusive lock on the byte just past it
//   (offset 256), so two programs never interleave their read and write;
// - a game holds a lock on its own node's byte for the whole call. The kernel lets it go when
//   the process ends, however it ends, so a byte left set by a game that crashed or was killed
//   is told apart from a node in use, and the next dynamic start takes that node again.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace vorn {

inline constexpr const char* kNodeLockFile = "lockfile.lck";
inline constexpr std::size_t kNodeLockTableSize = 256;
// The last node a dynamic start may take, and the one it shares when no node is free.
inline constexpr int kLastDynamicNode = 255;

using NodeLockTable = std::array<std::uint8_t, kNodeLockTableSize>;

// Opens the table in the working directory (created rw-rw-r-- when missing), locks it and reads
// it; a table shorter than 256 bytes reads as all free. `change` may edit the table and returns
// whether it did. The 256 bytes are written back (and anything past them cut off) when it did or
// when the file was not exactly 256 bytes long. False when the file cannot be opened, read or
// written; a table that cannot be read is left as it is.
bool UpdateNodeLockTable(const std::function<bool(NodeLockTable&)>& change);

// A node held by this process: the lock on its byte, kept until release or the end of the
// process.
class NodeHold {
  public:
    NodeHold() = default;
    ~NodeHold();
    NodeHold(const NodeHold&) = delete;
    NodeHold& operator=(const NodeHold&) = delete;

    // The node taken or held; 0 when none.
    int node() const { return node_; }
    bool held() const { return fd_ >= 0; }
    // The node was taken from the table (its byte set), not given on the command line.
    bool dynamic() const { return dynamic_; }
    // Lets the node go; a node taken from the table gets its byte back to 0 first.
    void release();

  private:
    friend bool TakeFreeNode(NodeHold& hold);
    friend bool HoldNode(NodeHold& hold, int node);

    int fd_ = -1;
    int node_ = 0;
    bool dynamic_ = false;
};

// Dynamic node numbers: takes the first node from 1 to 255 that no running game holds and whose
// byte is 0 or was left set by a game that ended without freeing it (nobody holds it and no
// vorn<n>.dat reserves it). Its byte is set to 1 and the node is held. When none is free the
// node is 255, shared and not held. False (no node) when the table cannot be opened or written.
bool TakeFreeNode(NodeHold& hold);

// A node named on the command line: held while nobody else holds it, so dynamic starts pass it
// by; its byte is left as setup wrote it. Nothing is held when there is no table. False only when
// another game holds the node.
bool HoldNode(NodeHold& hold, int node);

// The first node (0..255) whose byte a running game holds in the table at `path`; -1 when no
// game holds one (or there is no table).
int FirstHeldNode(const std::string& path = kNodeLockFile);

}  // namespace vorn
