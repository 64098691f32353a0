// The exploration loop's cost. Entering a room: a walker with typed-ahead moves goes back and
// forth between two rooms of a test session, each pass loading the room, running its event,
// rolling for monsters and drawing the screen into a recording terminal; CPU time and bytes sent
// per pass, against a floor and the target of 100 µs of CPU per room, and the bytes per room and
// per battle turn against the cells that changed. The floor is what a pass cannot do without: the
// room's record read from rooms.dat and the pass's bytes handed to the terminal. Idling: the real
// game waits at the command prompt in a pseudo-terminal for a minute while its CPU time is read
// from /proc.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"
#include "play/explore.hpp"
#include "support/caller_scripts.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"
#include "support/scripted_play.hpp"
#include "support/test_session.hpp"

namespace {

using namespace vorn;

constexpr int kPasses = 2000;
constexpr int kIdleSeconds = 60;

template <class Record>
void WriteRecords(const std::string& file, const std::vector<Record>& records) {
    std::string bytes;
    for (const Record& r : records) bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    test::WriteFile(file, bytes);
}

RoomRecord BenchRoom(std::int32_t number, const char* tag) {
    RoomRecord r{};
    r.number = number;
    r.tag = tag;
    r.flags = (1u << ('E' - 64)) | (1u << ('W' - 64)) | (1u << ('H' - 64)) | (1u << ('Q' - 64));
    for (int line = 0; line < kRoomTextLines; ++line) {
        r.text[line] = "|07Old pines lean over the path, and the wind |15whispers|07 in them.";
    }
    r.event = 1;
    r.monster_chance = 60;
    r.monster_draw1 = 3;
    r.monster_draw2 = 2;
    return r;
}

// Two rooms joined east and west; the room's event is done after the first visit and hands on
// to a second one that runs in full every time; twenty monsters of levels 1 and 2.
void WriteWorld() {
    RoomRecord city{};
    city.number = 1;
    city.terrain = 255;
    RoomRecord west = BenchRoom(2, "Pine Walk");
    west.east = 3;
    RoomRecord east = BenchRoom(3, "Pine Hollow");
    east.west = 2;
    WriteRecords("rooms.dat", std::vector<RoomRecord>{city, west, east});

    EventRecord first{};
    first.number = 1;
    first.text[0] = "A traveller nods to you.";
    first.keep_weapon = first.keep_armor = true;
    first.done_event = 2;
    EventRecord toll{};
    toll.number = 2;
    for (int line = 0; line < kRoomTextLines; ++line)
        toll.text[line] = "|14A coin glints in the moss.";
    toll.keep_weapon = toll.keep_armor = true;
    toll.gold_change = 1;
    WriteRecords("events.dat", std::vector<EventRecord>{first, toll});

    std::vector<MonsterRecord> monsters;
    for (int i = 1; i <= 20; ++i) {
        MonsterRecord m{};
        m.number = i;
        m.name = "Pine Marten " + std::to_string(i);
        m.level = static_cast<std::uint16_t>(1 + i % 2);
        m.random_encounter = true;
        m.hp_min = m.hp_max = 3;
        monsters.push_back(m);
    }
    WriteRecords("monsters.dat", monsters);
}

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void BM_EnterRoom(benchmark::State& state) {
    double cpu = 0;
    std::size_t bytes = 0;
    std::int64_t passes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto t = std::make_unique<test::TestSession>();
        Session& s = t->session;
        // Varied draws for the encounter rolls, made before the clock starts.
        SeededRandom seeded(7);
        std::vector<std::uint32_t> draws(200000);
        for (std::uint32_t& d : draws) d = seeded.random(1u << 30);
        t->random = ScriptedRandom(std::move(draws));
        s.node.pause_delay_ms = 1;
        // As the game sends: only the changes.
        s.writer.send_changes_only = true;
        // The mail notice of every pass shows a prompt text.
        s.strings.open(
            "", [] {}, 1);
        UserRecord& user = s.users.current;
        user.number = 1;
        user.name = "Bencher";
        user.hp = user.max_hp = 20;
        user.mana = user.max_mana = 5;
        user.room = 2;
        // The player's three files, as a saved player has them: every pass saves the player.
        WriteRecords("users.dat", std::vector<UserRecord>{user});
        WriteRecords("user2.dat", std::vector<UserExtraRecord>{UserExtraRecord{}});
        WriteRecords("users.idx", std::vector<UserIndexEntry>{UserIndexEntry{}});
        WriteWorld();
        s.world.rooms.open("rooms.dat", sizeof(RoomRecord), RecordFile::Access::kReadWrite);
        std::string keys;
        for (int i = 0; i < kPasses; ++i) keys += (i % 2 == 0) ? '6' : '4';
        t->terminal.type(keys);
        t->terminal.type("q");
        state.ResumeTiming();

        const double start = ProcessCpuSeconds();
        Explore(s, true);
        s.writer.flush();
        cpu += ProcessCpuSeconds() - start;
        bytes += t->terminal.output.size();
        // The full event pays one gold piece: it must have run on every pass but the first.
        if (user.gold != kPasses) {
            state.SkipWithError("the event chain did not run on every pass");
            return;
        }
        passes += kPasses + 1;
    }
    const double bytes_per_pass = static_cast<double>(bytes) / static_cast<double>(passes);
    state.counters["cpu_us_per_pass"] = cpu / static_cast<double>(passes) * 1e6;
    state.counters["bytes_per_pass"] = bytes_per_pass;

    // The floor, in a session of its own: per pass one read of a room and one write of as many
    // bytes as a pass sends.
    test::TestSession floor;
    WriteWorld();
    RecordFile rooms;
    rooms.open("rooms.dat", sizeof(RoomRecord), RecordFile::Access::kRead);
    const std::string screen(static_cast<std::size_t>(bytes_per_pass), 'x');
    const double start = ProcessCpuSeconds();
    for (int i = 0; i < kPasses; ++i) {
        RoomRecord room;
        rooms.read_record(static_cast<std::uint64_t>(1 + i % 2), room);
        benchmark::DoNotOptimize(room);
        floor.terminal.write_all(screen);
        floor.terminal.output.clear();
    }
    state.counters["floor_cpu_us_per_pass"] = (ProcessCpuSeconds() - start) / kPasses * 1e6;
    state.counters["target_cpu_us_per_pass"] = 100;
}
BENCHMARK(BM_EnterRoom)->Iterations(5)->Unit(benchmark::kMillisecond);

// Bytes sent per room entered and per battle turn against the cells that changed on the caller's
// screen (read through a terminal emulator after every write, so the prompts and messages shown
// and taken away within a step count too), with the writer sending every byte as written
// (argument 0) and only the changes (1). The first step, which draws the whole screen, is left
// out.
void ScreenBytes(benchmark::State& state, test::PlayScript script) {
    constexpr int kSteps = 200;
    std::size_t bytes = 0;
    std::size_t changes = 0;
    std::size_t start_to_end = 0;
    for (auto _ : state) {
        const test::PlayRecording r = test::RecordPlay(script, kSteps, state.range(0) != 0);
        bytes = changes = start_to_end = 0;
        for (std::size_t k = 1; k + 1 < r.steps.size(); ++k) {
            const test::ScreenShot& before = r.shots[r.steps[k]];
            const test::ScreenShot& after = r.shots[r.steps[k + 1]];
            bytes += after.bytes_before - before.bytes_before;
            changes += after.changes_before - before.changes_before;
            start_to_end += static_cast<std::size_t>(test::ChangedCells(before, after));
        }
        if (r.steps.size() < kSteps || changes == 0) {
            state.SkipWithError("the script did not run to its end");
            return;
        }
    }
    const double steps = kSteps - 2;
    state.counters["bytes_per_step"] = static_cast<double>(bytes) / steps;
    state.counters["cells_changed_per_step"] = static_cast<double>(changes) / steps;
    state.counters["bytes_per_changed_cell"] =
        static_cast<double>(bytes) / static_cast<double>(changes);
    // A step's screen against the next step's, the prompts and messages in between left out.
    state.counters["cells_differing_step_to_step"] = static_cast<double>(start_to_end) / steps;
}
void BM_BytesPerRoom(benchmark::State& state) {
    ScreenBytes(state, test::PlayScript::kRooms);
}
void BM_BytesPerBattleTurn(benchmark::State& state) {
    ScreenBytes(state, test::PlayScript::kBattle);
}
BENCHMARK(BM_BytesPerRoom)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BytesPerBattleTurn)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

// utime + stime of a process in seconds, from /proc/<pid>/stat.
void BM_IdleAtCommandPrompt(benchmark::State& state) {
    using namespace vorn::test;
    GameDirectory dir;
    if (!dir.make_game()) {
        state.SkipWithError("mkgame failed");
        return;
    }
    SetDoorType(dir, 1);
    WriteDoorSys(dir, "Ida Idler");
    for (auto _ : state) {
        GameProcess game("game", dir, {.args = {"1"}});
        const bool ready = Answer(game, "Whack The Damn Key!", "\r") &&
                           Answer(game, "Step into the snows", "s") &&
                           Answer(game, "A Newcomer's Guide to Vornhold", "\r");
        if (!ready) {
            state.SkipWithError("the game did not reach character creation");
            return;
        }
        CreateHuman(game, "Ida");
        game.type("f");
        if (!Answer(game, "Do you take the", "y") || !game.wait_for_text("Your command?")) {
            state.SkipWithError("the game did not reach the command prompt");
            return;
        }
        const std::size_t mark = game.output_size();
        const double before = test::ProcessCpuSeconds(game.pid());
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(kIdleSeconds));
        const double after = test::ProcessCpuSeconds(game.pid());
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.counters["idle_cpu_ms"] = (after - before) * 1000;
        state.counters["idle_cpu_percent"] = (after - before) / wall * 100;
        state.counters["bytes_sent_while_idle"] = static_cast<double>(game.output_size() - mark);
        game.type("*");
        game.wait_exit();
    }
}
BENCHMARK(BM_IdleAtCommandPrompt)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
