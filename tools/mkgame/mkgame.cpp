// mkgame: lays out a game directory from the installation — the compiled world, the screens,
// help and texts, a local node 1, the node 0 of stand-alone telnet games and the default
// settings; with --nodes, a range of board nodes with setup's node defaults. Files of a game in
// play (players, world, settings, node files, news, tavern talk) are never overwritten. With
// --upgrade the installation's new screens, help, texts and world records replace those it put
// there before, and what the sysop changed stays (install_files.hpp). An installed mkgame takes
// the data installed beside it; one in a build tree takes that tree's.
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

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
#include "common/whole_option.hpp"
#include "install_files.hpp"
#include "setup/lock_rebuild.hpp"
#include "setup/setup_state.hpp"
#include "worldc/world_kinds.hpp"

namespace fs = std::filesystem;
namespace mkgame = vorn::mkgame;

namespace {

#ifndef VORN_DATA_DIR
#define VORN_DATA_DIR "data"
#endif
#ifndef VORN_WORLD_DIR
#define VORN_WORLD_DIR "build/world"
#endif
// The installed data, relative to the installed program's directory.
#ifndef VORN_INSTALLED_DATA
#define VORN_INSTALLED_DATA "../share/games/vornhold"
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
        "  kept. --upgrade brings the installation's screens, help, texts and world records\n"
        "  into an existing game: what it installed before is replaced, what was changed\n"
        "  there is kept, and each is listed; players, cities, mail and news stay as they are.\n"
        "  --nodes 1-32 adds board nodes 1 to 32 (nodes from 1 to 255) with setup's node\n"
        "  defaults (door.sys, multinode) and marks them in lockfile.lck.\n"
        "  Nodes are laid out without a sysop name: set yours with setup.\n",
        stderr);
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

// Every regular file of the installation's folder `from` (not recursing), as `to`/name.
void InstallFolder(mkgame::Installer& in, const fs::path& from, const std::string& to) {
    if (!to.empty() && !mkgame::MakeGameFolder(in, to)) return;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(from, ec)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || name == "README.md") continue;
        mkgame::InstallFile(in, entry.path().string(), to.empty() ? name : to + "/" + name);
    }
    if (ec) {
        std::fprintf(stderr, "mkgame: %s: %s\n", from.c_str(), ec.message().c_str());
        in.ok = false;
    }
}

// The world files: those of the world compiler record by record, the others (the message
// areas, whose counts the game keeps) only when missing.
void InstallWorld(mkgame::Installer& in, const fs::path& from) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(from, ec)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || entry.path().extension() != ".dat") continue;
        const vorn::KindLayout* kind = nullptr;
        for (int k = 0; k < vorn::kWorldKindCount; ++k) {
            if (name == vorn::KindAt(k).file) kind = &vorn::KindAt(k);
        }
        if (kind != nullptr) {
            mkgame::InstallWorldFile(in, entry.path().string(), *kind);
        } else {
            mkgame::InstallFile(in, entry.path().string(), name, mkgame::OnUpgrade::kKeep);
        }
    }
    if (ec) {
        std::fprintf(stderr, "mkgame: %s: %s\n", from.c_str(), ec.message().c_str());
        in.ok = false;
    }
}

// The data installed beside this program (games/../share/games/vornhold), wherever the
// installation was unpacked; false when this program runs from a build tree.
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

bool WriteNodeIfMissing(int node, const vorn::NodeConfig& config) {
    return WriteIfMissing(vorn::NodeFileName(node), &config, sizeof config);
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

// The node files and settings a game needs, where they are missing.
bool LayOutNodes(const Options& o) {
    // Board nodes as setup makes a new node: door.sys, multinode. Laid out before the local node
    // 1, which they replace when the range takes in node 1.
    bool ok = true;
    const vorn::NodeConfig board = NewNode(1);
    if (o.nodes) {
        for (int n = o.nodes->first; n <= o.nodes->last; ++n) {
            ok = WriteNodeIfMissing(n, board) && ok;
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
    ok = WriteNodeIfMissing(0, daemon) && ok;
    ok = WriteNodeIfMissing(1, node) && ok;
    ok = WriteIfMissing("setup.dat", &settings, sizeof settings) && ok;
    ok = WriteIfMissing("maint.dat", &maint, sizeof maint) && ok;
    // A game in play keeps its lock table, unless new nodes are to be marked in it.
    if (o.nodes || !Exists(vorn::kNodeLockFile)) ok = MarkNodeFiles() && ok;
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    static const option kLongOptions[] = {{"upgrade", no_argument, nullptr, 'u'},
                                          {"nodes", required_argument, nullptr, 'n'},
                                          {"data", required_argument, nullptr, 'D'},
                                          {"world", required_argument, nullptr, 'w'},
                                          {nullptr, 0, nullptr, 0}};
    Options o;
    FindInstalledData(o);
    // Options and the game directory in the order given; "--" is no option of ours.
    opterr = 0;
    optind = 0;
    int next = 1;  // the argument getopt_long looks at
    int index = -1;
    for (int c; (c = getopt_long(argc, argv, "-:", kLongOptions, &index)) != -1;
         next = optind, index = -1) {
        if (c != 1 && !vorn::IsWholeOption(argv[next], c, kLongOptions, index)) {
            Usage();
            return 2;
        }
        if (c == 'u') {
            o.upgrade = true;
        } else if (c == 'n') {
            o.nodes = vorn::ParseNodeRange(optarg, 1, vorn::kLastDynamicNode);
            if (!o.nodes) {
                std::fprintf(stderr,
                             "mkgame: --nodes takes a node from 1 to %d or a range of "
                             "them, such as 1-32\n",
                             vorn::kLastDynamicNode);
                return 2;
            }
        } else if (c == 'D' || c == 'w') {
            (c == 'D' ? o.data : o.world) = optarg;
        } else if (c == 1 && optarg[0] != '\0' && optarg[0] != '-' && o.game.empty()) {
            o.game = optarg;
        } else {
            Usage();
            return 2;
        }
    }
    if (optind != next) {
        Usage();
        return 2;
    }
    if (o.game.empty()) {
        Usage();
        return 2;
    }
    std::error_code ec;
    const fs::path data = fs::absolute(o.data, ec);
    const fs::path world = fs::absolute(o.world, ec);
    if (o.upgrade && !vorn::DirectoryExists(o.game)) {
        std::fprintf(stderr, "mkgame: there is no game directory %s to upgrade\n", o.game.c_str());
        return 1;
    }
    // The game directory becomes the working directory, as for the other programs: a run as
    // root then reaches every file in it without following a link, and leaves what it makes to
    // the directory's owner.
    const bool made = !vorn::DirectoryExists(o.game);
    vorn::CreateDirectoryPath(o.game);
    struct stat game_dir {};
    if (!vorn::DirectoryExists(o.game) || ::chdir(o.game.c_str()) != 0 ||
        ::stat(".", &game_dir) != 0) {
        std::fprintf(stderr, "mkgame: cannot create %s\n", o.game.c_str());
        return 1;
    }
    // A new game's directory gets the game's mode, whatever the umask and whoever made it empty:
    // only the game's user and group enter it. The bit that hands its group down stays.
    if ((made || !Exists("setup.dat")) &&
        ::chmod(".", (game_dir.st_mode & S_ISGID) | vorn::kGameDirectoryMode) != 0) {
        std::fprintf(stderr, "mkgame: %s stays open to other accounts\n", o.game.c_str());
    }
    vorn::GameDirectoryCalls files;
    vorn::SetFileCalls(&files);

    mkgame::Installer in;
    in.upgrade = o.upgrade;
    if (::geteuid() == 0) in.owner = mkgame::Owner{game_dir.st_uid, game_dir.st_gid};
    mkgame::LoadInstalledList(in);
    InstallWorld(in, world);
    // The tavern talk is the game's once it is there.
    mkgame::InstallFile(in, (data / "text" / "talk.txt").string(), "talk.txt",
                        mkgame::OnUpgrade::kKeep);
    InstallFolder(in, data / "ansi", "ansi");
    InstallFolder(in, data / "help", "help");
    for (const auto& entry : fs::directory_iterator(data / "text", ec)) {
        const std::string name = entry.path().filename().string();
        if (name == "talk.txt" || name == "README.md") continue;
        mkgame::InstallFile(in, entry.path().string(), name);
    }
    bool ok = LayOutNodes(o) && in.ok;
    ok = mkgame::SaveInstalledList(in) && ok;
    for (const std::string& line : in.report) std::printf("%s\n", line.c_str());
    if (!ok) {
        std::fprintf(stderr, "mkgame: %s is not complete\n", o.game.c_str());
        return 1;
    }
    std::printf(o.upgrade ? "Game directory %s is upgraded.\n" : "Game directory %s is ready.\n",
                o.game.c_str());
    return 0;
}
