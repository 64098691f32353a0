#include "common/city_files.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "common/file_locks.hpp"
#include "common/record_file.hpp"

namespace vorn {

namespace {

struct CityFile {
    const char* name;
    std::size_t size;
    void* (*record)(CityBuffers&);
};

// The three files in load and save order, each with its record in the buffers.
const CityFile kFiles[] = {
    {kCitiesFile, sizeof(CityRecord), [](CityBuffers& b) -> void* { return &b.city; }},
    {kCityArmiesFile, sizeof(CityArmyRecord), [](CityBuffers& b) -> void* { return &b.army; }},
    {kCityBuildingsFile, sizeof(CityBuildingsRecord),
     [](CityBuffers& b) -> void* { return &b.buildings; }},
};

// Writes the three records at `index`, creating missing files without truncating any: another
// program may be writing its own city into them.
bool WriteAt(CityBuffers& buffers, std::uint64_t index, bool create) {
    for (const CityFile& f : kFiles) {
        RecordFile file;
        if (!file.open(f.name, f.size, RecordFile::Access::kReadWrite)) {
            if (!create) return false;
            const int fd = ::open(f.name, O_RDWR | O_CREAT | O_CLOEXEC, 0664);
            if (fd < 0) return false;
            ::close(fd);
            if (!file.open(f.name, f.size, RecordFile::Access::kReadWrite)) return false;
        }
        if (!file.write(index, f.record(buffers))) return false;
    }
    return true;
}

}  // namespace

bool LoadCity(CityBuffers& buffers, std::int32_t number) {
    if (number < 1) return false;
    auto scratch = std::make_unique<CityBuffers>();
    for (const CityFile& f : kFiles) {
        RecordFile file;
        if (!file.open(f.name, f.size, RecordFile::Access::kRead)) return false;
        if (!file.read(static_cast<std::uint64_t>(number - 1), f.record(*scratch))) return false;
    }
    buffers = *scratch;
    return true;
}

std::int32_t CountCities() {
    RecordFile file;
    if (!file.open(kCitiesFile, sizeof(CityRecord), RecordFile::Access::kRead)) return 0;
    const std::uint64_t count = file.record_count();
    return static_cast<std::int32_t>(count > 0x7FFFFFFE ? 0x7FFFFFFE : count);
}

CityFilesLock::CityFilesLock() {
    fd_ = ::open(kCitiesFile, O_RDWR | O_CREAT | O_CLOEXEC, 0664);
    if (fd_ >= 0) LockWholeFile(fd_, F_WRLCK);
}

CityFilesLock::~CityFilesLock() {
    if (fd_ < 0) return;
    LockWholeFile(fd_, F_UNLCK);
    ::close(fd_);
}

std::int32_t AppendCity(CityBuffers& buffers, const CityFilesLock& lock) {
    if (!lock.held()) return 0;
    // Counted under the lock; the records go at that place of each file rather than at each
    // file's end, so city k stays record k everywhere even if a crash left a file short.
    const std::int32_t number = CountCities() + 1;
    buffers.city.number = number;
    buffers.army.number = number;
    buffers.buildings.number = number;
    if (!WriteAt(buffers, static_cast<std::uint64_t>(number - 1), true)) return 0;
    return LoadCity(buffers, number) ? number : 0;
}

bool SaveCity(CityBuffers& buffers) {
    const std::int32_t number = buffers.city.number;
    RecordFile cities;
    if (number < 1 ||
        !cities.open(kCitiesFile, sizeof(CityRecord), RecordFile::Access::kReadWrite)) {
        const CityFilesLock lock;
        return AppendCity(buffers, lock) != 0;
    }
    cities.close();
    return WriteAt(buffers, static_cast<std::uint64_t>(number - 1), true);
}

}  // namespace vorn
