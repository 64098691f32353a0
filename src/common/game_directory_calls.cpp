#include "common/game_directory_calls.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

namespace vorn {

namespace {

// The folder that holds the last part of a path, and that part. The folders of a guarded path
// are opened one by one, none through a link; any other path is left to the system whole.
class Place {
  public:
    Place(const char* path, bool guarded) : name_(path) {
        if (!guarded) return;
        std::string_view rest(path);
        // A link named with a slash after it would be followed.
        while (rest.size() > 1 && rest.back() == '/') rest.remove_suffix(1);
        const std::size_t slash = rest.rfind('/');
        name_ = std::string(slash == std::string_view::npos ? rest : rest.substr(slash + 1));
        if (slash == std::string_view::npos) return;
        std::string_view folders = rest.substr(0, slash);
        while (!folders.empty()) {
            const std::size_t end = folders.find('/');
            const std::string part(folders.substr(0, end));
            folders.remove_prefix(end == std::string_view::npos ? folders.size() : end + 1);
            if (part.empty() || part == ".") continue;
            const int next =
                ::openat(fd_, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            const int error = errno;
            if (fd_ >= 0) ::close(fd_);
            fd_ = next;
            errno = error;
            if (fd_ < 0) return;
        }
    }
    ~Place() {
        if (fd_ >= 0) ::close(fd_);
    }
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;

    bool found() const { return fd_ != -1; }
    int fd() const { return fd_; }
    const char* name() const { return name_.c_str(); }

  private:
    int fd_ = AT_FDCWD;
    std::string name_;
};

// A file a root run found in place: taken only when it is a folder or a file of one name, and
// emptied (when asked) only then.
int Admitted(int fd, bool empty) {
    struct stat st {};
    int error = 0;
    if (::fstat(fd, &st) != 0) {
        error = errno;
    } else if (!S_ISDIR(st.st_mode) && !(S_ISREG(st.st_mode) && st.st_nlink == 1)) {
        error = EPERM;
    } else if (empty && ::ftruncate(fd, 0) != 0) {
        error = errno;
    }
    if (error == 0) return fd;
    ::close(fd);
    errno = error;
    return -1;
}

}  // namespace

GameDirectoryCalls::GameDirectoryCalls() {
    struct stat st {};
    const bool known = ::stat(".", &st) == 0;
    owner_ = known ? st.st_uid : ::geteuid();
    group_ = known ? st.st_gid : ::getegid();
    root_ = ::geteuid() == 0;
    // A folder with the set-group-ID bit hands its group down by itself.
    regroup_ = known && group_ != ::getegid() && (st.st_mode & S_ISGID) == 0;
}

void GameDirectoryCalls::claim(int fd, mode_t mode) const {
    struct stat st {};
    // A folder keeps the set-group-ID bit it inherited, so its own new files keep the group.
    const mode_t inherited =
        ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) ? st.st_mode & S_ISGID : 0;
    if (::fchmod(fd, inherited | (mode & 07777)) != 0) {
        // A file system without modes: what it gives is all there is.
    }
    if ((root_ || regroup_) && ::fchown(fd, root_ ? owner_ : static_cast<uid_t>(-1), group_) != 0) {
        // A user outside the directory's group keeps his own: the sysop puts him in it.
    }
}

int GameDirectoryCalls::open(const char* path, int flags, mode_t mode) {
    const bool guard = guarded(path);
    const Place at(path, guard);
    if (!at.found()) return -1;
    const bool empty = guard && (flags & O_TRUNC) != 0;
    // Without waiting: a pipe put in a file's place must not hold a root run.
    if (guard) flags = (flags & ~O_TRUNC) | O_NOFOLLOW | O_NONBLOCK;
    int fd = -1;
    if ((flags & O_CREAT) == 0) {
        fd = ::openat(at.fd(), at.name(), flags);
    } else {
        // Made here, or found: an exclusive creation tells which (another process may make or
        // remove the file in between).
        for (int tries = 0; tries < 8; ++tries) {
            fd = ::openat(at.fd(), at.name(), flags | O_EXCL, mode);
            if (fd >= 0) {
                claim(fd, mode);
                return fd;
            }
            if (errno != EEXIST || (flags & O_EXCL) != 0) return -1;
            fd = ::openat(at.fd(), at.name(), flags & ~O_CREAT);
            if (fd >= 0 || errno != ENOENT) break;
        }
    }
    if (fd < 0 || !guard) return fd;
    return Admitted(fd, empty);
}

int GameDirectoryCalls::make_temporary(char* path) {
    int fd = -1;
    if (!guarded(path) || std::strchr(path, '/') == nullptr) {
        fd = ::mkostemp(path, O_CLOEXEC);
    } else {
        // mkostemp has no form relative to a folder: the folder reached without links is named
        // through its descriptor.
        const Place at(path, true);
        if (!at.found()) return -1;
        std::string through = "/proc/self/fd/" + std::to_string(at.fd()) + "/" + at.name();
        fd = ::mkostemp(through.data(), O_CLOEXEC);
        const std::size_t made = std::strlen("XXXXXX");
        if (fd >= 0) {
            std::memcpy(path + std::strlen(path) - made, through.data() + through.size() - made,
                        made);
        }
    }
    if (fd >= 0) claim(fd, S_IRUSR | S_IWUSR);
    return fd;
}

int GameDirectoryCalls::rename(const char* from, const char* to) {
    const Place source(from, guarded(from));
    const Place target(to, guarded(to));
    if (!source.found() || !target.found()) return -1;
    return ::renameat(source.fd(), source.name(), target.fd(), target.name());
}

int GameDirectoryCalls::unlink(const char* path) {
    const Place at(path, guarded(path));
    if (!at.found()) return -1;
    return ::unlinkat(at.fd(), at.name(), 0);
}

int GameDirectoryCalls::mkdir(const char* path, mode_t mode) {
    const Place at(path, guarded(path));
    if (!at.found() || ::mkdirat(at.fd(), at.name(), mode) != 0) return -1;
    const int fd = ::openat(at.fd(), at.name(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        claim(fd, mode);
        ::close(fd);
    }
    return 0;
}

}  // namespace vorn
