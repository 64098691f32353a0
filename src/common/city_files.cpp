#include "common/city_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <memory>
#include <optional>

#include "common/file_calls.hpp"
#include "common/file_lock.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"

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
// program may be writing its own city into them. cities.dat goes last: its length counts the
// cities, so a city counts only once its army and buildings are there.
bool WriteAt(CityBuffers& buffers, std::uint64_t index) {
    for (auto f = std::rbegin(kFiles); f != std::rend(kFiles); ++f) {
        RecordFile file;
        if (!file.open(f->name, f->size, RecordFile::Access::kReadWrite)) {
            const int fd = sys::Open(f->name, O_RDWR | O_CREAT | O_CLOEXEC, kGameFileMode);
            if (fd < 0) return false;
            sys::Close(fd);
            if (!file.open(f->name, f->size, RecordFile::Access::kReadWrite)) return false;
        }
        if (!file.write(index, f->record(buffers))) return false;
    }
    return true;
}

// Record `index` of one of the files, which must exist.
template <class Record>
bool WriteOne(const char* name, std::uint64_t index, const Record& record) {
    RecordFile file;
    return file.open(name, sizeof record, RecordFile::Access::kReadWrite) &&
           file.write_record(index, record);
}

// After a founding that failed: the three files lose what lies past the last city, so they end
// where cities.dat did before. False when a cut failed.
bool TrimToCities(std::uint64_t cities) {
    bool ok = true;
    for (const CityFile& f : kFiles) {
        RecordFile file;
        if (file.open(f.name, f.size, RecordFile::Access::kReadWrite) &&
            file.record_count() > cities) {
            ok = sys::Truncate(file.fd(), static_cast<off_t>(cities * f.size)) == 0 && ok;
        }
    }
    return ok;
}

// Whole records of the locked cities.dat; nothing when it cannot be asked.
std::optional<std::uint64_t> LockedCount(const CityFilesLock& lock) {
    struct stat st {};
    if (!lock.held() || ::fstat(lock.fd(), &st) != 0 || st.st_size < 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size) / sizeof(CityRecord);
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
    // The number a damaged record carries would send its save elsewhere (a write far past the
    // end, or the city appended as a new one); the city is the one at its place.
    scratch->city.number = number;
    scratch->army.number = number;
    scratch->buildings.number = number;
    if (const int type = scratch->city.last_built; type >= 1 && type <= kBuildingTypes) {
        scratch->buildings.buildings[type - 1] = scratch->city.last_built_count;
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
    fd_ = sys::Open(kCitiesFile, O_RDWR | O_CREAT | O_CLOEXEC, kGameFileMode);
    if (fd_ >= 0) LockWholeFile(fd_, LockKind::kExclusive);
}

CityFilesLock::~CityFilesLock() {
    if (fd_ < 0) return;
    UnlockWholeFile(fd_);
    sys::Close(fd_);
}

std::int32_t AppendCity(CityBuffers& buffers, const CityFilesLock& lock) {
    if (!lock.held()) return 0;
    // Counted under the lock, on the locked file itself (a second open that failed would count
    // no cities and found city 1 again over the first); the records go at that place of each
    // file rather than at each file's end, so city k stays record k everywhere even if a crash
    // left a file short.
    const auto counted = LockedCount(lock);
    if (!counted || *counted >= 0x7FFFFFFE) return 0;
    const std::uint64_t count = *counted;
    const auto number = static_cast<std::int32_t>(count + 1);
    buffers.city.number = number;
    buffers.army.number = number;
    buffers.buildings.number = number;
    if (!WriteAt(buffers, static_cast<std::uint64_t>(number - 1))) {
        TrimToCities(count);
        return 0;
    }
    // The city is there once written; loading it back only refreshes the buffers.
    LoadCity(buffers, number);
    return number;
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
    return WriteAt(buffers, static_cast<std::uint64_t>(number - 1));
}

bool SaveCityBuildings(const CityBuffers& buffers) {
    const std::int32_t number = buffers.city.number;
    return number >= 1 &&
           WriteOne(kCityBuildingsFile, static_cast<std::uint64_t>(number - 1), buffers.buildings);
}

bool SaveCityDay(const CityBuffers& buffers) {
    const std::int32_t number = buffers.city.number;
    if (number < 1) return false;
    const auto index = static_cast<std::uint64_t>(number - 1);
    return WriteOne(kCitiesFile, index, buffers.city) &&
           (buffers.city.last_built == 0 || WriteOne(kCityBuildingsFile, index, buffers.buildings));
}

UnnamedCity JudgeUnnamedCity(std::int32_t number, std::int32_t cities, bool founder_holds,
                             bool room_free) {
    if (room_free && (founder_holds || number < cities)) return UnnamedCity::kGiveBack;
    if (!founder_holds && number == cities) return UnnamedCity::kRemove;
    return UnnamedCity::kLeave;
}

bool FounderHolds(const std::string& path, std::uint16_t founder, std::int32_t number) {
    RecordFile extras;
    I32 cities[sizeof(UserExtraRecord::cities) / sizeof(I32)];
    if (founder == 0 || !extras.open(path, sizeof(UserExtraRecord), RecordFile::Access::kRead) ||
        FullPread(extras.fd(), cities, sizeof cities,
                  static_cast<off_t>((founder - 1u) * sizeof(UserExtraRecord) +
                                     offsetof(UserExtraRecord, cities))) != sizeof cities) {
        return false;
    }
    return std::any_of(std::begin(cities), std::end(cities),
                       [number](std::int32_t c) { return c == number; });
}

bool RemoveLastCity(const CityFilesLock& lock, std::int32_t number) {
    const auto count = LockedCount(lock);
    return number >= 1 && count == static_cast<std::uint64_t>(number) && TrimToCities(*count - 1);
}

CutFounding MendCutFounding(const CityFilesLock& lock) {
    struct stat st {};
    if (!lock.held() || ::fstat(lock.fd(), &st) != 0 || st.st_size % sizeof(CityRecord) != 0) {
        return CutFounding::kNone;
    }
    const std::uint64_t count = static_cast<std::uint64_t>(st.st_size) / sizeof(CityRecord);
    if (count >= 0x7FFFFFFE) return CutFounding::kNone;
    bool tail = false;
    for (const CityFile& f : kFiles) {
        RecordFile file;
        tail = tail || (file.open(f.name, f.size, RecordFile::Access::kRead) &&
                        file.byte_size() > count * f.size);
    }
    if (tail && !TrimToCities(count)) return CutFounding::kNone;
    const CutFounding nothing = tail ? CutFounding::kTailCut : CutFounding::kNone;

    const auto number = static_cast<std::int32_t>(count);
    CityRecord city;
    RecordFile rooms;
    RoomRecord room;
    if (count == 0 ||
        FullPread(lock.fd(), &city, sizeof city, static_cast<off_t>((count - 1) * sizeof city)) !=
            sizeof city ||
        city.room < 1 || !rooms.open(kRoomsFile, sizeof room, RecordFile::Access::kReadWrite) ||
        !rooms.read_record(static_cast<std::uint64_t>(city.room - 1), room) ||
        room.city == number) {
        return nothing;
    }
    switch (JudgeUnnamedCity(number, number,
                             FounderHolds(kUserExtraFile, city.founder_number, number),
                             room.city == 0)) {
        case UnnamedCity::kGiveBack:
            room.city = number;
            return rooms.write_record(static_cast<std::uint64_t>(city.room - 1), room)
                       ? CutFounding::kGivenBack
                       : nothing;
        case UnnamedCity::kRemove:
            return TrimToCities(count - 1) ? CutFounding::kRemoved : nothing;
        case UnnamedCity::kLeave:
            break;
    }
    return nothing;
}

std::string CutFoundingText(CutFounding mended) {
    const std::string what = "A founding cut short was mended: ";
    switch (mended) {
        case CutFounding::kTailCut:
            return what + "army and buildings records past the last city cut off";
        case CutFounding::kGivenBack:
            return what + "the last city, which stood in no room, given back to its room";
        case CutFounding::kRemoved:
            return what + "the last city, which stood in no room and was never paid for, removed";
        case CutFounding::kNone:
            break;
    }
    return "";
}

}  // namespace vorn
