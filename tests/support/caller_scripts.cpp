#include "support/caller_scripts.hpp"

#include <gtest/gtest.h>

#include "common/config_files.hpp"
#include "common/record_file.hpp"

namespace vorn::test {

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
    ASSERT_TRUE(WriteNodeConfig(dir.file("vorn" + std::to_string(node) + ".dat"), config));
    dir.write_file(folder + "/door.sys", DoorSys(caller, baud));
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

}  // namespace vorn::test
