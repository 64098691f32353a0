// The scripted play of the writer's replay test and benchmark.
#include "support/scripted_play.hpp"

#include <sys/stat.h>

#include <exception>
#include <memory>

#include "common/random.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"
#include "play/combat.hpp"
#include "play/explore.hpp"
#include "support/game_directory.hpp"
#include "support/test_session.hpp"

namespace vorn::test {

namespace {

template <class Record>
void WriteRecords(const std::string& file, const std::vector<Record>& records) {
    std::string bytes;
    for (const Record& r : records) bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    WriteFile(file, bytes);
}

// Five rooms in a row, each with its own text: lines of different lengths and colours, so a
// room drawn over another leaves some cells as they were and changes others.
void WriteRooms() {
    static constexpr const char* kLines[] = {
        "|07Old pines lean over the path, and the wind |15whispers|07 in them.",
        "|02A mossy stone marks the crossing of two deer trails.",
        "|06Mud sucks at your boots; something large passed here.",
        "|07The trail narrows between |08grey boulders|07 and thorn.",
        "|03A stream runs cold and clear beside the way.",
        "|14Sunlight falls through a gap in the canopy.",
        "|07Bird calls stop as you come near.",
    };
    static constexpr const char* kNames[] = {"Pine Walk", "Deer Cross", "Mire Edge", "Boulder Gap",
                                             "Cold Stream"};
    RoomRecord city{};
    city.number = 1;
    city.terrain = 255;
    std::vector<RoomRecord> rooms{city};
    for (int i = 0; i < 5; ++i) {
        RoomRecord r{};
        r.number = 2 + i;
        r.tag = kNames[i];
        r.flags = (1u << ('E' - 64)) | (1u << ('W' - 64)) | (1u << ('H' - 64)) | (1u << ('Q' - 64));
        for (int line = 0; line < kRoomTextLines; ++line) {
            if ((line + i) % 4 == 3) continue;
            r.text[line] = kLines[(line * 3 + i) % 7];
        }
        if (i > 0) r.west = 1 + i;
        if (i < 4) r.east = 3 + i;
        rooms.push_back(r);
    }
    WriteRecords("rooms.dat", rooms);
}

void WriteMonsters() {
    std::vector<MonsterRecord> monsters;
    static constexpr const char* kNames[] = {"Grey Wolf", "Bog Troll", "Cave Bat"};
    for (int i = 1; i <= 3; ++i) {
        MonsterRecord m{};
        m.number = i;
        m.name = kNames[i - 1];
        m.level = 1;
        m.hp_min = m.hp_max = 100000;
        m.moves = static_cast<std::uint8_t>(8 + i);
        m.reach = 1;
        m.attack_dice = 1;
        m.attack_sides = 4;
        monsters.push_back(m);
    }
    WriteRecords("monsters.dat", monsters);
}

void CopyArt(const char* name) {
    ::mkdir("ansi", 0700);
    const std::string art = ReadFile(SourceDir() + "/data/ansi/" + name);
    WriteFile(std::string("ansi/") + name, art);
}

ScreenShot Shoot(const TerminalScreen& screen, std::size_t bytes, std::size_t changes) {
    ScreenShot shot;
    shot.cells.reserve(TerminalScreen::kColumns * TerminalScreen::kRows);
    for (int row = 1; row <= TerminalScreen::kRows; ++row) {
        for (int column = 1; column <= TerminalScreen::kColumns; ++column) {
            shot.cells.push_back(screen.cell(column, row));
        }
    }
    shot.column = screen.cursor_column();
    shot.row = screen.cursor_row();
    shot.bytes_before = bytes;
    shot.changes_before = changes;
    return shot;
}

bool LooksSame(const ScreenCell& a, const ScreenCell& b) {
    if (a.text != b.text || a.background != b.background) return false;
    return a.text == " " || (a.foreground == b.foreground && a.bold == b.bold);
}

}  // namespace

PlayRecording RecordPlay(PlayScript script, int steps, bool send_changes_only, bool utf8) {
    auto t = std::make_unique<TestSession>();
    Session& s = t->session;
    s.writer.send_changes_only = send_changes_only;
    s.writer.utf8_output = utf8;
    SeededRandom seeded(7);
    std::vector<std::uint32_t> draws(20000);
    for (std::uint32_t& d : draws) d = seeded.random(1u << 30);
    t->random = ScriptedRandom(std::move(draws));
    s.node.pause_delay_ms = 0;
    // The mail notice of every room shows a prompt text.
    s.strings.open(
        "", [] {}, 1);

    UserRecord& user = s.users.current;
    user.number = 1;
    user.name = "Walker";
    user.hp = user.max_hp = 30000;
    user.mana = user.max_mana = 5;
    user.armor_class = 10;
    user.battle_delay = 0;
    user.room = 2;
    WriteRecords("users.dat", std::vector<UserRecord>{user});
    WriteRecords("user2.dat", std::vector<UserExtraRecord>{UserExtraRecord{}});
    WriteRecords("users.idx", std::vector<UserIndexEntry>{UserIndexEntry{}});
    WriteRooms();
    WriteMonsters();
    CopyArt("explore.ans");
    CopyArt("battle.ans");
    s.world.rooms.open("rooms.dat", sizeof(RoomRecord), RecordFile::Access::kReadWrite);

    // Each step's keys; the step begins at the wait for its first key.
    std::vector<std::string> keys;
    for (int i = 0; i < steps; ++i) {
        if (script == PlayScript::kRooms) {
            keys.emplace_back((i / 4) % 2 == 0 ? "6" : "4");
        } else {
            // Three steps while the monsters close in, then strikes at each of them and a step
            // back and forth.
            static constexpr const char* kOpening[] = {"6", "6", "3"};
            static constexpr const char* kTurns[] = {"A1\r", "A2\r", "A3\r", "4", "M6"};
            keys.emplace_back(i < 3 ? kOpening[i] : kTurns[(i - 3) % 5]);
        }
    }

    PlayRecording recording;
    TerminalScreen screen(utf8 ? TerminalKind::kUtf8 : TerminalKind::kCp437);
    ScreenShot last = Shoot(screen, 0, 0);
    std::size_t changes = 0;
    std::vector<std::size_t> step_reads;
    std::size_t typed = 0;
    for (const std::string& k : keys) {
        step_reads.push_back(typed);
        typed += k.size();
        t->terminal.type(k);
    }
    t->terminal.keys_per_read = 1;
    t->terminal.hang_up();
    t->terminal.on_write = [&](std::string_view bytes) {
        screen.feed(bytes);
        recording.bytes += bytes.size();
        recording.sent.append(bytes);
        ScreenShot now = Shoot(screen, 0, 0);
        changes += static_cast<std::size_t>(ChangedCells(last, now));
        last = std::move(now);
    };
    t->terminal.on_read = [&] {
        recording.shots.push_back(Shoot(screen, recording.bytes, changes));
    };

    try {
        if (script == PlayScript::kRooms) {
            Explore(s, true);
        } else {
            s.play.encounter[1] = 1;
            s.play.encounter[2] = 2;
            s.play.encounter[3] = 3;
            StartBattle(s, false, true);
        }
    } catch (const ExitCalled&) {
        // The keys ran out: the caller hung up.
    }
    s.writer.flush();
    recording.shots.push_back(Shoot(screen, recording.bytes, changes));
    for (const std::size_t r : step_reads) {
        if (r < recording.shots.size()) recording.steps.push_back(r);
    }
    return recording;
}

int ChangedCells(const ScreenShot& before, const ScreenShot& after) {
    int n = 0;
    for (std::size_t i = 0; i < before.cells.size() && i < after.cells.size(); ++i) {
        if (!LooksSame(before.cells[i], after.cells[i])) ++n;
    }
    return n;
}

std::string ScreenDifference(const ScreenShot& a, const ScreenShot& b) {
    for (std::size_t i = 0; i < a.cells.size() && i < b.cells.size(); ++i) {
        if (LooksSame(a.cells[i], b.cells[i])) continue;
        const int column = static_cast<int>(i % TerminalScreen::kColumns) + 1;
        const int row = static_cast<int>(i / TerminalScreen::kColumns) + 1;
        return "cell " + std::to_string(column) + "," + std::to_string(row) + ": \"" +
               a.cells[i].text + "\" " + std::to_string(a.cells[i].foreground) + "/" +
               std::to_string(a.cells[i].background) + " against \"" + b.cells[i].text + "\" " +
               std::to_string(b.cells[i].foreground) + "/" + std::to_string(b.cells[i].background);
    }
    if (a.column != b.column || a.row != b.row) {
        return "cursor " + std::to_string(a.column) + "," + std::to_string(a.row) + " against " +
               std::to_string(b.column) + "," + std::to_string(b.row);
    }
    return "";
}

}  // namespace vorn::test
