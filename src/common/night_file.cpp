#include "common/night_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "common/city_records.hpp"
#include "common/file_calls.hpp"
#include "common/file_lock.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"

namespace vorn {

namespace {

// The highest stamp of a file of `size`-byte records whose stamp lies at `offset`.
void HighestIn(const std::string& directory, const char* name, std::size_t size, std::size_t offset,
               HighestStamp& highest) {
    RecordFile file;
    if (!file.open(directory + name, size, RecordFile::Access::kRead)) return;
    const std::uint64_t count = file.record_count();
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint32_t stamp = 0;
        if (FullPread(file.fd(), &stamp, sizeof stamp, static_cast<off_t>(i * size + offset)) !=
            sizeof stamp) {
            return;
        }
        if (stamp > highest.night && stamp <= kMostNights) highest = {stamp, name, i};
    }
}

}  // namespace

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

std::string NightDate(const DateTime& t) {
    char date[16];
    std::snprintf(date, sizeof date, "%02d/%02d/%04d", t.month % 100, t.day % 100, t.year % 10000);
    return date;
}

HighestStamp HighestNightPaid(const std::string& directory) {
    HighestStamp highest;
    HighestIn(directory, kUsersFile, sizeof(UserRecord), offsetof(UserRecord, night_paid), highest);
    HighestIn(directory, kCitiesFile, sizeof(CityRecord), offsetof(CityRecord, night_paid),
              highest);
    return highest;
}

NightFile::~NightFile() {
    if (fd_ >= 0) sys::Close(fd_);  // closing lets the lock go
}

NightFile::Hold NightFile::take(const std::string& path) {
    fd_ = sys::Open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kGameFileMode);
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

bool NightFile::begin_night(const DateTime& now, std::uint32_t highest_paid) {
    const std::uint32_t counted = std::max<std::uint32_t>(record_.night, highest_paid);
    record_.night = counted < kMostNights ? counted + 1 : kMostNights;
    record_.date = NightDate(now);
    record_.state = static_cast<std::uint8_t>(NightState::kBegun);
    return write();
}

bool NightFile::set_state(NightState state) {
    record_.state = static_cast<std::uint8_t>(state);
    return write();
}

bool NightFile::raise_count(std::uint32_t night) {
    if (record_.night >= night) return true;
    record_.night = night;
    return write();
}

bool NightFile::write() {
    return fd_ >= 0 &&
           FullPwrite(fd_, &record_, sizeof record_, 0) == static_cast<long>(sizeof record_);
}

}  // namespace vorn
