#include "common/player_locks.hpp"

#include <fcntl.h>

#include "common/file_calls.hpp"
#include "common/file_lock.hpp"

namespace vorn {

namespace {

// One byte for every user number, 0 included.
constexpr off_t kPlayerLockBytes = off_t{1} << 16;

}  // namespace

PlayerLocks::PlayerLocks(const std::string& index_path)
    : fd_(sys::Open(index_path.c_str(), O_RDONLY | O_CLOEXEC)) {}

PlayerLocks::~PlayerLocks() {
    if (fd_ >= 0) sys::Close(fd_);
}

bool PlayerLocks::held(std::uint16_t number) const {
    return fd_ >= 0 && number != 0 &&
           LockedElsewhere(fd_, LockKind::kExclusive, static_cast<off_t>(kPlayerLockBase + number),
                           1);
}

std::uint16_t PlayerLocks::first_held() const {
    off_t at = 0;
    if (fd_ < 0 || !LockedElsewhere(fd_, LockKind::kExclusive, static_cast<off_t>(kPlayerLockBase),
                                    kPlayerLockBytes, &at)) {
        return 0;
    }
    return static_cast<std::uint16_t>(at - static_cast<off_t>(kPlayerLockBase));
}

int PlayerLocks::node_of(std::uint16_t number) const {
    const auto block = static_cast<off_t>(PlayerNodeLockByte(number, 0));
    off_t at = 0;
    if (fd_ < 0 || !LockedElsewhere(fd_, LockKind::kExclusive, block, 256, &at)) return -1;
    return static_cast<int>(at - block);
}

}  // namespace vorn
