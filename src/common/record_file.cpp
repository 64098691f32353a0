#include "common/record_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "common/file_calls.hpp"
#include "common/io_check.hpp"

namespace vorn {

// pread/pwrite until done: a signal or a short transfer must not cut a record in two.
long FullPread(int fd, void* data, std::size_t size, off_t offset) {
    std::size_t done = 0;
    auto* bytes = static_cast<char*>(data);
    while (done < size) {
        const ssize_t n =
            sys::Pread(fd, bytes + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

long FullPwrite(int fd, const void* data, std::size_t size, off_t offset) {
    std::size_t done = 0;
    const auto* bytes = static_cast<const char*>(data);
    while (done < size) {
        const ssize_t n =
            sys::Pwrite(fd, bytes + done, size - done, offset + static_cast<off_t>(done));
        if (n <= 0) return -1;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

RecordFile::RecordFile(RecordFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      record_size_(other.record_size_),
      error_(other.error_),
      path_(std::move(other.path_)) {}

RecordFile& RecordFile::operator=(RecordFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        record_size_ = other.record_size_;
        error_ = other.error_;
        path_ = std::move(other.path_);
    }
    return *this;
}

RecordFile::~RecordFile() {
    close();
}

bool RecordFile::open(const std::string& path, std::size_t record_size, Access access) {
    close();
    path_ = path;
    record_size_ = record_size == 0 ? 1 : record_size;
    const int flags = (access == Access::kRead ? O_RDONLY : O_RDWR) | O_CLOEXEC;
    fd_ = sys::Open(path.c_str(), flags);
    error_ = fd_ < 0 ? errno : 0;
    return fd_ >= 0;
}

bool RecordFile::create(const std::string& path, std::size_t record_size) {
    close();
    path_ = path;
    record_size_ = record_size == 0 ? 1 : record_size;
    fd_ = sys::Open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, kGameFileMode);
    error_ = fd_ < 0 ? errno : 0;
    return fd_ >= 0;
}

bool RecordFile::open_or_create(const std::string& path, std::size_t record_size) {
    close();
    path_ = path;
    record_size_ = record_size == 0 ? 1 : record_size;
    fd_ = sys::Open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kGameFileMode);
    error_ = fd_ < 0 ? errno : 0;
    return fd_ >= 0;
}

void RecordFile::close() {
    if (fd_ >= 0) sys::Close(fd_);
    fd_ = -1;
}

std::uint64_t RecordFile::byte_size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_size < 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

std::uint64_t RecordFile::record_count() const {
    return byte_size() / record_size_;
}

bool RecordFile::resize(std::uint64_t records) {
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    if (sys::Truncate(fd_, static_cast<off_t>(records * record_size_)) == 0) return true;
    error_ = errno;
    return false;
}

bool RecordFile::read(std::uint64_t index, void* record) const {
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    const long n = FullPread(fd_, record, record_size_, static_cast<off_t>(index * record_size_));
    if (n < 0) error_ = errno;
    return n == static_cast<long>(record_size_);
}

bool RecordFile::write(std::uint64_t index, const void* record) {
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    const long n = FullPwrite(fd_, record, record_size_, static_cast<off_t>(index * record_size_));
    if (n < 0) error_ = errno;
    return n == static_cast<long>(record_size_);
}

void RecordFile::read_checked(std::uint64_t index, void* record) const {
    if (fd_ < 0) RuntimeIoError(kIoFileNotOpen, path_);
    if (!read(index, record)) RuntimeIoError(kIoReadPastEnd, path_);
}

void RecordFile::write_checked(std::uint64_t index, const void* record) {
    if (fd_ < 0) RuntimeIoError(kIoFileNotOpen, path_);
    if (!write(index, record)) RuntimeIoError(kIoWriteError, path_);
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = sys::Write(fd, bytes, size);
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteAllAt(int fd, std::string_view bytes, std::uint64_t offset) {
    return FullPwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
           static_cast<long>(bytes.size());
}

bool ReplaceWholeFile(const std::string& path, std::string_view bytes, std::string_view scratch) {
    const std::string scratch_path = path + std::string(scratch);
    const int fd =
        sys::Open(scratch_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kGameFileMode);
    if (fd < 0) return false;
    const bool written = WriteAll(fd, bytes) && sys::Sync(fd) == 0;
    const bool ok = sys::Close(fd) == 0 && written;
    if (!ok || sys::Rename(scratch_path.c_str(), path.c_str()) != 0) {
        sys::Unlink(scratch_path.c_str());
        return false;
    }
    return true;
}

long ReadFilePrefix(const std::string& path, void* data, std::size_t size) {
    const int fd = sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    const long n = FullPread(fd, data, size, 0);
    sys::Close(fd);
    return n;
}

std::optional<std::string> ReadTextFile(const std::string& path, std::size_t most) {
    const int fd = sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text;
    char block[8192];
    ssize_t n = 0;
    while (text.size() < most &&
           (n = sys::Read(fd, block, std::min(sizeof block, most - text.size()))) > 0) {
        text.append(block, static_cast<std::size_t>(n));
    }
    const int error = errno;
    sys::Close(fd);
    if (n < 0) {
        errno = error;
        return std::nullopt;
    }
    return text;
}

std::string LineOfText(std::string_view text, int n) {
    for (int i = 1; i < n; ++i) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return {};
        text.remove_prefix(end + 1);
    }
    if (n < 1 || text.empty()) return {};
    std::string_view line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return std::string(line);
}

bool WriteFilePrefix(const std::string& path, const void* data, std::size_t size) {
    const int fd = sys::Open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kGameFileMode);
    if (fd < 0) return false;
    const long n = FullPwrite(fd, data, size, 0);
    sys::Close(fd);
    return n == static_cast<long>(size);
}

bool CopyWholeFile(const std::string& from, const std::string& to, int create) {
    const int in = sys::Open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    const int out = sys::Open(to.c_str(), O_WRONLY | O_CREAT | create | O_CLOEXEC, kGameFileMode);
    bool ok = out >= 0;
    char block[1 << 16];
    for (off_t at = 0; ok;) {
        const long n = FullPread(in, block, sizeof block, at);
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = WriteAll(out, block, static_cast<std::size_t>(n));
        at += n;
    }
    const int error = errno;
    sys::Close(in);
    if (out >= 0) ok = sys::Sync(out) == 0 && sys::Close(out) == 0 && ok;
    errno = error;
    return ok;
}

}  // namespace vorn
