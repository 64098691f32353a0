#include "common/message_base.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/file_calls.hpp"
#include "common/file_lock.hpp"
#include "common/record_file.hpp"

namespace vorn {

namespace {

// The two locks live on bytes far past any header file's end.
constexpr off_t kWriteLock = off_t{1} << 62;
constexpr off_t kReadingHold = kWriteLock + 1;

constexpr std::size_t kHeaderSize = sizeof(MessageHeader);
constexpr std::size_t kLineSize = sizeof(MessageTextLine);
// Headers read at once when an area is walked through.
constexpr std::size_t kHeaderBlock = 512;
// Packing writes its new files in pieces of about this size.
constexpr std::size_t kPackBuffer = 1 << 20;

int OpenShared(const std::string& path) {
    int fd = sys::Open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kGameFileMode);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        fd = sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    return fd;
}

off_t FileSize(int fd) {
    struct stat st {};
    return fd >= 0 && ::fstat(fd, &st) == 0 ? st.st_size : 0;
}

// The handle still names the file at `path` (not one a pack has replaced or removed).
bool SameFile(int fd, const std::string& path) {
    struct stat open_file {
    }, named{};
    if (::fstat(fd, &open_file) != 0 || ::stat(path.c_str(), &named) != 0) return false;
    return open_file.st_nlink > 0 && open_file.st_dev == named.st_dev &&
           open_file.st_ino == named.st_ino;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string DirectoryOf(std::string_view directory) {
    return directory.empty() ? std::string(".") : std::string(directory);
}

void SyncDirectory(std::string_view directory) {
    const int fd = sys::Open(DirectoryOf(directory).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    sys::Sync(fd);
    sys::Close(fd);
}

// Finishes a pack a crash cut short: the new files the journal names take their places. The
// journal goes only when every rename is done (a file already moved counts as done), so a rename
// that fails leaves the pack to the next try rather than a new text file under old headers.
// False when the journal is there and the pack could not be finished.
bool FinishPack(std::string_view directory, std::string_view base) {
    const std::string journal = MessageFilePath(directory, base, kPackJournalExtension);
    const int fd = sys::Open(journal.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    char text[256] = {};
    const long n = FullPread(fd, text, sizeof text - 1, 0);
    sys::Close(fd);
    if (n < 0) return false;
    std::string_view names(text, static_cast<std::size_t>(n));
    bool done = true;
    while (!names.empty()) {
        const std::size_t end = names.find('\n');
        const std::string_view name = names.substr(0, end);
        names.remove_prefix(end == std::string_view::npos ? names.size() : end + 1);
        if (!IsPackFileName(name, base) || name.substr(base.size(), 5) == ".jpk.") continue;
        const std::string from = std::string(directory) + std::string(name);
        const std::string to = MessageFilePath(directory, base, name.substr(base.size(), 4));
        if (sys::Rename(from.c_str(), to.c_str()) != 0 && errno != ENOENT) done = false;
    }
    if (!done) return false;
    SyncDirectory(directory);
    return sys::Unlink(journal.c_str()) == 0 || errno == ENOENT;
}

// Pack files left by a pack that died before its journal was written.
void RemoveLeftovers(std::string_view directory, std::string_view base) {
    DIR* dir = ::opendir(DirectoryOf(directory).c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsPackFileName(entry->d_name, base)) {
            sys::Unlink((std::string(directory) + entry->d_name).c_str());
        }
    }
    ::closedir(dir);
}

// A new file for a pack, with the mode of the file it will replace.
int CreatePackFile(std::string_view directory, std::string_view base, std::string_view kind,
                   mode_t mode, std::string& name) {
    std::string path = std::string(directory) + std::string(base) + std::string(kind) + ".XXXXXX";
    const int fd = sys::MakeTemporary(path.data());
    if (fd < 0) return -1;
    ::fchmod(fd, mode);
    name = path.substr(directory.size());
    return fd;
}

// Appends to a file through a large buffer.
class BufferedFile {
  public:
    explicit BufferedFile(int fd) : fd_(fd) { buffer_.reserve(kPackBuffer); }
    bool add(const void* data, std::size_t size) {
        buffer_.append(static_cast<const char*>(data), size);
        return buffer_.size() < kPackBuffer || flush();
    }
    bool flush() {
        const bool ok = buffer_.empty() || FullPwrite(fd_, buffer_.data(), buffer_.size(),
                                                      offset_) == static_cast<long>(buffer_.size());
        offset_ += static_cast<off_t>(buffer_.size());
        buffer_.clear();
        return ok;
    }

  private:
    int fd_;
    off_t offset_ = 0;
    std::string buffer_;
};

}  // namespace

bool IsPackFileName(std::string_view name, std::string_view file_base) {
    if (name.size() != file_base.size() + 11 || name.substr(0, file_base.size()) != file_base) {
        return false;
    }
    const std::string_view kind = name.substr(file_base.size(), 5);
    return kind == ".jdt." || kind == ".jhr." || kind == ".jpk.";
}

std::string MessageFilePath(std::string_view directory, std::string_view file_base,
                            std::string_view extension) {
    std::string path(directory);
    path += file_base;
    path += extension;
    return path;
}

MessageBase::~MessageBase() {
    close();
}

bool MessageBase::open(std::string_view directory, std::string_view file_base) {
    close();
    directory_ = directory;
    file_base_ = file_base;
    return reopen();
}

void MessageBase::close() {
    if (header_fd_ >= 0) sys::Close(header_fd_);
    if (text_fd_ >= 0) sys::Close(text_fd_);
    header_fd_ = text_fd_ = -1;
    held_ = false;
}

bool MessageBase::reopen() {
    const bool was_held = held_;
    close();
    header_fd_ = OpenShared(MessageFilePath(directory_, file_base_, kMessageHeaderExtension));
    text_fd_ = OpenShared(MessageFilePath(directory_, file_base_, kMessageTextExtension));
    if (!is_open()) {
        close();
        return false;
    }
    return !was_held || hold();
}

bool MessageBase::current() const {
    return SameFile(header_fd_, MessageFilePath(directory_, file_base_, kMessageHeaderExtension)) &&
           SameFile(text_fd_, MessageFilePath(directory_, file_base_, kMessageTextExtension));
}

bool MessageBase::lock_for_writing() {
    for (;;) {
        if (!is_open() || !LockRange(header_fd_, LockKind::kExclusive, kWriteLock, 1)) {
            return false;
        }
        if (!FinishPack(directory_, file_base_)) {
            UnlockRange(header_fd_, kWriteLock, 1);
            return false;
        }
        if (current()) return true;
        UnlockRange(header_fd_, kWriteLock, 1);
        if (!reopen()) return false;
    }
}

void MessageBase::unlock_writing() {
    UnlockRange(header_fd_, kWriteLock, 1);
}

bool MessageBase::hold() {
    if (held_) return true;
    for (;;) {
        if (!is_open() || !LockRange(header_fd_, LockKind::kShared, kReadingHold, 1)) {
            return false;
        }
        if (Exists(MessageFilePath(directory_, file_base_, kPackJournalExtension))) {
            // A pack died half-way: finish it under the write lock, then hold the result.
            UnlockRange(header_fd_, kReadingHold, 1);
            if (!lock_for_writing()) return false;
            unlock_writing();
            continue;
        }
        if (current()) {
            held_ = true;
            return true;
        }
        UnlockRange(header_fd_, kReadingHold, 1);
        if (!reopen()) return false;
    }
}

void MessageBase::release() {
    if (held_) UnlockRange(header_fd_, kReadingHold, 1);
    held_ = false;
}

bool MessageBase::header_stamp(FileStamp& stamp) const {
    return StampOf(header_fd_, stamp);
}

std::uint32_t MessageBase::count_of(const FileStamp& header) {
    return static_cast<std::uint32_t>(
        std::min<off_t>(header.size / static_cast<off_t>(kHeaderSize), UINT32_MAX));
}

std::uint32_t MessageBase::count() const {
    FileStamp header;
    return header_stamp(header) ? count_of(header) : 0;
}

std::uint32_t MessageBase::text_records() const {
    return static_cast<std::uint32_t>(
        std::min<off_t>(FileSize(text_fd_) / static_cast<off_t>(kLineSize), UINT32_MAX - 1));
}

bool MessageBase::read_header(std::uint32_t number, MessageHeader& header) const {
    return number >= 1 && read_headers(number, 1, &header) == 1;
}

std::size_t MessageBase::read_headers(std::uint32_t first, std::size_t n,
                                      MessageHeader* out) const {
    if (first < 1 || header_fd_ < 0) return 0;
    const long got = FullPread(header_fd_, out, n * kHeaderSize,
                               static_cast<off_t>(first - 1) * static_cast<off_t>(kHeaderSize));
    return got < 0 ? 0 : static_cast<std::size_t>(got) / kHeaderSize;
}

bool MessageBase::read_text(const MessageHeader& header, std::vector<std::string>& lines,
                            std::size_t max_lines) const {
    lines.clear();
    if (text_fd_ < 0) return false;
    const std::uint32_t start = header.text_start;
    const std::size_t n = std::min<std::size_t>(header.text_lines, max_lines);
    if (start == 0 || n == 0) return true;
    std::vector<MessageTextLine> records(n);
    const long got = FullPread(text_fd_, records.data(), n * kLineSize,
                               static_cast<off_t>(start - 1) * static_cast<off_t>(kLineSize));
    if (got < 0) return false;
    for (std::size_t i = 0; i < static_cast<std::size_t>(got) / kLineSize; ++i) {
        lines.push_back(records[i].str());
    }
    return true;
}

std::uint32_t MessageBase::first_written_after(std::uint32_t written) const {
    std::uint32_t low = 1, high = count() + 1;
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        MessageHeader h;
        if (!read_header(middle, h) || h.written > written) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

bool MessageBase::write_lines(std::uint32_t first_record, const std::vector<std::string>& lines) {
    if (lines.empty()) return true;
    std::vector<MessageTextLine> records(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::memset(&records[i], 0, kLineSize);
        records[i].set(lines[i]);
    }
    const std::size_t size = records.size() * kLineSize;
    return FullPwrite(text_fd_, records.data(), size,
                      static_cast<off_t>(first_record) * static_cast<off_t>(kLineSize)) ==
           static_cast<long>(size);
}

std::uint32_t MessageBase::retire_oldest(std::uint32_t count, std::uint32_t max_messages,
                                         bool make_room, StoreInfo& info, bool& full) {
    std::vector<MessageHeader> block(kHeaderBlock);
    std::uint32_t deleted = 0;
    for (std::uint32_t first = 1; first <= count; first += kHeaderBlock) {
        const std::size_t n = read_headers(first, kHeaderBlock, block.data());
        for (std::size_t i = 0; i < n; ++i) deleted += (block[i].status & kMessageDeleted) != 0;
        if (n < kHeaderBlock) break;
    }
    info.deleted = deleted;
    const std::uint32_t live = count - std::min(deleted, count);
    if (live < max_messages) return 0;
    if (!make_room) {
        full = true;
        return 0;
    }
    std::uint32_t retire = live - max_messages + 1;
    std::uint32_t retired = 0;
    for (std::uint32_t number = 1; number <= count && retired < retire; ++number) {
        MessageHeader h;
        if (!read_header(number, h) || (h.status & kMessageDeleted) != 0) continue;
        h.status = static_cast<std::uint16_t>(h.status | kMessageDeleted);
        if (FullPwrite(header_fd_, &h, kHeaderSize,
                       static_cast<off_t>(number - 1) * static_cast<off_t>(kHeaderSize)) !=
            static_cast<long>(kHeaderSize)) {
            break;
        }
        ++retired;
    }
    info.retired = retired;
    info.deleted += retired;
    full = retired < retire;
    return retired;
}

StoreResult MessageBase::append(const std::vector<std::string>& lines, MessageHeader& header,
                                const MessageLimit& limit, StoreInfo* info) {
    StoreInfo local;
    StoreInfo& out = info != nullptr ? *info : local;
    out = StoreInfo{};
    if (!lock_for_writing()) return StoreResult::kFailed;
    const std::uint32_t count = this->count();
    if (count >= limit.max_messages) {
        bool full = false;
        retire_oldest(count, limit.max_messages, limit.make_room, out, full);
        if (full) {
            unlock_writing();
            return StoreResult::kFull;
        }
    }
    MessageHeader last;
    if (count > 0 && read_header(count, last) && header.written < last.written) {
        header.written = last.written;
    }
    const std::uint32_t first = text_records();
    header.text_start = first + 1;
    header.text_lines = static_cast<std::uint16_t>(lines.size());
    // The text first, the header last: a header that is there has its text.
    const bool ok = write_lines(first, lines) &&
                    FullPwrite(header_fd_, &header, kHeaderSize,
                               static_cast<off_t>(count) * static_cast<off_t>(kHeaderSize)) ==
                        static_cast<long>(kHeaderSize);
    unlock_writing();
    if (!ok) return StoreResult::kFailed;
    out.number = count + 1;
    return StoreResult::kStored;
}

bool MessageBase::rewrite(std::uint32_t number, const std::vector<std::string>& lines,
                          MessageHeader& header) {
    if (!lock_for_writing()) return false;
    bool ok = number >= 1 && number <= count();
    if (ok) {
        const std::uint32_t first = text_records();
        header.text_start = first + 1;
        header.text_lines = static_cast<std::uint16_t>(lines.size());
        ok = write_lines(first, lines) &&
             FullPwrite(header_fd_, &header, kHeaderSize,
                        static_cast<off_t>(number - 1) * static_cast<off_t>(kHeaderSize)) ==
                 static_cast<long>(kHeaderSize);
    }
    unlock_writing();
    return ok;
}

bool MessageBase::write_header(std::uint32_t number, const MessageHeader& header) {
    if (!lock_for_writing()) return false;
    const bool ok = number >= 1 && number <= count() &&
                    FullPwrite(header_fd_, &header, kHeaderSize,
                               static_cast<off_t>(number - 1) * static_cast<off_t>(kHeaderSize)) ==
                        static_cast<long>(kHeaderSize);
    unlock_writing();
    return ok;
}

PackResult PackMessageBase(std::string_view directory, std::string_view file_base) {
    PackResult result;
    MessageBase base;
    if (!base.open(directory, file_base) || !base.lock_for_writing()) return result;
    struct Unlock {
        MessageBase& b;
        ~Unlock() { b.unlock_writing(); }
    } unlock{base};
    if (!TryLockRange(base.header_fd_, LockKind::kExclusive, kReadingHold, 1)) {
        result.busy = true;
        return result;
    }
    RemoveLeftovers(directory, file_base);

    const std::uint32_t count = base.count();
    std::vector<MessageHeader> block(kHeaderBlock);
    std::uint32_t deleted = 0;
    for (std::uint32_t first = 1; first <= count; first += kHeaderBlock) {
        const std::size_t n = base.read_headers(first, kHeaderBlock, block.data());
        for (std::size_t i = 0; i < n; ++i) deleted += (block[i].status & kMessageDeleted) != 0;
    }
    result.kept = count - deleted;
    result.removed = deleted;
    if (deleted == 0) {
        result.ok = true;
        return result;
    }

    struct stat st {};
    // The mode of the files replaced, but never open to every account of the machine.
    const mode_t mode = ::fstat(base.header_fd_, &st) == 0 ? (st.st_mode & 07770) : kGameFileMode;
    std::string text_name, header_name, journal_name;
    const int text_fd =
        CreatePackFile(directory, file_base, kMessageTextExtension, mode, text_name);
    const int header_fd =
        CreatePackFile(directory, file_base, kMessageHeaderExtension, mode, header_name);
    const auto discard = [&] {
        if (text_fd >= 0) sys::Close(text_fd);
        if (header_fd >= 0) sys::Close(header_fd);
        if (!text_name.empty()) sys::Unlink((std::string(directory) + text_name).c_str());
        if (!header_name.empty()) sys::Unlink((std::string(directory) + header_name).c_str());
        return result;
    };
    result.kept = result.removed = 0;
    if (text_fd < 0 || header_fd < 0) return discard();

    BufferedFile text_out(text_fd), header_out(header_fd);
    std::uint32_t next_line = 1;
    bool ok = true;
    std::vector<MessageTextLine> lines;
    for (std::uint32_t first = 1; ok && first <= count; first += kHeaderBlock) {
        const std::size_t n = base.read_headers(first, kHeaderBlock, block.data());
        for (std::size_t i = 0; ok && i < n; ++i) {
            MessageHeader h = block[i];
            if (h.status & kMessageDeleted) {
                ++result.removed;
                continue;
            }
            lines.resize(h.text_lines);
            long got = 0;
            if (h.text_start != 0 && h.text_lines != 0) {
                got =
                    FullPread(base.text_fd_, lines.data(), lines.size() * kLineSize,
                              static_cast<off_t>(h.text_start - 1) * static_cast<off_t>(kLineSize));
            }
            const std::uint32_t copied = got > 0 ? static_cast<std::uint32_t>(got) / kLineSize : 0;
            h.text_start = copied > 0 ? next_line : 0;
            h.text_lines = static_cast<std::uint16_t>(copied);
            next_line += copied;
            ok = text_out.add(lines.data(), copied * kLineSize) && header_out.add(&h, kHeaderSize);
            ++result.kept;
        }
    }
    ok = ok && text_out.flush() && header_out.flush() && sys::Sync(text_fd) == 0 &&
         sys::Sync(header_fd) == 0;
    if (!ok) return discard();

    // The journal makes the two renames one step: once it is there, the pack is done.
    const int journal_fd =
        CreatePackFile(directory, file_base, kPackJournalExtension, mode, journal_name);
    const std::string names = text_name + "\n" + header_name + "\n";
    const std::string journal = MessageFilePath(directory, file_base, kPackJournalExtension);
    ok = journal_fd >= 0 &&
         FullPwrite(journal_fd, names.data(), names.size(), 0) == static_cast<long>(names.size()) &&
         sys::Sync(journal_fd) == 0 &&
         sys::Rename((std::string(directory) + journal_name).c_str(), journal.c_str()) == 0;
    if (journal_fd >= 0) sys::Close(journal_fd);
    if (!ok) {
        if (!journal_name.empty()) sys::Unlink((std::string(directory) + journal_name).c_str());
        return discard();
    }
    sys::Close(text_fd);
    sys::Close(header_fd);
    SyncDirectory(directory);
    FinishPack(directory, file_base);
    result.ok = true;
    return result;
}

}  // namespace vorn
