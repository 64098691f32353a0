#include "support/game_in_child.hpp"

#include <fcntl.h>
#include <grp.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>

#include <gtest/gtest.h>
#include "common/clock.hpp"
#include "common/random.hpp"
#include "core/session.hpp"
#include "core/startup.hpp"
#include "maint/night_run.hpp"

#include "play/main_sequence.hpp"
#include "support/caller_scripts.hpp"
#include "support/test_session.hpp"

namespace vorn::test {

namespace {

// Dice from a fixed seed: start-up seeds from the clock and the process id, which would make
// every child throw differently.
class SteadyRandom final : public Random {
  public:
    std::uint32_t random(std::uint32_t n) override { return dice_.random(n); }
    void seed(std::uint64_t) override {}

  private:
    SeededRandom dice_{20261207};
};

class ChildExit final : public ProcessExit {
  public:
    void exit_process(int code) override {
        std::fflush(stdout);
        ::_exit(code);
    }
};

[[noreturn]] void RunChild(const ChildRun& run, const std::function<int()>& body,
                           FaultRecord& record, int output) {
    if (::chdir(run.directory.c_str()) != 0 || ::dup2(output, STDOUT_FILENO) < 0 ||
        ::dup2(output, STDERR_FILENO) < 0) {
        ::_exit(125);
    }
    ::close(output);
    if (run.unprivileged && ::geteuid() == 0) {
        const gid_t group = 65534;
        if (::setgroups(1, &group) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(126);
        }
    }
    ::alarm(static_cast<unsigned>(run.time_limit_seconds));
    FaultyFileCalls calls(run.fault, record);
    SetFileCalls(&calls);
    const int code = body();
    std::fflush(stdout);
    ::_exit(code);
}

}  // namespace

ScratchCopy::ScratchCopy(const std::string& from) {
    std::string path = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/vorn-copy-XXXXXX"
                                                                 : "/tmp/vorn-copy-XXXXXX";
    if (::mkdtemp(path.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    path_ = path;
    std::filesystem::copy(from, path_,
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
}

ScratchCopy::~ScratchCopy() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ChildOutcome RunInChild(const ChildRun& run, const std::function<int()>& body) {
    ChildOutcome outcome;
    void* shared = ::mmap(nullptr, sizeof(FaultRecord), PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) return outcome;
    auto* record = new (shared) FaultRecord{};
    const std::string output_path = run.directory + ".out";
    const int output = ::open(output_path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = output < 0 ? -1 : ::fork();
    if (pid == 0) RunChild(run, body, *record, output);
    if (output >= 0) ::close(output);

    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid) {
        if (WIFEXITED(status)) outcome.exit_code = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
    }
    outcome.record = *record;
    ::munmap(shared, sizeof(FaultRecord));
    outcome.output = ReadFile(output_path);
    ::unlink(output_path.c_str());
    return outcome;
}

std::function<int()> PlayGame(std::vector<std::string> args, std::string keys) {
    return [args = std::move(args), keys = std::move(keys)]() -> int {
        ManualClock clock(SampleTime());
        SteadyRandom dice;
        FakeTerminal terminal(clock);
        terminal.on_write = [](std::string_view bytes) {
            (void)!::write(STDOUT_FILENO, bytes.data(), bytes.size());
        };
        terminal.type(keys);
        ChildExit exit;
        Platform platform{clock, dice, terminal, exit};
        auto session = std::make_unique<Session>(platform);
        session->command.args = args;
        RunGame(*session);
    };
}

std::function<int()> RunMaint(DateTime when, bool again) {
    return [when, again]() -> int {
        ManualClock clock(when);
        SteadyRandom dice;
        MaintConsole console(stdout, false);
        MaintContext context{clock, dice, console, again};
        return RunNight(context);
    };
}

namespace {

// The keys of a caller on a local node: the answer to the terminal probe first.
std::string Keys(const std::string& script) {
    return "\x1b[1;2R" + script;
}

}  // namespace

void LayOutWaltsGame(const GameDirectory& dir) {
    ASSERT_TRUE(dir.make_game());
    SetDoorType(dir, 1);
    WriteDoorSys(dir, "Walt Walker");
}

std::string WaltsFirstEvening() {
    return Keys(
        "\rs\rWalt\r1\r1\r\r\r\r\rmy1aqan"  // the title, the guide, a Human
        "wb1qq"                             // the weapon shop
        "bd\x19"
        "50\rq"                                           // the bank
        "fy@b1\ry\rWolves\rThe wolves are back.\x18\r\r"  // a board message
        "@sJoe\rSupper\rMeet me at the inn.\x18\r"        // a letter
        "qq\r");                                          // the title, the credits
}

void MakeWaltRich(const GameDirectory& dir) {
    ChangeUser(dir, "Walt", [](UserRecord& u) {
        u.gold = 20'000;
        u.experience = 5'000;
        u.hp = u.max_hp = 300;
    });
}

std::string WaltsCityAndLevel() {
    std::string fight = "66666666";  // up to the master
    for (int blow = 0; blow < 12; ++blow) fight += "A1\r";
    return Keys(
        "\rsny\rFrostholm\ryq"  // the city founded, its hall entered and left
        "nty" +                 // to Vornville and the trainer
        fight +
        "\rqq\r");
}

}  // namespace vorn::test
