// mkgame: lays out a game directory from the installation — the compiled world, the screens,
// help and texts, a local node 1, the node 0 of stand-alone telnet games and the default
// settings. Files of a game in play (players, world, settings, news, tavern talk) are never
// overwritten; with --upgrade the screens, help and texts of an existing game are replaced by the
// installation's. An installed mkgame takes the data installed beside it; one in a build tree
// takes that tree's.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/config_files.hpp"
#include "common/directories.hpp"
#include "common/record_file.hpp"

namespace fs = std::filesystem;

namespace {

#ifndef VORN_DATA_DIR
#define VORN_DATA_DIR "data"
#endif
#ifndef VORN_WORLD_DIR
#define VORN_WORLD_DIR "build/world"
#endif
// The installed data, relative to the installed program's directory.
#ifndef VORN_INSTALLED_DATA
#define VORN_INSTALLED_DATA "../share/vornhold"
#endif

struct Options {
    std::string game;
    std::string data = VORN_DATA_DIR;
    std::string world = VORN_WORLD_DIR;
    bool upgrade = false;
};

void Usage() {
    std::fputs(
        "usage: mkgame [--upgrade] [--data DIR] [--world DIR] GAME_DIR\n"
        "  Lays out GAME_DIR with the compiled world, screens, help and texts, a local node 1,\n"
        "  node 0 for stand-alone telnet games and the default settings. Existing files are\n"
        "  kept; --upgrade replaces the screens, help and texts of an existing game.\n",
        stderr);
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

// Copies one file; an existing target is kept unless `replace`. False only on a failed copy.
bool CopyFile(const fs::path& from, const fs::path& to, bool replace) {
    if (Exists(to) && !replace) return true;
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec) std::fprintf(stderr, "mkgame: %s: %s\n", to.c_str(), ec.message().c_str());
    return !ec;
}

// Every regular file of `from` (not recursing) into `to`.
bool CopyFolder(const fs::path& from, const fs::path& to, bool replace, const char* only = "") {
    std::error_code ec;
    fs::create_directories(to, ec);
    bool ok = true;
    for (const auto& entry : fs::directory_iterator(from, ec)) {
        if (!entry.is_regular_file()) continue;
        const std::string name = entry.path().filename().string();
        if (name == "README.md") continue;
        if (*only != '\0' && entry.path().extension() != only) continue;
        ok = CopyFile(entry.path(), to / name, replace) && ok;
    }
    if (ec) {
        std::fprintf(stderr, "mkgame: %s: %s\n", from.c_str(), ec.message().c_str());
        return false;
    }
    return ok;
}

// The data installed beside this program (bin/../share/vornhold), wherever the installation
// was unpacked; false when this program runs from a build tree.
bool FindInstalledData(Options& o) {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return false;
    const fs::path data = self.parent_path() / VORN_INSTALLED_DATA;
    if (!Exists(data / "world" / "rooms.dat") || !Exists(data / "ansi")) return false;
    o.data = data.lexically_normal().string();
    o.world = (data / "world").lexically_normal().string();
    return true;
}

bool WriteIfMissing(const fs::path& path, const void* data, std::size_t size) {
    if (Exists(path)) return true;
    return vorn::WriteFilePrefix(path.string(), data, size);
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    FindInstalledData(o);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--upgrade") {
            o.upgrade = true;
        } else if ((arg == "--data" || arg == "--world") && i + 1 < argc) {
            (arg == "--data" ? o.data : o.world) = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && o.game.empty()) {
            o.game = arg;
        } else {
            Usage();
            return 2;
        }
    }
    if (o.game.empty()) {
        Usage();
        return 2;
    }
    const fs::path game = o.game;
    vorn::CreateDirectoryPath(o.game);
    if (!vorn::DirectoryExists(o.game)) {
        std::fprintf(stderr, "mkgame: cannot create %s\n", o.game.c_str());
        return 1;
    }

    // The world and the live texts belong to the game once it exists: never replaced.
    bool ok = CopyFolder(o.world, game, false, ".dat");
    ok = CopyFile(fs::path(o.data) / "text" / "talk.txt", game / "talk.txt", false) && ok;
    // Screens, help and texts: replaced on request.
    ok = CopyFolder(fs::path(o.data) / "ansi", game / "ansi", o.upgrade) && ok;
    ok = CopyFolder(fs::path(o.data) / "help", game / "help", o.upgrade) && ok;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs::path(o.data) / "text", ec)) {
        const std::string name = entry.path().filename().string();
        if (name == "talk.txt" || name == "README.md") continue;
        ok = CopyFile(entry.path(), game / name, o.upgrade) && ok;
    }

    vorn::NodeConfig node = vorn::DefaultNodeConfig();
    node.door_type = 3;
    // Node 0 serves callers from inetd, systemd or socat: the game's own logon, and each caller
    // takes the first free node of lockfile.lck.
    vorn::NodeConfig daemon = vorn::DefaultNodeConfig();
    daemon.door_type = 4;
    daemon.wfc_mode = true;
    daemon.daemon_mode = true;
    const vorn::GameSettings settings = vorn::DefaultGameSettings();
    const vorn::MaintSettings maint = vorn::DefaultMaintSettings();
    // As setup's "Redo lockfile" would mark them: nodes 0 and 1 have their files.
    unsigned char locks[256] = {};
    locks[0] = 1;
    locks[1] = 1;
    ok = WriteIfMissing(game / "vorn0.dat", &daemon, sizeof daemon) && ok;
    ok = WriteIfMissing(game / "vorn1.dat", &node, sizeof node) && ok;
    ok = WriteIfMissing(game / "setup.dat", &settings, sizeof settings) && ok;
    ok = WriteIfMissing(game / "maint.dat", &maint, sizeof maint) && ok;
    ok = WriteIfMissing(game / "lockfile.lck", locks, sizeof locks) && ok;
    if (!ok) {
        std::fprintf(stderr, "mkgame: %s is not complete\n", o.game.c_str());
        return 1;
    }
    std::printf("Game directory %s is ready.\n", o.game.c_str());
    return 0;
}
