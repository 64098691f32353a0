// Temporary game directories for tests that run the real programs, and the unprivileged user
// those programs run as. The game refuses root, and the machine's tests run as root, so every
// directory and file made here is handed to that user, and the binaries are copied to a place
// the user can execute from (the build tree may sit under a directory only root can enter).
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace vorn::test {

// Who the programs run as: nobody/nogroup when the test runs as root, else the test's own user.
struct RunAsUser {
    bool drop = false;  // true when running as root: switch to uid/gid below before exec
    uid_t uid = 0;
    gid_t gid = 0;
};
const RunAsUser& UnprivilegedUser();
bool RunningAsRoot();

// The source tree and the build's bin directory. Only this support library knows them, so the
// other test files compile the same in every checkout.
std::string SourceDir();
std::string BinDir();

// The path of an executable of the build (game, setup, maint, mkgame, trivial_program, ...),
// copied once per test process into a directory everyone can read and execute.
std::string BinaryPath(std::string_view name);

// Hands a file or directory to the unprivileged user (does nothing when not root).
void GiveToUnprivilegedUser(const std::string& path);

// A directory under /tmp, removed with everything in it when the object goes.
class GameDirectory {
  public:
    GameDirectory();
    ~GameDirectory();
    GameDirectory(const GameDirectory&) = delete;
    GameDirectory& operator=(const GameDirectory&) = delete;

    const std::string& path() const { return path_; }
    // `name` relative to the directory ("logs/12-07-2026.001").
    std::string file(std::string_view name) const;

    // Writes a file (replacing it), owned by the unprivileged user.
    void write_file(std::string_view name, std::string_view bytes) const;
    // Creates a sub-directory owned by the unprivileged user.
    void make_directory(std::string_view name) const;
    // The whole file, or an empty string when it cannot be read.
    std::string read_file(std::string_view name) const;
    bool exists(std::string_view name) const;
    // -1 when the file does not exist.
    long long file_size(std::string_view name) const;
    // The names in the directory (or a sub-directory), sorted, without "." and "..".
    std::vector<std::string> list(std::string_view sub_directory = "") const;

    // Lays out a playable game with the mkgame tool: a local node 1 (door type 3), defaults for
    // everything else. Returns false when the tool fails.
    bool make_game() const;

  private:
    std::string path_;
};

}  // namespace vorn::test
