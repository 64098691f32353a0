#include "support/caller_scripts.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "common/config_files.hpp"
#include "common/record_file.hpp"
#include "common/world_records.hpp"

namespace vorn::test {

namespace {

std::uint32_t Flags(std::string_view letters) {
    std::uint32_t flags = 0;
    for (char c : letters) flags |= 1u << (c - 64);
    return flags;
}

template <class Record>
Record Zeroed() {
    Record r;
    std::memset(&r, 0, sizeof r);
    return r;
}

template <class Record>
void WriteRecords(const GameDirectory& dir, const char* name, const std::vector<Record>& records) {
    std::string bytes;
    for (const Record& r : records) bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    dir.write_file(name, bytes);
}

}  // namespace

void SetDoorType(const GameDirectory& dir, int door_type) {
    NodeConfig node{};
    ASSERT_TRUE(ReadNodeConfig(dir.file("vorn1.dat"), node));
    node.door_type = static_cast<std::uint8_t>(door_type);
    node.door_file_path = dir.path() + "/";
    ASSERT_TRUE(WriteNodeConfig(dir.file("vorn1.dat"), node));
}

namespace {

std::string DoorSys(const std::string& caller, int baud) {
    std::string door = "COM0:\r\n" + std::to_string(baud) + "\r\n";
    for (int line = 3; line <= 9; ++line) door += "x\r\n";
    door += caller + "\r\n";
    for (int line = 11; line <= 18; ++line) door += "y\r\n";
    return door + "60\r\nGR\r\n";
}

}  // namespace

void WriteDoorSys(const GameDirectory& dir, const std::string& caller) {
    dir.write_file("door.sys", DoorSys(caller, 0));
}

void SetUpDoorNode(const GameDirectory& dir, int node, const std::string& caller, int baud,
                   bool sysop_keys) {
    NodeConfig config{};
    ASSERT_TRUE(ReadNodeConfig(dir.file("vorn1.dat"), config));
    const std::string folder = "node" + std::to_string(node);
    dir.make_directory(folder);
    config.door_type = 1;
    config.door_file_path = dir.file(folder) + "/";
    config.multinode = true;
    config.sysop_keys = sysop_keys;
    const std::string file = dir.file("vorn" + std::to_string(node) + ".dat");
    ASSERT_TRUE(WriteNodeConfig(file, config));
    GiveToUnprivilegedUser(file);
    dir.write_file(folder + "/door.sys", DoorSys(caller, baud));
}

std::string AllLogs(const GameDirectory& dir) {
    std::string all;
    for (const std::string& name : dir.list("logs")) all += dir.read_file("logs/" + name);
    return all;
}

void WriteTestWorld(const GameDirectory& dir) {
    RoomRecord city = Zeroed<RoomRecord>();
    city.number = 1;
    city.tag = "Vornville";
    city.terrain = 255;
    RoomRecord glade = Zeroed<RoomRecord>();
    glade.number = 2;
    glade.tag = "Test Glade";
    glade.flags = Flags("NEIHQ");
    glade.north = 1;
    glade.east = 3;
    glade.monster_chance = 100;
    glade.monster_draw1 = 1;
    glade.monster_draw2 = 1;
    glade.text[0] = "A quiet glade. A beetle clicks in the grass.";
    RoomRecord pit = Zeroed<RoomRecord>();
    pit.number = 3;
    pit.tag = "Death Pit";
    pit.flags = Flags("WIHQ");
    pit.west = 2;
    pit.event = 1;
    WriteRecords(dir, "rooms.dat", std::vector<RoomRecord>{city, glade, pit});

    EventRecord fall = Zeroed<EventRecord>();
    fall.number = 1;
    fall.text[0] = "Something vast stirs at the bottom of the pit.";
    fall.keep_weapon = true;
    fall.keep_armor = true;
    fall.monster = 2;
    fall.monster_number = 1;
    WriteRecords(dir, "events.dat", std::vector<EventRecord>{fall});

    MonsterRecord beetle = Zeroed<MonsterRecord>();
    beetle.number = 1;
    beetle.name = "Grass Beetle";
    beetle.hp_min = 1;
    beetle.hp_max = 2;
    beetle.reward = 7;
    beetle.level = 1;
    beetle.random_encounter = true;
    beetle.reach = 1;
    MonsterRecord horror = Zeroed<MonsterRecord>();
    horror.number = 2;
    horror.name = "Pit Horror";
    horror.hp_min = 900;
    horror.hp_max = 1000;
    horror.attack_bonus = 200;
    horror.attack_dice = 40;
    horror.attack_sides = 50;
    horror.level = 9;
    horror.reach = 80;
    WriteRecords(dir, "monsters.dat", std::vector<MonsterRecord>{beetle, horror});
}

void WriteWalkingWorld(const GameDirectory& dir) {
    RoomRecord city = Zeroed<RoomRecord>();
    city.number = 1;
    city.tag = "Vornville";
    city.terrain = 255;
    std::vector<RoomRecord> rooms{city};
    for (int i : {1, 2}) {
        RoomRecord r = Zeroed<RoomRecord>();
        r.number = i + 1;
        r.tag = i == 1 ? "Pine Walk" : "Cedar Ridge";
        r.flags = Flags(i == 1 ? "NEIHQ" : "WIHQ");
        r.north = i == 1 ? 1 : 0;
        r.east = i == 1 ? 3 : 0;
        r.west = i == 1 ? 0 : 2;
        r.terrain = 2;
        for (int line = 0; line < kRoomTextLines; ++line) {
            r.text[line] = "|07Old pines lean over the path, and the wind |15whispers|07 in them.";
        }
        rooms.push_back(r);
    }
    WriteRecords(dir, "rooms.dat", rooms);
}

bool WritePlayers(const GameDirectory& dir, int players) {
    std::string users;
    std::string index;
    users.reserve(static_cast<std::size_t>(players) * sizeof(UserRecord));
    for (int i = 0; i < players; ++i) {
        UserRecord u = DefaultUserRecord();
        u.number = static_cast<std::uint16_t>(i < static_cast<int>(kMaxUsers) ? i + 1 : 0);
        u.name = "Player " + std::to_string(i);
        u.real_name = "Caller " + std::to_string(i);
        u.room = 1;
        u.deity = 1;
        u.religion_rank = 1;
        u.max_hp = u.hp = 20;
        u.experience = static_cast<std::int32_t>((static_cast<unsigned>(i) * 7919u) % 5000u);
        const UserIndexEntry e = IndexEntryFor(u);
        users.append(reinterpret_cast<const char*>(&u), sizeof u);
        index.append(reinterpret_cast<const char*>(&e), sizeof e);
    }
    dir.write_file(kUsersFile, users);
    dir.write_file(kUserIndexFile, index);
    dir.write_file(kUserExtraFile, "");
    return ::truncate(dir.file(kUserExtraFile).c_str(),
                      static_cast<off_t>(players) * sizeof(UserExtraRecord)) == 0;
}

UserRecord UserNamed(const GameDirectory& dir, const std::string& name) {
    RecordFile users;
    UserRecord u{};
    if (!users.open(dir.file("users.dat"), sizeof(UserRecord), RecordFile::Access::kRead)) return u;
    for (std::uint64_t i = 0; users.read_record(i, u); ++i) {
        if (u.name.view() == name) return u;
    }
    return UserRecord{};
}

void ChangeUser(const GameDirectory& dir, const std::string& name,
                const std::function<void(UserRecord&)>& change) {
    UserRecord u = UserNamed(dir, name);
    ASSERT_NE(u.number, 0) << name;
    change(u);
    RecordFile users;
    ASSERT_TRUE(
        users.open(dir.file("users.dat"), sizeof(UserRecord), RecordFile::Access::kReadWrite));
    ASSERT_TRUE(users.write_record(u.number - 1u, u));
}

bool Answer(GameProcess& game, const std::string& text, const std::string& keys) {
    if (!game.wait_for_text(text)) return false;
    game.type(keys);
    return true;
}

void NewcomerCreatesHuman(GameProcess& game, const std::string& name) {
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
    ASSERT_TRUE(Answer(game, "A Newcomer's Guide to Vornhold", "\r"));
    CreateHuman(game, name);
}

void EnterGame(GameProcess& game, const std::string& name, bool new_character) {
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r")) << game.screen_text();
    ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
    if (new_character) {
        ASSERT_TRUE(Answer(game, "A Newcomer's Guide to Vornhold", "\r"));
        CreateHuman(game, name);
    } else {
        ASSERT_TRUE(Answer(game, "Do you want to read the news?", "n"));
    }
}

void LeaveFromTheMap(GameProcess& game) {
    game.type("q");
    ASSERT_TRUE(Answer(game, "Step into the snows", "q"));
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    EXPECT_EQ(game.wait_exit(), 0);
}

void CreateHuman(GameProcess& game, const std::string& name) {
    ASSERT_TRUE(Answer(game, "What is your character name?", name + "\r"));
    ASSERT_TRUE(Answer(game, "The race of your character?", "1\r"));
    ASSERT_TRUE(Answer(game, "Choose a Sub-Race:", "1\r"));
    // The list of advantages pauses four times for a Human.
    ASSERT_TRUE(Answer(game, "Note that some of them must be activated", "\r"));
    ASSERT_TRUE(Answer(game, "Err...No skills", "\r"));
    ASSERT_TRUE(Answer(game, "Now for the disadvantages...", "\r"));
    ASSERT_TRUE(Answer(game, "Err...No Disadvantages, for now!", "\r"));
    ASSERT_TRUE(Answer(game, "The sex of your character? [M/F]", "m"));
    ASSERT_TRUE(Answer(game, "Are they ok?", "y"));
    ASSERT_TRUE(Answer(game, "Choose your alignement", "1aq"));
    ASSERT_TRUE(Answer(game, "Before whom do you kneel?", "a"));
    ASSERT_TRUE(Answer(game, "Do you want to read the news?", "n"));
    ASSERT_TRUE(game.wait_for_text("Go in the forest"));
}

void WriteMessage(GameProcess& game, const std::string& to, const std::string& subject,
                  const std::string& text) {
    ASSERT_TRUE(Answer(game, "Destination", to + "\r"));
    ASSERT_TRUE(Answer(game, "Enter message title:", subject + "\r"));
    ASSERT_TRUE(Answer(game, "Scribe's Desk", text + "\x18"));
}

void ReadFirstLetter(GameProcess& game, const std::string& text) {
    game.type("!");
    ASSERT_TRUE(Answer(game, "Read it?", "y"));
    ASSERT_TRUE(Answer(game, "Begin reading at which message", "\r"));
    ASSERT_TRUE(game.wait_for_text(text)) << game.screen_text();
}

void EnterTheForest(GameProcess& game, const std::string& name) {
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
    if (name.empty()) {
        ASSERT_TRUE(Answer(game, "Do you want to read the news?", "n"));
        ASSERT_TRUE(game.wait_for_text("Your command?"));
        return;
    }
    ASSERT_TRUE(Answer(game, "A Newcomer's Guide to Vornhold", "\r"));
    CreateHuman(game, name);
    game.type("f");
    ASSERT_TRUE(Answer(game, "Do you take the", "y"));
    ASSERT_TRUE(game.wait_for_text("Cast spell"));
}

void EnterAsNewCaller(GameProcess& game, const std::string& caller, const std::string& character) {
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r")) << game.output();
    ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
    ASSERT_TRUE(Answer(game, "User name:", caller + "\r"));
    ASSERT_TRUE(Answer(game, "create an account?", "y"));
    ASSERT_TRUE(Answer(game, "Enter a password to use:", "pw\r"));
    ASSERT_TRUE(Answer(game, "Enter password a second time:", "pw\r"));
    ASSERT_TRUE(Answer(game, "A Newcomer's Guide to Vornhold", "\r"));
    CreateHuman(game, character);
}

}  // namespace vorn::test
