#include "common/night_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "common/file_calls.hpp"
#include "common/file_lock.hpp"
#include "common/record_file.hpp"

namespace vorn {

std::uint32_t CurrentNight(const std::string& path) {
    NightRecord record{};
    if (ReadFilePrefix(path, &record, sizeof record) != static_cast<long>(sizeof record)) return 0;
    return record.night;
}

std::uint32_t OwedNights(std::uint32_t paid, std::uint32_t night) {
    if (paid == 0) return night > 0 ? 1 : 0;
    if (paid >= night) return 0;
    return std::min(night - paid, kMaxOwedNights);
}

NightFile::~NightFile() {
    if (fd_ >= 0) sys::Close(fd_);  // closing lets the lock go
}

NightFile::Hold NightFile::take(const std::string& path) {
    fd_ = sys::Open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0664);
    if (fd_ < 0) return Hold::kFailed;
    if (!TryLockWholeFile(fd_)) {
        sys::Close(fd_);
        fd_ = -1;
        return Hold::kBusy;
    }
    if (FullPread(fd_, &record_, sizeof record_, 0) != static_cast<long>(sizeof record_)) {
        record_ = NightRecord{};
    }
    return Hold::kHeld;
}

bool NightFile::begin_night(const DateTime& now) {
    if (fd_ < 0) return false;
    record_.night = record_.night + 1;
    char date[16];
    std::snprintf(date, sizeof date, "%02d/%02d/%04d", now.month % 100, now.day % 100,
                  now.year % 10000);
    record_.date = date;
    return FullPwrite(fd_, &record_, sizeof record_, 0) == static_cast<long>(sizeof record_);
}

}  // namespace vorn
