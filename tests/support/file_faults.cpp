#include "support/file_faults.hpp"

#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vorn::test {

bool IsGameDataPath(std::string_view path) {
    while (path.substr(0, 2) == "./") path.remove_prefix(2);
    return path.substr(0, 5) != "logs/" && path.substr(0, 5) != "temp/";
}

FaultyFileCalls::Verdict FaultyFileCalls::judge(const std::string& file, const char* call,
                                                bool is_write, bool transfer) {
    if (!IsGameDataPath(file) || (!plan_.on_call.empty() && plan_.on_call != call) ||
        !std::string_view(file).ends_with(plan_.on_file)) {
        return Verdict::kPass;
    }
    ++record_.calls;
    if (plan_.full_disk && record_.fired) {
        if (!is_write) return Verdict::kPass;
        errno = ENOSPC;
        return Verdict::kFail;
    }
    if (record_.calls != plan_.call && !(plan_.every && record_.fired)) return Verdict::kPass;
    record_.fired = true;
    const int error = plan_.full_disk ? ENOSPC : plan_.error != 0 || transfer ? plan_.error : EINTR;
    std::snprintf(record_.what, sizeof record_.what, "%s %s: %s", call, file.c_str(),
                  plan_.kill   ? "killed"
                  : error == 0 ? "short"
                               : ::strerrorname_np(error));
    if (plan_.kill) ::raise(SIGKILL);
    if (plan_.full_disk && !is_write) return Verdict::kPass;
    if (error == 0) return Verdict::kShort;
    errno = error;
    return Verdict::kFail;
}

FaultyFileCalls::FaultyFileCalls(const FaultPlan& plan)
    : plan_(plan), record_(own_record_), installed_(true) {
    SetFileCalls(this);
}

FaultyFileCalls::~FaultyFileCalls() {
    if (installed_) SetFileCalls(nullptr);
}

std::string FaultyFileCalls::file_of(int fd) const {
    const auto it = files_.find(fd);
    return it != files_.end() ? it->second : "fd " + std::to_string(fd);
}

int FaultyFileCalls::open(const char* path, int flags, mode_t mode) {
    const Verdict v = judge(path, "open", false, false);
    if (v != Verdict::kPass) return -1;
    const int fd = FileCalls::open(path, flags, mode);
    if (fd >= 0) files_[fd] = path;
    return fd;
}

int FaultyFileCalls::make_temporary(char* path) {
    const Verdict v = judge(path, "mkostemp", false, false);
    if (v != Verdict::kPass) return -1;
    const int fd = FileCalls::make_temporary(path);
    if (fd >= 0) files_[fd] = path;
    return fd;
}

int FaultyFileCalls::close(int fd) {
    files_.erase(fd);
    return FileCalls::close(fd);
}

// The bytes a transfer of `size` that goes ahead may move: about half when it is cut short.
std::size_t FaultyFileCalls::allowed(Verdict v, std::size_t size) {
    return v == Verdict::kShort && size > 1 ? size / 2 : size;
}

ssize_t FaultyFileCalls::read(int fd, void* data, std::size_t size) {
    const Verdict v = judge(file_of(fd), "read", false, true);
    return v == Verdict::kFail ? -1 : FileCalls::read(fd, data, allowed(v, size));
}

ssize_t FaultyFileCalls::pread(int fd, void* data, std::size_t size, off_t offset) {
    const Verdict v = judge(file_of(fd), "pread", false, true);
    return v == Verdict::kFail ? -1 : FileCalls::pread(fd, data, allowed(v, size), offset);
}

ssize_t FaultyFileCalls::write(int fd, const void* data, std::size_t size) {
    const Verdict v = judge(file_of(fd), "write", true, true);
    return v == Verdict::kFail ? -1 : FileCalls::write(fd, data, allowed(v, size));
}

ssize_t FaultyFileCalls::pwrite(int fd, const void* data, std::size_t size, off_t offset) {
    const Verdict v = judge(file_of(fd), "pwrite", true, true);
    return v == Verdict::kFail ? -1 : FileCalls::pwrite(fd, data, allowed(v, size), offset);
}

int FaultyFileCalls::rename(const char* from, const char* to) {
    const Verdict v = judge(to, "rename", false, false);
    if (v == Verdict::kPass) return FileCalls::rename(from, to);
    return -1;
}

int FaultyFileCalls::fsync(int fd) {
    const Verdict v = judge(file_of(fd), "fsync", true, false);
    if (v == Verdict::kPass) return FileCalls::fsync(fd);
    return -1;
}

int FaultyFileCalls::ftruncate(int fd, off_t length) {
    const Verdict v = judge(file_of(fd), "ftruncate", true, false);
    if (v == Verdict::kPass) return FileCalls::ftruncate(fd, length);
    return -1;
}

}  // namespace vorn::test
