// Bringing the installation's screens, help, texts and world into a game directory, run in it
// (paths are relative to it). A file that is missing goes in; on an upgrade, a file the
// installation put there and nobody changed since is replaced by the new one, and a file the
// sysop changed stays as it is. World files are brought up to date record by record, in place,
// so the games playing meanwhile keep their open files; the city a room holds is the game's and
// always stays. Nothing here follows a link where a game file should be.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "installed_list.hpp"
#include "worldc/world_kinds.hpp"

namespace vorn::mkgame {

struct Owner {
    uid_t uid;
    gid_t gid;
};

struct Installer {
    bool upgrade = false;
    // Set in a run as root: what is created is handed to the game directory's owner and group.
    std::optional<Owner> owner;
    InstalledList installed;
    std::vector<std::string> report;  // what an upgrade replaced, added and kept, a line each
    bool ok = true;                   // false once something could not be read or written
};

enum class OnUpgrade { kReplace, kKeep };

// Installs the file `from` as `key` ("ansi/title.ans"). kKeep: a live file of the game (the
// tavern talk, the message areas) that goes in only when missing.
void InstallFile(Installer& in, const std::string& from, const std::string& key,
                 OnUpgrade on_upgrade = OnUpgrade::kReplace);
// Installs the world file `from` of `kind`, record by record.
void InstallWorldFile(Installer& in, const std::string& from, const KindLayout& kind);
// A folder of the game (ansi, help): created when missing; false when something else is there.
bool MakeGameFolder(Installer& in, const std::string& name);

// The list of what was installed, read from and written to the game directory.
void LoadInstalledList(Installer& in);
bool SaveInstalledList(Installer& in);

}  // namespace vorn::mkgame
