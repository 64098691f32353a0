// A world file damaged or replaced by hand: the first byte chooses which, the rest is its bytes
// (the others stay the default world's). Every record of every kind is loaded as the game loads
// it, past the end too, and the checker reads the whole directory; neither may fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "check/game_check.hpp"
#include "common/record_file.hpp"
#include "common/world_records.hpp"
#include "fuzz_files.hpp"
#include "world/world_files.hpp"

namespace {

constexpr const char* kFiles[] = {
    vorn::kRoomsFile,   vorn::kEventsFile,    vorn::kMonstersFile,
    vorn::kWeaponsFile, vorn::kArmorsFile,    vorn::kItemsFile,
    vorn::kLevelsFile,  vorn::kArmyUnitsFile, vorn::kBuildingTypesFile,
};

// Records of `file` plus two past its end, at most a few hundred.
std::int32_t LoadsOf(const char* file, std::size_t record_size) {
    vorn::RecordFile f;
    if (!f.open(file, record_size, vorn::RecordFile::Access::kRead)) return 2;
    const std::uint64_t n = f.record_count();
    return static_cast<std::int32_t>(n > 400 ? 402 : n + 2);
}

void LoadEverything(vorn::WorldBuffers& world) {
    vorn::RecordFile rooms;
    if (rooms.open(vorn::kRoomsFile, sizeof(vorn::RoomRecord), vorn::RecordFile::Access::kRead)) {
        for (std::int32_t n = -1; n <= LoadsOf(vorn::kRoomsFile, sizeof(vorn::RoomRecord)); ++n)
            vorn::LoadRoom(world, rooms, n);
    }
    for (std::int32_t n = -1; n <= LoadsOf(vorn::kEventsFile, sizeof(vorn::EventRecord)); ++n)
        vorn::LoadEvent(world, n);
    for (std::int32_t n = -1; n <= LoadsOf(vorn::kMonstersFile, sizeof(vorn::MonsterRecord)); ++n)
        vorn::LoadMonster(world, n);
    for (std::int32_t n = -1; n <= LoadsOf(vorn::kWeaponsFile, sizeof(vorn::WeaponRecord)); ++n)
        vorn::LoadWeapon(world, n);
    for (std::int32_t n = -1; n <= LoadsOf(vorn::kArmorsFile, sizeof(vorn::ArmorRecord)); ++n)
        vorn::LoadArmor(world, n);
    for (std::int32_t n = -1; n <= LoadsOf(vorn::kItemsFile, sizeof(vorn::ItemRecord)); ++n)
        vorn::LoadItem(world, n);
    for (std::int32_t n = -1; n <= LoadsOf(vorn::kLevelsFile, sizeof(vorn::LevelRecord)); ++n)
        vorn::LoadLevel(world, n);
    for (std::int32_t n = -1; n <= LoadsOf(vorn::kArmyUnitsFile, sizeof(vorn::ArmyUnitRecord)); ++n)
        vorn::LoadUnitType(world, n);
    for (std::int32_t n = -1;
         n <= LoadsOf(vorn::kBuildingTypesFile, sizeof(vorn::BuildingTypeRecord)); ++n)
        vorn::LoadBuildingType(world, n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vorn::fuzz::GameScratch game;
    if (size < 1) return 0;
    const char* file = kFiles[data[0] % std::size(kFiles)];
    vorn::fuzz::WriteFileParts(data + 1, size - 1, {file});

    vorn::WorldBuffers world;
    LoadEverything(world);
    const vorn::CheckReport report = vorn::CheckGameDirectory(".", game.clock.now());
    (void)report.lines();

    game.restore({file});
    return 0;
}
