// Callers arriving through the real game: a new caller vouched for by door.sys who creates a
// character and walks into the forest, an account made at the logon and used again with the
// password in other letters, and a telnet caller who tries the sysop's name and wrong passwords.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <regex>
#include <string>
#include <utility>

#include "common/config_files.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "support/caller_scripts.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"
#include "support/telnet_listener.hpp"

namespace vorn::test {
namespace {

TEST(Logon, NewDoorSysCallerCreatesACharacterAndReachesTheForest) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetDoorType(dir, 1);
    WriteDoorSys(dir, "Ann Caller");

    GameProcess game("game", dir, {.args = {"1"}});
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
    // No logon screen: the board vouches for the caller, who is new here.
    ASSERT_TRUE(Answer(game, "A Newcomer's Guide to Vornhold", "\r"));
    CreateHuman(game, "Brannoc");
    game.type("f");
    ASSERT_TRUE(game.wait_for_text("Forest Edge"));
    // The woodcutter at the forest edge offers his draughts to every newcomer.
    ASSERT_TRUE(Answer(game, "Do you take the", "y"));
    ASSERT_TRUE(game.wait_for_text("Cast spell"));

    const UserRecord u = UserNamed(dir, "Brannoc");
    EXPECT_EQ(u.number, 2);
    EXPECT_EQ(u.real_name.view(), "Ann Caller");
    EXPECT_EQ(u.race, 1);
    EXPECT_EQ(u.subrace, 1);
    EXPECT_EQ(u.race_name.view(), "Human");
    EXPECT_EQ(u.subrace_name.view(), "Black");
    EXPECT_TRUE(u.sex);
    EXPECT_EQ(u.law, 1);
    EXPECT_EQ(u.morals, 1);
    EXPECT_EQ(u.deity, 1);
    EXPECT_EQ(u.religion_rank, 1);
    EXPECT_EQ(u.disadvantages, 0);
    EXPECT_EQ(u.max_hp, u.con + 4);
    EXPECT_EQ(u.max_mana, (u.int_ * 3) / 4 + u.wis / 4 + 4);
    EXPECT_EQ(u.mana, u.max_mana);
    EXPECT_GE(u.str, 1);
    EXPECT_LE(u.str, 25);
    EXPECT_EQ(u.room, 2);
    EXPECT_EQ(u.location.view(), "Forest Edge");

    // Q on the default page goes back to the title menu; Q there ends the visit.
    game.type("q");
    ASSERT_TRUE(Answer(game, "Step into the snows", "q"));
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    EXPECT_EQ(game.wait_exit(), 0);
}

TEST(Logon, AccountMadeAtTheGateAcceptsThePasswordInOtherLetters) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetDoorType(dir, 4);
    {
        GameProcess game("game", dir, {.args = {"1"}});
        ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
        ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
        ASSERT_TRUE(Answer(game, "User name:", "Zed Caller\r"));
        ASSERT_TRUE(Answer(game, "create an account?", "y"));
        ASSERT_TRUE(Answer(game, "Enter a password to use:", "Secret\r"));
        ASSERT_TRUE(Answer(game, "Enter password a second time:", "Other\r"));
        ASSERT_TRUE(Answer(game, "Passwords do not match!", "Secret\rSECRET\r"));
        ASSERT_TRUE(Answer(game, "A Newcomer's Guide to Vornhold", "\r"));
        CreateHuman(game, "Zed");
        game.type("f");
        ASSERT_TRUE(Answer(game, "Do you take the", "y"));
        ASSERT_TRUE(game.wait_for_text("Cast spell"));
        game.type("*");
        EXPECT_EQ(game.wait_exit(), 0);
    }
    const UserRecord zed = UserNamed(dir, "Zed");
    EXPECT_EQ(TransformPassword(zed.password.view()), "SECRET");
    {
        GameProcess game("game", dir, {.args = {"1"}});
        ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
        ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
        ASSERT_TRUE(Answer(game, "User name:", "zed caller\r"));
        ASSERT_TRUE(Answer(game, "Password :", "sEcReT\r"));
        ASSERT_TRUE(Answer(game, "Do you want to read the news?", "n"));
        ASSERT_TRUE(game.wait_for_text("Your command?"));
        game.type("*");
        EXPECT_EQ(game.wait_exit(), 0);
    }
}

// The stand-alone telnet game: the sysop's name (the one games used to be laid out with) is not
// for callers; every wrong password is logged with the caller's address and costs a longer
// pause; the third of the call ends it, though it came at a second logon.
TEST(Logon, TheSysopsNameIsRefusedAndTheThirdWrongPasswordEndsTheCall) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    NodeConfig daemon{};
    ASSERT_TRUE(ReadNodeConfig(dir.file("vorn0.dat"), daemon));
    EXPECT_EQ(daemon.sysop_name.view(), "");  // no name anybody could guess
    daemon.sysop_name = "You";
    ASSERT_TRUE(WriteNodeConfig(dir.file("vorn0.dat"), daemon));
    TelnetListener listener(dir, "game", {"DAEMON"});
    GameProcess game(listener);
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
    ASSERT_TRUE(Answer(game, "User name:", "you\r"));
    ASSERT_TRUE(Answer(game, "That name is not for callers", "\r"));
    // The placeholder user of a fresh game has no password; "Joe Board" is its caller name.
    const auto start = std::chrono::steady_clock::now();
    for (int wrong = 1; wrong <= 3; ++wrong) {
        // The refused name and two passwords use up the logon's three tries.
        if (wrong == 3) {
            ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
        }
        ASSERT_TRUE(Answer(game, "User name:", "Joe Board\r"));
        ASSERT_TRUE(Answer(game, "Password :", "wrong\r"));
    }
    ASSERT_TRUE(game.wait_for_text("Too many wrong passwords."));
    EXPECT_EQ(game.wait_exit(), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));  // 1 s + 2 s
    const std::string logs = AllLogs(dir);
    EXPECT_NE(logs.find("Logon as you refused from 127.0.0.1:"), std::string::npos) << logs;
    for (const char* wrong : {"1", "2", "3"}) {
        const std::regex line("Wrong password for Joe Board from 127\\.0\\.0\\.1:\\d+ \\(" +
                              std::string(wrong) + " of 3\\)");
        EXPECT_TRUE(std::regex_search(logs, line)) << wrong << logs;
    }
    EXPECT_NE(logs.find("End of call: wrong passwords"), std::string::npos);
}

TEST(Logon, AGameHoldingItsLastPlayerRefusesANewCharacter) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetDoorType(dir, 1);
    WriteDoorSys(dir, "Late Caller");
    // Sparse user files as long as the 16-bit user numbers allow.
    for (const auto& [name, size] : {std::pair{"users.dat", sizeof(UserRecord)},
                                     {"users.idx", sizeof(UserIndexEntry)},
                                     {"user2.dat", sizeof(UserExtraRecord)}}) {
        dir.write_file(name, "");
        ASSERT_EQ(::truncate(dir.file(name).c_str(), static_cast<off_t>(kMaxUsers * size)), 0);
    }

    GameProcess game("game", dir, {.args = {"1"}});
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
    ASSERT_TRUE(game.wait_for_text("Whack The Damn Key!"));
    // The refusal and its pause stand on a screen of their own, not over the title menu's art.
    EXPECT_EQ(game.screen_text().find("Step into the snows"), std::string::npos)
        << game.screen_text();
    ASSERT_TRUE(Answer(game, "no room for another character", "\r"));
    ASSERT_TRUE(Answer(game, "Step into the snows", "q"));
    ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
    EXPECT_EQ(game.wait_exit(), 0);

    EXPECT_EQ(dir.file_size("users.dat"), static_cast<long long>(kMaxUsers * sizeof(UserRecord)));
    std::string logs;
    for (const std::string& name : dir.list("logs")) logs += dir.read_file("logs/" + name);
    EXPECT_NE(logs.find("  x No room for a new character"), std::string::npos) << logs;
}

}  // namespace
}  // namespace vorn::test
