// The players' session locks: a player in play holds an exclusive lock on the byte
// kPlayerLockBase + number of users.idx, far past the index's last entry, so no read or write of
// the index touches it and nobody locks users.idx otherwise. The kernel lets the lock go when the
// session ends, however it ends. The game takes it (HoldPlayer); maint and checkgame ask it from
// outside, whatever kind of node the player is on. Beside it the session marks the node it plays
// on, with a lock on one byte of a block of 256 per player, so those who ask can name the node.
#pragma once

#include <cstdint>
#include <string>

#include "common/user_records.hpp"

namespace vorn {

inline constexpr std::uint64_t kPlayerLockBase = std::uint64_t{1} << 40;
inline constexpr std::uint64_t kPlayerNodeLockBase = kPlayerLockBase + (std::uint64_t{1} << 16);

// The byte whose lock says that player `number` plays on node `node` (0..255).
constexpr std::uint64_t PlayerNodeLockByte(std::uint16_t number, std::uint8_t node) {
    return kPlayerNodeLockBase + std::uint64_t{number} * 256 + node;
}

// The session locks as seen by a program that holds none: users.idx opened for reading only.
class PlayerLocks {
  public:
    explicit PlayerLocks(const std::string& index_path = kUserIndexFile);
    ~PlayerLocks();
    PlayerLocks(const PlayerLocks&) = delete;
    PlayerLocks& operator=(const PlayerLocks&) = delete;

    // Whether a game holds player `number` in play.
    bool held(std::uint16_t number) const;
    // The first player a game holds; 0 when none does (or there is no index).
    std::uint16_t first_held() const;
    // The node a game holding player `number` plays on; -1 when no game marks one.
    int node_of(std::uint16_t number) const;

  private:
    int fd_ = -1;
};

}  // namespace vorn
