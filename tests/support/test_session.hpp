// A session for unit tests: a manual clock, scripted dice, a terminal that records what is sent
// and plays back what is typed, and an exit that unwinds to the test instead of ending it. Each
// test runs in a fresh temporary directory that becomes the game directory.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "core/session.hpp"
#include "support/fake_terminal.hpp"

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
    FakeTerminal terminal{clock};
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
