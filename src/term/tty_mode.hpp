// The caller's terminal mode and the signals that end a call. On a terminal the game reads raw
// keys (no echo, no line editing, no signals from keys) and puts the previous mode back on every
// way out: normal end, std::exit (session.exit, the run-time I/O check) and fatal signals.
// SIGHUP and SIGTERM only raise a flag; the key reader turns it into an orderly end.
#pragma once

namespace vorn {

class TtyMode {
  public:
    TtyMode() = default;
    TtyMode(const TtyMode&) = delete;
    TtyMode& operator=(const TtyMode&) = delete;
    ~TtyMode() { leave(); }

    // Takes over the hang-up signals and, when `fd` is a terminal, switches it to raw mode.
    // Only one TtyMode of the process can hold the terminal; a second one does nothing.
    void enter(int fd);
    // Puts the previous mode and signal handlers back.
    void leave();

    bool holds_terminal() const { return owner_; }
    // True once SIGHUP or SIGTERM has arrived while this object held the terminal.
    bool hangup_signalled() const;
    // The signal that arrived (SIGHUP or SIGTERM), 0 for none.
    int hangup_signal() const;

  private:
    bool owner_ = false;
};

}  // namespace vorn
