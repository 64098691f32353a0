// The file calls of a program at work in a game directory, its working directory: the game,
// setup, maint, mkgame and checkgame put them in place at their start. What they create gets
// exactly the mode asked for (kGameFileMode, kGameDirectoryMode) whatever the umask, and the
// group of the game directory, so the game's user, the board's user and the sysop share it
// through that group and no other account reads it.
//
// A run as root also gives what it creates the owner of the game directory, and follows no link
// inside it: each folder of a relative path is opened without following a link, and so is the
// file itself; a name that is a link, a file with other names (a hard link) and anything that is
// no file or folder are refused, and a file is emptied only after it passed. So nothing a root
// run leaves locks the game's user out, and nothing the game's user plants leads a root run to a
// file outside the directory. Absolute paths (the installation's data, a backup folder the sysop
// names) are the sysop's own and are taken as they are.
#pragma once

#include <sys/types.h>

#include "common/file_calls.hpp"

namespace vorn {

class GameDirectoryCalls : public FileCalls {
  public:
    // Takes the owner and group of the working directory; a run as root when the effective user
    // is root.
    GameDirectoryCalls();

    int open(const char* path, int flags, mode_t mode) override;
    int make_temporary(char* path) override;
    int rename(const char* from, const char* to) override;
    int unlink(const char* path) override;
    int mkdir(const char* path, mode_t mode) override;

  private:
    // Gives a file or folder just created `mode` and the directory's group (and owner).
    void claim(int fd, mode_t mode) const;
    bool guarded(const char* path) const { return root_ && path[0] != '/'; }

    uid_t owner_;
    gid_t group_;
    bool root_;
    bool regroup_;  // what this user creates would not have the directory's group by itself
};

}  // namespace vorn
