// Faults injected under the record and text-file layer while a caller plays: for every call N on
// the game's files, a fresh copy of the game directory, the same session, and the Nth call fails.
// Afterwards the game must have ended by its rules (no crash, no sanitizer report, a specified
// exit code, the run-time error line when it stopped on one) and the checker must find the game
// directory sound. An interruption or a short transfer must not be seen at all: the files come
// out as they do without a fault.
//
// Each call is walked twice: once it fails (EIO, or ENOSPC every other call) and once it is
// interrupted (EINTR) or, every other call, moves only half its bytes.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "check/game_check.hpp"
#include "common/city_records.hpp"
#include "common/message_area_record.hpp"
#include "common/node_records.hpp"
#include "common/user_records.hpp"
#include "support/game_directory.hpp"
#include "support/game_in_child.hpp"
#include "support/test_session.hpp"

namespace vorn::test {
namespace {

namespace fs = std::filesystem;

// The data of a game directory: its files (the sub-directories hold screens, help, logs and the
// nodes' work files), name to contents.
using DataFiles = std::map<std::string, std::string>;

DataFiles ReadDataFiles(const std::string& directory) {
    DataFiles files;
    for (const auto& entry : fs::directory_iterator(directory)) {
        if (!entry.is_regular_file()) continue;
        files[entry.path().filename().string()] = ReadFile(entry.path().string());
    }
    return files;
}

// The names whose contents differ, or that only one side has.
std::string Differences(const DataFiles& a, const DataFiles& b) {
    std::set<std::string> names;
    for (const auto& [name, bytes] : a) names.insert(name);
    for (const auto& [name, bytes] : b) names.insert(name);
    std::string out;
    for (const std::string& name : names) {
        const auto x = a.find(name), y = b.find(name);
        if (x == a.end() || y == b.end() || x->second != y->second) out += name + " ";
    }
    return out;
}

// Exit codes the game may end with, and the line that must then have reached the caller.
bool EndedByTheRules(const ChildOutcome& o, std::string& why) {
    if (o.signal != 0) {
        why = "ended by signal " + std::to_string(o.signal);
        return false;
    }
    if (o.output.find("Sanitizer") != std::string::npos ||
        o.output.find("runtime error:") != std::string::npos) {
        why = "sanitizer report";
        return false;
    }
    switch (o.exit_code) {
        case 0:
        case 250:  // strings.dat
        case 254:  // rooms.dat or user2.dat
            return true;
        case 1:  // the drop file
            if (o.output.find("Error reading DOOR") != std::string::npos) return true;
            why = "exit 1 without its lines";
            return false;
        case 255:
            if (o.output.find("couldn't be read") != std::string::npos) return true;
            why = "exit 255 without its lines";
            return false;
        case 100:
        case 101:
        case 103:
            if (o.output.find("Runtime error " + std::to_string(o.exit_code)) !=
                std::string::npos) {
                return true;
            }
            why = "exit " + std::to_string(o.exit_code) + " without its run-time error line";
            return false;
        default:
            why = "exit code " + std::to_string(o.exit_code);
            return false;
    }
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += "\n  " + line;
    return out;
}

// Walks every call of `step` run from the game directory `start`.
// Returns the files as the session leaves them without a fault.
// Which faults a walk makes: calls that fail, or calls that must go unseen.
enum class Faults { kFailing, kUnseen, kBoth };

DataFiles WalkFaults(const std::string& start, const std::function<int()>& step,
                     Faults faults = Faults::kBoth) {
    const DataFiles before = ReadDataFiles(start);
    DataFiles after;
    ChildOutcome clean;
    {
        const ScratchCopy copy(start);
        clean = RunInChild({.directory = copy.path()}, step);
        EXPECT_EQ(clean.exit_code, 0) << clean.output;
        const CheckReport report = CheckGameDirectory(copy.path(), SampleTime());
        EXPECT_TRUE(report.clean()) << Joined(report.lines());
        after = ReadDataFiles(copy.path());
    }
    if (::testing::Test::HasFailure()) return after;

    for (long run = 0; run < 2 * clean.record.calls; ++run) {
        const long n = run / 2 + 1;
        const bool failing = run % 2 == 0;
        if (faults != Faults::kBoth && failing != (faults == Faults::kFailing)) continue;
        const int error = failing ? (n % 2 == 1 ? EIO : ENOSPC) : (n % 2 == 1 ? EINTR : 0);
        const ScratchCopy copy(start);
        const ChildOutcome o =
            RunInChild({.directory = copy.path(), .fault = {.call = n, .error = error}}, step);
        const std::string where = "call " + std::to_string(n) + " (" + o.record.what + ")";
        EXPECT_TRUE(o.record.fired) << where;
        std::string why;
        EXPECT_TRUE(EndedByTheRules(o, why)) << where << ": " << why << "\n" << o.output;
        const DataFiles files = ReadDataFiles(copy.path());
        if (error == EINTR || error == 0) {
            // Retried or completed by the layer: as if nothing had happened.
            EXPECT_EQ(o.exit_code, clean.exit_code) << where;
            EXPECT_EQ(Differences(files, after), "") << where;
            continue;
        }
        const CheckReport report = CheckGameDirectory(copy.path(), SampleTime());
        EXPECT_TRUE(report.clean())
            << where << Joined(report.lines()) << "\n"
            << o.output.substr(o.output.size() > 300 ? o.output.size() - 300 : 0);
        // What the session leaves as it found it stays so. The node table is the exception: a
        // node that stops on an error stays in it until its heartbeat has aged.
        for (const auto& [name, bytes] : before) {
            if (name == kNodeInfoFileName) continue;
            const auto done = after.find(name);
            if (done == after.end() || done->second != bytes) continue;
            const auto now = files.find(name);
            EXPECT_TRUE(now != files.end() && now->second == bytes) << where << ": " << name;
        }
    }
    return after;
}

// Walt's record in the files.
UserRecord Walt(const DataFiles& files) {
    UserRecord u{};
    const std::string& users = files.at(kUsersFile);
    for (std::size_t at = 0; at + sizeof u <= users.size(); at += sizeof u) {
        std::memcpy(&u, users.data() + at, sizeof u);
        if (u.name.view() == "Walt") return u;
    }
    return UserRecord{};
}

// The first evening is walked in two halves, each short enough for the sanitizer build.
void WalkTheFirstEvening(Faults faults) {
    GameDirectory dir;
    LayOutWaltsGame(dir);
    const DataFiles after = WalkFaults(dir.path(), PlayGame({"1"}, WaltsFirstEvening()), faults);
    const UserRecord walt = Walt(after);
    EXPECT_EQ(walt.weapon, 1);  // the hatchet, for 40 gold
    EXPECT_EQ(walt.gold, 10);
    EXPECT_EQ(walt.bank, 50);
    EXPECT_EQ(after.at("EMAIL.jhr").size(), sizeof(MessageHeader));
    EXPECT_EQ(after.at("GENERAL.jhr").size(), sizeof(MessageHeader));
}

TEST(FaultWalk, ANewcomersFirstEveningWithCallsThatFail) {
    WalkTheFirstEvening(Faults::kFailing);
}

TEST(FaultWalk, ANewcomersFirstEveningWithCallsInterruptedOrCutShort) {
    WalkTheFirstEvening(Faults::kUnseen);
}

TEST(FaultWalk, AReturningPlayerFoundsACityAndLevelsUp) {
    GameDirectory dir;
    LayOutWaltsGame(dir);
    ASSERT_EQ(RunInChild({.directory = dir.path()}, PlayGame({"1"}, WaltsFirstEvening())).exit_code,
              0);
    MakeWaltRich(dir);
    const DataFiles after = WalkFaults(dir.path(), PlayGame({"1"}, WaltsCityAndLevel()));
    const UserRecord walt = Walt(after);
    EXPECT_EQ(walt.level, 2);
    EXPECT_EQ(after.at(kCitiesFile).size(), sizeof(CityRecord));
}

// Rich Walt founds Frostholm and is killed at any write of his session; the next night runs. No
// city is left standing in no room, and Walt has paid for a city only if he holds it.
TEST(FaultWalk, AFoundingKilledAtAnyWriteLeavesNoCityOutsideARoom) {
    GameDirectory dir;
    LayOutWaltsGame(dir);
    ASSERT_EQ(RunInChild({.directory = dir.path()}, PlayGame({"1"}, WaltsFirstEvening())).exit_code,
              0);
    MakeWaltRich(dir);
    const auto session = PlayGame({"1"}, WaltsCityAndLevel());
    const FaultPlan writes{.on_call = "pwrite"};
    long calls = 0;
    {
        const ScratchCopy copy(dir.path());
        calls = RunInChild({.directory = copy.path(), .fault = writes}, session).record.calls;
    }
    for (long call = 1; call <= calls; ++call) {
        const ScratchCopy copy(dir.path());
        FaultPlan kill = writes;
        kill.call = call;
        kill.kill = true;
        const ChildOutcome o = RunInChild({.directory = copy.path(), .fault = kill}, session);
        const std::string where = "killed at " + std::string(o.record.what);
        ASSERT_EQ(RunInChild({.directory = copy.path()}, RunMaint(SampleTime())).exit_code, 0);
        const CheckReport report = CheckGameDirectory(copy.path(), SampleTime());
        EXPECT_TRUE(report.clean()) << where << Joined(report.lines());
        const DataFiles files = ReadDataFiles(copy.path());
        UserExtraRecord walts{};
        std::memcpy(&walts, files.at(kUserExtraFile).data() + sizeof walts, sizeof walts);
        if (Walt(files).gold < 20'000) {
            EXPECT_EQ(walts.cities[0], 1) << where;
        }
    }
}

// Hook for the maint night. Once maint is in, its night is walked the same way from the directory
// Walt's two sessions leave behind:
//     GameDirectory dir;
//     LayOutWaltsGame(dir);   // then play WaltsFirstEvening, MakeWaltRich, play WaltsCityAndLevel
//     WalkFaults(dir.path(), [] { /* the night run on a manual clock */ return RunNight(...); });
// with the night's own exit codes added to EndedByTheRules.

// Takes every right to write from the copy's files and directories (its owner is root, the game
// runs as nobody).
void MakeReadOnly(const std::string& directory) {
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
        fs::permissions(entry.path(), entry.is_directory() ? fs::perms(0555) : fs::perms(0444));
    }
    fs::permissions(directory, fs::perms(0555));
}

// Walt comes back to a game directory he may not write, or on a disk that is full: he is told so
// and nothing in the directory changes.
TEST(FaultWalk, AReadOnlyGameDirectoryOrAFullDiskChangesNothing) {
    if (!RunningAsRoot()) GTEST_SKIP() << "the read-only copy needs an owner other than the game";
    GameDirectory game;
    LayOutWaltsGame(game);
    ASSERT_EQ(
        RunInChild({.directory = game.path()}, PlayGame({"1"}, WaltsFirstEvening())).exit_code, 0);
    MakeWaltRich(game);
    const DataFiles before = ReadDataFiles(game.path());
    struct Case {
        const char* name;
        bool read_only;
        int exit_code;
        const char* message;
    };
    for (const Case& c : {Case{"read-only", true, 254, "The game cannot write to rooms.dat"},
                          Case{"full disk", false, 101, "Runtime error 101: disk write error"}}) {
        SCOPED_TRACE(c.name);
        const ScratchCopy copy(game.path());
        if (c.read_only) MakeReadOnly(copy.path());
        const ChildOutcome o =
            RunInChild({.directory = copy.path(),
                        .fault = {.call = c.read_only ? 0 : 1, .full_disk = !c.read_only},
                        .unprivileged = c.read_only},
                       PlayGame({"1"}, WaltsCityAndLevel()));
        EXPECT_EQ(o.exit_code, c.exit_code) << o.output;
        EXPECT_NE(o.output.find(c.message), std::string::npos) << o.output;
        EXPECT_EQ(Differences(ReadDataFiles(copy.path()), before), "");
    }
}

}  // namespace
}  // namespace vorn::test
