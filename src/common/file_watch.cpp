#include "common/file_watch.hpp"

#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "common/file_calls.hpp"

namespace vorn {

namespace {

// File systems whose every write passes through this machine's kernel.
bool WrittenOnlyHere(int fd) {
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0xEF53UL:      // ext2, ext3, ext4
        case 0x58465342UL:  // xfs
        case 0x01021994UL:  // tmpfs
        case 0x9123683EUL:  // btrfs
        case 0xF2F52010UL:  // f2fs
            return true;
        default:
            return false;
    }
}

}  // namespace

FileWatch::~FileWatch() {
    if (fd_ >= 0) sys::Close(fd_);
}

bool FileWatch::start() {
    if (fd_ >= 0) return true;
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return fd_ >= 0;
}

int FileWatch::add(int fd, std::uint32_t events) {
    if (fd_ < 0 || fd < 0 || !WrittenOnlyHere(fd)) return -1;
    int slot = 0;
    while (slot < static_cast<int>(slots_.size()) &&
           slots_[static_cast<std::size_t>(slot)].in_use) {
        ++slot;
    }
    if (slot == static_cast<int>(slots_.size())) return -1;
    // The open file itself, whatever its name is now; a file watched already keeps its watch.
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const int wd = ::inotify_add_watch(fd_, path.c_str(), events | IN_MASK_CREATE);
    if (wd < 0) return -1;
    slots_[static_cast<std::size_t>(slot)] = Slot{wd, true, true};
    return slot;
}

void FileWatch::drop(int slot) {
    if (slot < 0 || slot >= static_cast<int>(slots_.size())) return;
    Slot& s = slots_[static_cast<std::size_t>(slot)];
    if (s.in_use && s.wd >= 0) ::inotify_rm_watch(fd_, s.wd);
    s = Slot{};
}

void FileWatch::read_events() {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            inotify_event e;
            std::memcpy(&e, buffer + at, sizeof e);
            at += static_cast<ssize_t>(sizeof e + e.len);
            for (Slot& s : slots_) {
                // A lost queue may have held anything.
                if (!s.in_use || (s.wd != e.wd && (e.mask & IN_Q_OVERFLOW) == 0)) continue;
                s.changed = true;
                if ((e.mask & IN_IGNORED) != 0) s.wd = -1;
            }
        }
    }
}

void FileWatch::waited(bool ready, std::int64_t now_ms) {
    if (fd_ < 0) return;
    if (ready) read_events();
    fresh_ = true;
    waited_ms_ = now_ms;
}

bool FileWatch::unchanged(int slot, std::int64_t now_ms) const {
    if (fd_ < 0 || !fresh_ || slot < 0 || slot >= static_cast<int>(slots_.size())) return false;
    if (now_ms - waited_ms_ > kFreshMs || now_ms < waited_ms_) return false;
    const Slot& s = slots_[static_cast<std::size_t>(slot)];
    return s.in_use && s.wd >= 0 && !s.changed;
}

void FileWatch::settle(int slot) {
    if (slot < 0 || slot >= static_cast<int>(slots_.size())) return;
    slots_[static_cast<std::size_t>(slot)].changed = false;
}

}  // namespace vorn
