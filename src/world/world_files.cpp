// Loaders of the world records. Each file but rooms.dat is opened for the one read and closed
// again, so a sysop may replace a world file while nodes are playing.
#include "world/world_files.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "common/file_calls.hpp"

namespace vorn {

namespace {

// Reads up to `size` bytes at `offset`; the count read, or -1 when nothing could be read.
long ReadAt(int fd, void* data, std::size_t size, std::uint64_t offset) {
    std::size_t done = 0;
    auto* bytes = static_cast<char*>(data);
    while (done < size) {
        const ssize_t n =
            sys::Pread(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) return done > 0 ? static_cast<long>(done) : -1;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

std::string PathOf(const WorldBuffers& world, const char* name) {
    if (world.directory.empty()) return name;
    return world.directory + "/" + name;
}

// Opens `name` read-only; -1 when it cannot be opened.
int OpenWorldFile(const WorldBuffers& world, const char* name) {
    return sys::Open(PathOf(world, name).c_str(), O_RDONLY | O_CLOEXEC);
}

std::uint64_t OffsetOf(std::int32_t number, std::size_t size) {
    return static_cast<std::uint64_t>(number - 1) * size;
}

// Whole-record read into a scratch copy: the buffer changes only when the record was complete.
template <class Record>
bool LoadWhole(const WorldBuffers& world, const char* name, std::int32_t number, Record& out,
               std::int32_t* record_count = nullptr) {
    if (number < 1) return false;
    const int fd = OpenWorldFile(world, name);
    if (fd < 0) return false;
    Record scratch;
    const long n = ReadAt(fd, &scratch, sizeof scratch, OffsetOf(number, sizeof scratch));
    if (record_count != nullptr) {
        const off_t end = ::lseek(fd, 0, SEEK_END);
        const std::uint64_t count = end > 0 ? static_cast<std::uint64_t>(end) / sizeof(Record) : 0;
        *record_count = static_cast<std::int32_t>(count > 0x7FFFFFFF ? 0x7FFFFFFF : count);
    }
    sys::Close(fd);
    if (n != static_cast<long>(sizeof scratch)) return false;
    out = scratch;
    return true;
}

// Read straight into the buffer: a short read leaves the part that arrived.
template <class Record>
bool LoadInPlace(const WorldBuffers& world, const char* name, std::int32_t number, Record& out) {
    if (number < 1) return false;
    const int fd = OpenWorldFile(world, name);
    if (fd < 0) return false;
    const long n = ReadAt(fd, &out, sizeof out, OffsetOf(number, sizeof out));
    sys::Close(fd);
    return n == static_cast<long>(sizeof out);
}

}  // namespace

RoomRecord NothingRoom() {
    RoomRecord r;
    std::memset(&r, 0, sizeof r);
    return r;
}

WeaponRecord NothingWeapon() {
    WeaponRecord w;
    std::memset(&w, 0, sizeof w);
    w.name = "Fist";
    w.dice = 1;
    w.sides = 2;
    return w;
}

ArmorRecord NothingArmor() {
    ArmorRecord a;
    std::memset(&a, 0, sizeof a);
    a.name = "No Armor";
    return a;
}

ItemRecord NothingItem() {
    ItemRecord i;
    std::memset(&i, 0, sizeof i);
    i.number = 1;
    i.name = "dummy item";
    i.description = "does nothing";
    i.sold = true;
    i.bought = true;
    return i;
}

LevelRecord NothingLevel() {
    LevelRecord l;
    std::memset(&l, 0, sizeof l);
    return l;
}

bool LoadRoom(WorldBuffers& world, const RecordFile& rooms, std::int32_t number) {
    RoomRecord scratch = NothingRoom();
    long n = 0;
    if (number > 0 && rooms.is_open()) {
        n = ReadAt(rooms.fd(), &scratch, sizeof scratch, OffsetOf(number, sizeof scratch));
    }
    world.room = scratch;
    return n == static_cast<long>(sizeof scratch);
}

bool SaveRoom(RecordFile& rooms, std::int32_t number, const RoomRecord& room) {
    if (number < 1) return false;
    return rooms.write(static_cast<std::uint64_t>(number - 1), &room);
}

bool LoadEvent(WorldBuffers& world, std::int32_t number) {
    return LoadWhole(world, kEventsFile, number, world.event);
}

bool LoadMonster(WorldBuffers& world, std::int32_t number) {
    return LoadWhole(world, kMonstersFile, number, world.monster, &world.monster_count);
}

namespace {

// Number 0 is the built-in "nothing" record of its kind (and counts as not loaded).
template <class Record, class Loader>
bool LoadOrNothing(Record& buffer, std::int32_t number, Record (*nothing)(), Loader&& load) {
    if (number == 0) {
        buffer = nothing();
        return false;
    }
    return load();
}

}  // namespace

bool LoadWeapon(WorldBuffers& world, std::int32_t number) {
    return LoadOrNothing(world.weapon, number, NothingWeapon,
                         [&] { return LoadInPlace(world, kWeaponsFile, number, world.weapon); });
}

bool LoadArmor(WorldBuffers& world, std::int32_t number) {
    return LoadOrNothing(world.armor, number, NothingArmor,
                         [&] { return LoadInPlace(world, kArmorsFile, number, world.armor); });
}

bool LoadItem(WorldBuffers& world, std::int32_t number) {
    return LoadOrNothing(world.item, number, NothingItem,
                         [&] { return LoadInPlace(world, kItemsFile, number, world.item); });
}

bool LoadLevel(WorldBuffers& world, std::int32_t number) {
    return LoadOrNothing(world.level, number, NothingLevel,
                         [&] { return LoadWhole(world, kLevelsFile, number, world.level); });
}

bool LoadUnitType(WorldBuffers& world, std::int32_t number) {
    return LoadWhole(world, kArmyUnitsFile, number, world.unit);
}

bool LoadBuildingType(WorldBuffers& world, std::int32_t number) {
    return LoadWhole(world, kBuildingTypesFile, number, world.building);
}

}  // namespace vorn
