// A file of fixed-size records: record n (from 0 here) starts at n * size, and every record is
// moved with one pread or pwrite. Failures are return values; the *_checked forms turn a failure
// the caller does not handle itself into the controlled run-time I/O stop (io_check.hpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <sys/types.h>

namespace vorn {

// pread and pwrite of the whole size, resumed after a signal or a short transfer. FullPread
// returns the bytes read (fewer at the end of the file) or -1; FullPwrite the bytes written or -1.
long FullPread(int fd, void* data, std::size_t size, off_t offset);
long FullPwrite(int fd, const void* data, std::size_t size, off_t offset);

class RecordFile {
  public:
    enum class Access { kRead, kReadWrite };

    RecordFile() = default;
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    RecordFile(RecordFile&& other) noexcept;
    RecordFile& operator=(RecordFile&& other) noexcept;
    ~RecordFile();

    // Opens an existing file; false (with error() = errno) when it cannot be opened.
    bool open(const std::string& path, std::size_t record_size, Access access);
    // Creates the file, or truncates it when it exists; opened for reading and writing.
    bool create(const std::string& path, std::size_t record_size);
    // Opens the file for reading and writing, creating it empty (rw-rw-r--) when it does not
    // exist. An existing file is never truncated.
    bool open_or_create(const std::string& path, std::size_t record_size);
    void close();

    bool is_open() const { return fd_ >= 0; }
    int error() const { return error_; }
    int fd() const { return fd_; }
    std::size_t record_size() const { return record_size_; }
    const std::string& path() const { return path_; }

    // Whole records in the file; a partial last record does not count.
    std::uint64_t record_count() const;
    // The size of the file in bytes (0 when it is not open or cannot be asked).
    std::uint64_t byte_size() const;
    // Cuts the file, or extends it with zeros, to `records` whole records.
    bool resize(std::uint64_t records);

    // True when the whole record was read.
    bool read(std::uint64_t index, void* record) const;
    // True when the whole record was written with one pwrite.
    bool write(std::uint64_t index, const void* record);
    bool append(const void* record) { return write(record_count(), record); }

    // As read/write, but a failure ends the program with the run-time I/O error code.
    void read_checked(std::uint64_t index, void* record) const;
    void write_checked(std::uint64_t index, const void* record);

    template <class Record>
    bool read_record(std::uint64_t index, Record& record) const {
        return sized(sizeof(Record)) && read(index, &record);
    }
    template <class Record>
    bool write_record(std::uint64_t index, const Record& record) {
        return sized(sizeof(Record)) && write(index, &record);
    }

  private:
    bool sized(std::size_t size) const { return size == record_size_; }

    int fd_ = -1;
    std::size_t record_size_ = 1;
    mutable int error_ = 0;
    std::string path_;
};

// Reads up to `size` bytes from the start of a file into `data`; returns the count read, or -1
// when the file cannot be opened.
long ReadFilePrefix(const std::string& path, void* data, std::size_t size);

// A text file whole, or its first `most` bytes when it is longer; nullopt, with errno telling
// why, when it cannot be opened or read.
std::optional<std::string> ReadTextFile(const std::string& path, std::size_t most);
// Line `n` (from 1) of such a text, without its line end; empty past the last line.
std::string LineOfText(std::string_view text, int n);

// Writes all `size` bytes where the descriptor stands (at the end in append mode), going on
// after short writes and interruptions; false when the descriptor refuses them.
bool WriteAll(int fd, const void* data, std::size_t size);
inline bool WriteAll(int fd, std::string_view bytes) {
    return WriteAll(fd, bytes.data(), bytes.size());
}
// The same at `offset` (the descriptor must not be in append mode).
bool WriteAllAt(int fd, std::string_view bytes, std::uint64_t offset);

// Puts `bytes` in place as the file `path`: written to `path` + `scratch` and synced first, then
// renamed over it, so a reader finds the old file or the new one whole, also after a crash. False,
// with the scratch file gone, when a step failed.
bool ReplaceWholeFile(const std::string& path, std::string_view bytes, std::string_view scratch);

// Writes `size` bytes at offset 0 without truncating, creating the file with the game's mode when
// missing.
bool WriteFilePrefix(const std::string& path, const void* data, std::size_t size);

// Copies the file `from` whole into `to`, made with the game's mode, synced. `create` is O_EXCL
// (`to` must not exist yet) or O_TRUNC (an existing `to` is replaced). False when either side
// fails.
bool CopyWholeFile(const std::string& from, const std::string& to, int create);

}  // namespace vorn
