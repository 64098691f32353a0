// Runs a real program of the build (usually `game`) the way a BBS does: in its game directory,
// as the unprivileged user, with the caller's terminal on standard input and output, either a
// pseudo-terminal or plain pipes, or on a socket a door32 board hands over; or reaches a game as
// a telnet client through a TelnetListener. Everything the program writes is drained at once by
// a reader thread and fed to a terminal emulator, whose answers (the start-up probe) go back to
// it. Waits are event-driven with a deadline; nothing here sleeps for a fixed time.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>
#include <termios.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/game_directory.hpp"
#include "support/terminal_screen.hpp"

namespace vorn::test {

// Generous enough for the sanitizer build; tests that must be quicker say so themselves.
inline constexpr int kDefaultTimeoutMs = 10000;
// What `wait_exit` returns besides an exit code 0..255.
inline constexpr int kStillRunning = -1;
inline constexpr int kKilledBySignal = 1000;  // plus the signal number

enum class Connection {
    kPty,    // a pseudo-terminal in its default (line-editing) mode; the program's controlling tty
    kPipes,  // standard input, output and error are three pipes
    // The caller on a local socket at descriptor kDoor32Handle, as a door32 board hands it over;
    // standard input is empty and what goes to standard output and error is error_output().
    kSocketPair,
    // A board that listens on a loopback port and names it on the door's command line: the
    // program is started with "--connect 127.0.0.1:PORT" after its arguments and plays on the
    // connection it makes; standard input is empty and its output is error_output().
    kConnectBack,
};

// The descriptor a kSocketPair program finds the caller's socket on.
inline constexpr int kDoor32Handle = 3;

class TelnetListener;
class TelnetClient;
class DelayProxy;

struct LaunchOptions {
    std::vector<std::string> args;  // after the program name
    Connection connection = Connection::kPty;
    TerminalKind terminal = TerminalKind::kUtf8;
    // Run as the test's own user even when that is root (only the root refusal wants this).
    bool keep_root = false;
    // "NAME=value" entries set for the program on top of the test's environment.
    std::vector<std::string> environment;
    // kConnectBack: the connection passes through a link this slow each way.
    int line_delay_ms = 0;
};

class GameProcess {
  public:
    // Starts `program` (a build executable: "game", "setup", ...) in `directory`.
    GameProcess(std::string_view program, const GameDirectory& directory,
                LaunchOptions options = {});
    // Connects to `listener` as a telnet client (negotiating like one, a window of 80 x 25) and
    // takes over the program it starts for the connection. Typed Enter goes as CR LF.
    explicit GameProcess(TelnetListener& listener, TerminalKind terminal = TerminalKind::kUtf8);
    // The same with a game that another program serves on a loopback port (tools/serve.sh):
    // not this test's child, so wait_exit waits for the line to close and then gives 0.
    explicit GameProcess(int port, TerminalKind terminal = TerminalKind::kUtf8);
    // A process still running is killed.
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    pid_t pid() const { return pid_; }

    // Types keys: bytes on the terminal (or on standard input for pipes).
    void type(std::string_view keys);
    // The caller hangs up: the pty master is closed (the program gets SIGHUP, then EIO), on
    // pipes standard input is closed (end of file), a socket is shut down both ways. Output is
    // no longer read after a pty hang-up.
    void hang_up();

    // Waits until `text` shows on one row of the screen. False at the deadline or when the
    // program's output ended without it.
    bool wait_for_text(std::string_view text, int timeout_ms = kDefaultTimeoutMs);
    // Waits until one of `texts` shows on one row of the screen, or (with `from` given) is in the
    // output from byte `from` on, escape sequences left out (or shows on the screen once output
    // since `from` has come and settled). Returns its position in `texts`, -1 at
    // the deadline or when the output ended without any.
    int wait_for_any(const std::vector<std::string>& texts, int timeout_ms = kDefaultTimeoutMs,
                     std::size_t from = std::string::npos);
    // Waits until the raw output from byte `from` on contains `bytes`.
    bool wait_for_output(std::string_view bytes, int timeout_ms = kDefaultTimeoutMs,
                         std::size_t from = 0);
    // Waits for the process to end and for its last output to be read. Returns the exit code,
    // kKilledBySignal + signal, or kStillRunning at the deadline.
    int wait_exit(int timeout_ms = kDefaultTimeoutMs);

    // Every byte the program wrote to its terminal or standard output, in order.
    std::string output() const;
    // How many bytes have arrived so far: a mark for wait_for_output.
    std::size_t output_size() const;
    // Standard error on pipes (on a pty it shows on the screen).
    std::string error_output() const;

    // The screen now; positions from 1 (column 1..80, row 1..25).
    ScreenCell cell(int column, int row) const;
    std::string row_text(int row) const;
    std::string screen_text() const;
    int cursor_column() const;
    int cursor_row() const;

    // The mode of the program's terminal as it stands (pty only): to check it was given back.
    struct termios terminal_mode() const;

    // Resource use of the ended process (from wait4); peak resident set in kilobytes.
    const struct rusage& usage() const { return usage_; }
    long peak_rss_kb() const { return usage_.ru_maxrss; }

  private:
    void start_reader();
    void read_loop();
    void write_input(std::string_view bytes);
    void stop_reader();
    bool reap(int timeout_ms);

    LaunchOptions options_;
    pid_t pid_ = -1;
    int pidfd_ = -1;
    int input_fd_ = -1;   // pty master or the write end of standard input
    int output_fd_ = -1;  // pty master or the read end of standard output
    int error_fd_ = -1;   // read end of standard error (pipes only)
    int wake_read_ = -1;
    int wake_write_ = -1;
    bool owns_output_fd_ = false;  // pipes: output and input are different descriptors
    bool socket_ = false;          // input and output are one socket
    std::unique_ptr<TelnetClient> telnet_;
    std::unique_ptr<DelayProxy> proxy_;

    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::mutex write_mutex_;
    std::unique_ptr<TerminalScreen> screen_;
    std::string output_;
    std::chrono::steady_clock::time_point last_output_{};
    std::string error_output_;
    bool output_ended_ = false;

    bool reaped_ = false;
    int exit_result_ = kStillRunning;
    struct rusage usage_ {};
};

// The result of a program run to its end on pipes.
struct ProgramResult {
    int exit_code = kStillRunning;  // as GameProcess::wait_exit
    std::string output;
    std::string error_output;
    struct rusage usage {};
    double elapsed_ms = 0;  // from just before the fork to the reaping of the process
};

struct RunOptions {
    std::vector<std::string> args;
    std::string input;        // written to standard input up front
    bool close_input = true;  // then standard input reaches end of file
    bool keep_root = false;
    int timeout_ms = kDefaultTimeoutMs;  // the process is killed after this
    long long file_size_limit = -1;      // the largest file it may write (RLIMIT_FSIZE); -1 none
};

// User plus system CPU seconds a running process has used so far (the kernel's count, to the
// nanosecond where it gives it, else from /proc); 0 when it is gone.
double ProcessCpuSeconds(pid_t pid);

// Starts a build executable in `directory` as inetd does: `connection` as its standard input,
// output and error. The caller reaps it.
pid_t StartOnConnection(std::string_view program, const std::string& directory,
                        const std::vector<std::string>& args, int connection);

// Waits for the child `pid` (started by the test itself) to end and reaps it: its exit code,
// kKilledBySignal + signal, or kStillRunning at the deadline.
int WaitForChild(pid_t pid, int timeout_ms = kDefaultTimeoutMs);

// Runs a build executable in `directory` to its end, in this thread: no terminal emulator,
// nothing but pipes, so its cost is small and the same for every program it runs.
ProgramResult RunProgram(std::string_view program, const std::string& directory,
                         const RunOptions& options);

}  // namespace vorn::test
