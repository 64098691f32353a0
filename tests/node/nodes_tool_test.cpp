// The sysop's list of nodes against a node table written by hand: 80 columns, with each caller's
// address.
#include <gtest/gtest.h>

#include <sstream>

#include "common/clock.hpp"
#include "common/node_records.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace vorn {
namespace {

NodeInfoRecord LiveNode(int node, std::string_view name, std::int32_t speed) {
    NodeInfoRecord r{};
    r.node = static_cast<std::uint8_t>(node);
    r.user_name = name;
    r.user_location = "Vornville";
    r.sex_letter = 'F';
    r.speed = speed;
    r.activity = "Fighting a Greater Basilisk in the Old Mines";
    r.race_name = "Tanar'ri";
    r.heartbeat = NodeSecondsStamp(SystemClock().now());
    return r;
}

TEST(NodesTool, ListFitsEightyColumnsAndNamesWhereEachCallerIs) {
    test::GameDirectory dir;
    // Colour codes of either kind are dropped from the names.
    const NodeInfoRecord nodes[] = {LiveNode(1, "@X0E|12Ann", 0),
                                    LiveNode(2, std::string(36, 'B'), 38400),
                                    LiveNode(3, "Cy", 38400)};
    dir.write_file(kNodeInfoFileName,
                   std::string(reinterpret_cast<const char*>(nodes), sizeof nodes));
    dir.make_directory("temp");
    dir.make_directory("temp/NODE.003");
    dir.write_file("temp/NODE.003/address", "[2001:db8::7]:40022\nnot this line\n");
    const test::ProgramResult listed = test::RunProgram("nodes", dir.path(), {});
    ASSERT_EQ(listed.exit_code, 0) << listed.error_output;
    const std::string rows[][2] = {{"Node Player", "Caller"},
                                   {"   1 Ann", "Local"},
                                   {"   2 BBBBBBBBBBBBBBB F Tanar'ri Fighting", "38400 bps"},
                                   {"   3 Cy", "[2001:db8::7]:40022"}};
    std::istringstream lines(listed.output);
    for (const auto& row : rows) {
        std::string line;
        ASSERT_TRUE(std::getline(lines, line)) << listed.output;
        EXPECT_LE(line.size(), 79u) << line;
        EXPECT_TRUE(line.starts_with(row[0]) && line.ends_with(row[1])) << line;
    }
}

}  // namespace
}  // namespace vorn
