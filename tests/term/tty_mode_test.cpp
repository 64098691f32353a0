// The terminal mode on a real pseudo-terminal: raw while the key reader lives, the caller's mode
// back afterwards however the session ends.
#include "term/tty_mode.hpp"

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "core/session.hpp"
#include "support/key_fixture.hpp"

namespace vorn {
namespace {

bool SameMode(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_lflag == b.c_lflag &&
           a.c_cflag == b.c_cflag && a.c_cc[VMIN] == b.c_cc[VMIN] && a.c_cc[VTIME] == b.c_cc[VTIME];
}

termios ModeOf(int fd) {
    termios t{};
    EXPECT_EQ(::tcgetattr(fd, &t), 0);
    return t;
}

// A session whose caller sits on the slave side of a pseudo-terminal.
struct PtySession {
    explicit PtySession(ProcessExit& process_exit) : exit(process_exit) {
        EXPECT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        original = ModeOf(slave);
        char pattern[] = "/tmp/vorn-tty-XXXXXX";
        directory = std::string(::mkdtemp(pattern)) + "/";
    }
    ~PtySession() {
        session.reset();
        if (master >= 0) ::close(master);
        ::close(slave);
        std::filesystem::remove_all(directory);
    }
    Session& start() {
        terminal = std::make_unique<FdTerminalIo>(slave, slave);
        platform = std::make_unique<Platform>(Platform{clock, random, *terminal, exit});
        session = std::make_unique<Session>(*platform);
        session->system.log_path = directory;
        session->system.temp_path = directory;
        session->command.start_directory = std::filesystem::current_path().string() + "/";
        return *session;
    }

    int master = -1;
    int slave = -1;
    termios original{};
    std::string directory;
    ManualClock clock;
    ScriptedRandom random{{0}};
    ProcessExit& exit;
    std::unique_ptr<FdTerminalIo> terminal;
    std::unique_ptr<Platform> platform;
    std::unique_ptr<Session> session;
};

TEST(TtyMode, RawWhileTheReaderLivesAndTheCallersModeAfterwards) {
    test::ThrowingExit exit;
    PtySession pty(exit);
    ASSERT_TRUE(pty.original.c_lflag & ICANON);
    Session& s = pty.start();
    const termios raw = ModeOf(pty.slave);
    EXPECT_EQ(raw.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(raw.c_iflag & (ICRNL | IXON), 0u);
    EXPECT_EQ(raw.c_cc[VMIN], 1);
    // Keys arrive one by one, Enter as CR, Ctrl-C as a key rather than a signal.
    ASSERT_EQ(::write(pty.master, "a\r\x03", 3), 3);
    EXPECT_EQ(s.keys.read_key(), 'a');
    EXPECT_EQ(s.keys.read_key(), '\r');
    EXPECT_EQ(s.keys.read_key(), 3);
    pty.session.reset();
    EXPECT_TRUE(SameMode(ModeOf(pty.slave), pty.original));
}

TEST(TtyMode, SigtermEndsTheSessionInOrderAndGivesEverythingBack) {
    test::ThrowingExit exit;
    PtySession pty(exit);
    struct sigaction before {};
    ::sigaction(SIGTERM, nullptr, &before);
    Session& s = pty.start();
    ::raise(SIGTERM);
    s.keys.read_key();
    EXPECT_TRUE(s.time.ended);
    EXPECT_THROW(s.keys.key_waiting(), test::ExitCalled);
    pty.session.reset();
    EXPECT_TRUE(SameMode(ModeOf(pty.slave), pty.original));
    struct sigaction after {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST(TtyMode, ClosingTheCallersEndIsAHangUp) {
    test::ThrowingExit exit;
    PtySession pty(exit);
    Session& s = pty.start();
    ::close(pty.master);
    pty.master = -1;
    s.keys.read_key();
    EXPECT_TRUE(s.time.ended);
}

TEST(TtyMode, APipeWorksWithoutTerminalMode) {
    int in[2];
    ASSERT_EQ(::pipe(in), 0);
    ManualClock clock;
    ScriptedRandom random({0});
    test::ThrowingExit exit;
    FdTerminalIo terminal(in[0], ::open("/dev/null", O_WRONLY));
    Platform platform{clock, random, terminal, exit};
    {
        Session s(platform);
        EXPECT_TRUE(s.keys.tty_mode().holds_terminal());
        ASSERT_EQ(::write(in[1], "\x1b[Ax", 4), 4);
        ::close(in[1]);
        EXPECT_EQ(s.keys.read_key(), 0x48);
        EXPECT_EQ(s.keys.read_key(), 'x');
        s.keys.read_key();
        EXPECT_TRUE(s.time.ended);
    }
    ::close(in[0]);
    ::close(terminal.output_fd());
}

// The real process: std::exit after the orderly end, or death by a fatal signal, in a child.
void ExpectModeRestoredInChild(void (*end)(Session&), bool by_signal) {
    RealProcessExit real_exit;
    PtySession pty(real_exit);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Session& s = pty.start();
        termios now{};
        ::tcgetattr(pty.slave, &now);
        if ((now.c_lflag & ICANON) == 0) (void)!::write(pty.slave, "<raw>", 5);
        end(s);
        ::_exit(99);
    }
    ::fcntl(pty.master, F_SETFL, O_NONBLOCK);
    int status = 0;
    char sink[4096];
    std::string seen;
    // Keep the pseudo-terminal's buffer drained so the child's last output never blocks it.
    while (::waitpid(child, &status, WNOHANG) == 0) {
        const ssize_t n = ::read(pty.master, sink, sizeof sink);
        if (n > 0) seen.append(sink, static_cast<std::size_t>(n));
        if (n <= 0) {
            struct timespec tick {
                0, 1'000'000
            };
            ::nanosleep(&tick, nullptr);
        }
    }
    for (ssize_t n; (n = ::read(pty.master, sink, sizeof sink)) > 0;) {
        seen.append(sink, static_cast<std::size_t>(n));
    }
    EXPECT_NE(seen.find("<raw>"), std::string::npos);
    if (by_signal) {
        EXPECT_TRUE(WIFSIGNALED(status));
    } else {
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    EXPECT_TRUE(SameMode(ModeOf(pty.slave), pty.original));
}

TEST(TtyMode, RestoredWhenTheProcessExitsAfterAHangUpSignal) {
    ExpectModeRestoredInChild(
        [](Session& s) {
            ::raise(SIGTERM);
            s.keys.read_key();
            s.keys.key_waiting();
        },
        false);
}

TEST(TtyMode, RestoredWhenTheProcessDiesOfAFatalSignal) {
    ExpectModeRestoredInChild([](Session&) { std::abort(); }, true);
}

}  // namespace
}  // namespace vorn
