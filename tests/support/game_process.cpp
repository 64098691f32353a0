// Process start-up (fork, privilege drop, exec), the reader thread that drains the program's
// output into the terminal emulator, and the deadline-bound waits.
#include "support/game_process.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "support/delay_proxy.hpp"
#include "support/telnet_listener.hpp"

namespace vorn::test {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Everything the child needs, prepared before the fork: after it only async-signal-safe calls.
struct ChildPlan {
    std::string path;
    std::vector<std::string> arguments;
    std::vector<char*> argv;
    std::vector<std::string> variables;
    std::vector<char*> envp;
    std::string directory;
    RunAsUser user;
    long long file_size_limit = -1;  // RLIMIT_FSIZE in bytes; -1 leaves it as it is

    ChildPlan(std::string_view program, const std::string& dir,
              const std::vector<std::string>& args, bool keep_root,
              const std::vector<std::string>& environment = {})
        : path(BinaryPath(program)), directory(dir), user(UnprivilegedUser()) {
        if (keep_root) user.drop = false;
        arguments.push_back(std::string(program));
        arguments.insert(arguments.end(), args.begin(), args.end());
        for (std::string& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        // The test's environment, with the given variables replacing those of the same name.
        const auto name_of = [](const std::string& v) { return v.substr(0, v.find('=')); };
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string v = *e;
            bool replaced = false;
            for (const std::string& own : environment) replaced |= name_of(own) == name_of(v);
            if (!replaced) variables.push_back(v);
        }
        variables.insert(variables.end(), environment.begin(), environment.end());
        for (std::string& v : variables) envp.push_back(v.data());
        envp.push_back(nullptr);
    }
};

// Runs in the child with its standard descriptors in place.
[[noreturn]] void ExecChild(const ChildPlan& plan) {
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGHUP, SIG_DFL);
    ::signal(SIGXFSZ, SIG_DFL);
    if (plan.file_size_limit >= 0) {
        const struct rlimit limit {
            static_cast<rlim_t>(plan.file_size_limit), static_cast<rlim_t>(plan.file_size_limit)
        };
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (plan.user.drop) {
        const gid_t groups[1] = {plan.user.gid};
        if (::setgroups(1, groups) != 0 || ::setgid(plan.user.gid) != 0 ||
            ::setuid(plan.user.uid) != 0) {
            ::_exit(126);
        }
    }
    if (::chdir(plan.directory.c_str()) != 0) ::_exit(126);
    ::execve(plan.path.c_str(), plan.argv.data(), plan.envp.data());
    ::_exit(127);
}

void IgnoreSigpipe() {
    // A program that has ended closes its input: writing to it must fail, not kill the test.
    static const bool done = [] {
        ::signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    (void)done;
}

int DecodeStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return kKilledBySignal + WTERMSIG(status);
    return kStillRunning;
}

int MillisecondsUntil(SteadyClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

// Waits until `pid` has ended (pidfd when the kernel has it, else short polls) and reaps it.
bool ReapWithin(pid_t pid, int pidfd, int timeout_ms, int& result, struct rusage& usage) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        int status = 0;
        const pid_t r = ::wait4(pid, &status, WNOHANG, &usage);
        if (r == pid) {
            result = DecodeStatus(status);
            return true;
        }
        if (r < 0 && errno != EINTR) return false;
        const int left = MillisecondsUntil(deadline);
        if (left == 0) return false;
        if (pidfd >= 0) {
            struct pollfd p {
                pidfd, POLLIN, 0
            };
            ::poll(&p, 1, left);
        } else {
            ::poll(nullptr, 0, left < 2 ? left : 2);
        }
    }
}

}  // namespace

int WaitForChild(pid_t pid, int timeout_ms) {
    const int pidfd = OpenPidFd(pid);
    int result = kStillRunning;
    struct rusage usage {};
    ReapWithin(pid, pidfd, timeout_ms, result, usage);
    if (pidfd >= 0) ::close(pidfd);
    return result;
}

namespace {

void SetCloseOnExec(int fd) {
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

}  // namespace

GameProcess::GameProcess(std::string_view program, const GameDirectory& directory,
                         LaunchOptions options)
    : options_(std::move(options)), screen_(std::make_unique<TerminalScreen>(options_.terminal)) {
    IgnoreSigpipe();
    int board = -1;
    if (options_.connection == Connection::kConnectBack) {
        int port = 0;
        board = ListenOnLoopback(port);
        if (options_.line_delay_ms > 0) {
            proxy_ = std::make_unique<DelayProxy>(port, options_.line_delay_ms);
            port = proxy_->port();
        }
        options_.args.push_back("--connect");
        options_.args.push_back("127.0.0.1:" + std::to_string(port));
    }
    const ChildPlan plan(program, directory.path(), options_.args, options_.keep_root,
                         options_.environment);

    if (options_.connection == Connection::kPty) {
        int master = -1;
        int slave = -1;
        struct winsize size {};
        size.ws_row = TerminalScreen::kRows;
        size.ws_col = TerminalScreen::kColumns;
        if (::openpty(&master, &slave, nullptr, nullptr, &size) != 0) std::abort();
        SetCloseOnExec(master);
        SetCloseOnExec(slave);
        pid_ = ::fork();
        if (pid_ == 0) {
            // Become a session of its own with the pty as controlling terminal, as a login does.
            ::setsid();
            ::ioctl(slave, TIOCSCTTY, 0);
            ::dup2(slave, 0);
            ::dup2(slave, 1);
            ::dup2(slave, 2);
            ExecChild(plan);
        }
        ::close(slave);
        input_fd_ = master;
        output_fd_ = master;
    } else if (options_.connection == Connection::kSocketPair ||
               options_.connection == Connection::kConnectBack) {
        const bool handed_over = options_.connection == Connection::kSocketPair;
        int sockets[2] = {-1, -1};
        int out[2];
        if ((handed_over && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) ||
            ::pipe2(out, O_CLOEXEC) != 0) {
            std::abort();
        }
        const int empty = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(empty, 0);
            ::dup2(out[1], 1);
            ::dup2(out[1], 2);
            if (handed_over) {
                ::dup2(sockets[1], kDoor32Handle);
                ::fcntl(kDoor32Handle, F_SETFD, 0);  // kept across exec, even when dup2 did nothing
            }
            ExecChild(plan);
        }
        ::close(empty);
        ::close(out[1]);
        if (handed_over) {
            ::close(sockets[1]);
            input_fd_ = output_fd_ = sockets[0];
        } else {
            struct pollfd p {
                board, POLLIN, 0
            };
            if (::poll(&p, 1, kDefaultTimeoutMs) != 1) std::abort();
            input_fd_ = output_fd_ = ::accept4(board, nullptr, nullptr, SOCK_CLOEXEC);
            if (input_fd_ < 0) std::abort();
            ::close(board);
        }
        error_fd_ = out[0];
        socket_ = true;
    } else {
        int in[2], out[2], err[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
            ::pipe2(err, O_CLOEXEC) != 0) {
            std::abort();
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            ExecChild(plan);
        }
        ::close(in[0]);
        ::close(out[1]);
        ::close(err[1]);
        input_fd_ = in[1];
        output_fd_ = out[0];
        error_fd_ = err[0];
        owns_output_fd_ = true;
    }
    start_reader();
}

GameProcess::GameProcess(TelnetListener& listener, TerminalKind terminal)
    : GameProcess(listener.port(), terminal) {
    // The listener starts the program once the connection is there; the reader does not look
    // at the process.
    pid_ = listener.take_started();
    pidfd_ = OpenPidFd(pid_);
}

GameProcess::GameProcess(int port, TerminalKind terminal)
    : telnet_(std::make_unique<TelnetClient>()),
      screen_(std::make_unique<TerminalScreen>(terminal)) {
    IgnoreSigpipe();
    options_.terminal = terminal;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 ||
        ::connect(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof address) != 0) {
        std::abort();
    }
    input_fd_ = output_fd_ = fd;
    socket_ = true;
    start_reader();
}

void GameProcess::start_reader() {
    if (pid_ < 0 && !socket_) std::abort();
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0) std::abort();
    wake_read_ = wake[0];
    wake_write_ = wake[1];
    if (pid_ > 0) pidfd_ = OpenPidFd(pid_);
    reader_ = std::thread([this] { read_loop(); });
}

GameProcess::~GameProcess() {
    if (!reaped_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        reap(kDefaultTimeoutMs);
    }
    stop_reader();
    {
        const std::lock_guard lock(write_mutex_);
        if (input_fd_ >= 0) ::close(input_fd_);
        input_fd_ = -1;
    }
    if (owns_output_fd_ && output_fd_ >= 0) ::close(output_fd_);
    if (error_fd_ >= 0) ::close(error_fd_);
    if (pidfd_ >= 0) ::close(pidfd_);
    if (wake_read_ >= 0) ::close(wake_read_);
    if (wake_write_ >= 0) ::close(wake_write_);
}

void GameProcess::read_loop() {
    bool output_open = true;
    bool error_open = error_fd_ >= 0;
    char buffer[4096];
    while (output_open || error_open) {
        struct pollfd fds[3] = {{wake_read_, POLLIN, 0},
                                {output_open ? output_fd_ : -1, POLLIN, 0},
                                {error_open ? error_fd_ : -1, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents != 0) break;
        if (fds[1].revents != 0) {
            const ssize_t n = ::read(output_fd_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            std::string answer;
            std::string negotiation;
            {
                const std::lock_guard lock(mutex_);
                if (n <= 0) {
                    // End of file on a pipe or socket, EIO on a pty master whose slave is closed.
                    output_open = false;
                    output_ended_ = true;
                } else {
                    std::string_view bytes(buffer, static_cast<std::size_t>(n));
                    std::string data;
                    if (telnet_) {
                        data = telnet_->receive(bytes, negotiation);
                        bytes = data;
                    }
                    output_.append(bytes);
                    last_output_ = SteadyClock::now();
                    answer = screen_->feed(bytes);
                }
            }
            if (!negotiation.empty()) write_input(negotiation);
            if (!answer.empty()) write_input(telnet_ ? TelnetClient::Send(answer) : answer);
            changed_.notify_all();
        }
        if (fds[2].revents != 0) {
            const ssize_t n = ::read(error_fd_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            const std::lock_guard lock(mutex_);
            if (n <= 0) {
                error_open = false;
            } else {
                error_output_.append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    {
        const std::lock_guard lock(mutex_);
        output_ended_ = true;
    }
    changed_.notify_all();
}

void GameProcess::stop_reader() {
    if (!reader_.joinable()) return;
    const char stop = 1;
    if (::write(wake_write_, &stop, 1) < 0) std::perror("wake reader");
    reader_.join();
}

void GameProcess::write_input(std::string_view bytes) {
    const std::lock_guard lock(write_mutex_);
    while (!bytes.empty() && input_fd_ >= 0) {
        const ssize_t n = ::write(input_fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // the program is gone
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void GameProcess::type(std::string_view keys) {
    write_input(telnet_ ? TelnetClient::Send(keys) : std::string(keys));
}

void GameProcess::hang_up() {
    if (socket_) {
        const std::lock_guard lock(write_mutex_);
        ::shutdown(input_fd_, SHUT_RDWR);
        return;
    }
    if (options_.connection == Connection::kPty) {
        // The master is also the output: stop reading it before it goes.
        stop_reader();
        const std::lock_guard lock(mutex_);
        output_ended_ = true;
    }
    const std::lock_guard lock(write_mutex_);
    if (input_fd_ >= 0) ::close(input_fd_);
    input_fd_ = -1;
}

bool GameProcess::wait_for_text(std::string_view text, int timeout_ms) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline, [&] { return screen_->contains(text) || output_ended_; });
    return screen_->contains(text);
}

namespace {

// The printable bytes of terminal output: escape sequences (colours, cursor moves) left out.
std::string WithoutEscapes(std::string_view bytes) {
    std::string plain;
    plain.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\x1b') {
            plain += bytes[i];
            continue;
        }
        if (i + 1 < bytes.size() && bytes[i + 1] == '[') {
            i += 2;
            while (i < bytes.size() && (bytes[i] < 0x40 || bytes[i] > 0x7e)) ++i;
        } else {
            ++i;
        }
    }
    return plain;
}

}  // namespace

int GameProcess::wait_for_any(const std::vector<std::string>& texts, int timeout_ms,
                              std::size_t from) {
    // The game sends only the cells that change: a text already showing at its place comes
    // again as a cursor move at most. So, with `from` given, a text on the screen counts too once
    // output has come since `from` and then stopped for a while (the game waits for a key).
    constexpr auto kSettled = std::chrono::milliseconds(150);
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
    std::unique_lock lock(mutex_);
    int found = -1;
    const auto look = [&] {
        const bool since = from != std::string::npos && from <= output_.size();
        const std::string plain =
            since ? WithoutEscapes(std::string_view(output_).substr(from)) : std::string();
        const bool settled =
            since && output_.size() > from && SteadyClock::now() - last_output_ >= kSettled;
        for (std::size_t i = 0; i < texts.size() && found < 0; ++i) {
            const bool here = from == std::string::npos ? screen_->contains(texts[i])
                                                        : plain.find(texts[i]) != std::string::npos;
            if (here) found = static_cast<int>(i);
        }
        for (std::size_t i = 0; i < texts.size() && found < 0 && settled; ++i) {
            if (screen_->contains(texts[i])) found = static_cast<int>(i);
        }
        return found >= 0;
    };
    while (!look() && !output_ended_ && SteadyClock::now() < deadline) {
        changed_.wait_until(lock, std::min(deadline, SteadyClock::now() + kSettled / 3));
    }
    if (found < 0) look();
    return found;
}

bool GameProcess::wait_for_output(std::string_view bytes, int timeout_ms, std::size_t from) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
    std::unique_lock lock(mutex_);
    const auto found = [&] {
        return from <= output_.size() && output_.find(bytes, from) != std::string::npos;
    };
    changed_.wait_until(lock, deadline, [&] { return found() || output_ended_; });
    return found();
}

bool GameProcess::reap(int timeout_ms) {
    if (reaped_) return true;
    if (pid_ < 0) {
        // A game another program serves: it has ended for the caller when the line closes.
        std::unique_lock lock(mutex_);
        reaped_ = changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                    [&] { return output_ended_; });
        if (reaped_) exit_result_ = 0;
        return reaped_;
    }
    reaped_ = ReapWithin(pid_, pidfd_, timeout_ms, exit_result_, usage_);
    return reaped_;
}

int GameProcess::wait_exit(int timeout_ms) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
    if (!reap(timeout_ms)) return kStillRunning;
    // The last bytes may still be on their way through the pty or pipe.
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline, [&] { return output_ended_; });
    return exit_result_;
}

std::string GameProcess::output() const {
    const std::lock_guard lock(mutex_);
    return output_;
}

std::size_t GameProcess::output_size() const {
    const std::lock_guard lock(mutex_);
    return output_.size();
}

std::string GameProcess::error_output() const {
    const std::lock_guard lock(mutex_);
    return error_output_;
}

ScreenCell GameProcess::cell(int column, int row) const {
    const std::lock_guard lock(mutex_);
    return screen_->cell(column, row);
}

std::string GameProcess::row_text(int row) const {
    const std::lock_guard lock(mutex_);
    return screen_->row_text(row);
}

std::string GameProcess::screen_text() const {
    const std::lock_guard lock(mutex_);
    return screen_->text();
}

struct termios GameProcess::terminal_mode() const {
    struct termios mode {};
    ::tcgetattr(input_fd_, &mode);
    return mode;
}

int GameProcess::cursor_column() const {
    const std::lock_guard lock(mutex_);
    return screen_->cursor_column();
}

int GameProcess::cursor_row() const {
    const std::lock_guard lock(mutex_);
    return screen_->cursor_row();
}

pid_t StartOnConnection(std::string_view program, const std::string& directory,
                        const std::vector<std::string>& args, int connection) {
    const ChildPlan plan(program, directory, args, false);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(connection, 0);
        ::dup2(connection, 1);
        ::dup2(connection, 2);
        ExecChild(plan);
    }
    return pid;
}

ProgramResult RunProgram(std::string_view program, const std::string& directory,
                         const RunOptions& options) {
    IgnoreSigpipe();
    ChildPlan plan(program, directory, options.args, options.keep_root);
    plan.file_size_limit = options.file_size_limit;
    ProgramResult result;
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
        std::abort();
    }
    const auto start = SteadyClock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ExecChild(plan);
    }
    if (pid < 0) std::abort();
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    const int pidfd = OpenPidFd(pid);
    ::fcntl(in[1], F_SETFL, O_NONBLOCK);

    const auto deadline = start + std::chrono::milliseconds(options.timeout_ms);
    std::string_view pending = options.input;
    int input_fd = in[1];
    if (pending.empty() && options.close_input) {
        ::close(input_fd);
        input_fd = -1;
    }
    bool out_open = true;
    bool err_open = true;
    char buffer[4096];
    while (out_open || err_open) {
        const int left = MillisecondsUntil(deadline);
        if (left == 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        struct pollfd fds[3] = {{out_open ? out[0] : -1, POLLIN, 0},
                                {err_open ? err[0] : -1, POLLIN, 0},
                                {!pending.empty() ? input_fd : -1, POLLOUT, 0}};
        if (::poll(fds, 3, left) < 0 && errno != EINTR) break;
        if (fds[0].revents != 0) {
            const ssize_t n = ::read(out[0], buffer, sizeof buffer);
            if (n > 0) result.output.append(buffer, static_cast<std::size_t>(n));
            if (n == 0 || (n < 0 && errno != EINTR)) out_open = false;
        }
        if (fds[1].revents != 0) {
            const ssize_t n = ::read(err[0], buffer, sizeof buffer);
            if (n > 0) result.error_output.append(buffer, static_cast<std::size_t>(n));
            if (n == 0 || (n < 0 && errno != EINTR)) err_open = false;
        }
        if (fds[2].revents != 0) {
            const ssize_t n = ::write(input_fd, pending.data(), pending.size());
            if (n > 0) pending.remove_prefix(static_cast<std::size_t>(n));
            if (n < 0 && errno != EINTR && errno != EAGAIN) pending = {};
            if (pending.empty() && options.close_input) {
                ::close(input_fd);
                input_fd = -1;
            }
        }
    }
    const int left = MillisecondsUntil(deadline);
    if (!ReapWithin(pid, pidfd, left > 0 ? left : 0, result.exit_code, result.usage)) {
        ::kill(pid, SIGKILL);
        ReapWithin(pid, pidfd, kDefaultTimeoutMs, result.exit_code, result.usage);
    }
    result.elapsed_ms =
        std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
    if (input_fd >= 0) ::close(input_fd);
    ::close(out[0]);
    ::close(err[0]);
    if (pidfd >= 0) ::close(pidfd);
    return result;
}

double ProcessCpuSeconds(pid_t pid) {
    // The kernel's own count, to the nanosecond; /proc's ticks of 10 ms when it is not given.
    clockid_t clock{};
    timespec used{};
    if (::clock_getcpuclockid(pid, &clock) == 0 && ::clock_gettime(clock, &used) == 0) {
        return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) * 1e-9;
    }
    std::string all(1024, '\0');
    FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (file == nullptr) return 0;
    all.resize(std::fread(all.data(), 1, all.size(), file));
    std::fclose(file);
    // The command name in parentheses may hold blanks: fields are counted after its end.
    std::istringstream fields(all.substr(all.rfind(')') + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    for (int n = 3; fields >> field; ++n) {
        if (n == 14) utime = std::stol(field);
        if (n == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

}  // namespace vorn::test
