// The field table setup's screens and command line share: the typed conversions, what the
// screens show, and the strict reading of the non-interactive form.
#include "setup/field_table.hpp"

#include <gtest/gtest.h>

#include <set>

#include "common/config_files.hpp"

namespace vorn {
namespace {

SetupRecords Defaults() {
    return {DefaultNodeConfig(), DefaultGameSettings(), DefaultMaintSettings()};
}

const SetupField& Field(std::string_view name) {
    const SetupField* field = FindSetupField(name);
    EXPECT_NE(field, nullptr) << name;
    return *field;
}

std::size_t RecordSize(SettingsFile file) {
    switch (file) {
        case SettingsFile::kNode:
            return sizeof(NodeConfig);
        case SettingsFile::kGame:
            return sizeof(GameSettings);
        case SettingsFile::kMaint:
            break;
    }
    return sizeof(MaintSettings);
}

TEST(SetupFieldTable, NamesAndKeysAreUniqueAndFieldsLieInTheirRecords) {
    std::set<std::string_view> names;
    std::set<std::pair<SetupScreen, char>> keys;
    for (const SetupField& f : SetupFields()) {
        EXPECT_TRUE(names.insert(f.name).second) << f.name;
        EXPECT_TRUE(keys.insert({f.screen, f.key}).second) << f.name;
        const std::size_t bytes = f.kind == FieldKind::kText || f.kind == FieldKind::kPath
                                      ? f.size + 1  // the length byte
                                      : f.size;
        EXPECT_LE(f.offset + bytes, RecordSize(f.file)) << f.name;
        EXPECT_EQ(SetupFieldForKey(f.screen, f.key), &f);
    }
}

TEST(SetupFieldTable, TypedValuesFollowTheScreensRules) {
    const struct {
        std::string_view field;
        std::string_view typed;
        std::string_view shown;
    } cases[] = {
        {"mana_recovery_secs", "300", "44 s"},  // modulo 256
        {"hp_recovery_secs", "abc", "0 s"},     // not a number
        {"hp_recovery_secs", "", "0 s"},
        {"time_limit", "70000", "4464"},  // modulo 65536
        {"time_limit", " 30 ", "30"},
        {"time_limit", "-1", "65535"},
        {"time_limit", "99999999999999999999999", "0"},  // beyond any number: not a number
        {"pause_delay_ms", "1500", "1500 ms"},
        {"pause_delay_ms", "0", "Nope!"},
        {"door_file_path", "/home/bbs/door", "/home/bbs/door/"},
        {"door_file_path", "/home/bbs/door/", "/home/bbs/door/"},
        {"sysop_name", std::string_view("Ann\x82lie", 7), std::string_view("Ann\x82lie", 7)},
        {"build_points_formula", "2L:3", "2L:3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " <- \"" + std::string(c.typed) + "\"");
        SetupRecords records = Defaults();
        StoreTyped(Field(c.field), records, c.typed);
        EXPECT_EQ(FieldDisplay(Field(c.field), records), c.shown);
    }
    // Texts are cut to the field: the path keeps its first 40 characters, the name its 36.
    SetupRecords records = Defaults();
    StoreTyped(Field("door_file_path"), records, std::string(45, 'p'));
    EXPECT_EQ(records.node.door_file_path.str(), std::string(40, 'p'));
    StoreTyped(Field("sysop_name"), records, std::string(40, 's'));
    EXPECT_EQ(records.node.sysop_name.size(), 36u);
}

TEST(SetupFieldTable, ScreensShowFlagsDoorTypesAndPathsInTheirWords) {
    SetupRecords records = Defaults();
    EXPECT_EQ(FieldDisplay(Field("multinode"), records), "Yup!");
    EXPECT_EQ(FieldDisplay(Field("daemon_mode"), records), "Nope!");
    EXPECT_EQ(FieldDisplay(Field("heal_everything"), records), "True");
    ToggleFlag(Field("heal_everything"), records);
    EXPECT_EQ(FieldDisplay(Field("heal_everything"), records), "False");
    EXPECT_FALSE(records.maint.heal_everything);

    const char* const names[] = {
        "Invalid",    "Door.sys", "Doorfile.sr", "Local", "Internal login system",
        "Door32.sys", "Invalid"};
    for (int type = 0; type <= 6; ++type) {
        records.node.door_type = static_cast<std::uint8_t>(type);
        EXPECT_EQ(FieldDisplay(Field("door_type"), records), names[type]);
        EXPECT_EQ(FieldDisplay(Field("door_file_path"), records),
                  type == 3 || type == 4 ? "Not needed" : "/home/bbs/doors/");
    }

    // A choice cycles through its words; a value without a word counts as the first.
    records.node.encoding = 7;
    EXPECT_EQ(FieldDisplay(Field("encoding"), records), "auto");
    for (const char* word : {"cp437", "utf8", "auto"}) {
        CycleChoice(Field("encoding"), records);
        EXPECT_EQ(FieldDisplay(Field("encoding"), records), word);
    }

    // Door type 4 waits for calls; the local node does not.
    SetDoorType(records.node, 4);
    EXPECT_TRUE(records.node.wfc_mode);
    MakeLocalNode(records.node);
    EXPECT_EQ(records.node.door_type, 3);
    EXPECT_FALSE(records.node.wfc_mode);
}

TEST(SetupFieldTable, CommandLineValuesAreReadStrictly) {
    const struct {
        std::string_view field;
        std::string text;
        bool accepted;
        std::string stored;  // as --show prints it
    } cases[] = {
        {"door_type", "4", true, "4"},
        {"door_type", "5", true, "5"},
        {"door_type", "6", false, "1"},
        {"door_type", "local", false, "1"},
        {"multinode", "no", true, "no"},
        {"multinode", "OFF", true, "no"},
        {"sysop_keys", "yes", true, "yes"},
        {"sysop_keys", "maybe", false, "no"},
        {"time_limit", "65535", true, "65535"},
        {"time_limit", "65536", false, "0"},
        {"hp_recovery_secs", "-1", false, "9"},
        {"bbs_name", "Caf\xc3\xa9 Nord", true, "Caf\xc3\xa9 Nord"},
        {"bbs_name", "\xe4\xb8\xad", false, "Your BBS"},  // no such character in the game's text
        {"bbs_name", "Tab\there", false, "Your BBS"},
        {"sysop_name", std::string(36, 'x'), true, std::string(36, 'x')},
        {"sysop_name", std::string(37, 'x'), false, "You"},
        {"door_file_path", "/srv/bbs", true, "/srv/bbs/"},
        {"door_file_path", std::string(40, 'p'), false, "/home/bbs/doors/"},  // no room for "/"
        {"line_mode", "raw", true, "raw"},
        {"line_mode", "Telnet", true, "telnet"},
        {"encoding", "utf8", true, "utf8"},
        {"encoding", "latin1", false, "auto"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " = " + c.text);
        SetupRecords records = Defaults();
        std::string error;
        EXPECT_EQ(SetFieldFromText(Field(c.field), records, c.text, error), c.accepted);
        EXPECT_EQ(error.empty(), c.accepted);
        EXPECT_EQ(FieldValueText(Field(c.field), records), c.stored);
    }
    SetupRecords records = Defaults();
    std::string error;
    ASSERT_TRUE(SetFieldFromText(Field("door_type"), records, "4", error));
    EXPECT_TRUE(records.node.wfc_mode);
    ASSERT_TRUE(SetFieldFromText(Field("bbs_name"), records, "Caf\xc3\xa9", error));
    EXPECT_EQ(records.node.bbs_name.str(), "Caf\x82");  // stored in code page 437
    ASSERT_TRUE(SetFieldFromText(Field("encoding"), records, "cp437", error));
    EXPECT_EQ(records.node.encoding, kEncodingCp437);
}

}  // namespace
}  // namespace vorn
