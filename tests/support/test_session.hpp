// A session for unit tests: a manual clock, scripted dice, a terminal that records what is sent
// and plays back what is typed, and an exit that unwinds to the test instead of ending it. Each
// test runs in a fresh temporary directory that becomes the game directory.
#pragma once

#include <sys/types.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "core/session.hpp"
#include "term/terminal_io.hpp"

namespace vorn::test {

// Thrown by ThrowingExit so a test can catch the end of the program and look at its code.
struct ExitCalled {
    int code;
};

// The exit of every test session: it unwinds to the test instead of ending the process.
class ThrowingExit final : public ProcessExit {
  public:
    void exit_process(int code) override { throw ExitCalled{code}; }
};

// Records everything written; input is typed ahead with `type`.
class RecordingTerminal final : public TerminalIo {
  public:
    explicit RecordingTerminal(Clock& clock) : clock_(clock) {}
    bool write_all(std::string_view bytes) override;
    bool wait_readable(int timeout_ms) override;
    long read_some(char* buffer, std::size_t size) override;
    bool hung_up() const override { return hung_up_; }

    bool open_line(int fd, LineOrigin origin, std::uint8_t line_mode) override;

    void type(std::string_view keys) { input_.insert(input_.end(), keys.begin(), keys.end()); }
    // The line the game opened: -1 standard input and output, -2 none yet; a socket it is handed
    // is only noted, the test's input and output go on as before.
    int opened_fd = -2;
    // Once the typed keys are used up, reads report a hang-up.
    void hang_up_when_empty() { hang_up_when_empty_ = true; }
    std::string output;
    int writes = 0;
    // Called with every write, so a test can play a terminal that answers what it is sent.
    std::function<void(std::string_view)> on_write;
    // Called at every read, before it takes any key: the game waits for the caller here.
    std::function<void()> on_read;
    // Keys handed over per read (0: all that are typed), as a caller typing one at a time.
    std::size_t keys_per_read = 0;

  private:
    Clock& clock_;
    std::deque<char> input_;
    bool hang_up_when_empty_ = false;
    bool hung_up_ = false;
};

// A fresh temporary directory, made the working directory for the object's life.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::string previous_;
};

// Writes `bytes` to a file in the working directory.
void WriteFile(const std::string& name, std::string_view bytes);
std::string ReadFile(const std::string& name);
bool FileExists(const std::string& name);

struct TestSession {
    TestSession();
    explicit TestSession(DateTime start);

    TempDir dir;
    ManualClock clock;
    ScriptedRandom random{{0}};
    RecordingTerminal terminal{clock};
    ThrowingExit exit;
    Platform platform{clock, random, terminal, exit};
    Session session{platform};
};

// Runs `body` in a child process as the unprivileged user nobody when the test runs as root (in
// place otherwise) and returns its result; the working directory is opened to that user first.
int RunUnprivileged(const std::function<int()>& body);

// Starts `count` child processes that run `body` (with their index) all at the same moment and
// end with its result; returns their ids, for the caller to wait for.
std::vector<pid_t> StartAtOnce(int count, const std::function<int(int)>& body);
// Waits for the processes; true when every one ended with code 0.
bool AllEndedWell(const std::vector<pid_t>& processes);

// 7 December 2026, 10:15:00 am, a Monday.
DateTime SampleTime();
// A date and time of day (the weekday left at 0).
DateTime MakeTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace vorn::test
