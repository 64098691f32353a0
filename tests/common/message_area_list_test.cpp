// The list of public message areas: the installation's list makes two public areas, a record
// lands at the offsets the game reads, and lines that would name a file outside the message
// directory, share another area's files or overflow a field are refused with their line.
#include "common/message_area_list.hpp"
#include "support/game_directory.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vorn {
namespace {

std::vector<AreaListError> Errors(std::string_view text) {
    std::vector<AreaListError> errors;
    EXPECT_TRUE(ParseMessageAreaList(text, errors).empty());
    return errors;
}

TEST(MessageAreaList, TheInstallationListsTwoPublicAreas) {
    std::ifstream in(std::filesystem::path(test::SourceDir()) / "data/world/msgareas.txt");
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<AreaListError> errors;
    const auto areas = ParseMessageAreaList(text.str(), errors);
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(areas.size(), 2u);
    for (const auto& a : areas) {
        EXPECT_EQ(a.area_kind, 1);
        EXPECT_FALSE(a.area_name.view().empty());
        EXPECT_TRUE(a.read_access.view().empty()) << "everyone may read";
    }
    EXPECT_NE(areas[0].area_file.view(), areas[1].area_file.view());
}

TEST(MessageAreaList, RecordBytes) {
    std::vector<AreaListError> errors;
    const auto areas = ParseMessageAreaList("  TALES ; Tales ; ; S20 ; 300  # note\n", errors);
    ASSERT_EQ(areas.size(), 1u);
    std::uint8_t b[300];
    std::memcpy(b, &areas[0], sizeof b);
    EXPECT_EQ(b[0], 5);  // area name "Tales"
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 1), 5), "Tales");
    EXPECT_EQ(b[41], 5);  // file base "TALES"
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 42), 5), "TALES");
    EXPECT_EQ(b[128], 0);                  // read access: everyone
    EXPECT_EQ(b[149], 3);                  // post access "S20"
    EXPECT_EQ(b[170] | b[171] << 8, 300);  // most messages
    EXPECT_EQ(b[172] | b[173] << 8, 0);    // none written yet
    EXPECT_EQ(b[196], 1);                  // public area
    EXPECT_EQ(b[197], 1);
    EXPECT_EQ(b[198], 1);  // first network address
    EXPECT_EQ(b[299], 0);
}

TEST(MessageAreaList, DefaultsForLeftOutFields) {
    std::vector<AreaListError> errors;
    const auto areas = ParseMessageAreaList("# areas\n\nGEN;General\n", errors);
    ASSERT_EQ(areas.size(), 1u);
    EXPECT_EQ(areas[0].max_messages, 1000);
    EXPECT_TRUE(areas[0].post_access.view().empty());
}

TEST(MessageAreaList, RefusesFaultyLinesByNumber) {
    auto first = [](std::string_view text) {
        const auto e = Errors(text);
        return e.empty() ? AreaListError{} : e.front();
    };
    EXPECT_EQ(first("../ETC;Escape\n").line, 1);
    EXPECT_EQ(first("\nA.B;Dot\n").line, 2);
    EXPECT_EQ(first("TOOLONGBASE;Name\n").line, 1);
    EXPECT_EQ(first("GEN\n").line, 1);
    EXPECT_EQ(first("GEN;" + std::string(41, 'x') + "\n").line, 1);
    EXPECT_EQ(first("GEN;Name;" + std::string(21, 'S') + "\n").line, 1);
    EXPECT_EQ(first("GEN;Name;;;0\n").line, 1);
    EXPECT_EQ(first("GEN;Name;;;70000\n").line, 1);
    EXPECT_EQ(first("GEN;Name;;;12x\n").line, 1);
    EXPECT_EQ(first("GEN;Name;;;1;extra\n").line, 1);

    std::vector<AreaListError> errors;
    const auto areas = ParseMessageAreaList("GEN;One\ngen;Two\nTALES;Three\n", errors);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].line, 2) << "file bases differing only in case share files";
    EXPECT_EQ(areas.size(), 2u);
}

}  // namespace
}  // namespace vorn
