// The world compiler: the sample world compiles to the records the game expects, sources and
// files convert both ways without losing a byte, and every kind of bad source is refused with
// its file, line and field.
#include "worldc/world_source.hpp"
#include "support/game_directory.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <sys/wait.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include "common/world_records.hpp"

namespace vorn {
namespace {

namespace fs = std::filesystem;

const fs::path kSample = fs::path(test::SourceDir()) / "tests/world/data";

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

template <class Record>
Record RecordAt(const std::vector<std::uint8_t>& file, int number) {
    Record r;
    std::memcpy(&r, file.data() + (number - 1) * sizeof(Record), sizeof r);
    return r;
}

class TempDir {
  public:
    TempDir() {
        char pattern[] = "/tmp/vorn-worldc-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// The sample world compiled in memory, kind by kind.
std::array<std::vector<std::uint8_t>, kWorldKindCount> CompileSample() {
    TempDir out;
    std::vector<SourceError> errors;
    EXPECT_TRUE(CompileWorldDirectory(kSample.string(), out.path().string(), errors));
    for (const auto& e : errors) ADD_FAILURE() << e.text();
    std::array<std::vector<std::uint8_t>, kWorldKindCount> files;
    for (int k = 0; k < kWorldKindCount; ++k) {
        const std::string bytes = Slurp(out.path() / KindAt(k).file);
        files[static_cast<std::size_t>(k)].assign(bytes.begin(), bytes.end());
    }
    return files;
}

// Decompiles every kind and compiles the sources again, all in memory.
std::array<std::vector<std::uint8_t>, kWorldKindCount> RoundTrip(
    const std::array<std::vector<std::uint8_t>, kWorldKindCount>& files) {
    WorldSource world;
    for (int k = 0; k < kWorldKindCount; ++k) {
        std::vector<std::string> notes;
        const std::string text =
            DecompileWorldFile(KindAt(k).kind, files[static_cast<std::size_t>(k)], notes);
        EXPECT_TRUE(notes.empty()) << notes.front();
        ParseWorldSource(world, KindAt(k).kind, text, KindAt(k).source);
    }
    CheckWorld(world);
    for (const auto& e : world.errors) ADD_FAILURE() << e.text();
    std::array<std::vector<std::uint8_t>, kWorldKindCount> again;
    for (int k = 0; k < kWorldKindCount; ++k) {
        again[static_cast<std::size_t>(k)] = BuildWorldFile(world, KindAt(k).kind);
    }
    return again;
}

TEST(WorldCompiler, SampleWorldCompilesToTheRecordsTheGameReads) {
    const auto files = CompileSample();
    const auto& rooms = files[static_cast<std::size_t>(WorldKind::kRoom)];
    ASSERT_EQ(rooms.size(), 5 * sizeof(RoomRecord));
    const auto room1 = RecordAt<RoomRecord>(rooms, 1);
    EXPECT_EQ(+room1.number, 1);
    EXPECT_EQ(room1.tag.view(), "Vornville");
    EXPECT_EQ(+room1.south, 2);
    // F, N, S, E, W and Q: bit (letter - 64) each.
    EXPECT_EQ(+room1.flags,
              (1u << 6) | (1u << 14) | (1u << 19) | (1u << 5) | (1u << 23) | (1u << 17));
    EXPECT_EQ(room1.text[2].view(), "|07A road leaves the square to the south, towards the trees.");
    EXPECT_TRUE(room1.text[3].empty());
    // «» are CP437 bytes 0xAE and 0xAF.
    const auto room5 = RecordAt<RoomRecord>(rooms, 5);
    EXPECT_NE(room5.text[1].view().find("\xAEthe air is thin here\xAF"), std::string_view::npos);
    EXPECT_EQ(+room5.clear_area, 1);

    const auto event3 =
        RecordAt<EventRecord>(files[static_cast<std::size_t>(WorldKind::kEvent)], 3);
    EXPECT_EQ(+event3.check_die[3], 12);
    EXPECT_TRUE(event3.check_bonus[3]);
    EXPECT_FALSE(event3.check_bonus[0]);
    EXPECT_EQ(+event3.fail_event, 4);
    EXPECT_EQ(+event3.item, 1);

    const auto smithy =
        RecordAt<BuildingTypeRecord>(files[static_cast<std::size_t>(WorldKind::kBuilding)], 2);
    EXPECT_EQ(+smithy.prerequisites[0], 1);
    EXPECT_EQ(+smithy.prerequisites[1], 0);
    EXPECT_EQ(+smithy.science_levels[5], 2);
    EXPECT_EQ(+smithy.limit, 2);
    const auto lurker =
        RecordAt<MonsterRecord>(files[static_cast<std::size_t>(WorldKind::kMonster)], 3);
    EXPECT_EQ(+lurker.abilities, 0x200);
    EXPECT_TRUE(lurker.random_encounter);
    const auto item2 = RecordAt<ItemRecord>(files[static_cast<std::size_t>(WorldKind::kItem)], 2);
    EXPECT_EQ(+item2.number, 2);
    EXPECT_EQ(+item2.effect, 0x02);
    EXPECT_EQ(+item2.effect_value, 1);
}

TEST(WorldCompiler, CompileDecompileCompileGivesTheSameFiles) {
    const auto files = CompileSample();
    EXPECT_EQ(RoundTrip(files), files);

    // The same through the two commands and real directories, also for the installation's world.
    for (const fs::path& world : {kSample, fs::path(test::SourceDir()) / "data/world"}) {
        TempDir compiled, sources, again;
        std::vector<SourceError> errors;
        std::vector<std::string> notes;
        ASSERT_TRUE(CompileWorldDirectory(world.string(), compiled.path().string(), errors));
        ASSERT_TRUE(
            DecompileWorldDirectory(compiled.path().string(), sources.path().string(), notes));
        for (const auto& n : notes) ADD_FAILURE() << world << ": " << n;
        ASSERT_TRUE(CompileWorldDirectory(sources.path().string(), again.path().string(), errors));
        for (int k = 0; k < kWorldKindCount; ++k) {
            EXPECT_EQ(Slurp(compiled.path() / KindAt(k).file), Slurp(again.path() / KindAt(k).file))
                << world << " " << KindAt(k).file;
        }
    }
}

// Three records of every kind: every field at the lowest value its bytes hold, at the highest the
// game gives a meaning, and at the highest its bytes hold; texts full of every byte, unread bytes
// set. References point at record 1, whose own references are 0, so every chain ends.
TEST(WorldCompiler, EveryFieldAtItsLimitsSurvivesDecompileAndCompile) {
    std::array<std::vector<std::uint8_t>, kWorldKindCount> files;
    for (int k = 0; k < kWorldKindCount; ++k) {
        const KindLayout& layout = KindAt(k);
        auto& file = files[static_cast<std::size_t>(k)];
        for (int n = 1; n <= 3; ++n) {
            std::vector<std::uint8_t> r(layout.record_size, n == 1 ? 0 : 0x5A);
            WriteInteger(r, 0, layout.number_width, n);
            for (const FieldLayout& f : layout.fields) {
                if (f.type == FieldType::kText) {
                    for (std::size_t i = 0; i < f.count; ++i) {
                        const std::size_t at = f.offset + i * (f.width + 1);
                        r[at] = n == 1 ? 0 : static_cast<std::uint8_t>(f.width);
                        for (std::size_t c = 1; c <= f.width; ++c) {
                            r[at + c] = static_cast<std::uint8_t>(at + c);
                        }
                    }
                    continue;
                }
                const std::int64_t plain = n == 1 ? StoredMin(f) : n == 2 ? f.max : StoredMax(f);
                const std::int64_t v = f.refers_to >= 0 ? (n > 1 ? 1 : 0) : plain;
                for (std::size_t i = 0; i < f.count; ++i) {
                    WriteInteger(r, f.offset + i * f.width, f.width, v);
                }
            }
            file.insert(file.end(), r.begin(), r.end());
        }
    }
    // What the world checks ask beyond the ranges: hit points that can be drawn, a room to carry
    // the player to.
    for (std::size_t n = 1; n < 3; ++n) {
        auto& monsters = files[static_cast<std::size_t>(WorldKind::kMonster)];
        WriteInteger(monsters, n * sizeof(MonsterRecord) + offsetof(MonsterRecord, hp_min), 4,
                     std::numeric_limits<std::int32_t>::max() - 1);
        auto& items = files[static_cast<std::size_t>(WorldKind::kItem)];
        WriteInteger(items, n * sizeof(ItemRecord) + offsetof(ItemRecord, effect_value), 4, 3);
    }
    EXPECT_EQ(RoundTrip(files), files);
}

// A world made elsewhere: junk in every byte the game does not read, odd boolean bytes, command
// bits that are no letter, stored numbers that differ from the record number, control bytes and
// the upper half of the code page in texts.
TEST(WorldCompiler, DecompileThenCompileKeepsEveryByteOfAForeignWorld) {
    auto files = CompileSample();
    std::mt19937 random(1234);
    for (int k = 0; k < kWorldKindCount; ++k) {
        const KindLayout& layout = KindAt(k);
        auto& file = files[static_cast<std::size_t>(k)];
        for (std::size_t at = 0; at < file.size(); at += layout.record_size) {
            const std::span<std::uint8_t> r(file.data() + at, layout.record_size);
            const std::vector<bool> mask = ReadMask(layout, r);
            for (std::size_t i = 0; i < r.size(); ++i) {
                if (!mask[i] && random() % 3 != 0) r[i] = static_cast<std::uint8_t>(random());
            }
        }
    }
    auto& rooms = files[static_cast<std::size_t>(WorldKind::kRoom)];
    RoomRecord room = RecordAt<RoomRecord>(rooms, 2);
    room.flags |= 0x80000001u;
    room.text[0] = std::string_view("\x00\x01\x1b[0m\x7f \"quoted\" \\ \xB0\xB1\xDB\xFF", 22);
    std::memcpy(rooms.data() + sizeof(RoomRecord), &room, sizeof room);
    auto& events = files[static_cast<std::size_t>(WorldKind::kEvent)];
    EventRecord event = RecordAt<EventRecord>(events, 1);
    event.keep_weapon.raw = 2;
    event.number = 40;
    std::memcpy(events.data(), &event, sizeof event);

    EXPECT_EQ(RoundTrip(files), files);
}

TEST(WorldCompiler, DecompileReportsWhatCannotBeKept) {
    std::vector<std::uint8_t> levels(sizeof(LevelRecord) + 7, 0);
    levels[0] = 1;
    std::vector<std::string> notes;
    const std::string text = DecompileWorldFile(WorldKind::kLevel, levels, notes);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("last 7 bytes"), std::string::npos);
    EXPECT_NE(text.find("[level.1]"), std::string::npos);
}

TEST(WorldCompiler, DecompileListsWhatTheCompilerWouldRefuseOrWarnOf) {
    auto files = CompileSample();
    auto& rooms = files[static_cast<std::size_t>(WorldKind::kRoom)];
    rooms[offsetof(RoomRecord, monster_chance)] = 150;
    WriteInteger(rooms, offsetof(RoomRecord, west), 4, -3);
    TempDir game, sources;
    for (int k = 0; k < kWorldKindCount; ++k) {
        const auto& file = files[static_cast<std::size_t>(k)];
        std::ofstream(game.path() / KindAt(k).file, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()),
                   static_cast<std::streamsize>(file.size()));
    }
    std::vector<std::string> notes;
    ASSERT_TRUE(DecompileWorldDirectory(game.path().string(), sources.path().string(), notes));
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_NE(notes[0].find("to mend before compiling"), std::string::npos);
    EXPECT_NE(notes[0].find("field 'west': room 1: room -3 does not exist"), std::string::npos)
        << notes[0];
    EXPECT_NE(notes[1].find("field 'monster_chance': warning: room 1: 150"), std::string::npos)
        << notes[1];
    EXPECT_NE(Slurp(sources.path() / "rooms.toml").find("\nwest = -3\n"), std::string::npos);
}

struct Refusal {
    const char* name;
    std::map<std::string, std::string> files;  // "rooms/a.toml" -> text
    const char* file;
    int line;
    const char* field;
    const char* message;
};

// A valid map of two rooms to which a case adds its own sources.
const char* const kTwoRooms = "[room.1]\nsouth = 2\n[room.2]\nnorth = 1\n";

WorldSource CompileWorldTexts(const std::map<std::string, std::string>& files) {
    WorldSource world;
    for (const auto& [name, text] : files) {
        const std::string kind = name.substr(0, name.find_first_of("/."));
        for (int k = 0; k < kWorldKindCount; ++k) {
            if (kind == KindAt(k).source) ParseWorldSource(world, KindAt(k).kind, text, name);
        }
    }
    if (world.errors.empty()) CheckWorld(world);
    return world;
}

std::vector<SourceError> CompileTexts(const std::map<std::string, std::string>& files) {
    return CompileWorldTexts(files).errors;
}

void PrintTo(const Refusal& r, std::ostream* os) {
    *os << r.name;
}

class RefusedSources : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedSources, NameFileLineAndField) {
    const Refusal& c = GetParam();
    auto files = c.files;
    if (!files.contains("rooms.toml")) files["rooms.toml"] = kTwoRooms;
    const auto errors = CompileTexts(files);
    ASSERT_FALSE(errors.empty());
    const SourceError& e = errors.front();
    EXPECT_EQ(e.file, c.file) << e.text();
    EXPECT_EQ(e.line, c.line) << e.text();
    EXPECT_EQ(e.field, c.field) << e.text();
    EXPECT_NE(e.message.find(c.message), std::string::npos) << e.text();
}

INSTANTIATE_TEST_SUITE_P(
    WorldCompiler, RefusedSources,
    ::testing::Values(
        Refusal{"UnknownKey",
                {{"rooms.toml", "[room.1]\ntag = \"x\"\nnroth = 2\n"}},
                "rooms.toml",
                3,
                "nroth",
                "unknown field"},
        Refusal{"DuplicateKey",
                {{"rooms.toml", "[room.1]\ntag = \"a\"\ntag = \"b\"\n"}},
                "rooms.toml",
                3,
                "",
                "redefine"},
        Refusal{"DuplicateRecordAcrossFiles",
                {{"rooms.toml", kTwoRooms}, {"rooms/extra.toml", "\n[room.2]\n"}},
                "rooms/extra.toml",
                2,
                "",
                "already defined at rooms.toml:3"},
        Refusal{"UnknownTable",
                {{"monsters.toml", "[weapon.1]\nname = \"x\"\n"}},
                "monsters.toml",
                1,
                "",
                "unknown table 'weapon'"},
        Refusal{"RecordNumberZero",
                {{"levels.toml", "[level.0]\n"}},
                "levels.toml",
                1,
                "",
                "numbered 1..65535"},
        Refusal{"EventPastTheFlags",
                {{"events.toml", "[event.256]\n"}},
                "events.toml",
                1,
                "",
                "numbered 1..255"},
        Refusal{"TooManyUnitTypes",
                {{"units.toml", "[unit.38]\n"}},
                "units.toml",
                1,
                "",
                "numbered 1..37"},
        Refusal{"I16Overflow",
                {{"events.toml", "[event.1]\ngold_change = 40000\n"}},
                "events.toml",
                2,
                "gold_change",
                "outside -32768..32767"},
        Refusal{"NegativeExit",
                {{"rooms.toml", "[room.1]\nwest = -1\n"}},
                "rooms.toml",
                2,
                "west",
                "room -1 does not exist"},
        Refusal{"ByteOverflow",
                {{"rooms.toml", "[room.1]\nmonster_chance = 256\n"}},
                "rooms.toml",
                2,
                "monster_chance",
                "256 is outside 0..255"},
        Refusal{"WrongType",
                {{"rooms.toml", "[room.1]\ntag = 5\n"}},
                "rooms.toml",
                2,
                "tag",
                "text in quotes"},
        Refusal{"TextTooLong",
                {{"rooms.toml", "[room.1]\ntag = \"Sixteen chars!!!\"\n"}},
                "rooms.toml",
                2,
                "tag",
                "16 characters; the field holds 15"},
        Refusal{"TooManyLines",
                {{"rooms.toml",
                  "[room.1]\ntext = [\"1\",\"2\",\"3\",\"4\",\"5\",\"6\",\"7\",\"8\"]\n"}},
                "rooms.toml",
                2,
                "text",
                "at most 7"},
        Refusal{"NotCodePage437",
                {{"rooms.toml", "[room.1]\ntag = \"\xE4\xB8\xAD\"\n"}},
                "rooms.toml",
                2,
                "tag",
                "U+4E2D"},
        Refusal{"BadCommandLetter",
                {{"rooms.toml", "[room.1]\nflags = \"N1\"\n"}},
                "rooms.toml",
                2,
                "flags",
                "'1'"},
        Refusal{"MissingExit",
                {{"rooms.toml", "[room.1]\n\nnorth = 9\n"}},
                "rooms.toml",
                3,
                "north",
                "room 9 does not exist"},
        Refusal{"MissingRoomEvent",
                {{"rooms.toml", "[room.1]\nevent = 4\n"}},
                "rooms.toml",
                2,
                "event",
                "event 4 does not exist"},
        Refusal{"MissingMonster",
                {{"events.toml", "[event.1]\nmonster = 3\n"}},
                "events.toml",
                2,
                "monster",
                "monster 3 does not exist"},
        Refusal{"MissingWeapon",
                {{"events.toml", "[event.1]\nweapon = 3\n"}},
                "events.toml",
                2,
                "weapon",
                "weapon 3 does not exist"},
        Refusal{"MissingArmor",
                {{"events.toml", "[event.1]\narmor = 1\n"}, {"armors.toml", ""}},
                "events.toml",
                2,
                "armor",
                "armor 1 does not exist"},
        Refusal{"MissingItem",
                {{"events.toml", "[event.1]\nitem = 2\n"}},
                "events.toml",
                2,
                "item",
                "item 2 does not exist"},
        Refusal{"MissingPrerequisite",
                {{"buildings.toml", "[building.1]\nprerequisites = [0, 2]\n"}},
                "buildings.toml",
                2,
                "prerequisites",
                "building 2 does not exist"},
        Refusal{"ScrollToNowhere",
                {{"items.toml", "[item.1]\neffect = 2\neffect_value = 50\n"}},
                "items.toml",
                3,
                "effect_value",
                "room 50"},
        Refusal{"GapInNumbers",
                {{"rooms.toml", "[room.1]\n[room.3]\n"}},
                "rooms.toml",
                2,
                "",
                "room 2 is missing"},
        Refusal{"HitPointsNeverDrawn",
                {{"monsters.toml", "[monster.1]\nhp_max = 5\nhp_min = 5\ncategory = 1\n"}},
                "monsters.toml",
                3,
                "hp_min",
                "must be below hp_max"},
        Refusal{"EventRetriesItself",
                {{"events.toml", "[event.1]\nfail_event = 1\n"}},
                "events.toml",
                2,
                "fail_event",
                "1 -> 1"},
        Refusal{"DoneEventsInACircle",
                {{"events.toml",
                  "[event.1]\ndone_at_start = 1\ndone_event = 2\n"
                  "[event.2]\ndone_at_start = 1\ndone_event = 1\n"}},
                "events.toml",
                6,
                "done_event",
                "1 -> 2 -> 1"},
        Refusal{"UnreadOverAField",
                {{"rooms.toml", "[room.1]\nunread = [\"609:01\", \"20:01\"]\n"}},
                "rooms.toml",
                2,
                "unread",
                "overlap a field"},
        Refusal{"UnreadPastTheEnd",
                {{"levels.toml", "[level.1]\nunread = [\"109:0102\"]\n"}},
                "levels.toml",
                2,
                "unread",
                "past the end"}),
    [](const ::testing::TestParamInfo<Refusal>& p) { return std::string(p.param.name); });

// Values a record can hold but the game gives no meaning: compiled as they are, with a warning
// that names the file, the line and the field. Each message begins with the value.
class WarnedSources : public ::testing::TestWithParam<Refusal> {};

TEST_P(WarnedSources, AreKeptWithTheirFileLineAndField) {
    const Refusal& c = GetParam();
    auto files = c.files;
    files.emplace("rooms.toml", kTwoRooms);
    const WorldSource world = CompileWorldTexts(files);
    for (const auto& e : world.errors) ADD_FAILURE() << e.text();
    ASSERT_EQ(world.warnings.size(), 1u);
    const SourceError& w = world.warnings.front();
    EXPECT_EQ(w.file, c.file);
    EXPECT_EQ(w.line, c.line);
    EXPECT_EQ(w.field, c.field);
    EXPECT_NE(w.message.find(c.message), std::string::npos) << w.text();
    const std::string kind = std::string(c.file).substr(0, std::string(c.file).find('.'));
    for (int k = 0; k < kWorldKindCount; ++k) {
        if (KindAt(k).source != kind) continue;
        const std::vector<std::uint8_t> file = BuildWorldFile(world, KindAt(k).kind);
        for (const FieldLayout& f : KindAt(k).fields) {
            if (f.name != std::string_view(c.field)) continue;
            EXPECT_EQ(ReadInteger(file, f.offset, f.width, IsSigned(f)), std::stoll(c.message));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    WorldCompiler, WarnedSources,
    ::testing::Values(Refusal{"PercentAbove100",
                              {{"rooms.toml", "[room.1]\nmonster_chance = 150\n"}},
                              "rooms.toml",
                              2,
                              "monster_chance",
                              "150 is beyond 0..100"},
                      Refusal{"WeaponClass",
                              {{"weapons.toml", "[weapon.1]\ntype = 200\n"}},
                              "weapons.toml",
                              2,
                              "type",
                              "200 is beyond 0..4"},
                      Refusal{"MonsterClassBetweenLandAndWater",
                              {{"monsters.toml", "[monster.1]\n\ncategory = 200\n"}},
                              "monsters.toml",
                              3,
                              "category",
                              "200 is beyond 0..5 and 150..151"},
                      Refusal{"MoreMonstersThanSlots",
                              {{"rooms.toml", "[room.1]\nmonster_draw1 = 25\n"}},
                              "rooms.toml",
                              2,
                              "monster_draw1",
                              "25 is beyond 0..19"},
                      Refusal{"NoSuchGod",
                              {{"rooms.toml", "[room.1]\ngod = 20\n"}},
                              "rooms.toml",
                              2,
                              "god",
                              "20 is beyond 0..13"},
                      Refusal{"EndlessDice",
                              {{"items.toml", "[item.1]\neffect_value2 = 50000\n"}},
                              "items.toml",
                              2,
                              "effect_value2",
                              "50000 is beyond -2147483648..9999"},
                      Refusal{"EncounterSlots",
                              {{"events.toml", "[event.1]\nmonster_number = 40\n"}},
                              "events.toml",
                              2,
                              "monster_number",
                              "40 is beyond 0..19"}),
    [](const ::testing::TestParamInfo<Refusal>& p) { return std::string(p.param.name); });

TEST(WorldCompiler, ControlCharactersAreRefusedBeforeTheTomlReaderSeesThem) {
    // A NUL inside a table header once tripped the TOML reader's own assertions.
    WorldSource world;
    ParseWorldSource(world, WorldKind::kUnit, std::string("[unit.1]\n\n[\0\0unit.2]\n", 17),
                     "units.toml");
    ASSERT_EQ(world.errors.size(), 1u);
    EXPECT_EQ(world.errors[0].line, 3);
    EXPECT_NE(world.errors[0].message.find("control character 0x00"), std::string::npos);

    // Malformed sources that reached code the TOML reader holds unreachable; each is refused.
    for (const char* text :
         {"[%vent.1]\n", "[unit.1]\nre\xC2\xBB = 1\n",
          "[unit.1]\nname = \"\"\"a\\\n  \xC2\xBB\"\"\"\n", "[unit.1]\nname = \"\\\xC2\xBB\"\n",
          "!y=+3'e!BBBBBB;!y=+\xCF\x90"
          "BBBBB0\\",
          " l=-1&\"\xEF\xBB\xBB\tl\""}) {
        WorldSource bad;
        ParseWorldSource(bad, WorldKind::kUnit, text, "units.toml");
        EXPECT_FALSE(bad.errors.empty()) << text;
    }
    // Texts may hold such characters, also after quotes and escapes, and comments too.
    WorldSource good;
    ParseWorldSource(
        good, WorldKind::kUnit,
        "# \xC2\xBB comment\n[unit.1]\nname = \"\\\"\xC2\xBB\\\\\" # \xC2\xAB\n"
        "[unit.2]\nname = \'\xE2\x96\x91\'\n[unit.3]\nname = \"\"\"\xE2\x96\x91\"\"\"\"\n",
        "units.toml");
    for (const auto& e : good.errors) ADD_FAILURE() << e.text();
}

TEST(WorldCompiler, ChainsThatEndAreAccepted) {
    // 1 -> 2 -> 1 ends: event 1 is marked done when it starts, so its second visit takes its
    // done_event (none). A failing check retried through an event that marks itself done ends too.
    const auto errors = CompileTexts({{"rooms.toml", kTwoRooms},
                                      {"events.toml",
                                       "[event.1]\ndone_at_start = 1\nnext_event = 2\n"
                                       "[event.2]\nnext_event = 1\nfail_event = 3\n"
                                       "[event.3]\ndone_at_start = 1\nfail_event = 3\n"}});
    for (const auto& e : errors) ADD_FAILURE() << e.text();
}

TEST(WorldCompiler, NothingIsWrittenWhenAnySourceIsBad) {
    TempDir sources, out;
    std::ofstream(sources.path() / "rooms.toml") << "[room.1]\nnorth = 2\n";
    std::vector<SourceError> errors;
    EXPECT_FALSE(CompileWorldDirectory(sources.path().string(), out.path().string(), errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].text(), (sources.path() / "rooms.toml").string() +
                                    ":2: field 'north': room 1: room 2 does not exist");
    EXPECT_FALSE(fs::exists(out.path() / "rooms.dat"));

    TempDir empty;
    EXPECT_FALSE(CompileWorldDirectory(empty.path().string(), out.path().string(), errors));
    EXPECT_NE(errors.at(0).message.find("no rooms"), std::string::npos);
}

TEST(WorldCompiler, CommandLineReportsFaultsAndExitCodes) {
    const std::string worldc = test::BinDir() + "/worldc";
    TempDir bad, out;
    std::ofstream(bad.path() / "rooms.toml") << "[room.1]\nnroth = 1\n";
    const auto run = [](const std::string& command) {
        const int status = std::system((command + " 2>/dev/null").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run(worldc + " compile " + kSample.string() + " " + out.path().string()), 0);
    EXPECT_TRUE(fs::exists(out.path() / "buildg.dat"));
    EXPECT_EQ(
        run(worldc + " decompile " + out.path().string() + " " + (out.path() / "src").string()), 0);
    EXPECT_EQ(run(worldc + " compile " + bad.path().string() + " " + out.path().string()), 1);
    EXPECT_EQ(run(worldc + " compile " + bad.path().string()), 2);
    EXPECT_EQ(run(worldc + " build a b"), 2);
}

}  // namespace
}  // namespace vorn
