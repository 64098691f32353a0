// Word from the kernel of changes to files the node keeps open (inotify), so that a move may
// trust what it read of them before instead of looking at each file again. The key reader's wait
// watches the descriptor along with the caller's line and reads what arrived; a file counts as
// unchanged only as of a wait a moment ago. Files on a file system that other machines write
// (NFS and the like) are never watched: their writes would go unseen, and such files are looked
// at every time as before.
#pragma once

#include <array>
#include <cstdint>

namespace vorn {

class FileWatch {
  public:
    // How long after a wait what it saw still counts: the handling of one key.
    static constexpr std::int64_t kFreshMs = 50;

    FileWatch() = default;
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;
    ~FileWatch();

    // Begins watching; false when the kernel gives no watch (nothing is trusted then).
    bool start();
    // The descriptor for the wait; -1 before start.
    int descriptor() const { return fd_; }

    // Watches the file `fd` is open on for `events` (IN_ masks); the slot, or -1 when the file
    // cannot be watched (no watch begun, a shared file system, no slot left, already watched).
    // The file counts as changed until `settle`.
    int add(int fd, std::uint32_t events);
    // Stops watching slot `slot` (-1: nothing).
    void drop(int slot);

    // A wait ended at `now_ms`; `ready` when it found the descriptor readable: the events are
    // read and their files marked changed.
    void waited(bool ready, std::int64_t now_ms);
    // Keys are being taken without a wait: nothing counts as unchanged until the next one.
    void doubt() { fresh_ = false; }
    // True when the file of `slot` is known unchanged since its last `settle`, as of a wait at
    // most kFreshMs before `now_ms`.
    bool unchanged(int slot, std::int64_t now_ms) const;
    // The file of `slot` was looked at just now: unchanged until its next event.
    void settle(int slot);

  private:
    struct Slot {
        int wd = -1;  // -1: free, or the kernel has dropped the watch
        bool in_use = false;
        bool changed = true;
    };
    void read_events();

    int fd_ = -1;
    bool fresh_ = false;
    std::int64_t waited_ms_ = 0;
    std::array<Slot, 8> slots_{};
};

}  // namespace vorn
