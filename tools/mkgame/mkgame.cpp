// mkgame: lays out a game directory from the installation — the compiled world, the screens,
// help and texts, a local node 1, the node 0 of stand-alone telnet games and the default
// settings; with --nodes, a range of board nodes with setup's node defaults. Files of a game in
// play (players, world, settings, node files, news, tavern talk) are never overwritten; with
// --upgrade the screens, help and texts of an existing game are replaced by the installation's. An
// installed mkgame takes the data installed beside it; one in a build tree takes that tree's.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "common/config_files.hpp"
#include "common/directories.hpp"
#include "common/game_directory_calls.hpp"
#include "common/node_lock_table.hpp"
#include "common/record_file.hpp"
#include "setup/lock_rebuild.hpp"
#include "setup/setup_state.hpp"

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
    std::optional<vorn::NodeRange> nodes;  // board nodes to lay out
};

void Usage() {
    std::fputs(
        "usage: mkgame [--upgrade] [--nodes A-B] [--data DIR] [--world DIR] GAME_DIR\n"
        "  Lays out GAME_DIR with the compiled world, screens, help and texts, a local node 1,\n"
        "  node 0 for stand-alone telnet games and the default settings. Existing files are\n"
        "  kept; --upgrade replaces the screens, help and texts of an existing game.\n"
        "  --nodes 1-32 adds board nodes 1 to 32 (nodes from 1 to 255) with setup's node\n"
        "  defaults (door.sys, multinode) and marks them in lockfile.lck.\n"
        "  Nodes are laid out without a sysop name: set yours with setup.\n",
        stderr);
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

// Copies one file; an existing target is kept unless `replace`. False only on a failed copy.
bool CopyFile(const fs::path& from, const fs::path& to, bool replace) {
    if (Exists(to) && !replace) return true;
    if (vorn::CopyWholeFile(from.string(), to.string(), O_TRUNC)) return true;
    std::fprintf(stderr, "mkgame: %s: %s\n", to.c_str(), std::strerror(errno));
    return false;
}

// Every regular file of `from` (not recursing) into `to`.
bool CopyFolder(const fs::path& from, const fs::path& to, bool replace, const char* only = "") {
    std::error_code ec;
    vorn::CreateDirectoryPath(to.string());
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

bool WriteNodeIfMissing(const fs::path& game, int node, const vorn::NodeConfig& config) {
    return WriteIfMissing(game / vorn::NodeFileName(node), &config, sizeof config);
}

// setup's node defaults with no sysop name: the e-mail area takes the first node's name for its
// sysop, and a name every installation shares is one any caller could guess. The sysop sets his
// own with setup.
vorn::NodeConfig NewNode(std::uint8_t door_type) {
    vorn::NodeConfig node = vorn::DefaultNodeConfig();
    node.sysop_name = "";
    node.door_type = door_type;
    return node;
}

// lockfile.lck as setup's Redo lockfile leaves it: every node with its own file marked.
bool MarkNodeFiles() {
    vorn::NodeLockTable table{};
    const bool ok = vorn::RebuildNodeLockTable(table, [](int) {});
    if (!ok) std::fprintf(stderr, "mkgame: %s cannot be written\n", vorn::kNodeLockFile);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    FindInstalledData(o);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--upgrade") {
            o.upgrade = true;
        } else if (arg == "--nodes" && i + 1 < argc) {
            o.nodes = vorn::ParseNodeRange(argv[++i], 1, vorn::kLastDynamicNode);
            if (!o.nodes) {
                std::fprintf(stderr,
                             "mkgame: --nodes takes a node from 1 to %d or a range of "
                             "them, such as 1-32\n",
                             vorn::kLastDynamicNode);
                return 2;
            }
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
    // The game directory becomes the working directory, as for the other programs: a run as
    // root then reaches every file in it without following a link, and leaves what it makes to
    // the directory's owner.
    std::error_code ec;
    o.data = fs::absolute(o.data, ec).string();
    o.world = fs::absolute(o.world, ec).string();
    const bool made = !vorn::DirectoryExists(o.game);
    vorn::CreateDirectoryPath(o.game);
    if (!vorn::DirectoryExists(o.game) || ::chdir(o.game.c_str()) != 0) {
        std::fprintf(stderr, "mkgame: cannot create %s\n", o.game.c_str());
        return 1;
    }
    // A new game's directory gets the game's mode, whatever the umask and whoever made it empty:
    // only the game's user and group enter it. The bit that hands its group down stays.
    struct stat st {};
    if ((made || !Exists("setup.dat")) && ::stat(".", &st) == 0 &&
        ::chmod(".", (st.st_mode & S_ISGID) | vorn::kGameDirectoryMode) != 0) {
        std::fprintf(stderr, "mkgame: %s stays open to other accounts\n", o.game.c_str());
    }
    vorn::GameDirectoryCalls files;
    vorn::SetFileCalls(&files);
    const fs::path game = ".";

    // The world and the live texts belong to the game once it exists: never replaced.
    bool ok = CopyFolder(o.world, game, false, ".dat");
    ok = CopyFile(fs::path(o.data) / "text" / "talk.txt", game / "talk.txt", false) && ok;
    // Screens, help and texts: replaced on request.
    ok = CopyFolder(fs::path(o.data) / "ansi", game / "ansi", o.upgrade) && ok;
    ok = CopyFolder(fs::path(o.data) / "help", game / "help", o.upgrade) && ok;
    for (const auto& entry : fs::directory_iterator(fs::path(o.data) / "text", ec)) {
        const std::string name = entry.path().filename().string();
        if (name == "talk.txt" || name == "README.md") continue;
        ok = CopyFile(entry.path(), game / name, o.upgrade) && ok;
    }

    // Board nodes as setup makes a new node: door.sys, multinode. Laid out before the local node
    // 1, which they replace when the range takes in node 1.
    const vorn::NodeConfig board = NewNode(1);
    if (o.nodes) {
        for (int n = o.nodes->first; n <= o.nodes->last; ++n) {
            ok = WriteNodeIfMissing(game, n, board) && ok;
        }
    }
    const vorn::NodeConfig node = NewNode(3);
    // Node 0 serves callers from inetd, systemd or socat: the game's own logon, and each caller
    // takes the first free node of lockfile.lck.
    vorn::NodeConfig daemon = NewNode(4);
    daemon.wfc_mode = true;
    daemon.daemon_mode = true;
    const vorn::GameSettings settings = vorn::DefaultGameSettings();
    const vorn::MaintSettings maint = vorn::DefaultMaintSettings();
    ok = WriteNodeIfMissing(game, 0, daemon) && ok;
    ok = WriteNodeIfMissing(game, 1, node) && ok;
    ok = WriteIfMissing(game / "setup.dat", &settings, sizeof settings) && ok;
    ok = WriteIfMissing(game / "maint.dat", &maint, sizeof maint) && ok;
    // A game in play keeps its lock table, unless new nodes are to be marked in it.
    if (o.nodes || !Exists(game / vorn::kNodeLockFile)) ok = MarkNodeFiles() && ok;
    if (!ok) {
        std::fprintf(stderr, "mkgame: %s is not complete\n", o.game.c_str());
        return 1;
    }
    std::printf("Game directory %s is ready.\n", o.game.c_str());
    return 0;
}
