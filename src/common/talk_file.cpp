#include "common/talk_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "common/file_calls.hpp"
#include "common/file_lock.hpp"
#include "common/record_file.hpp"

namespace vorn {

namespace {

constexpr long kHeadLines = 2;
constexpr long kTailLines = 22;
// The file is trimmed from this many lines on.
constexpr long kTrimFrom = 26;

bool ReadAll(int fd, std::string& text) {
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t n = sys::Pread(fd, buffer, sizeof buffer, at);
        if (n < 0) return false;
        if (n == 0) return true;
        text.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
}

// Where each line starts; a last line without its line end still counts.
std::vector<std::size_t> LineStarts(const std::string& text) {
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at < text.size();) {
        starts.push_back(at);
        const std::size_t end = text.find('\n', at);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return starts;
}

}  // namespace

bool AppendTalkLine(const std::string& path, std::string_view line) {
    const int fd = sys::Open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, kGameFileMode);
    if (fd < 0) return false;
    // The lock keeps another node's line (or the nightly rewrite) from landing inside ours; the
    // check of the last byte keeps a line cut short by a crash from swallowing the next one.
    const bool locked = LockWholeFile(fd, LockKind::kExclusive);
    std::string text;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    char last = '\n';
    if (size > 0 && sys::Pread(fd, &last, 1, size - 1) == 1 && last != '\n') text += '\n';
    text.append(line);
    text += '\n';
    const bool ok = WriteAll(fd, text);
    if (locked) UnlockWholeFile(fd);
    sys::Close(fd);
    return ok;
}

long TrimTalkFile(const std::string& path) {
    // Rewritten in place, not replaced by a copy: a node waiting for the lock holds this very
    // file open and appends to it once the lock is let go, so a renamed copy would lose its line.
    // Opened without O_APPEND, which would send the rewrite to the end.
    const int fd = sys::Open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? 0 : -1;
    long deleted = -1;
    std::string text;
    if (LockWholeFile(fd, LockKind::kExclusive) && ReadAll(fd, text)) {
        const std::vector<std::size_t> starts = LineStarts(text);
        const long lines = static_cast<long>(starts.size());
        deleted = 0;
        if (lines >= kTrimFrom) {
            const std::string kept =
                text.substr(0, starts[kHeadLines]) +
                text.substr(starts[static_cast<std::size_t>(lines - kTailLines)]);
            deleted =
                WriteAllAt(fd, kept, 0) && sys::Truncate(fd, static_cast<off_t>(kept.size())) == 0
                    ? lines - kHeadLines - kTailLines
                    : -1;
        }
        UnlockWholeFile(fd);
    }
    sys::Close(fd);
    return deleted;
}

}  // namespace vorn
