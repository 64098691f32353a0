// tools/serve.sh, the telnet game of a machine of one's own: a caller plays through it, and
// Ctrl-C on the script ends his game in order.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "support/caller_scripts.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"
#include "support/telnet_listener.hpp"

namespace vorn {
namespace {

// serve.sh in a process group of its own, as a shell runs a command in the foreground, taking
// its programs from this build; its output comes through `output`.
pid_t StartServe(const test::GameDirectory& dir, int port, int& output) {
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        ::dup2(pipe_fds[1], STDOUT_FILENO);
        ::setenv("VORN_BUILD_DIR", (test::BinDir() + "/..").c_str(), 1);
        ::setenv("VORN_DEMO_DIR", dir.path().c_str(), 1);
        ::setenv("VORN_PORT", std::to_string(port).c_str(), 1);
        const std::string script = test::SourceDir() + "/tools/serve.sh";
        ::execlp("bash", "bash", script.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipe_fds[1]);
    output = pipe_fds[0];
    return pid;
}

// Reads `fd` until `text` has come; false at the deadline or the end of the output.
bool ReadUntil(int fd, const std::string& text, int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    std::string seen;
    while (seen.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        struct pollfd p {
            fd, POLLIN, 0
        };
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char block[512];
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n <= 0) return false;
        seen.append(block, static_cast<std::size_t>(n));
    }
    return true;
}

// Stops a serve.sh that a failed check left running, as a sysop would.
struct StopServe {
    pid_t pid;
    ~StopServe() {
        if (test::WaitForChild(pid, 0) != test::kStillRunning) return;
        ::kill(pid, SIGTERM);
        test::WaitForChild(pid, 30000);
    }
};

TEST(ServeScript, CtrlCEndsEveryCallersGameInOrder) {
    test::GameDirectory dir;
    const int port = test::FreeLoopbackPort();
    int output = -1;
    const pid_t serve = StartServe(dir, port, output);
    ASSERT_GT(serve, 0);
    const StopServe stop{serve};
    ASSERT_TRUE(ReadUntil(output, "Vornhold is listening", 60000));

    test::GameProcess caller(port);
    test::EnterAsNewCaller(caller, "Mira Quay", "Ferro");
    // The terminal's Ctrl-C: SIGINT to the script's process group.
    ::kill(-serve, SIGINT);
    EXPECT_EQ(test::WaitForChild(serve, 30000), 0);
    EXPECT_EQ(caller.wait_exit(), 0);
    ::close(output);

    EXPECT_NE(test::AllLogs(dir).find("signal (SIGTERM)"), std::string::npos) << test::AllLogs(dir);
    const test::ProgramResult nodes = test::RunProgram("nodes", dir.path(), {.args = {"list"}});
    EXPECT_EQ(nodes.output.find("Ferro"), std::string::npos) << nodes.output;
    EXPECT_NE(test::UserNamed(dir, "Ferro").number, 0);
}

}  // namespace
}  // namespace vorn
