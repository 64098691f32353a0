// A city of one's own through the real game: a player grown rich founds a city at the forest
// edge, sets a scholar to work, trains militia and starts a farmstead; another player who passes
// by sees the city and may not govern it.
#include <gtest/gtest.h>

#include "common/city_records.hpp"
#include "common/record_file.hpp"
#include "common/world_records.hpp"
#include "support/caller_scripts.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace vorn::test {
namespace {

template <class Record>
Record RecordOf(const GameDirectory& dir, const char* file, int number) {
    Record r{};
    RecordFile f;
    EXPECT_TRUE(f.open(dir.file(file), sizeof r, RecordFile::Access::kRead)) << file;
    EXPECT_TRUE(f.read_record(static_cast<std::uint64_t>(number - 1), r)) << file;
    return r;
}

// A door.sys caller who is new here creates a Human and walks out to the forest edge.
void NewcomerAtTheForestEdge(GameProcess& game, const std::string& name) {
    NewcomerCreatesHuman(game, name);
    game.type("f");
    ASSERT_TRUE(Answer(game, "Do you take the", "y")) << game.screen_text();
    ASSERT_TRUE(game.wait_for_text("Cast spell"));
}

TEST(Cities, FoundedGovernedAndSeenByAPasserBy) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetDoorType(dir, 1);
    WriteDoorSys(dir, "Cora Founder");
    {
        GameProcess game("game", dir, {.args = {"1"}});
        NewcomerAtTheForestEdge(game, "Cora");
        LeaveFromTheMap(game);
    }
    ChangeUser(dir, "Cora", [](UserRecord& u) { u.gold = 20'000; });
    {
        GameProcess game("game", dir, {.args = {"1"}});
        ASSERT_TRUE(Answer(game, "Whack The Damn Key!", "\r"));
        ASSERT_TRUE(Answer(game, "Step into the snows", "s"));
        // Back where he left the game, at the forest edge.
        ASSERT_TRUE(Answer(game, "Do you want to read the news?", "n"));
        ASSERT_TRUE(Answer(game, "Cast spell", "y"));
        // With 15,000 gold or more, Enter accepts.
        ASSERT_TRUE(Answer(game, "do you accept?", "\r")) << game.screen_text();
        ASSERT_TRUE(Answer(game, "Enter city name:", "Frostholm\r"));
        ASSERT_TRUE(Answer(game, "The city of Frostholm is present here", "y"));

        ASSERT_TRUE(Answer(game, "Choose your move", "r")) << game.screen_text();
        ASSERT_TRUE(Answer(game, "Progress/Goal", "1"));
        ASSERT_TRUE(Answer(game, "Clear this desk", "9"));
        ASSERT_TRUE(Answer(game, "Dedicate how much", "60\r"));
        ASSERT_TRUE(Answer(game, "Geology", "q")) << game.screen_text();

        ASSERT_TRUE(Answer(game, "Choose your move", "a1"));
        ASSERT_TRUE(Answer(game, "Which army unit you want to train?", "1\r"));
        ASSERT_TRUE(Answer(game, "How many units [100] ?", "5\r")) << game.screen_text();
        ASSERT_TRUE(Answer(game, "Which army unit you want to train?", "0\r"));
        ASSERT_TRUE(Answer(game, "Back to the hall", "q"));

        ASSERT_TRUE(Answer(game, "Choose your move", "b3"));
        ASSERT_TRUE(Answer(game, "Armoury", "\r")) << game.screen_text();
        ASSERT_TRUE(Answer(game, "Castle Keep", "\r"));
        ASSERT_TRUE(Answer(game, "Witch building to construct?", "1\r"));
        ASSERT_TRUE(Answer(game, "Are you sure you want to build a Farmstead?", "y"));
        ASSERT_TRUE(Answer(game, "Now raising: Farmstead", "q")) << game.screen_text();
        ASSERT_TRUE(Answer(game, "Choose your move", "q"));
        ASSERT_TRUE(game.wait_for_text("Cast spell"));
        LeaveFromTheMap(game);
    }
    const auto city = RecordOf<CityRecord>(dir, "cities.dat", 1);
    EXPECT_EQ(city.name.view(), "Frostholm");
    EXPECT_EQ(city.founder.view(), "Cora");
    EXPECT_EQ(city.research_name[0].view(), "Geology");
    EXPECT_EQ(city.research_share[0], 60);
    EXPECT_EQ(city.construction_name.view(), "|10Farmstead");
    EXPECT_EQ(city.weapons, 95);
    EXPECT_EQ(city.lumber, 40);
    EXPECT_EQ(RecordOf<CityArmyRecord>(dir, "cities2.dat", 1).units[0], 5);
    EXPECT_EQ(RecordOf<RoomRecord>(dir, "rooms.dat", 2).city, 1);
    // 10,000 for the city, 50 for the militia, 200 for the farmstead.
    EXPECT_EQ(UserNamed(dir, "Cora").gold, 9'750);
    EXPECT_NE(dir.read_file("global.nws").find("City of Frostholm founded by Cora"),
              std::string::npos);

    WriteDoorSys(dir, "Dara Passer");
    GameProcess game("game", dir, {.args = {"1"}});
    NewcomerAtTheForestEdge(game, "Dara");
    ASSERT_TRUE(game.wait_for_text("The city of Frostholm is present here"));
    game.type("y");
    ASSERT_TRUE(Answer(game, "You can't do that yet!", "\r"));
    ASSERT_TRUE(game.wait_for_text("Cast spell"));
    LeaveFromTheMap(game);
    EXPECT_EQ(dir.file_size("cities.dat"), static_cast<long long>(sizeof(CityRecord)));
    EXPECT_EQ(UserNamed(dir, "Dara").gold, 100);
}

}  // namespace
}  // namespace vorn::test
