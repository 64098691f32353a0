// The world loaders against real files: the "nothing" records, missing, short and damaged files,
// and the rooms handle that city founding writes through.
#include "world/world_files.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace vorn {
namespace {

namespace fs = std::filesystem;

class WorldFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vorn-world-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        world_.directory = dir_;
    }
    void TearDown() override { fs::remove_all(dir_); }

    void write(const char* name, const void* data, std::size_t size) {
        std::ofstream out(fs::path(dir_) / name, std::ios::binary | std::ios::trunc);
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    template <class Record>
    void write_records(const char* name, const std::vector<Record>& records,
                       std::size_t extra_bytes = 0) {
        std::vector<char> bytes(records.size() * sizeof(Record) + extra_bytes, 0x5A);
        if (!records.empty())
            std::memcpy(bytes.data(), records.data(), records.size() * sizeof(Record));
        write(name, bytes.data(), bytes.size());
    }
    template <class Record>
    static Record Numbered(int number, std::uint8_t fill = 0) {
        Record r;
        std::memset(&r, fill, sizeof r);
        r.number = number;
        return r;
    }

    std::string dir_;
    WorldBuffers world_;
};

TEST_F(WorldFilesTest, NumberZeroGivesTheNothingRecordsAndFalse) {
    world_.weapon = Numbered<WeaponRecord>(7, 0xEE);
    EXPECT_FALSE(LoadWeapon(world_, 0));
    EXPECT_EQ(+world_.weapon.number, 0);
    EXPECT_EQ(world_.weapon.name.view(), "Fist");
    EXPECT_EQ(+world_.weapon.dice, 1);
    EXPECT_EQ(+world_.weapon.sides, 2);
    EXPECT_EQ(+world_.weapon.magic, 0);
    EXPECT_EQ(+world_.weapon.price, 0);

    world_.armor = Numbered<ArmorRecord>(3, 0xEE);
    EXPECT_FALSE(LoadArmor(world_, 0));
    EXPECT_EQ(world_.armor.name.view(), "No Armor");
    EXPECT_EQ(+world_.armor.base_class, 0);
    EXPECT_EQ(+world_.armor.magic, 0);
    EXPECT_EQ(+world_.armor.price, 0);

    world_.item = Numbered<ItemRecord>(9, 0xEE);
    EXPECT_FALSE(LoadItem(world_, 0));
    EXPECT_EQ(+world_.item.number, 1);  // the dummy item carries number 1, not 0
    EXPECT_EQ(world_.item.name.view(), "dummy item");
    EXPECT_EQ(world_.item.description.view(), "does nothing");
    EXPECT_TRUE(world_.item.sold);
    EXPECT_TRUE(world_.item.bought);
    EXPECT_EQ(+world_.item.price, 0);
    EXPECT_EQ(+world_.item.effect, 0);
    EXPECT_TRUE(world_.item.use_text.empty());

    world_.level = Numbered<LevelRecord>(4, 0xEE);
    EXPECT_FALSE(LoadLevel(world_, 0));
    EXPECT_EQ(+world_.level.number, 0);
    EXPECT_EQ(+world_.level.experience, 0);
    EXPECT_EQ(+world_.level.reserved_6, 0);

    RecordFile no_rooms;
    world_.room = Numbered<RoomRecord>(5, 0xEE);
    LoadRoom(world_, no_rooms, 0);
    EXPECT_EQ(+world_.room.number, 0);
    EXPECT_TRUE(world_.room.tag.empty());
}

TEST_F(WorldFilesTest, MissingFilesGiveFalseAndLeaveTheBuffers) {
    world_.event = Numbered<EventRecord>(2, 0x11);
    world_.monster = Numbered<MonsterRecord>(2, 0x11);
    world_.weapon = Numbered<WeaponRecord>(2, 0x11);
    world_.unit = Numbered<ArmyUnitRecord>(2, 0x11);
    EXPECT_FALSE(LoadEvent(world_, 1));
    EXPECT_FALSE(LoadMonster(world_, 1));
    EXPECT_FALSE(LoadWeapon(world_, 1));
    EXPECT_FALSE(LoadArmor(world_, 1));
    EXPECT_FALSE(LoadItem(world_, 1));
    EXPECT_FALSE(LoadLevel(world_, 1));
    EXPECT_FALSE(LoadUnitType(world_, 1));
    EXPECT_FALSE(LoadBuildingType(world_, 1));
    EXPECT_EQ(+world_.event.number, 2);
    EXPECT_EQ(+world_.event.gold_change, 0x1111);
    EXPECT_EQ(+world_.monster.number, 2);
    EXPECT_EQ(+world_.weapon.number, 2);
    EXPECT_EQ(+world_.unit.number, 2);
}

TEST_F(WorldFilesTest, EventsAndMonstersBelowOneAreRefusedWithoutTouchingTheBuffer) {
    write_records("events.dat", std::vector{Numbered<EventRecord>(1)});
    write_records("monsters.dat", std::vector{Numbered<MonsterRecord>(1)});
    world_.event = Numbered<EventRecord>(9, 0x22);
    world_.monster = Numbered<MonsterRecord>(9, 0x22);
    world_.monster_count = 77;
    EXPECT_FALSE(LoadEvent(world_, 0));
    EXPECT_FALSE(LoadEvent(world_, -3));
    EXPECT_FALSE(LoadMonster(world_, 0));
    EXPECT_EQ(+world_.event.number, 9);
    EXPECT_EQ(+world_.monster.number, 9);
    EXPECT_EQ(+world_.monster_count, 77);  // the file was not opened
}

TEST_F(WorldFilesTest, RecordsAreFoundByNumber) {
    std::vector<EventRecord> events{Numbered<EventRecord>(1), Numbered<EventRecord>(2)};
    events[1].xp_change = 1234;
    events[1].killer = "a falling rock";
    write_records("events.dat", events);
    ASSERT_TRUE(LoadEvent(world_, 2));
    EXPECT_EQ(+world_.event.number, 2);
    EXPECT_EQ(+world_.event.xp_change, 1234);
    EXPECT_EQ(world_.event.killer.view(), "a falling rock");

    std::vector<LevelRecord> levels{Numbered<LevelRecord>(1), Numbered<LevelRecord>(2)};
    levels[1].experience = 500;
    write_records("levels.dat", levels);
    ASSERT_TRUE(LoadLevel(world_, 2));
    EXPECT_EQ(+world_.level.experience, 500);
    EXPECT_FALSE(LoadLevel(world_, 3));

    std::vector<BuildingTypeRecord> buildings{Numbered<BuildingTypeRecord>(1)};
    buildings[0].build_time = 12;
    write_records("buildg.dat", buildings);
    ASSERT_TRUE(LoadBuildingType(world_, 1));
    EXPECT_EQ(+world_.building.build_time, 12);
    EXPECT_FALSE(LoadBuildingType(world_, 2));  // the end of the building list
}

TEST_F(WorldFilesTest, MonsterLoadsKeepTheCountOfWholeRecords) {
    write_records("monsters.dat",
                  std::vector{Numbered<MonsterRecord>(1), Numbered<MonsterRecord>(2),
                              Numbered<MonsterRecord>(3)},
                  100);
    ASSERT_TRUE(LoadMonster(world_, 3));
    EXPECT_EQ(+world_.monster_count, 3);
    world_.monster_count = 0;
    // A failed read past the end still refreshes the count, and leaves the buffer as it was.
    EXPECT_FALSE(LoadMonster(world_, 4));
    EXPECT_EQ(+world_.monster_count, 3);
    EXPECT_EQ(+world_.monster.number, 3);
}

TEST_F(WorldFilesTest, ShortReadsOfShopFilesFailWithThePartThatArrived) {
    WeaponRecord second = Numbered<WeaponRecord>(2);
    second.name = "Short Sword";
    std::vector<char> bytes(sizeof(WeaponRecord) + 50, 0);
    std::memcpy(bytes.data() + sizeof(WeaponRecord), &second, 50);
    write("weapons.dat", bytes.data(), bytes.size());
    world_.weapon = Numbered<WeaponRecord>(9, 0x33);
    EXPECT_FALSE(LoadWeapon(world_, 2));
    EXPECT_EQ(+world_.weapon.number, 2);
    EXPECT_EQ(world_.weapon.name.view().substr(0, 5), "Short");
    EXPECT_EQ(+world_.weapon.price, 0x33333333);  // beyond the 50 bytes read

    write_records("items.dat", std::vector{Numbered<ItemRecord>(1)});
    EXPECT_TRUE(LoadItem(world_, 1));
    EXPECT_FALSE(LoadItem(world_, 2));  // "Item non existant"
    EXPECT_FALSE(LoadItem(world_, 255));

    write_records("events.dat", std::vector{Numbered<EventRecord>(1)}, 10);
    world_.event = Numbered<EventRecord>(7, 0x44);
    EXPECT_FALSE(LoadEvent(world_, 2));
    EXPECT_EQ(+world_.event.number, 7);  // events change only when whole
}

TEST_F(WorldFilesTest, GarbageFilesLoadWithoutHarm) {
    std::mt19937 random(1234);
    std::vector<char> junk(5000);
    for (char& c : junk) c = static_cast<char>(random());
    for (const char* name : {"events.dat", "monsters.dat", "weapons.dat", "armors.dat", "items.dat",
                             "levels.dat", "armys.dat", "buildg.dat", "rooms.dat"}) {
        write(name, junk.data(), junk.size());
    }
    EXPECT_TRUE(LoadEvent(world_, 6));
    EXPECT_TRUE(LoadMonster(world_, 12));
    EXPECT_TRUE(LoadWeapon(world_, 12));
    EXPECT_TRUE(LoadArmor(world_, 12));
    EXPECT_TRUE(LoadItem(world_, 7));
    EXPECT_TRUE(LoadLevel(world_, 45));
    EXPECT_TRUE(LoadUnitType(world_, 4));
    EXPECT_TRUE(LoadBuildingType(world_, 4));
    EXPECT_FALSE(LoadBuildingType(world_, 5));
    // Texts never reach past their fields, whatever the length bytes say.
    EXPECT_LE(world_.monster.name.view().size(), 255u);
    EXPECT_LE(world_.event.killer.view().size(), 40u);
    EXPECT_LE(world_.unit.name.view().size(), 40u);
    for (const auto& line : world_.event.text) EXPECT_LE(line.view().size(), 78u);

    RecordFile rooms;
    ASSERT_TRUE(rooms.open((fs::path(dir_) / "rooms.dat").string(), sizeof(RoomRecord),
                           RecordFile::Access::kReadWrite));
    LoadRoom(world_, rooms, 5);
    EXPECT_LE(world_.room.tag.view().size(), 15u);
}

TEST_F(WorldFilesTest, RoomsReadThroughTheOpenHandleAndBeyondTheMapAreEmpty) {
    std::vector<RoomRecord> rooms_data{Numbered<RoomRecord>(1), Numbered<RoomRecord>(2)};
    rooms_data[1].tag = "Forest Edge";
    rooms_data[1].north = 1;
    rooms_data[1].reserved_626[10] = 0x7E;
    write_records("rooms.dat", rooms_data, 40);
    RecordFile rooms;
    ASSERT_TRUE(rooms.open((fs::path(dir_) / "rooms.dat").string(), sizeof(RoomRecord),
                           RecordFile::Access::kReadWrite));

    EXPECT_TRUE(LoadRoom(world_, rooms, 2));
    EXPECT_EQ(world_.room.tag.view(), "Forest Edge");
    EXPECT_EQ(+world_.room.north, 1);

    // Room 3 is the 40-byte stump: what is there is read, the rest is zero, not left-overs.
    EXPECT_FALSE(LoadRoom(world_, rooms, 3));
    EXPECT_EQ(+world_.room.number, 0x5A5A5A5A);
    EXPECT_EQ(+world_.room.north, 0x5A5A5A5A);  // bytes 31..34 are inside the stump
    EXPECT_EQ(+world_.room.east, 0);            // bytes 43..46 are not
    EXPECT_EQ(+world_.room.down, 0);
    EXPECT_FALSE(LoadRoom(world_, rooms, 50));
    EXPECT_EQ(+world_.room.number, 0);
    EXPECT_EQ(+world_.room.north, 0);
    EXPECT_FALSE(LoadRoom(world_, rooms, -1));
    EXPECT_EQ(+world_.room.number, 0);

    // City founding writes one room back; its neighbours and its unread bytes stay.
    LoadRoom(world_, rooms, 2);
    world_.room.city = 4;
    ASSERT_TRUE(SaveRoom(rooms, 2, world_.room));
    LoadRoom(world_, rooms, 1);
    EXPECT_EQ(+world_.room.number, 1);
    LoadRoom(world_, rooms, 2);
    EXPECT_EQ(+world_.room.city, 4);
    EXPECT_EQ(world_.room.tag.view(), "Forest Edge");
    EXPECT_EQ(+world_.room.reserved_626[10], 0x7E);
    EXPECT_FALSE(SaveRoom(rooms, 0, world_.room));
}

}  // namespace
}  // namespace vorn
