// Injected file faults: FileCalls that count the calls on the game's files (or on some of them)
// and make the Nth one fail (an error number, an interruption) or move only part of its bytes, or
// from the Nth on let every write fail as on a full disk. The counts live in memory shared with the
// parent, so a test that runs the game in a child process learns how far it got.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <string_view>

#include "common/file_calls.hpp"

namespace vorn::test {

struct FaultPlan {
    long call = 0;             // the counted call that fails (from 1); 0: none
    int error = 0;             // its error number; 0: a short transfer (about half the bytes)
    bool full_disk = false;    // from that call on, every write fails with ENOSPC
    bool every = false;        // from that call on, every counted call fails alike
    bool kill = false;         // at that call the process is killed (SIGKILL), before making it
    std::string_view on_call;  // when set, only these calls count ("open", "pread", ...)
    std::string_view on_file;  // when set, only calls on files whose name ends so count
};

// The outcome, written where the parent can read it after the child has gone.
struct FaultRecord {
    long calls = 0;       // calls counted
    bool fired = false;   // the planned fault happened
    char what[160] = {};  // "pwrite users.dat: EIO"
};

// Files under logs/ and temp/ (the node's work files) are passed through uncounted: what the
// walk is after is the game directory's data.
bool IsGameDataPath(std::string_view path);

class FaultyFileCalls final : public FileCalls {
  public:
    FaultyFileCalls(const FaultPlan& plan, FaultRecord& record) : plan_(plan), record_(record) {}
    // For unit tests: in place for the object's life, the outcome kept in it.
    explicit FaultyFileCalls(const FaultPlan& plan);
    ~FaultyFileCalls() override;
    FaultyFileCalls(const FaultyFileCalls&) = delete;
    FaultyFileCalls& operator=(const FaultyFileCalls&) = delete;
    const FaultRecord& record() const { return record_; }

    int open(const char* path, int flags, mode_t mode) override;
    int make_temporary(char* path) override;
    int close(int fd) override;
    ssize_t read(int fd, void* data, std::size_t size) override;
    ssize_t pread(int fd, void* data, std::size_t size, off_t offset) override;
    ssize_t write(int fd, const void* data, std::size_t size) override;
    ssize_t pwrite(int fd, const void* data, std::size_t size, off_t offset) override;
    int rename(const char* from, const char* to) override;
    int fsync(int fd) override;
    int ftruncate(int fd, off_t length) override;

  private:
    enum class Verdict { kPass, kFail, kShort };
    // Counts the call when it is on a game file and says what becomes of it. A short transfer
    // planned for a call that moves no bytes (an open, a rename) is an interruption instead.
    Verdict judge(const std::string& file, const char* call, bool is_write, bool transfer);
    std::string file_of(int fd) const;
    static std::size_t allowed(Verdict v, std::size_t size);

    FaultPlan plan_;
    FaultRecord own_record_;
    FaultRecord& record_;
    bool installed_ = false;
    std::map<int, std::string> files_;  // open descriptors and the files they are on
};

}  // namespace vorn::test
