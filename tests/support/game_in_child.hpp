// A program run in a forked child of the test, with injected file faults under the record and
// text-file layer: whatever the child does (an exit through the run-time I/O check, a crash)
// leaves the test standing. The game runs there whole, on a fake clock, steady dice and a caller
// whose keys are all typed ahead, so a full session costs milliseconds. The child's standard
// output and error (what the caller saw, run-time error lines, sanitizer reports) come back as
// text.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/clock.hpp"
#include "support/file_faults.hpp"
#include "support/game_directory.hpp"

namespace vorn::test {

struct ChildRun {
    std::string directory;        // becomes the working directory
    FaultPlan fault;              // none by default
    bool unprivileged = false;    // run as the user nobody (when the test runs as root)
    int time_limit_seconds = 60;  // a child still running then is killed (SIGALRM)
};

struct ChildOutcome {
    int exit_code = -1;  // -1 when it did not exit
    int signal = 0;      // the signal that ended it, 0 when it exited
    FaultRecord record;  // the calls counted and the fault that fired
    std::string output;  // its standard output and error
};

// A copy of a game directory, removed with the object. Tests make hundreds of them, so they go
// to memory when the machine offers a file system there.
class ScratchCopy {
  public:
    explicit ScratchCopy(const std::string& from);
    ~ScratchCopy();
    ScratchCopy(const ScratchCopy&) = delete;
    ScratchCopy& operator=(const ScratchCopy&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Runs `body` in the child, whose return value is the exit code (the body may also end the
// process itself, as the programs do).
ChildOutcome RunInChild(const ChildRun& run, const std::function<int()>& body);

// A body that plays the game (`game` + `args`) with `keys` typed ahead. The keys should end the
// call; if they run out, the caller sits idle until the game hangs up on him.
std::function<int()> PlayGame(std::vector<std::string> args, std::string keys);

// A body that runs maint's night (maint --again when `again`) on a manual clock at `when`, with
// steady dice; its plain lines go to standard output.
std::function<int()> RunMaint(DateTime when, bool again = false);

// Walt's game: a game directory where the door.sys caller Walt Walker plays on node 1, and what
// he types (the answer to the terminal probe first, the quitting keys last).
void LayOutWaltsGame(const GameDirectory& dir);
// A newcomer creates Walt, a Human, buys the hatchet and puts 50 gold in the bank, goes out to
// the forest edge, posts on the first board, writes a letter to Joe, and quits.
std::string WaltsFirstEvening();
// Afterwards: 20,000 gold, the experience for level 2 and 300 hit points.
void MakeWaltRich(const GameDirectory& dir);
// Rich Walt founds Frostholm at the forest edge, walks to Vornville, beats the master of level 2
// at the trainer, and quits.
std::string WaltsCityAndLevel();

}  // namespace vorn::test
