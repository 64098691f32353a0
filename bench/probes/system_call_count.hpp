// The system calls a running process makes over a stretch of time, counted from outside it by
// strace attached to it (as root, or with the right to trace it).
#pragma once

#include <sys/types.h>

#include <map>
#include <string>

namespace vorn::test {

class SystemCallCount {
  public:
    // Attaches to `pid` and waits until strace says so. False when strace cannot be started or
    // does not attach within a few seconds.
    bool start(pid_t pid);
    // Detaches and reads the counts. False when strace gave no summary.
    bool stop();
    ~SystemCallCount();

    long total() const { return total_; }
    // Calls by the system call's name.
    const std::map<std::string, long>& calls() const { return calls_; }
    // The calls as one line, the most frequent first: "read 400, write 400, ...".
    std::string summary() const;

  private:
    pid_t strace_ = -1;
    std::string folder_;
    long total_ = 0;
    std::map<std::string, long> calls_;
};

}  // namespace vorn::test
