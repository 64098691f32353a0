// Loading the world's records: one current buffer per kind, filled by record number. A number of
// 0 gives the kind's built-in "nothing" record; a missing, short or damaged file never stops the
// game, the loaders report it and the caller decides (it is how shop lists find their end).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "common/record_file.hpp"
#include "common/world_records.hpp"

namespace vorn {

inline constexpr const char* kEventsFile = "events.dat";
inline constexpr const char* kMonstersFile = "monsters.dat";
inline constexpr const char* kItemsFile = "items.dat";
inline constexpr const char* kLevelsFile = "levels.dat";
inline constexpr const char* kArmyUnitsFile = "armys.dat";

// The current record of each kind. `directory` is where the files are ("" = the working
// directory, which is the game directory); rooms.dat is read through the handle held open from
// start-up instead.
struct WorldBuffers {
    std::string directory;
    RecordFile rooms;  // rooms.dat, held open for reading and writing from start-up to the end

    RoomRecord room{};
    EventRecord event{};
    MonsterRecord monster{};
    WeaponRecord weapon{};
    ArmorRecord armor{};
    ItemRecord item{};
    LevelRecord level{};
    ArmyUnitRecord unit{};
    BuildingTypeRecord building{};
    // Whole records in monsters.dat at the last monster load.
    std::int32_t monster_count = 0;

    // Rooms read during the call, kept while rooms.dat is watched and unwritten; the slot of its
    // watch (-1: none), asked for once.
    static constexpr std::size_t kKeptRooms = 1024;
    std::unordered_map<std::int32_t, RoomRecord> kept_rooms;
    int rooms_watch = -1;
    bool rooms_watch_tried = false;
};

RoomRecord NothingRoom();
WeaponRecord NothingWeapon();  // "Fist"
ArmorRecord NothingArmor();    // "No Armor"
ItemRecord NothingItem();      // "dummy item"
LevelRecord NothingLevel();

// Reads room n through the start-up handle. Bytes past the end of the file read as zero, so a
// room beyond the map is an empty room without exits rather than a mix with the last room read.
// False when no whole record was read: the player stands in no room of the map.
bool LoadRoom(WorldBuffers& world, const RecordFile& rooms, std::int32_t number);
// Writes the room back at its place (city founding). False when the write failed.
bool SaveRoom(RecordFile& rooms, std::int32_t number, const RoomRecord& room);

// False below 1 (buffer unchanged), for a missing file or a failed read (buffer unchanged).
bool LoadEvent(WorldBuffers& world, std::int32_t number);
// As LoadEvent; every time monsters.dat is opened, monster_count is refreshed.
bool LoadMonster(WorldBuffers& world, std::int32_t number);
// 0 fills the "nothing" record and gives false. True only when the whole record was read; a
// short read gives false with the buffer partly filled; a missing file leaves it unchanged.
bool LoadWeapon(WorldBuffers& world, std::int32_t number);
bool LoadArmor(WorldBuffers& world, std::int32_t number);
bool LoadItem(WorldBuffers& world, std::int32_t number);
// 0 fills the "nothing" level and gives false; a missing file or failed read gives false.
bool LoadLevel(WorldBuffers& world, std::int32_t number);
// True when the whole type record was read; the buffer is unchanged otherwise.
bool LoadUnitType(WorldBuffers& world, std::int32_t number);
bool LoadBuildingType(WorldBuffers& world, std::int32_t number);

}  // namespace vorn
