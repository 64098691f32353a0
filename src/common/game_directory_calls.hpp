// The file calls of a program at work in a game directory, its working directory: the game,
// setup and maint put them in place at their start. What they create gets exactly the mode asked
// for (kGameFileMode, kGameDirectoryMode) whatever the umask, and the group of the game
// directory, so the game's user, the board's user and the sysop share it through that group and
// no other account reads it.
#pragma once

#include <sys/types.h>

#include "common/file_calls.hpp"

namespace vorn {

class GameDirectoryCalls : public FileCalls {
  public:
    // Takes the group of the working directory.
    GameDirectoryCalls();

    int open(const char* path, int flags, mode_t mode) override;
    int make_temporary(char* path) override;
    int mkdir(const char* path, mode_t mode) override;

  private:
    // Gives a file or folder just created `mode` and the directory's group.
    void claim(int fd, mode_t mode) const;

    gid_t group_;
    bool regroup_;  // what this user creates would not have the directory's group by itself
};

}  // namespace vorn
