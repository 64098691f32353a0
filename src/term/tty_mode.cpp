// Signal handlers and exit handlers cannot reach the session, so the saved terminal mode and the
// hang-up flag live in one file-level record: the only process-wide state of the game.
#include "term/tty_mode.hpp"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>

namespace vorn {

namespace {

constexpr int kHangupSignals[] = {SIGHUP, SIGTERM};
// Signals that end the process at once: the mode goes back, then the previous handler runs.
constexpr int kFatalSignals[] = {SIGINT, SIGQUIT, SIGILL, SIGABRT, SIGBUS, SIGFPE, SIGSEGV};

struct ProcessTerminal {
    int fd = -1;
    struct termios saved {};
    volatile sig_atomic_t raw = 0;
    volatile sig_atomic_t hangup = 0;
    bool held = false;
    bool fatal_handlers = false;
    bool exit_handler_registered = false;
    struct sigaction old_hangup[std::size(kHangupSignals)]{};
    struct sigaction old_fatal[std::size(kFatalSignals)]{};
};

ProcessTerminal g_terminal;

// Async-signal-safe: tcsetattr and plain stores only.
void RestoreMode(int when) {
    if (g_terminal.raw == 0) return;
    g_terminal.raw = 0;
    ::tcsetattr(g_terminal.fd, when, &g_terminal.saved);
}

void RestoreAtExit() {
    RestoreMode(TCSADRAIN);
}

void OnHangupSignal(int sig) {
    g_terminal.hangup = sig;
}

void OnFatalSignal(int sig) {
    RestoreMode(TCSANOW);
    for (std::size_t i = 0; i < std::size(kFatalSignals); ++i) {
        if (kFatalSignals[i] == sig) ::sigaction(sig, &g_terminal.old_fatal[i], nullptr);
    }
    // Delivered when this handler returns, to the handler that was there before ours.
    ::raise(sig);
}

void Install(int sig, void (*handler)(int), struct sigaction* old) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a hang-up must cut the key reader's poll short.
    action.sa_flags = 0;
    ::sigaction(sig, &action, old);
}

}  // namespace

void TtyMode::enter(int fd) {
    if (owner_ || g_terminal.held || fd < 0) return;
    owner_ = true;
    g_terminal.held = true;
    g_terminal.hangup = 0;
    g_terminal.fd = fd;
    for (std::size_t i = 0; i < std::size(kHangupSignals); ++i) {
        Install(kHangupSignals[i], OnHangupSignal, &g_terminal.old_hangup[i]);
    }
    if (!::isatty(fd) || ::tcgetattr(fd, &g_terminal.saved) != 0) return;

    for (std::size_t i = 0; i < std::size(kFatalSignals); ++i) {
        Install(kFatalSignals[i], OnFatalSignal, &g_terminal.old_fatal[i]);
    }
    g_terminal.fatal_handlers = true;
    if (!g_terminal.exit_handler_registered) {
        g_terminal.exit_handler_registered = std::atexit(RestoreAtExit) == 0;
    }
    struct termios raw = g_terminal.saved;
    raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                          ICRNL | IXON | IXOFF);
    // The writer sends CR LF itself; the terminal must not add to it.
    raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    raw.c_cflag |= CS8;
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSADRAIN, &raw) == 0) g_terminal.raw = 1;
}

void TtyMode::leave() {
    if (!owner_) return;
    RestoreMode(TCSADRAIN);
    if (g_terminal.fatal_handlers) {
        g_terminal.fatal_handlers = false;
        for (std::size_t i = 0; i < std::size(kFatalSignals); ++i) {
            ::sigaction(kFatalSignals[i], &g_terminal.old_fatal[i], nullptr);
        }
    }
    for (std::size_t i = 0; i < std::size(kHangupSignals); ++i) {
        ::sigaction(kHangupSignals[i], &g_terminal.old_hangup[i], nullptr);
    }
    g_terminal.held = false;
    g_terminal.fd = -1;
    owner_ = false;
}

bool TtyMode::hangup_signalled() const {
    return owner_ && g_terminal.hangup != 0;
}

int TtyMode::hangup_signal() const {
    return owner_ ? static_cast<int>(g_terminal.hangup) : 0;
}

}  // namespace vorn
