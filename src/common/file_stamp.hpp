// What a file's status says about its content: which file it is, how many names it has, its size
// and the time of its last change, from one fstat. A reader that keeps a copy of a small shared
// file (the node table) compares stamps to see whether it must read the file again.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

namespace vorn {

struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    nlink_t links = 0;  // 0: the file was removed or replaced since it was opened
    off_t size = 0;
    timespec changed{};  // the time of the last write

    bool operator==(const FileStamp& other) const;
};

// The stamp of an open file; false when fstat fails.
bool StampOf(int fd, FileStamp& stamp);
// The stamp of the file a path names now; false when stat fails.
bool StampOfPath(const char* path, FileStamp& stamp);

// Whether a copy read just now, while the file bore `stamp`, stays good as long as the stamp does.
// A write's time has the granularity of the file system's clock, so two writes close together
// may leave the same time: a copy is trusted only once the last write lies a second behind the
// system's clock at the moment of reading (the file system's clock, not the game's).
bool SettledAtRead(const FileStamp& stamp);

}  // namespace vorn
