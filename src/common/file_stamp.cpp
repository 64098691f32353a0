#include "common/file_stamp.hpp"

#include <time.h>

namespace vorn {

namespace {

constexpr long kSettleSeconds = 1;

void Take(const struct stat& st, FileStamp& stamp) {
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.links = st.st_nlink;
    stamp.size = st.st_size;
    stamp.changed = st.st_mtim;
}

}  // namespace

bool FileStamp::operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && links == other.links &&
           size == other.size && changed.tv_sec == other.changed.tv_sec &&
           changed.tv_nsec == other.changed.tv_nsec;
}

bool StampOf(int fd, FileStamp& stamp) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return false;
    Take(st, stamp);
    return true;
}

bool StampOfPath(const char* path, FileStamp& stamp) {
    struct stat st {};
    if (::stat(path, &st) != 0) return false;
    Take(st, stamp);
    return true;
}

bool SettledAtRead(const FileStamp& stamp) {
    timespec now{};
    if (::clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0) return false;
    return stamp.changed.tv_sec + kSettleSeconds < now.tv_sec;
}

}  // namespace vorn
