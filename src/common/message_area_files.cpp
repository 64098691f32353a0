#include "common/message_area_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "common/file_calls.hpp"
#include "common/file_lock.hpp"
#include "common/record_file.hpp"

namespace vorn {

namespace {

constexpr std::size_t kAreaSize = sizeof(MessageAreaRecord);
constexpr std::size_t kLastReadSize = sizeof(LastReadRecord);

off_t Offset(std::uint32_t index, std::size_t size) {
    return static_cast<off_t>(index) * static_cast<off_t>(size);
}

// An open file that closes itself.
struct Fd {
    int fd;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) sys::Close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

LastReadRecord NewLastRead() {
    LastReadRecord r{};
    r.first = 1;
    r.high_water = 0;
    return r;
}

}  // namespace

MessageAreaRecord DefaultEmailArea(std::string_view sysop_name) {
    MessageAreaRecord area{};
    area.area_name = "Private Mail";
    area.area_file = kEmailFileBase;
    area.area_sysop = sysop_name;
    area.max_messages = kEmailMaxMessages;
    area.area_kind = kAreaKindEmail;
    area.byte_197 = 1;
    area.area_address = 1;
    return area;
}

bool LoadEmailArea(const std::string& path, std::string_view sysop_name, MessageAreaRecord& area) {
    const long got = ReadFilePrefix(path, &area, kAreaSize);
    if (got == static_cast<long>(kAreaSize)) return true;
    // A read that failed says nothing of what the file holds: it is not written over.
    if (got < 0 && errno != ENOENT) return false;
    area = DefaultEmailArea(sysop_name);
    return WriteFilePrefix(path, &area, kAreaSize);
}

std::uint32_t CountAreaRecords(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_size < 0) return 0;
    return static_cast<std::uint32_t>(
        std::min<off_t>(st.st_size / static_cast<off_t>(kAreaSize), UINT32_MAX));
}

bool ReadAreaRecord(const std::string& path, std::uint32_t index, MessageAreaRecord& area) {
    const Fd file(sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return file.fd >= 0 && FullPread(file.fd, &area, kAreaSize, Offset(index, kAreaSize)) ==
                               static_cast<long>(kAreaSize);
}

bool StoreAreaMessageCount(const std::string& path, std::uint32_t index, std::uint32_t count) {
    const Fd file(sys::Open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (file.fd < 0) return false;
    const off_t at = Offset(index, kAreaSize);
    if (!LockRange(file.fd, LockKind::kExclusive, at, kAreaSize)) return false;
    MessageAreaRecord area;
    bool ok = FullPread(file.fd, &area, kAreaSize, at) == static_cast<long>(kAreaSize);
    if (ok) {
        area.message_count = static_cast<std::uint16_t>(std::min<std::uint32_t>(count, 65535));
        ok = FullPwrite(file.fd, &area, kAreaSize, at) == static_cast<long>(kAreaSize);
    }
    UnlockRange(file.fd, at, kAreaSize);
    return ok;
}

bool ReadLastRead(const std::string& path, std::uint16_t user, std::uint32_t users,
                  LastReadRecord& record) {
    if (user == 0) return false;
    const Fd file(sys::Open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kGameFileMode));
    if (file.fd < 0) return false;
    const off_t at = Offset(user - 1u, kLastReadSize);
    if (FullPread(file.fd, &record, kLastReadSize, at) == static_cast<long>(kLastReadSize)) {
        return true;
    }
    // Rebuilt under a lock, so two nodes extending it at once never overwrite a record one of
    // them has just written.
    if (!LockRange(file.fd, LockKind::kExclusive, 0, 0)) return false;
    struct stat st {};
    const std::uint32_t have =
        ::fstat(file.fd, &st) == 0 ? static_cast<std::uint32_t>(st.st_size / kLastReadSize) : 0;
    const std::uint32_t want = std::max<std::uint32_t>(users, user);
    bool ok = true;
    if (have < want) {
        const std::vector<LastReadRecord> fresh(want - have, NewLastRead());
        ok = FullPwrite(file.fd, fresh.data(), fresh.size() * kLastReadSize,
                        Offset(have, kLastReadSize)) ==
             static_cast<long>(fresh.size() * kLastReadSize);
    }
    ok = ok && FullPread(file.fd, &record, kLastReadSize, at) == static_cast<long>(kLastReadSize);
    UnlockRange(file.fd, 0, 0);
    return ok;
}

bool WriteLastRead(const std::string& path, std::uint16_t user, const LastReadRecord& record) {
    if (user == 0) return false;
    const Fd file(sys::Open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kGameFileMode));
    return file.fd >= 0 &&
           FullPwrite(file.fd, &record, kLastReadSize, Offset(user - 1u, kLastReadSize)) ==
               static_cast<long>(kLastReadSize);
}

std::uint32_t PackDosDateTime(const DateTime& t) {
    const std::uint32_t year = static_cast<std::uint32_t>(std::clamp(t.year - 1980, 0, 127));
    const std::uint32_t date =
        year * 512 + static_cast<std::uint32_t>(t.month) * 32 + static_cast<std::uint32_t>(t.day);
    const std::uint32_t time = static_cast<std::uint32_t>(t.hour) * 2048 +
                               static_cast<std::uint32_t>(t.minute) * 32 +
                               static_cast<std::uint32_t>(t.second) / 2;
    return (date << 16) | (time & 0xFFFF);
}

DateTime UnpackDosDateTime(std::uint32_t packed) {
    DateTime t;
    const std::uint32_t date = packed >> 16, time = packed & 0xFFFF;
    t.year = 1980 + static_cast<int>(date >> 9);
    t.month = static_cast<int>((date >> 5) & 15);
    t.day = static_cast<int>(date & 31);
    t.hour = static_cast<int>(time >> 11);
    t.minute = static_cast<int>((time >> 5) & 63);
    t.second = static_cast<int>(time & 31) * 2;
    return t;
}

}  // namespace vorn
